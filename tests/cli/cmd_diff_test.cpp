// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli diff against tolvin-sim and between two files: exactly the fields that differ, and the
// exit code a script branches on.
#include "cli/cli_run.h"

#include "settings_file/settings_file.h"
#include "support/recording_operator.h"
#include "support/sim_process.h"
#include "table/template.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

class CmdDiffTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliPath().isEmpty() || simPath().isEmpty())
            GTEST_SKIP() << "tolvin-cli or tolvin-sim is not built";
    }
    // Twelve channels from 150000 kHz in steps of 25 kHz, changed by `edit`.
    QString file(const QString &name, const std::function<void(Editor &)> &edit = nullptr) {
        Editor ed;
        selectBand(ed, 2);
        ed.templ = {QStringLiteral("12"), QStringLiteral("150000"), QStringLiteral("25")};
        RecordingOperator op;
        EXPECT_TRUE(createTemplate(ed, op));
        if (edit)
            edit(ed);
        const QString path = dir.filePath(name);
        saveSettingsFile(ed, path);
        return path;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(CmdDiffTest, ListsExactlyTheChangedFields) {
    SimProcess sim({});
    const QString written = file(QStringLiteral("written.ini"));
    ASSERT_EQ(runCli({QStringLiteral("write"), written, QStringLiteral("--port"), sim.path}).exitCode, 0);

    struct Case { const char *what; std::function<void(Editor &)> edit; int exit; QStringList out; };
    const Case cases[] = {
        {"the same", nullptr, 0, {"Станция совпадает с конфигурацией"}},
        {"three fields", [](Editor &ed) {
             ed.table.setCell(ColRx, 5, QStringLiteral("150106,25"));
             ed.table.setCell(ColCtcTx, 12, QStringLiteral("88,5"));
             ed.memo.replaceInStrings(QStringLiteral("Громкость=8"), QStringLiteral("Громкость=10"));
         }, 1,
         {"общие установки: Громкость 8 вместо 10", "канал 5: Rx 150100,00 вместо 150106,25",
          "канал 12: CTC_Tx Нет вместо 88,5"}},
        {"a channel more in the file", [](Editor &ed) {
             ed.templ.count = QStringLiteral("13");
             RecordingOperator op;
             createTemplate(ed, op);
         }, 1, {"общие установки: каналов 12 вместо 13", "канал 13: нет в станции"}},
    };
    int n = 0;
    for (const Case &c : cases) {
        const CliResult r = runCli({QStringLiteral("diff"), file(QStringLiteral("f%1.ini").arg(++n), c.edit),
                                    QStringLiteral("--port"), sim.path});
        EXPECT_EQ(r.exitCode, c.exit) << c.what << "\n" << r.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts), c.out) << c.what;
    }
}

TEST_F(CmdDiffTest, WhenThereIsNothingToCompare) {
    SimProcess silent({QStringLiteral("--silent")});
    const QString good = file(QStringLiteral("good.ini"));
    const QString unchecked = file(QStringLiteral("bad.ini"), [](Editor &ed) { ed.table.setCell(ColPmin, 1, QStringLiteral("4")); });
    struct Case { QStringList args; int exit; const char16_t *says; };
    const Case cases[] = {
        {{"diff", good, "--port", silent.path}, 1, u"Станция не ответила: заголовок"},
        {{"diff", good, "--port", "/dev/tolvin-missing"}, 2, u"/dev/tolvin-missing"},
        {{"diff", unchecked, "--port", silent.path}, 2, u"Сравнение невозможно: файл не проходит контроль"},
        {{"diff", good}, 2, u"Не указан параметр --port"},
        {{"diff", dir.filePath("missing.ini"), "--port", silent.path}, 2, u"missing.ini"},
    };
    for (const Case &c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exit) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf16(c.says))) << c.args.join(' ').toStdString() << "\n"
                                                                << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.args.join(' ').toStdString();
    }
}

// Two settings files in the words of the station's comparison, the second file where the station
// would be: its value first.
TEST_F(CmdDiffTest, TwoFiles) {
    const QString first = file(QStringLiteral("first.ini"));
    const QString more = dir.filePath(QStringLiteral("more.ini"));
    const QString unchecked = dir.filePath(QStringLiteral("unchecked.ini"));
    struct Case { const char *what; QString a, b; int exit; QStringList out; QString inErr; };
    const Case cases[] = {
        {"the same", first, file(QStringLiteral("same.ini")), 0, {"Файлы совпадают"}, {}},
        {"a frequency", first, file(QStringLiteral("rx.ini"), [](Editor &ed) { ed.table.setCell(ColRx, 5, QStringLiteral("150106,25")); }),
         1, {"канал 5: Rx 150106,25 вместо 150100,00"}, {}},
        {"a setting", first, file(QStringLiteral("volume.ini"), [](Editor &ed) {
             ed.memo.replaceInStrings(QStringLiteral("Громкость=8"), QStringLiteral("Громкость=10"));
         }), 1, {"общие установки: Громкость 10 вместо 8"}, {}},
        {"a channel more", first, file(QStringLiteral("more.ini"), [](Editor &ed) {
             ed.templ.count = QStringLiteral("13");
             RecordingOperator op;
             createTemplate(ed, op);
         }), 1, {"общие установки: каналов 13 вместо 12", "канал 13: есть только в файле " + more}, {}},
        {"unreadable", first, dir.filePath(QStringLiteral("missing.ini")), 2, {}, QStringLiteral("missing.ini")},
        {"fails the check", file(QStringLiteral("unchecked.ini"), [](Editor &ed) { ed.table.setCell(ColPmin, 1, QStringLiteral("4")); }),
         first, 2, {}, QStringLiteral("Сравнение невозможно: файл %1 не проходит контроль").arg(unchecked)},
    };
    for (const Case &c : cases) {
        const CliResult r = runCli({QStringLiteral("diff"), c.a, c.b});
        EXPECT_EQ(r.exitCode, c.exit) << c.what << "\n" << r.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts), c.out) << c.what;
        EXPECT_EQ(r.err.isEmpty(), c.inErr.isEmpty()) << c.what << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.inErr)) << c.what << "\n" << r.err.toStdString();
    }
}
