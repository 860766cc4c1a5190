// SPDX-License-Identifier: GPL-3.0-or-later
// One byte there and back through a pseudo-terminal and tolvin-sim (no line-rate pacing): what
// the port and WaitReply add to every byte of an exchange. Reports the median and the 99th
// percentile of single round trips as counters.
#include "image/image_streams.h"
#include "station_link/link.h"
#include "station_link/posix_serial_port.h"
#include "sim/station_memory.h"

#include "bench_sim.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

void BM_RoundTripOneByte(benchmark::State &state) {
    BenchSim sim;
    if (sim.path().empty()) {
        state.SkipWithError("tolvin-sim did not start");
        return;
    }
    tolvin::PosixSerialPort port;
    port.open(QString::fromStdString(sim.path()));
    NoObserver observer;
    tolvin::Link link{port, observer};
    // A full 99-channel write, over and over: every byte of it is acknowledged.
    tolvin::StreamImage image = tolvin::defaultStationMemory(0);
    image.image.header[tolvin::HeaderByte::ChannelCount] = 99;
    const QByteArray cycle = tolvin::openingSequence(0) + tolvin::encodeWriteStream(image);

    std::vector<double> micros;
    micros.reserve(1 << 16);
    qsizetype i = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        port.SendByte(uint8_t(cycle[i]));
        if (!tolvin::WaitReply(link)) {
            state.SkipWithError("no reply");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
        i = (i + 1) % cycle.size();
    }
    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    state.counters["max_us"] = micros.back();
}
BENCHMARK(BM_RoundTripOneByte)->UseRealTime()->MinTime(2.0);

} // namespace
