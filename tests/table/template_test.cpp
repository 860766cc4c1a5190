// SPDX-License-Identifier: GPL-3.0-or-later
#include "layout/general_keys.h"
#include "support/recording_operator.h"
#include "table/template.h"

#include <gtest/gtest.h>

using namespace tolvin;
using tolvin::test::RecordingOperator;

namespace {

struct TemplateCase {
    const char *name;
    int band;
    const char16_t *count, *start, *step;
    const char16_t *message;          // nullptr: the template is built
    bool errorBeep;
    std::vector<const char16_t *> rx; // expected Rx = Tx texts of rows 1..N
};

QString s(const char16_t *t) { return QString::fromUtf16(t); }

} // namespace

TEST(Template, ValidationAndFrequencies) {
    const QString countMsg = QStringLiteral("Вы не ввели количество каналов или ввели слишком много");
    const TemplateCase cases[] = {
        {"empty count", 1, u"", u"30000", u"1000", u"Вы не ввели количество каналов или ввели слишком много", true, {}},
        {"three digits", 1, u"100", u"30000", u"1000", u"Вы не ввели количество каналов или ввели слишком много", true, {}},
        {"zero channels", 1, u"0", u"30000", u"1000", nullptr, false, {}},
        {"default band", 1, u"10", u"30000", u"1000", nullptr, false,
         {u"30000", u"31000", u"32000", u"33000", u"34000", u"35000", u"36000", u"37000", u"38000", u"39000"}},
        {"capped at the top", 1, u"5", u"59000", u"1000", nullptr, false, {u"59000", u"60000", u"60000", u"60000", u"60000"}},
        {"on the raster", 2, u"2", u"140006,25", u"6,25", nullptr, false, {u"140006,25", u"140012,5"}},
        {"off the raster", 2, u"2", u"140003", u"1000", u"Частота должна быть кратна 6,25кГц", true, {}},
        {"step off the raster", 2, u"2", u"140000", u"3", u"Шаг смещения должен быть кратен 6,25кГц", true, {}},
        {"below the band", 1, u"2", u"20000", u"1000",
         u"Введенная частота не соответствует частотному диапазону, частотный диапазон 30-60 МГц", false, {}},
        {"above the last band", 4, u"2", u"486006,25", u"1000",
         u"Введенная частота не соответствует частотному диапазону, частотный диапазон 400-486 МГц", false, {}},
        {"top of the last band", 4, u"1", u"486000", u"1000", nullptr, false, {u"486000"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Editor ed;
        selectBand(ed, c.band);
        ed.table.setCell(ColRx, 1, QStringLiteral("keep"));
        ed.state.DataChecked = 1;
        ed.templ = {s(c.count), s(c.start), s(c.step)};
        RecordingOperator op;
        const bool ok = createTemplate(ed, op);
        EXPECT_EQ(ed.state.DataChecked, 0);
        if (c.message) {
            EXPECT_FALSE(ok);
            ASSERT_EQ(op.messages.size(), 1);
            EXPECT_EQ(op.messages[0], s(c.message));
            EXPECT_EQ(op.events.contains(QStringLiteral("errorBeep")), c.errorBeep);
            EXPECT_EQ(ed.table.cell(ColRx, 1), QStringLiteral("keep"));
            EXPECT_FALSE(ed.view.grid);
            continue;
        }
        EXPECT_TRUE(ok);
        EXPECT_TRUE(op.events.isEmpty());
        ASSERT_EQ(ed.table.rowCount(), int(c.rx.size()) + 1);
        EXPECT_EQ(ed.state.PrevRowCount, ed.table.rowCount());
        for (size_t i = 0; i < c.rx.size(); ++i) {
            const int row = int(i) + 1;
            EXPECT_EQ(ed.table.cell(ColRx, row), s(c.rx[i])) << row;
            EXPECT_EQ(ed.table.cell(ColTx, row), s(c.rx[i])) << row;
        }
    }
}

TEST(Template, DefaultRowAndSettingsBlock) {
    Editor ed;
    ed.templ = {QStringLiteral("3"), QStringLiteral("30000"), QStringLiteral("1000")};
    RecordingOperator op;
    ASSERT_TRUE(createTemplate(ed, op));
    EXPECT_EQ(ed.table.cell(0, 0), QStringLiteral("№ кан."));
    EXPECT_EQ(ed.table.cell(ColNoise, 0), QStringLiteral("  ШП"));
    const QStringList expected{QStringLiteral("3"), QStringLiteral("30002"), QStringLiteral("30002"),
                               QStringLiteral("Нет"), QStringLiteral("Нет"), QStringLiteral("Нет"),
                               QStringLiteral("Нет"), QStringLiteral("Нет"), QStringLiteral("Нет"),
                               QStringLiteral("1"), QStringLiteral("4"), QStringLiteral("1"), QString(),
                               QStringLiteral("25"), QString(), QStringLiteral("Норм"),
                               QStringLiteral("Нет"), QString()};
    for (int c = 0; c < ColumnCount; ++c) {
        if (c != ColRx && c != ColTx) {
            EXPECT_EQ(ed.table.cell(c, 3), expected[c]) << c;
        }
    }
    EXPECT_TRUE(ed.table.flag(ColScan, 3));
    EXPECT_FALSE(ed.table.flag(ColIdTone, 3));
    EXPECT_TRUE(ed.table.hasFlag(ColIdTone, 3));
    EXPECT_TRUE(ed.table.flag(ColActive, 3));
    // The section's line and a line per key but the serial number, which only a station has.
    ASSERT_EQ(ed.memo.size(), qsizetype(GeneralKeys.size()));
    EXPECT_EQ(ed.memo.first(), QStringLiteral("[Общие установки]"));
    EXPECT_TRUE(ed.memo.contains(QStringLiteral("СК=1")));
    EXPECT_FALSE(ed.memo.join(QLatin1Char('\n')).contains(QStringLiteral("Серийный номер")));
}

TEST(Template, NotANumberStopsBeforeAnythingChanges) {
    for (const char16_t *start : {u"", u"1,,2", u"abc"}) {
        Editor ed;
        ed.templ = {QStringLiteral("5"), QString::fromUtf16(start), QStringLiteral("1000")};
        ed.state.DataChecked = 1;
        RecordingOperator op;
        EXPECT_FALSE(runAction(op, [&] { createTemplate(ed, op); }));
        EXPECT_EQ(op.lastMessage(), QStringLiteral("Начальная частота, кГц: «%1» не является числом").arg(QString::fromUtf16(start)));
        EXPECT_EQ(ed.state.DataChecked, 0);
        EXPECT_EQ(ed.table.rowCount(), 11);
        EXPECT_TRUE(ed.memo.isEmpty());
    }
}

TEST(Template, ANewTemplateReplacesTheOldTable) {
    Editor ed;
    RecordingOperator op;
    ed.templ = {QStringLiteral("20"), QStringLiteral("30000"), QStringLiteral("1000")};
    ASSERT_TRUE(createTemplate(ed, op));
    ed.table.setFlag(ColScan, 2, false);
    ed.templ.count = QStringLiteral("4");
    ASSERT_TRUE(createTemplate(ed, op));
    EXPECT_EQ(ed.table.rowCount(), 5);
    EXPECT_TRUE(ed.table.flag(ColScan, 2));
    EXPECT_EQ(ed.state.PrevRowCount, 5);
}
