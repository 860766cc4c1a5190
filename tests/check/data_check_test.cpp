// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/data_check.h"

#include "common/errors.h"
#include "layout/image_layout.h"
#include "image/image_streams.h"
#include "image/station_readout.h"
#include "support/recording_operator.h"
#include "table/template.h"

#include <gtest/gtest.h>

#include <optional>

using namespace tolvin;
using tolvin::test::RecordingOperator;

namespace {

const QString Passed = QStringLiteral("Все данные введены верно.");

Editor templateEditor(int band, const QString &count, const QString &start, const QString &step) {
    Editor ed;
    selectBand(ed, band);
    ed.templ = {count, start, step};
    RecordingOperator op;
    EXPECT_TRUE(createTemplate(ed, op)) << op.lastMessage().toStdString();
    return ed;
}

// Three channels 150000, 150012,5, 150025 in the 144-174 MHz band.
Editor smallEditor() {
    return templateEditor(2, QStringLiteral("3"), QStringLiteral("150000"), QStringLiteral("12,5"));
}

// Sets, replaces or (with nullopt) removes a "key=value" line of the settings block.
void setKey(Editor &ed, const QString &key, std::optional<QString> value) {
    for (int i = 0; i < ed.memo.size(); ++i) {
        if (ed.memo[i].startsWith(key + QLatin1Char('='))) {
            if (value)
                ed.memo[i] = key + QLatin1Char('=') + *value;
            else
                ed.memo.removeAt(i);
            return;
        }
    }
    if (value)
        ed.memo << key + QLatin1Char('=') + *value;
}

QString run(Editor &ed, RecordingOperator &op) {
    runDataCheck(ed, op);
    return op.lastMessage();
}

std::string s(const QString &q) { return q.toStdString(); }

} // namespace

TEST(DataCheck, TemplatePasses) {
    Editor ed = smallEditor();
    ed.state.image.header[0] = 0x12;
    ed.state.image.header[2] = 0x34;
    for (auto &r : ed.state.image.records)
        r.fill(0xAA);
    ed.state.StationType = 77; // nothing in the check may write it
    RecordingOperator op;
    EXPECT_TRUE(runDataCheck(ed, op));
    EXPECT_EQ(op.events, QStringList{QStringLiteral("message:") + Passed});
    EXPECT_EQ(ed.state.DataChecked, 1);
    EXPECT_EQ(ed.state.image.header[0], 0x12);
    EXPECT_EQ(ed.state.image.header[2], 0x34);
    EXPECT_EQ(ed.state.StationType, 77);
    EXPECT_EQ(ed.state.image.header[HeaderByte::ChannelCount], 3);
    EXPECT_NE(ed.state.image.records[2], ChannelRecord{});
    for (int r = 3; r < MaxChannels; ++r)
        EXPECT_EQ(ed.state.image.records[r], ChannelRecord{}) << "record " << r << " not cleared";
}

TEST(DataCheck, GeneralSettingsRules) {
    const QString fvWrong = QStringLiteral("В поле \"ФВ\" введен неправильный код");
    const QString fvLength = QStringLiteral("Код поля \"ФВ\" должен быть двузначным");
    const QString minRange = QStringLiteral("Минимальный уровень громкости изменякться от 0 до 8");
    const QString minAbove = QStringLiteral("Громкость не д.б. меньше минимального уровня громкости");
    const QString idLength = QStringLiteral("Id_Tон должен быть четырехзначным. Например: 0001");
    auto missing = [](const char16_t *key) {
        return QStringLiteral("Вы не заполнили поле \"") + QString::fromUtf16(key) +
               QStringLiteral("\" или ввели не тот символ. Вводимые символы  + или -");
    };
    struct Case {
        std::vector<std::pair<const char16_t *, std::optional<QString>>> keys;
        QString message;    // empty: passes
        int headerByte = -1;
        int headerValue = 0;
    };
    const std::optional<QString> gone;
    const Case cases[] = {
        {{{u"Яркость диодов", "3"}}, {}, HeaderByte::Brightness, 11},
        {{{u"Яркость диодов", "5"}}, {}, HeaderByte::Brightness, 21},
        {{{u"Яркость диодов", "0"}}, QStringLiteral("Уровень яркости изм. 1-5")},
        {{{u"Яркость диодов", "6"}}, QStringLiteral("Уровень яркости изм. 1-5")},
        {{{u"Яркость диодов", "3,0"}}, QStringLiteral("Уровень яркости изм. 1-5")},
        {{{u"Яркость диодов", gone}}, QStringLiteral("Уровень яркости изм. 1-5")},
        {{{u"Яркость диодов", "0"}, {u"Громкость", "0"}}, QStringLiteral("Уровень яркости изм. 1-5")},
        {{{u"Громкость", "16"}}, {}, HeaderByte::Volume, 16},
        {{{u"Громкость", "0x10"}}, {}, HeaderByte::Volume, 16},
        {{{u"Громкость", "17"}}, QStringLiteral("Уровень громкости изм. 1-16")},
        {{{u"Громкость", gone}}, QStringLiteral("Уровень громкости изм. 1-16")},
        {{{u"Пик_кнопок", "-"}}, {}, HeaderByte::KeyBeep, 100},
        {{{u"Пик_кнопок", gone}}, {}, HeaderByte::KeyBeep, 200},
        {{{u"Пик_кнопок", ""}}, QStringLiteral("Вводить в поле \"Пик_кнопок\" можно только + или -")},
        {{{u"СК", "3"}}, {}, HeaderByte::SpecialChannel, 2},
        {{{u"СК", "259"}}, {}, HeaderByte::SpecialChannel, 2},     // low byte 3
        {{{u"СК", "4"}}, QStringLiteral("Ошибка в номере спец. канала!!! В радиостанции нет такого номера канала")},
        {{{u"СК", gone}}, QStringLiteral("Ошибка в номере спец. канала!!! В радиостанции нет такого номера канала")},
        {{{u"ФВ", "45"}}, {}, HeaderByte::Fv, 69},
        {{{u"ФВ", "24"}}, {}, HeaderByte::Fv, 0x24},
        {{{u"ФВ", "30"}}, fvWrong},
        {{{u"ФВ", "03"}}, fvWrong},
        {{{u"ФВ", gone}}, fvLength},
        {{{u"ФВ", "4"}}, fvLength},
        {{{u"МинГромкость", "8"}, {u"Громкость", "8"}}, {}, HeaderByte::MinVolume, 8},
        {{{u"МинГромкость", "8"}, {u"Громкость", "7"}}, minAbove},
        {{{u"МинГромкость", "9"}, {u"Громкость", "16"}}, minRange},
        {{{u"МинГромкость", gone}}, minRange},
        {{{u"Код_DCS", "-"}}, {}, HeaderByte::DcsNumbering, 100},
        {{{u"Код_DCS", "+ "}}, {}, HeaderByte::DcsNumbering, 200},  // blanks around a value are not part of it
        {{{u"Код_DCS", "0"}}, QStringLiteral("Вводить в поле \"Код_DCS\" можно только + или -")},
        {{{u"Ф_Скан", "-"}, {u"Ф_V", "-"}, {u"ВУ", "-"}}, {}, HeaderByte::Features, 0},
        {{{u"Ф_Скан", "+"}, {u"Ф_V", "-"}, {u"ВУ", "+"}}, {}, HeaderByte::Features, FeatureBit::Scan | FeatureBit::Vu},
        {{{u"Ф_Скан", "-"}, {u"Ф_V", "+"}, {u"ВУ", "-"}}, {}, HeaderByte::Features, FeatureBit::V},
        {{{u"Ф_Скан", gone}}, missing(u"Ф_Скан")},
        {{{u"Ф_V", "+-"}}, missing(u"Ф_V")},
        {{{u"ВУ", "–"}}, missing(u"ВУ")},  // a dash that is not a minus
        {{{u"Тон5", "2551"}}, QStringLiteral("Ошибка в Тон5 диапазон от 700Гц до 2550Гц")},
        {{{u"Тон1", "699"}}, QStringLiteral("Ошибка в Тон1 диапазон от 700Гц до 2550Гц")},
        {{{u"Тон10", gone}}, QStringLiteral("Ошибка в Тон10 диапазон от 700Гц до 2550Гц")},
        {{{u"Id_номер", "12345"}}, idLength},
        {{{u"Id_номер", gone}}, idLength},
        {{{u"Id_номер", "123"}}, idLength},
    };
    for (const auto &c : cases) {
        Editor ed = smallEditor();
        std::string what;
        for (const auto &[key, value] : c.keys) {
            setKey(ed, QString::fromUtf16(key), value);
            what += s(QString::fromUtf16(key)) + "=" + (value ? s(*value) : "<missing>") + " ";
        }
        RecordingOperator op;
        const bool passed = runDataCheck(ed, op);
        EXPECT_EQ(passed, c.message.isEmpty()) << what;
        EXPECT_EQ(s(op.lastMessage()), s(c.message.isEmpty() ? Passed : c.message)) << what;
        EXPECT_EQ(op.messages.size(), 1) << what;
        EXPECT_FALSE(op.events.contains(QStringLiteral("errorBeep"))) << what;
        EXPECT_EQ(ed.state.DataChecked, passed ? 1 : 0) << what;
        if (c.headerByte >= 0) {
            EXPECT_EQ(ed.state.image.header[c.headerByte], c.headerValue) << what;
        }
    }
}

TEST(DataCheck, TonesAndIdCode) {
    struct Case { const char16_t *id; uint16_t code; };
    const Case cases[] = {{u"12#*", 0x12EF}, {u"12x4", 0x1204}, {u"*#AB", 0xFEAB}, {u"0001", 0x0001}};
    for (const auto &c : cases) {
        Editor ed = smallEditor();
        setKey(ed, QStringLiteral("Id_номер"), QString::fromUtf16(c.id));
        setKey(ed, QStringLiteral("Тон1"), QStringLiteral("2550"));
        setKey(ed, QStringLiteral("Тон2"), QStringLiteral("705"));
        RecordingOperator op;
        ASSERT_TRUE(runDataCheck(ed, op)) << s(op.lastMessage());
        EXPECT_EQ(ed.state.image.IdCode, c.code);
        EXPECT_EQ(ed.state.image.tones[0], 255);
        EXPECT_EQ(ed.state.image.tones[1], 70);
        EXPECT_EQ(ed.state.image.tones[7], 199); // 1989 Hz
    }
}

TEST(DataCheck, SpecialChannelIsFoundByTheLowByteOfItsNumber) {
    Editor ed = templateEditor(1, QStringLiteral("50"), QStringLiteral("30000"), QStringLiteral("6,25"));
    setKey(ed, QStringLiteral("СК"), QStringLiteral("300"));
    RecordingOperator op;
    ASSERT_TRUE(runDataCheck(ed, op)) << s(op.lastMessage());
    EXPECT_EQ(ed.state.image.header[HeaderByte::SpecialChannel], 43); // the 44th row

    ed.table.setCell(ColNumber, 10, QStringLiteral("x"));
    EXPECT_THROW(runDataCheck(ed, op), ConversionError);
    EXPECT_EQ(ed.state.DataChecked, 0);
}

TEST(DataCheck, TableSizeLimits) {
    Editor ed = smallEditor();
    ed.table.setRowCount(1);
    RecordingOperator op;
    EXPECT_EQ(s(run(ed, op)), s(QStringLiteral("Ошибка в номере спец. канала!!! В радиостанции нет такого номера канала")));

    Editor big = templateEditor(2, QStringLiteral("99"), QStringLiteral("140000"), QStringLiteral("6,25"));
    big.table.setRowCount(101);
    EXPECT_EQ(s(run(big, op)),
              s(QStringLiteral("Слишком много каналов в таблице: 100. В радиостанцию можно записать не больше 99 каналов")));
    EXPECT_EQ(big.state.DataChecked, 0);
}

TEST(DataCheck, DigitCount) {
    struct Case { const char16_t *volume; const char16_t *special; const char16_t *tone1; int digits; };
    // Template: volume 8 (1), special channel at position 0 (1), "ФВ" (2), minimum volume (1),
    // tones 700, 750 (3 each) and eight from 1000 Hz on (4 each).
    const Case cases[] = {{u"8", u"1", u"700", 43}, {u"12", u"1", u"700", 44},
                          {u"12", u"11", u"700", 45}, {u"12", u"10", u"1000", 45}};
    for (const auto &c : cases) {
        Editor ed = templateEditor(1, QStringLiteral("12"), QStringLiteral("30000"), QStringLiteral("6,25"));
        setKey(ed, QStringLiteral("Громкость"), QString::fromUtf16(c.volume));
        setKey(ed, QStringLiteral("СК"), QString::fromUtf16(c.special));
        setKey(ed, QStringLiteral("Тон1"), QString::fromUtf16(c.tone1));
        RecordingOperator op;
        ASSERT_TRUE(runDataCheck(ed, op)) << s(op.lastMessage());
        EXPECT_EQ(ed.state.DigitCount, c.digits) << s(QString::fromUtf16(c.special));
    }
}

TEST(DataCheck, ChannelRowRules) {
    const QString raster = QStringLiteral("Частота должна быть кратна 6,25кГц");
    struct Case {
        const char *what;
        std::vector<std::pair<int, QString>> cells;   // row 2
        QString message;                              // empty: passes
        bool errorBeep = false;
        std::vector<std::pair<int, int>> bytes = {};  // record 1 (row 2) after a pass
    };
    const Case cases[] = {
        {"DCS mode, plus numbering", {{ColDcsTx, "023"}, {ColCtcRx, "xyz"}}, {}, false,
         {{RecordByte::FlagsA, 0xB6}, {RecordByte::RxCode, 200}, {RecordByte::TxCode, 8}}},
        {"CTCSS mode", {{ColCtcRx, "67,0"}, {ColCtcTx, "254,1"}}, {}, false,
         {{RecordByte::FlagsA, 0xBE}, {RecordByte::RxCode, 1}, {RecordByte::TxCode, 55}}},
        {"tones, spacing, boxes", {{ColToneRx, "3"}, {ColToneTx, "10"}, {ColSpacing, "12,5"}}, {}, false,
         {{RecordByte::FlagsA, 0xCE}, {RecordByte::RxTone, 3}, {RecordByte::TxTone, 10}}},
        {"powers and noise", {{ColPmin, "3"}, {ColPmax, "2"}, {ColNoise, "6"}}, {}, false,
         {{RecordByte::Pmin, 3}, {RecordByte::Pmax, 2}, {RecordByte::Noise, 6}}},
        {"Tx_Off RSSI", {{ColTxOff, "RSSI"}}, {}, false, {{RecordByte::FlagsB, 0xFE}}},
        {"Tx_Off OFF, time", {{ColTxOff, "OFF"}, {ColTime, "15"}}, {}, false,
         {{RecordByte::FlagsB, 0xF3}, {RecordByte::Time, 15}}},
        {"receive repeater", {{ColRx, "РЕТР_ПП"}}, {}, false,
         {{2, 0}, {3, 0}, {4, 0}, {RecordByte::FlagsB, 0xDF}}},
        {"transmit repeater", {{ColTx, "РЕТР_ПР"}}, {}, false,
         {{5, 0}, {6, 0}, {7, 0}, {RecordByte::FlagsB, 0xEF}, {2, 0x11}}},
        {"top of the band", {{ColRx, "174000"}, {ColTx, "174000"}}, {}, false},
        {"P_min 4", {{ColPmin, "4"}}, QStringLiteral("Не желательно использовать в минимальной мощности 4 уровень")},
        {"P_max 1", {{ColPmax, "1"}}, QStringLiteral("Не желательно использовать в максимальной мощности 1 уровень")},
        {"receive marker on the transmit side", {{ColTx, "РЕТР_ПП"}}, QStringLiteral("Канал 2, Tx, кГц: «РЕТР_ПП» не является числом")},
        {"below the band", {{ColRx, "139993,75"}}, QStringLiteral("Ошибка в канале №2 частотный диапазон 140-174 MГц")},
        {"above the band", {{ColTx, "174006,25"}}, QStringLiteral("Ошибка в канале №2 частотный диапазон 140-174 MГц")},
        {"receive off the raster", {{ColRx, "150003,125"}}, raster, false},
        {"transmit off the raster", {{ColTx, "150003,125"}}, raster, true},
        {"no receive frequency", {{ColNumber, "42"}, {ColRx, ""}}, QStringLiteral("В канале №42 не введена частота приема")},
        {"no transmit frequency", {{ColTx, ""}}, QStringLiteral("В канале №2 не введена частота передачи")},
        {"channel number too long", {{ColNumber, "100"}}, QStringLiteral("В строчке №2 введен неправильный номер канала")},
        {"channel number empty", {{ColNumber, ""}}, QStringLiteral("В строчке №2 введен неправильный номер канала")},
        {"CTCSS text not in the list", {{ColCtcTx, "?56"}}, QStringLiteral("В строчке №2 в столбце \"CTC_Tx\" неизвестное значение \"?56\"")},
        {"DCS text not in the list", {{ColDcsRx, "23"}}, QStringLiteral("В строчке №2 в столбце \"DCS_Rx\" неизвестное значение \"23\"")},
    };
    for (const auto &c : cases) {
        Editor ed = smallEditor();
        for (const auto &[col, text] : c.cells)
            ed.table.setCell(col, 2, text);
        RecordingOperator op;
        bool passed = false;
        const bool ok = runAction(op, [&] { passed = runDataCheck(ed, op); });
        EXPECT_EQ(passed, c.message.isEmpty()) << c.what;
        EXPECT_EQ(s(op.lastMessage()), s(c.message.isEmpty() ? Passed : c.message)) << c.what;
        EXPECT_EQ(ok, !c.message.contains(QStringLiteral("не является"))) << c.what;
        if (c.errorBeep) {
            EXPECT_EQ(op.events, (QStringList{QStringLiteral("errorBeep"), QStringLiteral("message:") + c.message})) << c.what;
        } else {
            EXPECT_FALSE(op.events.contains(QStringLiteral("errorBeep"))) << c.what;
        }
        for (const auto &[byte, value] : c.bytes)
            EXPECT_EQ(ed.state.image.records[1][byte], value) << c.what << " byte " << byte;
    }
}

TEST(DataCheck, DcsNumberingDecidesTheCode) {
    for (const auto &[sign, code] : {std::pair{"+", 8}, std::pair{"-", 1}}) {
        Editor ed = smallEditor();
        setKey(ed, QStringLiteral("Код_DCS"), QString::fromLatin1(sign));
        ed.table.setCell(ColDcsTx, 1, QStringLiteral("023"));
        RecordingOperator op;
        ASSERT_TRUE(runDataCheck(ed, op)) << s(op.lastMessage());
        EXPECT_EQ(ed.state.image.records[0][RecordByte::RxCode], 200);
        EXPECT_EQ(ed.state.image.records[0][RecordByte::TxCode], code) << sign;
        EXPECT_FALSE(ed.state.image.records[0][RecordByte::FlagsA] & FlagA::Ctcss);
    }
}

TEST(DataCheck, RasterIsTestedInTheStartUpBand) {
    struct Case { const char *rx; const char *message; };
    const Case cases[] = {{"40006,25", nullptr}, {"40003,125", "Частота должна быть кратна 6,25кГц"},
                          {"29993,75", "Ошибка в канале №1 частотный диапазон 30-60 MГц"},
                          {"60000", nullptr}, {"60006,25", "Ошибка в канале №1 частотный диапазон 30-60 MГц"}};
    for (const auto &c : cases) {
        Editor ed = templateEditor(1, QStringLiteral("2"), QStringLiteral("40000"), QStringLiteral("6,25"));
        ed.table.setCell(ColRx, 1, QString::fromUtf8(c.rx));
        RecordingOperator op;
        EXPECT_EQ(s(run(ed, op)), c.message ? std::string(c.message) : s(Passed)) << c.rx;
    }
}

TEST(DataCheck, CellsThatAreNotNumbersEndTheCheckNamingChannelAndColumn) {
    // The channel is the row; the column is its header without the leading blanks.
    struct Case { int col; const char *text; const char *message; };
    const Case cases[] = {
        {ColNumber, "a", "Канал 3, № кан.: «a» не является целым числом"},
        {ColToneRx, "x", "Канал 3, Тон_Rx: «x» не является целым числом"},
        {ColToneTx, "1,5", "Канал 3, Тон_Tx: «1,5» не является целым числом"},
        {ColNoise, "", "Канал 3, ШП: «» не является целым числом"},
        {ColPmin, "мин", "Канал 3, P_min: «мин» не является целым числом"},
        {ColPmax, "4,0", "Канал 3, P_max: «4,0» не является целым числом"},
        {ColTime, "1 ", "Канал 3, Время: «1 » не является целым числом"},
        {ColRx, "150 000", "Канал 3, Rx, кГц: «150 000» не является числом"},
        {ColRx, "15a", "Канал 3, Rx, кГц: «15a» не является числом"},
        {ColTx, "abc", "Канал 3, Tx, кГц: «abc» не является числом"},
    };
    for (const Case &c : cases) {
        Editor ed = smallEditor();
        ed.state.DataChecked = 1;
        ed.table.setCell(c.col, 3, QString::fromUtf8(c.text));
        RecordingOperator op;
        EXPECT_FALSE(runAction(op, [&] { runDataCheck(ed, op); })) << c.message;
        EXPECT_EQ(op.messages, QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(ed.state.DataChecked, 0) << c.message;
    }
    // A key of the general settings is named by the key; "СК" looks for its channel number in
    // every row, so a bad number is found there before the row's own turn.
    struct KeyCase { const char *key, *value; int col; const char *cell, *message; };
    const KeyCase keys[] = {
        {"ФВ", "x5", -1, "", "ФВ: «x» не является целым числом"},
        {"ФВ", "1?", -1, "", "ФВ: «?» не является целым числом"},
        {"СК", "7", ColNumber, "b", "Канал 3, № кан.: «b» не является целым числом"},
    };
    for (const KeyCase &c : keys) {
        Editor ed = smallEditor();
        setKey(ed, QString::fromUtf8(c.key), QString::fromUtf8(c.value));
        if (c.col >= 0)
            ed.table.setCell(c.col, 3, QString::fromUtf8(c.cell));
        RecordingOperator op;
        EXPECT_FALSE(runAction(op, [&] { runDataCheck(ed, op); })) << c.message;
        EXPECT_EQ(op.messages, QStringList{QString::fromUtf8(c.message)});
    }
}

TEST(DataCheck, MessagesQuoteCellsReadably) {
    // A cell from a file or a paste may be huge or hold control characters; the message shows a
    // head of it with the controls visible, and stays a message.
    struct Case { int col; QString cell; QString message; };
    const QString huge = QString(10 * 1024 * 1024, u'7');
    const Case cases[] = {
        {ColCtcRx, QStringLiteral("88,5\t"), QStringLiteral("В строчке №3 в столбце \"CTC_Rx\" неизвестное значение \"88,5\\t\"")},
        {ColCtcRx, huge, QStringLiteral("В строчке №3 в столбце \"CTC_Rx\" неизвестное значение \"%1…\"").arg(QString(60, u'7'))},
        {ColNoise, QStringLiteral("1") + QChar(0) + QStringLiteral("2"), QStringLiteral("Канал 3, ШП: «1\\02» не является целым числом")},
        {ColRx, huge + QStringLiteral("x"), QStringLiteral("Канал 3, Rx, кГц: «%1…» не является числом").arg(QString(60, u'7'))},
    };
    for (const Case &c : cases) {
        Editor ed = smallEditor();
        ed.table.setCell(c.col, 3, c.cell);
        RecordingOperator op;
        runAction(op, [&] { runDataCheck(ed, op); });
        EXPECT_EQ(op.lastMessage(), c.message) << c.col;
    }
}

TEST(DataCheck, RowsWithoutCheckBoxesAreRefused) {
    Editor ed = smallEditor();
    ed.table.removeFlag(ColActive, 3);
    RecordingOperator op;
    EXPECT_EQ(s(run(ed, op)), s(QStringLiteral("В строчке №3 нет флажков в столбцах \"Скан.\", \"Id_Тон\" и "
                                               "\"Акт\". Создайте шаблон или прочитайте файл заново")));
}

TEST(DataCheck, ModuleComesFromTheTickedItem) {
    struct Case { int ticked; int before; int after; };
    const Case cases[] = {{3, 0, 3}, {0, 5, 0}, {-1, 4, 4}};
    for (const auto &c : cases) {
        Editor ed = smallEditor();
        ed.state.tickedModule = c.ticked;
        ed.state.ModuleType = uint8_t(c.before);
        RecordingOperator op;
        ASSERT_TRUE(runDataCheck(ed, op));
        EXPECT_EQ(ed.state.ModuleType, c.after) << c.ticked;
    }
}

TEST(DataCheck, FullTableAgainstAHandCheckedImage) {
    Editor ed = templateEditor(2, QStringLiteral("99"), QStringLiteral("140000"), QStringLiteral("6,25"));
    RecordingOperator op;
    ASSERT_TRUE(runDataCheck(ed, op)) << s(op.lastMessage());
    const StationImage &img = ed.state.image;
    // Rx 140000: P = 185000 / 6,25 = 29600, N = 925, A = 0; Tx: P = 22400, N = 700, A = 0.
    const ChannelRecord first{0xBE, 1, 0x11, 0xCE, 0x81, 0x11, 0x5E, 0x01, 200, 200,
                              0, 0, 1, 1, 4, 0xFF, 0, 0};
    EXPECT_EQ(img.records[0], first);
    // 140006,25: A = 1 on both sides.
    const ChannelRecord second{0xBE, 2, 0x11, 0xCE, 0x85, 0x11, 0x5E, 0x05, 200, 200,
                               0, 0, 1, 1, 4, 0xFF, 0, 0};
    EXPECT_EQ(img.records[1], second);
    EXPECT_EQ(img.records[98][RecordByte::Number], 99);
    const std::array<uint8_t, 9> header{1, 8, 99, 200, 0, 0x00, 0, 200, 0x06};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(img.header[3 + i], header[i]) << "header byte " << 3 + i;
    const std::array<uint8_t, 10> tones{70, 75, 100, 120, 140, 155, 170, 199, 210, 240};
    EXPECT_EQ(img.tones, tones);
    EXPECT_EQ(img.IdCode, 1);
}

// What a station returns after being written with a checked image reads back into a table
// that checks to the very same image.
TEST(DataCheck, ReadBackOfAWrittenImageChecksToTheSameImage) {
    Editor ed = templateEditor(4, QStringLiteral("20"), QStringLiteral("400000"), QStringLiteral("4331,25"));
    ed.table.setCell(ColDcsRx, 3, QStringLiteral("754"));
    ed.table.setCell(ColCtcRx, 4, QStringLiteral("229,1"));
    ed.table.setCell(ColRx, 5, QStringLiteral("РЕТР_ПП"));
    ed.table.setCell(ColTxOff, 6, QStringLiteral("RSSI"));
    ed.table.setCell(ColTime, 7, QStringLiteral("9"));
    ed.table.setCell(ColSpacing, 8, QStringLiteral("12,5"));
    ed.table.setFlag(ColIdTone, 9, true);
    ed.table.setFlag(ColScan, 9, false);
    setKey(ed, QStringLiteral("Яркость диодов"), QStringLiteral("4"));
    setKey(ed, QStringLiteral("СК"), QStringLiteral("12"));
    setKey(ed, QStringLiteral("Код_DCS"), QStringLiteral("-"));
    RecordingOperator op;
    ASSERT_TRUE(runDataCheck(ed, op)) << s(op.lastMessage());

    StreamImage parts{ed.state.image, 2, ed.state.StationType};
    const StationReadout back = readStation(encodeReadStream(parts), bandRow(1).settings);
    ASSERT_TRUE(back.complete);
    Editor again;
    ASSERT_TRUE(selectBandByStationType(again, back.StationType));
    again.memo = back.memo;
    again.table.setRowCount(back.channelCount + 1);
    for (int r = 1; r <= back.channelCount; ++r) {
        const ReadoutRow &row = back.rows[r - 1];
        again.table.setRowTexts(r, row.cells);
        again.table.setFlag(ColScan, r, row.scan);
        again.table.setFlag(ColIdTone, r, row.idTone);
        again.table.setFlag(ColActive, r, row.active);
    }
    ASSERT_TRUE(runDataCheck(again, op)) << s(op.lastMessage());
    for (int i = HeaderByte::Brightness; i < HeaderSize; ++i)
        EXPECT_EQ(again.state.image.header[i], ed.state.image.header[i]) << i;
    EXPECT_EQ(again.state.image.tones, ed.state.image.tones);
    EXPECT_EQ(again.state.image.IdCode, ed.state.image.IdCode);
    EXPECT_EQ(again.state.image.records, ed.state.image.records);
}
