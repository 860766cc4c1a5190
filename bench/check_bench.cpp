// SPDX-License-Identifier: GPL-3.0-or-later
// "Контроль" and the write stream for a full 99-channel configuration, as tolvin-cli image runs
// them: load the settings file, check, encode.
#include "check/data_check.h"
#include "settings_file/settings_file.h"
#include "image/image_streams.h"
#include "table/template.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

tolvin::Editor fullTable() {
    tolvin::Editor ed;
    tolvin::selectBand(ed, 2);
    ed.templ = {QStringLiteral("99"), QStringLiteral("140000"), QStringLiteral("12,5")};
    tolvin::BatchOperator op;
    tolvin::createTemplate(ed, op);
    // Mixed rows so that every branch of a row is taken somewhere.
    for (int r = 1; r <= 99; r += 3) {
        ed.table.setCell(tolvin::ColDcsRx, r, QStringLiteral("754"));
        ed.table.setCell(tolvin::ColToneTx, r, QStringLiteral("7"));
        ed.table.setCell(tolvin::ColTime, r, QStringLiteral("12"));
        ed.table.setCell(tolvin::ColTxOff, r, QStringLiteral("RSSI"));
    }
    return ed;
}

QByteArray encode(const tolvin::Editor &ed) {
    return tolvin::encodeWriteStream({ed.state.image, ed.state.ModuleType, ed.state.StationType});
}

void BM_LoadCheckEncode99(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Q7KM_10.ini"));
    tolvin::saveSettingsFile(fullTable(), path);
    tolvin::BatchOperator op;
    for (auto _ : state) {
        tolvin::Editor ed;
        tolvin::loadSettingsFile(ed, path);
        if (!tolvin::runDataCheck(ed, op))
            state.SkipWithError("the configuration did not pass");
        benchmark::DoNotOptimize(encode(ed));
    }
}
BENCHMARK(BM_LoadCheckEncode99)->Unit(benchmark::kMillisecond);

void BM_Check99(benchmark::State &state) {
    tolvin::Editor ed = fullTable();
    tolvin::BatchOperator op;
    for (auto _ : state)
        benchmark::DoNotOptimize(tolvin::runDataCheck(ed, op));
}
BENCHMARK(BM_Check99)->Unit(benchmark::kMicrosecond);

void BM_EncodeWriteStream99(benchmark::State &state) {
    tolvin::Editor ed = fullTable();
    tolvin::BatchOperator op;
    tolvin::runDataCheck(ed, op);
    for (auto _ : state)
        benchmark::DoNotOptimize(encode(ed));
}
BENCHMARK(BM_EncodeWriteStream99)->Unit(benchmark::kMicrosecond);

} // namespace
