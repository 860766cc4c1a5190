// SPDX-License-Identifier: GPL-3.0-or-later
// Disk drills: every file the command line writes, with the disk failing at each step of the
// write (the bytes, putting them on disk, closing, giving the file its name). Each must end
// with exit code 2 and the reason, leave the old file byte for byte and leave no temporary file.
#include "cli/commands.h"

#include "check/data_check.h"
#include "common/errors.h"
#include "report/report_file.h"
#include "settings_file/settings_file.h"
#include "layout/image_layout.h"
#include "support/disk_fault.h"
#include "support/recording_operator.h"
#include "support/sim_process.h"
#include "support/template_file.h"
#include "table/chirp_csv.h"
#include "table/template.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using namespace tolvin;
using namespace tolvin::test;

namespace {

QByteArray contents(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList entries(const QString &dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

struct CliRun {
    int code = -1;
    QString err;
};

// The command line as tolvin-cli runs it, in this process, so the failing disk is ours to set.
CliRun runIn(const QStringList &args) {
    QString out, err;
    QTextStream o(&out), e(&err);
    CliRun r;
    r.code = cli::runCommandLine(args, o, e);
    o.flush();
    e.flush();
    r.err = err;
    return r;
}

class DiskDrills : public ::testing::Test {
protected:
    void SetUp() override {
        const Editor ed = templateEditor(2, 3);
        saveSettingsFile(ed, config);
        QFile csvFile(csv);
        ASSERT_TRUE(csvFile.open(QIODevice::WriteOnly));
        csvFile.write(exportChirpCsv(ed.table).csv);
        csvFile.close();
        ASSERT_TRUE(QDir().mkpath(outDir));
    }

    QTemporaryDir dir;
    QString config = dir.filePath(QStringLiteral("in.ini"));
    QString csv = dir.filePath(QStringLiteral("in.csv"));
    QString outDir = dir.filePath(QStringLiteral("out"));
};

struct Step {
    const char *name;
    LateDiskFault::Call call;
};
constexpr Step Steps[] = {
    {"write", LateDiskFault::Write},
    {"fsync", LateDiskFault::Fsync},
    {"close", LateDiskFault::Close},
    {"rename or link", LateDiskFault::Rename},
};
constexpr int Errnos[] = {ENOSPC, EIO, EACCES};

} // namespace

TEST_F(DiskDrills, EveryWriterKeepsTheOldFileAndSaysWhy) {
    SimProcess station({});
    ASSERT_FALSE(station.path.isEmpty());
    struct Writer {
        const char *name;
        std::function<QStringList(const QString &target)> args;
    };
    const Writer writers[] = {
        {"image", [&](const QString &t) { return QStringList{"image", config, "-o", t}; }},
        {"export-csv", [&](const QString &t) { return QStringList{"export-csv", config, "-o", t}; }},
        {"import-csv", [&](const QString &t) { return QStringList{"import-csv", csv, "-o", t, "--model", "62"}; }},
        {"template",
         [&](const QString &t) {
             return QStringList{"template", "--model", "62", "--count", "5", "--start", "150000", "--step", "25", "-o", t};
         }},
        {"report", [&](const QString &t) { return QStringList{"report", config, "--serial", "77", "-o", t}; }},
        {"read -o", [&](const QString &t) { return QStringList{"read", "--port", station.path, "-o", t}; }},
        {"type --log", [&](const QString &t) { return QStringList{"type", "--port", station.path, "--log", t}; }},
        {"read --log",
         [&](const QString &t) {
             return QStringList{"read", "--port", station.path, "-o", dir.filePath(QStringLiteral("r.ini")), "--log", t};
         }},
    };
    const QByteArray old = "the file as it was before";
    for (const Writer &w : writers) {
        for (const Step &step : Steps) {
            for (const int err : Errnos) {
                const std::string name = std::string(w.name) + ", " + step.name + ", errno " + std::to_string(err);
                const QString target = QDir(outDir).filePath(QStringLiteral("target"));
                {
                    QFile f(target);
                    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                    f.write(old);
                }
                CliRun r;
                {
                    const LateDiskFault fault(step.call, 1, 1000, err);
                    r = runIn(w.args(target));
                    EXPECT_GT(LateDiskFault::calls(), 0) << name << ": the writer never reached the step";
                }
                EXPECT_EQ(r.code, 2) << name << ": " << r.err.toStdString();
                EXPECT_TRUE(r.err.contains(QStringLiteral("Не удалось записать файл ") + target))
                    << name << ": " << r.err.toStdString();
                EXPECT_EQ(contents(target), old) << name;
                EXPECT_EQ(entries(outDir), QStringList{QStringLiteral("target")}) << name;
            }
        }
    }
}

// A backup that cannot be saved stops the write before its first byte, and leaves no file.
TEST_F(DiskDrills, BackupThatCannotBeSavedStopsTheWrite) {
    SimProcess station({QStringLiteral("--log")});
    ASSERT_FALSE(station.path.isEmpty());
    const QString backups = dir.filePath(QStringLiteral("backups"));
    ASSERT_TRUE(QDir().mkpath(backups));
    int runs = 0;
    for (const Step &step : Steps) {
        for (const int err : Errnos) {
            CliRun r;
            {
                const LateDiskFault fault(step.call, 1, 1000, err);
                r = runIn({"write", config, "--port", station.path, "--backup-dir", backups});
            }
            ++runs;
            EXPECT_EQ(r.code, 2) << step.name << ": " << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(QStringLiteral("Резервная копия не сохранена"))) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(QStringLiteral("Запись не начата, станция не изменена"))) << r.err.toStdString();
            EXPECT_TRUE(entries(backups).isEmpty()) << step.name << ": " << entries(backups).join(' ').toStdString();
        }
    }
    // Only the backup reads' commands reached the station, nothing of a write.
    EXPECT_EQ(station.received(), QByteArray(runs, char(ReadCommand)));
}

// The report the window opens goes into a folder of its own; a failing disk leaves neither.
TEST_F(DiskDrills, ReportDocumentLeavesNoFolderBehind) {
    Editor ed;
    loadSettingsFile(ed, config);
    RecordingOperator op;
    ASSERT_TRUE(runDataCheck(ed, op));
    for (const Step &step : Steps) {
        for (const int err : Errnos) {
            const LateDiskFault fault(step.call, 1, 1000, err);
            EXPECT_THROW(createReportFile(ed, QStringLiteral("77"), outDir), IoError) << step.name;
            EXPECT_TRUE(entries(outDir).isEmpty()) << step.name << ": " << entries(outDir).join(' ').toStdString();
        }
    }
}

// A file whose last save was cut off is refused by every command that loads it, with the two
// commands that settle it; each path is one word of the shell, whatever it holds.
TEST_F(DiskDrills, CutOffSaveIsRefusedWithTheCommandsThatSettleIt) {
    struct Loader {
        const char *name;
        QString file;
        std::function<QStringList(const QString &file)> args;
    };
    const QString out = QDir(outDir).filePath(QStringLiteral("out"));
    const Loader loaders[] = {
        {"export-csv", QStringLiteral("o'brien -x.ini"),
         [&](const QString &f) { return QStringList{"export-csv", f, "-o", out}; }},
        {"import-csv", QStringLiteral("o'brien -x.csv"),
         [&](const QString &f) { return QStringList{"import-csv", f, "-o", out, "--model", "62"}; }},
    };
    for (const Loader &l : loaders) {
        const QString file = dir.filePath(l.file);
        const QString copy = dir.filePath(QStringLiteral(".%1.tolvin-old-999999999-0").arg(l.file));
        const QByteArray earlier = contents(l.file.endsWith(QStringLiteral(".csv")) ? csv : config);
        for (const auto &[name, bytes] : {std::pair{file, QByteArray("half new, half old")}, std::pair{copy, earlier}}) {
            QFile f(name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        }
        const CliRun r = runIn(l.args(file));
        EXPECT_EQ(r.code, 2) << l.name << ": " << r.err.toStdString();
        const QString quotedCopy = QStringLiteral("'%1'").arg(QString(copy).replace("'", "'\\''"));
        const QString quotedFile = QStringLiteral("'%1'").arg(QString(file).replace("'", "'\\''"));
        const QString restore = QStringLiteral("cp -- %1 %2 && rm -- %1").arg(quotedCopy, quotedFile);
        EXPECT_EQ(r.err, QStringLiteral("Запись файла %1 была прервана; прежняя версия сохранена в %2\n"
                                        "Файл может содержать часть новых данных и часть прежних.\n"
                                        "Вернуть прежнюю версию:\n    %3\n"
                                        "Оставить файл как есть и убрать копию:\n    rm -- %4\n")
                             .arg(file, copy, restore, quotedCopy))
            << l.name;
        EXPECT_FALSE(QFile::exists(out)) << l.name;
        // The printed command, run by a shell, gives the file its earlier content back.
        ASSERT_EQ(QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), restore}), 0) << l.name;
        EXPECT_EQ(contents(file), earlier) << l.name;
        EXPECT_EQ(runIn(l.args(file)).code, 0) << l.name;
        QFile::remove(out);
    }
}
