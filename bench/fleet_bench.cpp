// SPDX-License-Identifier: GPL-3.0-or-later
// A fleet write of 99 channels to eight tolvin-sim --line-rate stations next to one write of the
// same image, and what backup and verify add to one write. Each figure is a whole exchange at
// 1200 baud, so every benchmark runs once; the counters are the figures of interest.
#include "bench_sim.h"

#include "station_link/fleet_write.h"
#include "station_link/posix_serial_port.h"
#include "sim/station_memory.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int FleetSize = 8;

tolvin::StreamImage ninetyNine() {
    tolvin::StreamImage image = tolvin::defaultStationMemory(0);
    image.image.header[tolvin::HeaderByte::ChannelCount] = 99;
    for (auto &rec : image.image.records)
        rec = image.image.records[0];
    return image;
}

double since(Clock::time_point t0, Clock::time_point t = Clock::now()) {
    return std::chrono::duration<double>(t - t0).count();
}

void BM_FleetWrite99ChannelsTo8AtLineRate(benchmark::State &state) {
    std::vector<std::unique_ptr<BenchSim>> sims;
    QStringList devices;
    for (int i = 0; i < FleetSize; ++i) {
        sims.push_back(std::make_unique<BenchSim>(std::vector<std::string>{"--line-rate"}));
        if (sims.back()->path().empty()) {
            state.SkipWithError("tolvin-sim did not start");
            return;
        }
        devices << QString::fromStdString(sims.back()->path());
    }
    const tolvin::StreamImage image = ninetyNine();
    for (auto _ : state) {
        tolvin::PosixSerialPort port;
        NoObserver observer;
        const auto t0 = Clock::now();
        if (!tolvin::writeToStation(port, devices.first(), observer, image).ok()) {
            state.SkipWithError("the single write failed");
            return;
        }
        const double one = since(t0);
        const auto t1 = Clock::now();
        const auto results = tolvin::writeFleet(devices, image, {});
        const double fleet = since(t1);
        for (const auto &r : results) {
            if (!r.result.ok()) {
                state.SkipWithError("a fleet write failed");
                return;
            }
        }
        state.SetIterationTime(fleet);
        state.counters["one_write_s"] = one;
        state.counters["fleet_of_8_s"] = fleet;
        state.counters["fleet_over_one"] = fleet / one;
    }
}
BENCHMARK(BM_FleetWrite99ChannelsTo8AtLineRate)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// When each exchange of the job began, from the status it set first.
struct StageClock : NoObserver {
    std::vector<std::pair<QString, Clock::time_point>> marks;
    void status(const QString &text) override { marks.emplace_back(text, Clock::now()); }
    Clock::time_point first(const QString &text, Clock::time_point after) const {
        for (const auto &[t, at] : marks)
            if (t == text && at >= after)
                return at;
        return after;
    }
};

void BM_WriteWithBackupAndVerify99AtLineRate(benchmark::State &state) {
    QTemporaryDir dir;
    // The station holds 99 channels already, so the backup reads as much as the check.
    const QString memory = dir.filePath(QStringLiteral("station.json"));
    tolvin::saveStationMemory(memory, ninetyNine());
    BenchSim sim({"--line-rate", "--memory", memory.toStdString()});
    if (sim.path().empty()) {
        state.SkipWithError("tolvin-sim did not start");
        return;
    }
    const tolvin::StreamImage image = ninetyNine();
    const tolvin::WriteSafeguards safeguards{true, dir.filePath(QStringLiteral("backups")), true};
    for (auto _ : state) {
        tolvin::PosixSerialPort port;
        StageClock clock;
        const auto t0 = Clock::now();
        const tolvin::SafeWriteResult r =
            tolvin::writeWithSafeguards(port, QString::fromStdString(sim.path()), clock, image, safeguards);
        const auto end = Clock::now();
        if (!r.ok()) {
            state.SkipWithError("the write with backup and verify failed");
            return;
        }
        const auto write = clock.first(QStringLiteral("ПР"), t0);
        const auto verify = clock.first(QStringLiteral("ПП"), write);
        state.SetIterationTime(since(t0, end));
        state.counters["backup_s"] = since(t0, write);
        state.counters["write_s"] = since(write, verify);
        state.counters["verify_s"] = since(verify, end);
        state.counters["total_s"] = since(t0, end);
    }
}
BENCHMARK(BM_WriteWithBackupAndVerify99AtLineRate)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
