// The worst files the program accepts, each just under the read limit: what "Чтение файла",
// "Контроль" and "Запись в файл" cost for them, in time (the benchmark's figure) and in peak
// memory (counter peak_MB: the whole run in a child process, as a technician's program would
// hold it). A 99-channel file is there for scale.
#include "check/data_check.h"
#include "common/cp1251.h"
#include "common/errors.h"
#include "settings_file/file_io.h"
#include "settings_file/settings_file.h"
#include "table/template.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

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

QByteArray ninetyNine() {
    Editor ed;
    selectBand(ed, 2);
    ed.templ = {QStringLiteral("99"), QStringLiteral("140000"), QStringLiteral("12,5")};
    BatchOperator op;
    createTemplate(ed, op);
    return settingsFileBytes(ed);
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

// Peak resident memory of the whole run, in a child of its own.
double peakMegabytes(const QString &in, const QString &out) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        loadCheckSave(in, out);
        ::_exit(0);
    }
    int status = 0;
    rusage use{};
    if (pid < 0 || ::wait4(pid, &status, 0, &use) != pid)
        return -1;
    return double(use.ru_maxrss) / 1024.0;
}

void BM_FileShape(benchmark::State &state) {
    const int which = int(state.range(0));
    state.SetLabel(ShapeNames[which]);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.ini"));
    const QString out = dir.filePath(QStringLiteral("out.ini"));
    {
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly) || f.write(shape(which)) < 0) {
            state.SkipWithError("cannot write the file");
            return;
        }
    }
    state.counters["file_KB"] = double(QFileInfo(in).size()) / 1024.0;
    state.counters["peak_MB"] = peakMegabytes(in, out);
    for (auto _ : state)
        loadCheckSave(in, out);
}
BENCHMARK(BM_FileShape)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
