// SPDX-License-Identifier: GPL-3.0-or-later
// Save and load of a full 99-channel configuration.
#include "settings_file/ini_accessor.h"
#include "settings_file/settings_file.h"
#include "table/template.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

tolvin::Editor fullTable() {
    tolvin::Editor ed;
    tolvin::selectBand(ed, 2);
    ed.templ.count = QStringLiteral("99");
    ed.templ.start = QStringLiteral("140000");
    ed.templ.step = QStringLiteral("12,5");
    tolvin::BatchOperator op;
    tolvin::createTemplate(ed, op);
    return ed;
}

void BM_SettingsFileSave99(benchmark::State &state) {
    const tolvin::Editor ed = fullTable();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Q7KM_10.ini"));
    for (auto _ : state)
        tolvin::saveSettingsFile(ed, path);
}
BENCHMARK(BM_SettingsFileSave99)->Unit(benchmark::kMillisecond);

// The file built in memory, without the disk: what the save costs before fsync.
void BM_SettingsFileBuild99(benchmark::State &state) {
    const tolvin::Editor ed = fullTable();
    for (auto _ : state)
        benchmark::DoNotOptimize(tolvin::settingsFileBytes(ed));
}
BENCHMARK(BM_SettingsFileBuild99)->Unit(benchmark::kMillisecond);

void BM_SettingsFileLoad99(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Q7KM_10.ini"));
    tolvin::saveSettingsFile(fullTable(), path);
    for (auto _ : state) {
        tolvin::Editor ed;
        tolvin::loadSettingsFile(ed, path);
        benchmark::DoNotOptimize(ed.table.rowCount());
    }
}
BENCHMARK(BM_SettingsFileLoad99)->Unit(benchmark::kMillisecond);

// Every key of a file written a moment ago, through the accessor as the data check reads it:
// the worst case, in which each read compares the file's bytes because its time is too recent
// to trust.
void BM_SettingsFileAccessorReadsFresh99(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("MyTemp.ini"));
    const tolvin::Editor ed = fullTable();
    for (auto _ : state) {
        state.PauseTiming();
        tolvin::saveSettingsFile(ed, path);
        state.ResumeTiming();
        tolvin::IniAccessor ini(path);
        for (int r = 1; r <= 99; ++r)
            for (const tolvin::ChannelKey &k : tolvin::channelKeys())
                benchmark::DoNotOptimize(ini.ReadText(QString::number(r), QString::fromUtf16(k.key), {}));
    }
}
BENCHMARK(BM_SettingsFileAccessorReadsFresh99)->Unit(benchmark::kMillisecond);

} // namespace
