// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_file/settings_file.h"

#include "check/data_check.h"
#include "common/cp1251.h"
#include "common/errors.h"
#include "layout/general_keys.h"
#include "settings_file/ini_accessor.h"
#include "support/recording_operator.h"
#include "support/unknown_values.h"
#include "support/unprivileged.h"
#include "table/template.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tolvin;
using tolvin::test::UnknownTypeCode;

namespace {

Editor templateEditor(int count, int band = 1) {
    Editor ed;
    selectBand(ed, band);
    ed.templ.count = QString::number(count);
    test::RecordingOperator op;
    EXPECT_TRUE(createTemplate(ed, op));
    return ed;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void putText(const QString &path, const QString &text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(toCp1251(text));
}

// Everything a load may change, as one comparable text.
QString snapshot(const Editor &ed) {
    QStringList out = ed.memo;
    const EditorState &s = ed.state;
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
               .arg(s.StationType).arg(s.ModuleType).arg(s.DataChecked).arg(s.PrevRowCount)
               .arg(s.tickedBand).arg(s.tickedModule).arg(s.bandSettings.BandLow).arg(s.title)
               .arg(ed.templ.start);
    out << QStringLiteral("view %1%2%3").arg(ed.view.panel1).arg(ed.view.memo).arg(ed.view.grid);
    for (int r = 0; r < ed.table.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < ColumnCount; ++c)
            row << ed.table.cell(c, r) + (ed.table.hasFlag(c, r) ? (ed.table.flag(c, r) ? "[x]" : "[ ]") : "");
        out << row.join(QLatin1Char('|'));
    }
    return out.join(QLatin1Char('\n'));
}

QString channelFile(const QString &general, const QList<QPair<int, QString>> &sections) {
    QString text = QStringLiteral("[Общие установки]\r\n") + general;
    for (const auto &s : sections)
        text += QStringLiteral("[%1]\r\n").arg(s.first) + s.second;
    return text;
}

class SettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Q7KM_10.ini"));
};

} // namespace

TEST_F(SettingsFileTest, SaveThenLoadRestoresTheConfiguration) {
    Editor ed = templateEditor(4, 2);
    ChannelTable &t = ed.table;
    t.setRowTexts(2, {u"7"_qs, u"140006,25"_qs, u"РЕТР_ПР"_qs, u"67,0"_qs, u"250,3"_qs, u"023"_qs,
                      u"754"_qs, u"10"_qs, u"1"_qs, u"6"_qs, u"3"_qs, u"2"_qs, {}, u"12,5"_qs, {},
                      u"RSSI"_qs, u"15"_qs, {}});
    t.setFlag(ColScan, 1, false);
    t.setFlag(ColIdTone, 3, true);
    t.setFlag(ColActive, 4, false);
    chooseModule(ed, 3);
    ed.memo[1] = QStringLiteral("Id_номер=4321");
    ed.memo << QStringLiteral("Лишняя строка=1");
    ed.state.DataChecked = 1;
    const QString before = snapshot(ed);

    saveSettingsFile(ed, path);
    EXPECT_EQ(snapshot(ed), before); // saving changes nothing, DataChecked included

    Editor loaded;
    loadSettingsFile(loaded, path);
    for (int r = 1; r <= 4; ++r)
        for (int c = 0; c < ColumnCount; ++c) {
            if (isCheckboxColumn(c)) {
                EXPECT_EQ(loaded.table.flag(c, r), t.flag(c, r)) << r << "/" << c;
            } else {
                EXPECT_EQ(loaded.table.cell(c, r), t.cell(c, r)) << r << "/" << c;
            }
        }
    EXPECT_EQ(loaded.table.rowCount(), 5);
    for (int c = 0; c < ColumnCount; ++c)
        EXPECT_EQ(loaded.table.cell(c, 0), fileColumnHeaders().at(c));
    EXPECT_EQ(loaded.table.cell(ColTx, 0), QStringLiteral(" Tx, кГЦ"));
    const EditorState &s = loaded.state;
    EXPECT_EQ(s.StationType, 0);
    EXPECT_EQ(s.tickedBand, 2);
    EXPECT_EQ(s.title, QStringLiteral("Толвин 7К-62"));
    EXPECT_EQ(s.bandSettings.BandLow, 140000);
    EXPECT_EQ(s.ModuleType, 3);
    EXPECT_EQ(s.tickedModule, 3);
    EXPECT_EQ(s.DataChecked, 0);
    EXPECT_EQ(s.PrevRowCount, 5);
    EXPECT_TRUE(loaded.view.panel1 && loaded.view.memo && loaded.view.grid);
    ASSERT_EQ(loaded.memo.size(), 1 + qsizetype(GeneralKeys.size())) << "the section's line and one per key";
    EXPECT_EQ(loaded.memo.at(0), QStringLiteral("[Общие установки]"));
    EXPECT_EQ(loaded.memo.at(1), QStringLiteral("Серийный номер=100000"));
    EXPECT_EQ(loaded.memo.at(2), QStringLiteral("Id_номер=4321"));
    EXPECT_TRUE(loaded.memo.contains(QStringLiteral("СК=1")));
    EXPECT_FALSE(loaded.memo.join(QLatin1Char('\n')).contains(QStringLiteral("Лишняя")));
}

TEST_F(SettingsFileTest, SavingTwiceGivesIdenticalFreshFiles) {
    putText(path, QStringLiteral("[99]\r\nRx=1\r\n"));
    const Editor ed = templateEditor(3);
    saveSettingsFile(ed, path);
    const QByteArray first = readAll(path);
    saveSettingsFile(ed, path);
    EXPECT_EQ(readAll(path), first);
    EXPECT_FALSE(first.contains("[99]"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(SettingsFileTest, ExactLayoutOfATemplate) {
    const Editor ed = templateEditor(1);
    QString expected;
    for (const QString &l : defaultSettingsLines())
        expected += l + QStringLiteral("\r\n");
    expected += QStringLiteral(
        "Тип=1\r\nТипВУ=0\r\n[1]\r\nНомер=1\r\nRx=30000\r\nTx=30000\r\nCTCSS_Rx=Нет\r\nCTCSS_Tx=Нет\r\n"
        "DCS_Rx=Нет\r\nDCS_Tx=Нет\r\nТон_Rx=Нет\r\nТон_Tx=Нет\r\nШП=1\r\nP_max=4\r\nP_min=1\r\n"
        "Сканировать=да\r\nSw=25\r\nId_Тон=нет\r\nTx_Off=Норм\r\nВремя=Нет\r\nАктивен=да\r\n");
    EXPECT_EQ(settingsFileBytes(ed), toCp1251(expected));
    EXPECT_FALSE(expected.contains(QStringLiteral("Серийный номер")));
}

// The in-memory build must give what the accessor gives key by key on disk.
TEST_F(SettingsFileTest, TypeKeysPlacedAsTheAccessorWouldPlaceThem) {
    struct Case {
        const char *name;
        QStringList memo;
        QStringList expectedStart;
    };
    const Case cases[] = {
        {"keys present in the block keep their lines",
         {u"[Общие установки]"_qs, u"ТипВУ = 9"_qs, u"Id_номер=0001"_qs, u"тип=8"_qs},
         {u"[Общие установки]"_qs, u"ТипВУ=2"_qs, u"Id_номер=0001"_qs, u"тип=4"_qs, u"[1]"_qs}},
        {"header deleted: new section after the block",
         {u"Id_номер=0001"_qs, u"СК=1"_qs},
         {u"Id_номер=0001"_qs, u"СК=1"_qs, u"[Общие установки]"_qs, u"Тип=4"_qs, u"ТипВУ=2"_qs, u"[1]"_qs}},
        {"missing keys at the end of the section, not of the block",
         {u"[общие установки]"_qs, u"A=1"_qs, u""_qs, u"[Другое]"_qs, u"B=2"_qs},
         {u"[общие установки]"_qs, u"A=1"_qs, u"Тип=4"_qs, u"ТипВУ=2"_qs, u""_qs, u"[Другое]"_qs,
          u"B=2"_qs, u"[1]"_qs}},
        {"empty block",
         {},
         {u"[Общие установки]"_qs, u"Тип=4"_qs, u"ТипВУ=2"_qs, u"[1]"_qs}},
    };
    for (const Case &c : cases) {
        Editor ed = templateEditor(2, 3);
        chooseModule(ed, 2);
        ed.memo = c.memo;
        const QByteArray bytes = settingsFileBytes(ed);
        const QStringList lines = fromCp1251(bytes).split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.mid(0, c.expectedStart.size()), c.expectedStart) << c.name;

        // Key by key, the way the original writer went.
        const QString stepwise = dir.filePath(QStringLiteral("stepwise.ini"));
        QString block;
        for (const QString &l : c.memo)
            block += l + QStringLiteral("\r\n");
        putText(stepwise, block);
        IniAccessor ini(stepwise);
        ini.WriteNumber(generalSection(), QStringLiteral("Тип"), ed.state.StationType);
        ini.WriteNumber(generalSection(), QStringLiteral("ТипВУ"), ed.state.ModuleType);
        for (int r = 1; r <= 2; ++r)
            for (const ChannelKey &k : channelKeys())
                ini.WriteText(QString::number(r), QString::fromUtf16(k.key),
                              isCheckboxColumn(k.column) ? (ed.table.flag(k.column, r) ? u"да"_qs : u"нет"_qs)
                                                         : ed.table.cell(k.column, r));
        ini.Flush();
        EXPECT_EQ(readAll(stepwise), bytes) << c.name;
    }
}

TEST_F(SettingsFileTest, RefusesToSaveWithoutATable) {
    putText(path, QStringLiteral("old"));
    Editor fresh;                      // start-up: 11 rows, no boxes
    Editor afterBand = templateEditor(3);
    selectBand(afterBand, 2);          // the boxes are gone, the texts stay
    for (const Editor *ed : {&fresh, &afterBand}) {
        try {
            saveSettingsFile(*ed, path);
            ADD_FAILURE();
        } catch (const IoError &) {
            ADD_FAILURE() << "not an I/O problem";
        } catch (const AppError &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Нет таблицы каналов"))) << e.message().toStdString();
        }
        EXPECT_EQ(readAll(path), "old");
    }
    EXPECT_NO_THROW(saveSettingsFile(templateEditor(0), dir.filePath(QStringLiteral("empty.ini"))));
}

TEST_F(SettingsFileTest, FailedSaveKeepsTheOldFile) {
    const Editor ed = templateEditor(2);
    const QString folder = dir.filePath(QStringLiteral("folder.ini"));
    ASSERT_TRUE(QDir().mkdir(folder));
    try {
        saveSettingsFile(ed, folder);
        ADD_FAILURE();
    } catch (const IoError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Не удалось записать файл %1: это папка, а не файл").arg(folder));
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());

    // A pasted line break would split the key's line and corrupt the section.
    putText(path, QStringLiteral("old"));
    Editor broken = templateEditor(2);
    broken.table.setCell(ColRx, 2, QStringLiteral("140000\r\n[3]"));
    try {
        saveSettingsFile(broken, path);
        ADD_FAILURE();
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Значение ключа \"Rx\" в разделе [2] содержит перевод строки: \"140000\\r\\n[3]\""));
    }
    EXPECT_EQ(readAll(path), "old");
}

TEST_F(SettingsFileTest, ReadOnlyFileRefusedWritableFileInReadOnlyFolderSaved) {
    const Editor ed = templateEditor(2);
    const QByteArray expected = settingsFileBytes(ed);
    test::runUnprivileged([&] {
        // The copy of the old content goes to the user's own cache folder, never to /tmp.
        QTemporaryDir home;
        const QByteArray cacheBefore = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(home.path()));
        struct Case { const char *name; mode_t fileMode; bool saved; };
        const Case cases[] = {{"read-only file", 0444, false}, {"writable file", 0644, true}};
        for (const Case &c : cases) {
            QTemporaryDir tmp;
            const QString ro = tmp.filePath(QStringLiteral("ro"));
            ASSERT_TRUE(QDir().mkdir(ro));
            const QString target = ro + QStringLiteral("/a.ini");
            putText(target, QStringLiteral("old"));
            ::chmod(QFile::encodeName(target).constData(), c.fileMode);
            ::chmod(QFile::encodeName(ro).constData(), 0555);
            if (c.saved) {
                EXPECT_NO_THROW(saveSettingsFile(ed, target)) << c.name;
            } else {
                EXPECT_THROW(saveSettingsFile(ed, target), IoError) << c.name;
            }
            ::chmod(QFile::encodeName(ro).constData(), 0755);
            EXPECT_EQ(readAll(target), c.saved ? expected : QByteArray("old")) << c.name;
        }
        qputenv("XDG_CACHE_HOME", cacheBefore);
    });
}

TEST_F(SettingsFileTest, FlagsReadCheckedUnlessExactlyNo) {
    struct Case { const char16_t *line; bool checked; };
    const Case cases[] = {
        {u"Сканировать=да", true}, {u"Сканировать=Нет", true}, {u"Сканировать=", true},
        {u"Сканировать=НЕТ", true}, {u"Сканировать=x", true}, {u"Сканировать=нет", false},
        {u"Сканировать = нет ", false}, {u"", false}, {u"сканировать=нет", false},
    };
    for (const Case &c : cases) {
        putText(path, channelFile({}, {{1, QString::fromUtf16(c.line) + QStringLiteral("\r\nRx=1\r\n")}}));
        Editor ed;
        loadSettingsFile(ed, path);
        EXPECT_EQ(ed.table.flag(ColScan, 1), c.checked) << QString::fromUtf16(c.line).toStdString();
        EXPECT_FALSE(ed.table.flag(ColIdTone, 1));   // missing keys: "нет"
        EXPECT_FALSE(ed.table.flag(ColActive, 1));
        EXPECT_EQ(ed.table.cell(ColPmax, 1), QStringLiteral("1"));
        EXPECT_EQ(ed.table.cell(ColNumber, 1), QStringLiteral("1"));
        EXPECT_EQ(ed.table.cell(ColTx, 1), QStringLiteral("144000"));
        EXPECT_EQ(ed.table.cell(ColTxOff, 1), QStringLiteral("Норм"));
    }
}

TEST_F(SettingsFileTest, RowCountFollowsUnbrokenSections) {
    const QString entry = QStringLiteral("Rx=1\r\n");
    struct Case { const char *name; QList<QPair<int, QString>> sections; int rows; };
    const Case cases[] = {
        {"1, 2 and 4", {{1, entry}, {2, entry}, {4, entry}}, 3},
        {"3 without entries", {{1, entry}, {2, entry}, {3, u"junk\r\n"_qs}, {4, entry}}, 3},
        {"out of order", {{2, entry}, {1, entry}}, 3},
    };
    for (const Case &c : cases) {
        putText(path, channelFile({}, c.sections));
        Editor ed;
        loadSettingsFile(ed, path);
        EXPECT_EQ(ed.table.rowCount(), c.rows) << c.name;
    }

    QList<QPair<int, QString>> many;
    for (int r = 1; r <= 300; ++r)
        many << qMakePair(r, QStringLiteral("Номер=%1\r\n").arg(r));
    putText(path, channelFile({}, many));
    Editor ed;
    loadSettingsFile(ed, path);
    EXPECT_EQ(ed.table.rowCount(), 301);
    EXPECT_EQ(ed.table.cell(ColNumber, 300), QStringLiteral("300"));
    EXPECT_TRUE(ed.table.hasFlag(ColActive, 300));
    EXPECT_EQ(ed.state.PrevRowCount, 301);
}

TEST_F(SettingsFileTest, StationAndModuleCodes) {
    struct Case {
        QString general;
        int stationType, band, moduleType, tickedModule;
    };
    const QString unknown = QString::number(UnknownTypeCode);
    // The editor starts in band 4 with module item 2 ticked.
    const Case cases[] = {
        {u""_qs, 0, 2, 0, 0},                       // missing: 144-174, no module
        {u"Тип=1\r\nТипВУ=5\r\n"_qs, 1, 1, 5, 5},
        {u"Тип=2\r\n"_qs, 2, 1, 0, 0},              // band 1 keeps 2
        {u"Тип=0x3\r\n"_qs, 3, 4, 0, 0},
        {u"Тип=260\r\nТипВУ=257\r\n"_qs, 4, 3, 1, 1}, // low bytes
        {u"Тип="_qs + unknown + u"\r\nТипВУ=9\r\n"_qs, UnknownTypeCode, 4, 9, 2},   // no band, no tick: codes stay
        {u"Тип=-1\r\nТипВУ=3,\r\n"_qs, 255, 4, 0, 0},
    };
    for (const Case &c : cases) {
        putText(path, channelFile(c.general, {{1, u"Rx=1\r\n"_qs}}));
        Editor ed;
        selectBand(ed, 4);
        chooseModule(ed, 2);
        loadSettingsFile(ed, path);
        const QString &name = c.general;
        EXPECT_EQ(ed.state.StationType, c.stationType) << name.toStdString();
        EXPECT_EQ(ed.state.tickedBand, c.band) << name.toStdString();
        EXPECT_EQ(ed.state.title, QString::fromUtf16(bandRow(c.band).title)) << name.toStdString();
        EXPECT_EQ(ed.state.ModuleType, c.moduleType) << name.toStdString();
        EXPECT_EQ(ed.state.tickedModule, c.tickedModule) << name.toStdString();
        EXPECT_TRUE(ed.view.grid);
    }

    // A code without a band goes back out unchanged.
    putText(path, channelFile(u"Тип="_qs + unknown + u"\r\n"_qs, {{1, u"Rx=1\r\n"_qs}}));
    Editor ed;
    loadSettingsFile(ed, path);
    saveSettingsFile(ed, path);
    IniAccessor ini(path);
    EXPECT_EQ(ini.ReadNumber(generalSection(), QStringLiteral("Тип"), -1), UnknownTypeCode);
}

TEST_F(SettingsFileTest, LoadFailuresChangeNothing) {
    const QString noTable = dir.filePath(QStringLiteral("notable.ini"));
    putText(noTable, QStringLiteral("[Общие установки]\r\nТип=0\r\n[1]\r\n[2]\r\nRx=1\r\n"));
    const QString folder = dir.filePath(QStringLiteral("folder.ini"));
    QDir().mkdir(folder);
    struct Case { QString path; bool io; const char16_t *text; };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("missing.ini")), true, u"Не удалось прочитать файл"},
        {folder, true, u"это папка"},
        {noTable, false, u"нет таблицы каналов"},
    };
    for (const Case &c : cases) {
        Editor ed = templateEditor(3, 4);
        ed.state.DataChecked = 1;
        const QString before = snapshot(ed);
        try {
            loadSettingsFile(ed, c.path);
            ADD_FAILURE() << c.path.toStdString();
        } catch (const IoError &e) {
            EXPECT_TRUE(c.io) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::fromUtf16(c.text))) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(c.path));
        } catch (const AppError &e) {
            EXPECT_FALSE(c.io) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::fromUtf16(c.text))) << e.message().toStdString();
        }
        EXPECT_EQ(snapshot(ed), before) << c.path.toStdString();
    }
}

TEST_F(SettingsFileTest, ReadOnlyFileLoads) {
    saveSettingsFile(templateEditor(2), path);
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    Editor ed;
    EXPECT_NO_THROW(loadSettingsFile(ed, path));
    EXPECT_EQ(ed.table.rowCount(), 3);
}

TEST(SettingsFileDialogs, Requests) {
    const FileDialogRequest save = saveDialogRequest();
    EXPECT_EQ(save.title, QStringLiteral("Сохранение данных радиостанции на диск"));
    EXPECT_EQ(save.filter, QStringLiteral("Файлы(*.ini)"));
    EXPECT_EQ(save.defaultSuffix, QStringLiteral("ini"));
    EXPECT_EQ(save.proposedName, QStringLiteral("Q7KM_10.ini"));
    EXPECT_EQ(save.initialFolder, QDir::homePath());
    const FileDialogRequest open = openDialogRequest();
    EXPECT_TRUE(open.title.isEmpty());
    EXPECT_TRUE(open.proposedName.isEmpty());
    EXPECT_EQ(open.filter, save.filter);
    EXPECT_EQ(open.defaultSuffix, QStringLiteral("ini"));
}

TEST_F(SettingsFileTest, FilesSavedAsUtf8LoadAsTheyRead) {
    Editor original = templateEditor(3, 2);
    original.memo[1] = QStringLiteral("Id_номер=12АБ");
    original.table.setCell(ColRx, 2, QStringLiteral("Ёлка"));
    saveSettingsFile(original, path);
    const QByteArray cp1251 = readAll(path);
    const QString text = fromCp1251(cp1251);
    Editor fromCp;
    loadSettingsFile(fromCp, path);
    const QString resavedPath = dir.filePath(QStringLiteral("resaved.ini"));
    saveSettingsFile(fromCp, resavedPath);
    const QByteArray resaved = readAll(resavedPath);

    struct Case { const char *what; QByteArray bytes; };
    const Case cases[] = {
        {"UTF-8", text.toUtf8()},
        {"UTF-8 with a byte order mark", QByteArray("\xEF\xBB\xBF") + text.toUtf8()},
        {"code page 1251 behind a byte order mark", QByteArray("\xEF\xBB\xBF") + cp1251},
    };
    for (const Case &c : cases) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        Editor ed;
        loadSettingsFile(ed, path);
        EXPECT_EQ(snapshot(ed), snapshot(fromCp)) << c.what;
        // Saving goes back to code page 1251, byte for byte what a code page 1251 file gives.
        saveSettingsFile(ed, path);
        EXPECT_EQ(readAll(path), resaved) << c.what;
    }
}

TEST_F(SettingsFileTest, AnyLineEndsLoadCheckAndSaveAlike) {
    // Files pass through editors and tools that end lines their own way; what the load takes,
    // the check and the save must take too.
    Editor original = templateEditor(3, 2);
    for (QString &l : original.memo)
        if (l.startsWith(QStringLiteral("Яркость диодов=")))
            l = QStringLiteral("Яркость диодов=3");
    saveSettingsFile(original, path);
    const QByteArray crlf = readAll(path);
    Editor reference;
    loadSettingsFile(reference, path);
    const QByteArray resaved = settingsFileBytes(reference);

    auto ends = [&](const char *end) { return QByteArray(crlf).replace("\r\n", end); };
    struct Case { const char *what; QByteArray bytes; };
    const Case cases[] = {
        {"LF", ends("\n")},
        {"CR", ends("\r")},
        {"CR CR LF", ends("\r\r\n")},
        {"mixed", QByteArray(crlf).replace("\r\n[2]\r\n", "\n[2]\r").replace("Rx=", "\rRx=")},
        {"byte order mark and CR CR LF", QByteArray("\xEF\xBB\xBF") + ends("\r\r\n")},
    };
    for (const Case &c : cases) {
        putText(path, {});
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        Editor ed;
        loadSettingsFile(ed, path);
        EXPECT_EQ(snapshot(ed), snapshot(reference)) << c.what;
        EXPECT_TRUE(ed.memo.contains(QStringLiteral("Яркость диодов=3"))) << c.what;
        test::RecordingOperator op;
        EXPECT_TRUE(runDataCheck(ed, op)) << c.what << ": " << op.lastMessage().toStdString();
        EXPECT_EQ(ed.state.image.header[HeaderByte::Brightness], 11) << c.what;
        EXPECT_NO_THROW(saveSettingsFile(ed, path)) << c.what;
        EXPECT_EQ(readAll(path), resaved) << c.what;
    }
}

TEST_F(SettingsFileTest, NoFileIsSavedThatCouldNotBeLoadedAgain) {
    // Only a file of thousands of tiny sections gives such a table; its save would be many
    // times the size the load takes.
    putText(path, QStringLiteral("old"));
    Editor ed = templateEditor(1);
    ed.table.setRowCount(7001); // empty cells: the smallest channel sections there are
    createAllOverlays(ed);
    try {
        saveSettingsFile(ed, path);
        ADD_FAILURE();
    } catch (const IoError &) {
        ADD_FAILURE() << "not an I/O problem";
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Таблица из 7000 каналов не помещается в файл настроек: он был бы "
                                              "больше 1 МБ, и программа не смогла бы прочитать его снова"));
    }
    EXPECT_EQ(readAll(path), "old");
}
