// A 99-channel write (five opening bytes) and a 99-channel read against tolvin-sim --line-rate,
// next to what the 1200-baud line allows: ten bits a byte in each direction, and the write's
// 200 ms pause. The figures of interest are the counters: seconds taken, the wire limit, and how
// far above it the exchange ran.
#include "bench_sim.h"

#include "station_link/exchange_log.h"
#include "station_link/exchanges.h"
#include "station_link/posix_serial_port.h"
#include "station_link/station_memory.h"

#include <benchmark/benchmark.h>

namespace {

constexpr double ByteTime = 10.0 / 1200.0;

tolvin::StreamImage ninetyNine(uint8_t stationType) {
    tolvin::StreamImage image = tolvin::defaultStationMemory(stationType);
    image.image.header[tolvin::HeaderByte::ChannelCount] = 99;
    for (auto &rec : image.image.records)
        rec = image.image.records[0];
    return image;
}

void report(benchmark::State &state, double seconds, double limit) {
    state.counters["seconds"] = seconds;
    state.counters["wire_limit_s"] = limit;
    state.counters["over_limit_pct"] = (seconds / limit - 1.0) * 100.0;
}

void BM_Write99ChannelsAtLineRate(benchmark::State &state) {
    BenchSim sim({"--line-rate"});
    if (sim.path().empty()) {
        state.SkipWithError("tolvin-sim did not start");
        return;
    }
    const tolvin::StreamImage image = ninetyNine(1);
    const int bytes = int(tolvin::openingSequence(1).size() + tolvin::encodeWriteStream(image).size());
    const double limit = bytes * 2 * ByteTime + 0.2;
    for (auto _ : state) {
        tolvin::PosixSerialPort port;
        NoObserver observer;
        const auto t0 = std::chrono::steady_clock::now();
        const tolvin::ExchangeResult r = tolvin::writeToStation(port, QString::fromStdString(sim.path()), observer, image);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!r.ok()) {
            state.SkipWithError("write failed");
            return;
        }
        state.SetIterationTime(s);
        report(state, s, limit);
    }
}
BENCHMARK(BM_Write99ChannelsAtLineRate)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// The same write with every byte going into the exchange log, as the link window and --log do.
void BM_Write99ChannelsAtLineRateLogged(benchmark::State &state) {
    BenchSim sim({"--line-rate"});
    if (sim.path().empty()) {
        state.SkipWithError("tolvin-sim did not start");
        return;
    }
    const tolvin::StreamImage image = ninetyNine(1);
    const int bytes = int(tolvin::openingSequence(1).size() + tolvin::encodeWriteStream(image).size());
    const double limit = bytes * 2 * ByteTime + 0.2;
    for (auto _ : state) {
        tolvin::PosixSerialPort real;
        tolvin::ExchangeLog log;
        tolvin::LoggingSerialPort port(real, log);
        NoObserver observer;
        const auto t0 = std::chrono::steady_clock::now();
        const tolvin::ExchangeResult r = tolvin::writeToStation(port, QString::fromStdString(sim.path()), observer, image);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!r.ok()) {
            state.SkipWithError("write failed");
            return;
        }
        state.SetIterationTime(s);
        report(state, s, limit);
        state.counters["logged_bytes"] = double(log.entries().size());
    }
}
BENCHMARK(BM_Write99ChannelsAtLineRateLogged)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_Read99ChannelsAtLineRate(benchmark::State &state) {
    BenchSim sim({"--line-rate"});
    if (sim.path().empty()) {
        state.SkipWithError("tolvin-sim did not start");
        return;
    }
    {
        tolvin::PosixSerialPort port;
        NoObserver observer;
        if (!tolvin::writeToStation(port, QString::fromStdString(sim.path()), observer, ninetyNine(0)).ok()) {
            state.SkipWithError("could not fill the station");
            return;
        }
    }
    const double limit = (1 + 28 + 18 * 99) * ByteTime;
    for (auto _ : state) {
        tolvin::PosixSerialPort port;
        NoObserver observer;
        const auto t0 = std::chrono::steady_clock::now();
        const tolvin::ExchangeResult r = tolvin::readFromStation(port, QString::fromStdString(sim.path()), observer);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!r.ok()) {
            state.SkipWithError("read failed");
            return;
        }
        state.SetIterationTime(s);
        report(state, s, limit);
    }
}
BENCHMARK(BM_Read99ChannelsAtLineRate)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
