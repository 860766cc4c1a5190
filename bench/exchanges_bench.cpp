// SPDX-License-Identifier: GPL-3.0-or-later
// A 99-channel write (five opening bytes, after the type query every write asks) and a 99-channel read against tolvin-sim --line-rate,
// next to what the 1200-baud line allows: ten bits a byte in each direction, and the write's
// 200 ms pause. The figures of interest are the counters: seconds taken, the wire limit, and how
// far above it the exchange ran. On a shared or virtual machine the write varies by a second or
// more between runs; compare several.
#include "bench_sim.h"

#include "station_link/exchange_log.h"
#include "station_link/exchanges.h"
#include "station_link/posix_serial_port.h"
#include "station_link/safeguards.h"
#include "sim/station_memory.h"

#include <benchmark/benchmark.h>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr double ByteTime = 10.0 / 1200.0;

tolvin::StreamImage ninetyNine(uint8_t stationType) {
    tolvin::StreamImage image = tolvin::defaultStationMemory(stationType);
    image.image.header[tolvin::HeaderByte::ChannelCount] = 99;
    for (auto &rec : image.image.records)
        rec = image.image.records[0];
    return image;
}

double writeLimit(const tolvin::StreamImage &image) {
    const auto bytes = tolvin::openingSequence(image.StationType).size() + tolvin::encodeWriteStream(image).size();
    return double(bytes) * 2 * ByteTime + 0.2;
}

// Times `exchange` (given the station's device) once per iteration against the wire limit.
void timeExchange(benchmark::State &state, const BenchSim &sim, double limit,
                  const std::function<tolvin::ExchangeResult(const QString &)> &exchange) {
    if (sim.path().empty()) {
        state.SkipWithError("tolvin-sim did not start");
        return;
    }
    const QString device = QString::fromStdString(sim.path());
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const tolvin::ExchangeResult r = exchange(device);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!r.ok()) {
            state.SkipWithError("the exchange failed");
            return;
        }
        state.SetIterationTime(s);
        state.counters["seconds"] = s;
        state.counters["wire_limit_s"] = limit;
        state.counters["over_limit_pct"] = (s / limit - 1.0) * 100.0;
    }
}

// As the window and tolvin-cli write: the type query first (three bytes each way and the code),
// timed and counted with the write.
void BM_Write99ChannelsAtLineRate(benchmark::State &state) {
    BenchSim sim({"--line-rate", "--type", "1"});
    const tolvin::StreamImage image = ninetyNine(1);
    const double query = (2.0 * double(tolvin::TypeQuerySequence.size()) + 1) * ByteTime;
    timeExchange(state, sim, writeLimit(image) + query, [&](const QString &device) {
        tolvin::PosixSerialPort port;
        NoObserver observer;
        const tolvin::SafeWriteResult r = tolvin::writeWithSafeguards(port, device, observer, image, {});
        tolvin::ExchangeResult e = r.exchange;
        if (!r.ok())
            e.outcome = tolvin::ExchangeOutcome::Failed;
        return e;
    });
}
BENCHMARK(BM_Write99ChannelsAtLineRate)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// The same write with every byte going into the exchange log, as the link window and --log do.
void BM_Write99ChannelsAtLineRateLogged(benchmark::State &state) {
    BenchSim sim({"--line-rate"});
    const tolvin::StreamImage image = ninetyNine(1);
    tolvin::ExchangeLog log;
    timeExchange(state, sim, writeLimit(image), [&](const QString &device) {
        tolvin::PosixSerialPort real;
        tolvin::LoggingSerialPort port(real, log);
        NoObserver observer;
        return tolvin::writeToStation(port, device, observer, image);
    });
    state.counters["logged_bytes"] = double(log.entries().size());
}
BENCHMARK(BM_Write99ChannelsAtLineRateLogged)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// The same write through a simulated USB adapter whose latency timer is 16 ms (an FTDI chip
// left at its default) and 1 ms (low latency, or the udev rule): what the timer costs.
void BM_Write99ChannelsThroughAnAdapter(benchmark::State &state) {
    const std::string delay = std::to_string(state.range(0));
    BenchSim sim({"--line-rate", "--reply-delay", delay});
    const tolvin::StreamImage image = ninetyNine(1);
    timeExchange(state, sim, writeLimit(image), [&](const QString &device) {
        tolvin::PosixSerialPort port;
        NoObserver observer;
        return tolvin::writeToStation(port, device, observer, image);
    });
    state.counters["latency_timer_ms"] = double(state.range(0));
    state.counters["ratio_to_wire"] = state.counters["seconds"] / writeLimit(image);
}
BENCHMARK(BM_Write99ChannelsThroughAnAdapter)->Arg(16)->Arg(1)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// The host's own share of each round trip of a 99-channel write, from a reply's arrival to the
// next byte's send, against a simulator that answers at once: what a real station would wait
// for the program. Median and 99th percentile in microseconds; the goal is under 50 and 200.
void BM_HostShareOfARoundTrip(benchmark::State &state) {
    BenchSim sim;
    const tolvin::StreamImage image = ninetyNine(1);
    if (sim.path().empty()) {
        state.SkipWithError("tolvin-sim did not start");
        return;
    }
    for (auto _ : state) {
        tolvin::PosixSerialPort port;
        NoObserver observer;
        const tolvin::ExchangeResult r = tolvin::writeToStation(port, QString::fromStdString(sim.path()), observer, image);
        if (!r.ok() || r.pace.hostTimes.empty()) {
            state.SkipWithError("the write failed");
            return;
        }
        std::vector<std::chrono::nanoseconds> t = r.pace.hostTimes;
        std::sort(t.begin(), t.end());
        auto us = [](std::chrono::nanoseconds d) { return std::chrono::duration<double, std::micro>(d).count(); };
        state.SetIterationTime(std::chrono::duration<double>(r.pace.elapsed).count());
        state.counters["round_trips"] = double(t.size());
        state.counters["host_median_us"] = us(t[t.size() / 2]);
        state.counters["host_p99_us"] = us(t[t.size() * 99 / 100]);
        state.counters["host_max_us"] = us(t.back());
        state.counters["round_trip_mean_us"] = us(r.pace.meanRoundTrip());
    }
}
BENCHMARK(BM_HostShareOfARoundTrip)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_Read99ChannelsAtLineRate(benchmark::State &state) {
    BenchSim sim({"--line-rate"});
    if (!sim.path().empty()) {
        tolvin::PosixSerialPort port;
        NoObserver observer;
        if (!tolvin::writeToStation(port, QString::fromStdString(sim.path()), observer, ninetyNine(0)).ok()) {
            state.SkipWithError("could not fill the station");
            return;
        }
    }
    timeExchange(state, sim, (1 + 28 + 18 * 99) * ByteTime, [](const QString &device) {
        tolvin::PosixSerialPort port;
        NoObserver observer;
        return tolvin::readFromStation(port, device, observer);
    });
}
BENCHMARK(BM_Read99ChannelsAtLineRate)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
