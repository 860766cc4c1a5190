// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_run.h"
#include "support/unknown_values.h"

#include "cli/command_help.h"
#include "layout/general_keys.h"
#include "settings_file/settings_file.h"
#include "table/editor.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

class CmdTemplateTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliPath().isEmpty())
            GTEST_SKIP() << "tolvin-cli is not built";
    }
    QStringList args(const QString &model, const QString &count, const QString &start, const QString &step,
                     const QString &out) {
        return {QStringLiteral("template"), QStringLiteral("--model"), model, QStringLiteral("--count"), count,
                QStringLiteral("--start"),  start, QStringLiteral("--step"), step, QStringLiteral("-o"), out};
    }
    QTemporaryDir dir;
};

} // namespace

// Each model's band, its start and its top: a template running past the top stops there.
TEST_F(CmdTemplateTest, EachModelsBandAsItsMenuItem) {
    for (const StationModelRow &m : StationModels) {
        const QString model = QString::number(m.modelNumber);
        const QString out = dir.filePath(model + QStringLiteral(".ini"));
        const CliResult r = runCli(args(model, QStringLiteral("3"), QString::number(m.bandHigh - 1000),
                                        QStringLiteral("1000"), out));
        ASSERT_EQ(r.exitCode, 0) << m.modelNumber << r.out.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        Editor ed;
        loadSettingsFile(ed, out);
        EXPECT_EQ(ed.state.tickedBand, m.band) << m.modelNumber;
        EXPECT_EQ(ed.state.title, QString::fromUtf16(m.title));
        EXPECT_EQ(ed.table.channelCount(), 3) << m.modelNumber;
        EXPECT_EQ(ed.table.cell(ColRx, 1), QString::number(m.bandHigh - 1000)) << m.modelNumber;
        EXPECT_EQ(ed.table.cell(ColTx, 3), QString::number(m.bandHigh)) << m.modelNumber;
        EXPECT_EQ(ed.memo.size(), 1 + qsizetype(GeneralKeys.size())) << "the section's line and one per key";
    }
}

TEST_F(CmdTemplateTest, OkRefusesWithItsMessageAndWritesNothing) {
    struct Case { QStringList fields; const char16_t *message; };
    const Case cases[] = {
        {{"62", "", "140000", "1000"}, u"Вы не ввели количество каналов или ввели слишком много"},
        // A file without channels is one that loading refuses.
        {{"62", "0", "140000", "1000"},
         u"В таблице нет ни одного канала: такой файл нельзя будет прочитать снова. Файл не записан."},
        {{"62", "100", "140000", "1000"}, u"Вы не ввели количество каналов или ввели слишком много"},
        {{"62", "10", "140003", "1000"}, u"Частота должна быть кратна 6,25кГц"},
        {{"62", "10", "140000", "1"}, u"Шаг смещения должен быть кратен 6,25кГц"},
        {{"61", "10", "140000", "1000"},
         u"Введенная частота не соответствует частотному диапазону, частотный диапазон 30-60 МГц"},
        {{"64", "10", "390000", "1000"},
         u"Введенная частота не соответствует частотному диапазону, частотный диапазон 400-486 МГц"},
        {{"62", "10", "140000.5", "1000"}, u"Начальная частота, кГц: «140000.5» не является числом"},
        {{"62", "10", "140000", "1e"}, u"Смещение, кГц: «1e» не является числом"},
        {{"62", "1x", "140000", "1000"}, u"Кол-во каналов: «1x» не является целым числом"},
        {{"62", "-5", "140000", "1000"}, u"Кол-во каналов: «-5» не является неотрицательным целым числом"},
    };
    for (const Case &c : cases) {
        const QString out = dir.filePath(QStringLiteral("refused.ini"));
        const CliResult r = runCli(args(c.fields[0], c.fields[1], c.fields[2], c.fields[3], out));
        const std::string name = c.fields.join(' ').toStdString();
        EXPECT_FALSE(r.crashed) << name;
        EXPECT_EQ(r.exitCode, 1) << name;
        EXPECT_EQ(QString::fromUtf8(r.out), QString::fromUtf16(c.message) + QLatin1Char('\n')) << name;
        EXPECT_FALSE(QFileInfo::exists(out)) << name;
    }
}

TEST_F(CmdTemplateTest, UsageAndFileErrors) {
    const QString out = dir.filePath(QStringLiteral("t.ini"));
    const QString unknown = QString::number(UnknownModelNumber);
    struct Case { QStringList args; QString inErr; };
    const Case cases[] = {
        {args(unknown, "10", "30000", "1000", out),
         QStringLiteral("Неизвестная модель: %1 (допустимы %2)").arg(unknown, modelNumbers(QStringLiteral(", ")))},
        {{"template", "--model", "61", "--count", "10", "--start", "30000", "-o", out}, QStringLiteral("Не указан параметр --step")},
        {{"template", "--model", "61", "--model", "62"}, QStringLiteral("Параметр --model указан дважды")},
        {args("61", "10", "30000", "1000", out) << "--bogus", QStringLiteral("Неизвестный параметр: --bogus")},
        {args("61", "10", "30000", "1000", out) << "extra", QStringLiteral("Лишний аргумент: extra")},
        {args("61", "10", "30000", "1000", dir.filePath("нет/t.ini")), QStringLiteral("Не удалось записать файл")},
    };
    for (const Case &c : cases)
        expectRefused(c.args, c.inErr);
    EXPECT_FALSE(QFileInfo::exists(out));
    const CliResult help = runCli({QStringLiteral("template"), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(("tolvin-cli template --model " + QString::fromUtf16(cli::ModelChoice.text)).toUtf8()));
}
