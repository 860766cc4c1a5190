// SPDX-License-Identifier: GPL-3.0-or-later
// The worst files the program accepts, each just under the read limit: what "Чтение файла",
// "Контроль" and "Запись в файл" cost for them, in time (the benchmark's figure) and in peak
// memory (counter peak_MB: the whole run in a child process, as a technician's program would
// hold it). A 99-channel file is there for scale. The same for "Импорт каналов из CSV (CHIRP)":
// read, import, the summary, and the settings file written when any channel was taken.
#include "check/data_check.h"
#include "common/cp1251.h"
#include "common/errors.h"
#include "common/file_io.h"
#include "settings_file/settings_file.h"
#include "table/chirp_csv.h"
#include "table/template.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <functional>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace tolvin;

// Repeats `unit(i)` until the file is as large as the limit allows.
QByteArray fill(const QByteArray &head, const std::function<QByteArray(int)> &unit) {
    QByteArray b = head;
    for (int i = 1;; ++i) {
        const QByteArray u = unit(i);
        if (b.size() + u.size() > MaxInputFileBytes)
            return b;
        b += u;
    }
}

Editor ninetyNineEditor() {
    Editor ed;
    selectBand(ed, 2);
    ed.templ = {QStringLiteral("99"), QStringLiteral("140000"), QStringLiteral("12,5")};
    BatchOperator op;
    createTemplate(ed, op);
    return ed;
}

QByteArray ninetyNine() {
    return settingsFileBytes(ninetyNineEditor());
}

QByteArray shape(int which) {
    switch (which) {
    case 0: return ninetyNine();
    case 1: // many sections, as small as a section that counts can be
        return fill({}, [](int n) { return QByteArray("[") + QByteArray::number(n) + "]\rA=1\r"; });
    case 2: // many keys in one section
        return fill("[1]\r", [](int n) { return QByteArray("k") + QByteArray::number(n) + "=1\r"; });
    case 3: { // one huge value
        QByteArray b = "[1]\r\nRx=";
        b += QByteArray(MaxInputFileBytes - b.size() - 2, '7');
        return b + "\r\n";
    }
    default: { // only line ends, after the one section that makes it a table
        QByteArray b = "[1]\rA=1\r";
        return b + QByteArray(MaxInputFileBytes - b.size(), '\r');
    }
    }
}

const char *const ShapeNames[] = {"99 channels", "many sections", "many keys", "one huge value", "only line ends"};

// Load, check, save: what a technician does with a file. The save may refuse a table too large
// to be read again; the refusal is part of the cost.
void loadCheckSave(const QString &in, const QString &out) {
    Editor ed;
    loadSettingsFile(ed, in);
    BatchOperator op;
    runAction(op, [&] { runDataCheck(ed, op); });
    runAction(op, [&] { saveSettingsFile(ed, out); });
}

// Peak resident memory of the whole run, in a child of its own. The child starts with what the
// parent holds; the heap earlier runs freed goes back to the system first, or the largest
// earlier run would show as the floor of every later one.
double peakMegabytes(const std::function<void()> &run) {
    ::malloc_trim(0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        run();
        ::_exit(0);
    }
    int status = 0;
    rusage use{};
    if (pid < 0 || ::wait4(pid, &status, 0, &use) != pid)
        return -1;
    return double(use.ru_maxrss) / 1024.0;
}

// Times `work` on a file of the given bytes (as the file `in`, with `out` to write to), with the
// file's size and the peak memory of one run as counters.
void measureShape(benchmark::State &state, const char *name, const QByteArray &bytes, const QString &suffix,
                  const std::function<void(const QString &in, const QString &out)> &work) {
    state.SetLabel(name);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in") + suffix);
    const QString out = dir.filePath(QStringLiteral("out.ini"));
    {
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) < 0) {
            state.SkipWithError("cannot write the file");
            return;
        }
    }
    state.counters["file_KB"] = double(QFileInfo(in).size()) / 1024.0;
    state.counters["peak_MB"] = peakMegabytes([&] { work(in, out); });
    for (auto _ : state)
        work(in, out);
}

void BM_FileShape(benchmark::State &state) {
    const int which = int(state.range(0));
    measureShape(state, ShapeNames[which], shape(which), QStringLiteral(".ini"), loadCheckSave);
}
BENCHMARK(BM_FileShape)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(3);

const char CsvHeader[] = "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,"
                         "RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE\r\n";

QByteArray csvShape(int which) {
    const QByteArray header(CsvHeader);
    switch (which) {
    case 0: // 99 channels as CHIRP writes them
        return exportChirpCsv(ninetyNineEditor().table).csv;
    case 1: return QByteArray("\r\n").repeated(MaxInputFileBytes / 2);
    case 2: return QByteArray(MaxInputFileBytes, '\n');
    case 3: return fill({}, [](int) { return QByteArray(",\n"); });
    case 4: return fill({}, [](int) { return QByteArray(" \n"); });
    case 5: { // one line, one field
        QByteArray b = header + "1,,";
        return b + QByteArray(MaxInputFileBytes - b.size(), '7');
    }
    case 6: { // one line of empty fields
        QByteArray b = header;
        return b + QByteArray(MaxInputFileBytes - b.size(), ',');
    }
    case 7: { // half the file names columns, one line gives each a value, short lines after
        QByteArray b = "Location,Frequency";
        for (int i = 3; b.size() < MaxInputFileBytes / 2; ++i)
            b += ",c" + QByteArray::number(i);
        b += "\n1,150.000000" + QByteArray(",x").repeated(b.count(',') - 1) + "\n";
        return fill(b, [](int) { return QByteArray("1,150.000000\n"); });
    }
    case 8: { // one quoted field of doubled quotes
        QByteArray b = header + "1,\"";
        return b + QByteArray(MaxInputFileBytes - b.size() - 1, '"') + '"';
    }
    case 9: // channels past the 99 a station holds
        return fill(header, [](int n) { return QByteArray::number(n) + ",,150.000000\r\n"; });
    default: // channels outside the band, each listed as not taken
        return fill(header, [](int n) { return QByteArray::number(n) + ",,500.000000\r\n"; });
    }
}

const char *const CsvShapeNames[] = {"99 channels",     "empty lines CR LF", "empty lines LF", "commas only",
                                     "blanks only",     "one huge field",    "one line of commas",
                                     "many columns",    "many quotes",       "past 99 channels",
                                     "outside the band"};

// What tolvin-cli import-csv does with the file.
void importCsv(const QString &in, const QString &out) {
    Editor ed;
    selectBand(ed, 2);
    const CsvImport import = importChirpCsv(QString::fromUtf8(readFileBytes(in)), ed.state.bandSettings);
    benchmark::DoNotOptimize(import.summary());
    if (import.rows.isEmpty())
        return;
    applyCsvImport(ed, import);
    saveSettingsFile(ed, out);
}

void BM_CsvShape(benchmark::State &state) {
    const int which = int(state.range(0));
    measureShape(state, CsvShapeNames[which], csvShape(which), QStringLiteral(".csv"), importCsv);
}
BENCHMARK(BM_CsvShape)->DenseRange(0, 10)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
