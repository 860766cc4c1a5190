// SPDX-License-Identifier: GPL-3.0-or-later
#include "Unit1.h"
#include "UnitMain.h"
#include "UnitP.h"
#include "gui/cell_editors.h"
#include "gui/string_grid.h"
#include "check/gates.h"
#include "gui/main_window_fixture.h"
#include "gui/qt_operator.h"
#include "gui/exchange_log_window.h"
#include "support/disk_fault.h"

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QComboBox>
#include <QHelpEvent>
#include <QToolTip>
#include "layout/general_keys.h"
#include "settings_file/settings_file.h"
#include "table/bands.h"
#include "table/template.h"
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QItemSelectionModel>
#include <QUndoStack>
#include <QTest>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

using namespace tolvin;
using tolvin::test::MainWindowTest;
using tolvin::test::LateDiskFault;
using tolvin::test::RecordingOperator;

TEST_F(MainWindowTest, FreshWindowShowsOnlyTheMenuBar) {
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Толвин 7К-61"));
    EXPECT_FALSE(main->Panel1->isVisible());
    EXPECT_EQ(main->Edit2->text(), QStringLiteral("30000"));
    EXPECT_EQ(main->Edit1->text(), QStringLiteral("10"));
    EXPECT_EQ(main->Edit3->text(), QStringLiteral("1000"));
    EXPECT_TRUE(main->BandItems[0]->isChecked());
    EXPECT_TRUE(main->ModuleItems[0]->isChecked());
    EXPECT_EQ(ed().state.DataChecked, 0);
    EXPECT_EQ(ed().state.StationType, 1);
    EXPECT_EQ(ed().state.ModuleType, 0);
    EXPECT_FALSE(link->isVisible());
    EXPECT_FALSE(report->isVisible());
    EXPECT_EQ(link->windowTitle(), QStringLiteral("Прием и передача информации в станцию"));
    EXPECT_EQ(report->windowTitle(), QStringLiteral("Создание протокола"));
    EXPECT_EQ(main->centralWidget()->size(), QSize(797, 397));
    EXPECT_GT(main->maximumSize().width(), main->minimumSize().width()); // resizable, from this size up
    EXPECT_EQ(main->StringGrid1->size(), QSize(787, 235));
    EXPECT_EQ(main->Memo1->size(), QSize(280, 145));
}

TEST_F(MainWindowTest, MenuCaptions) {
    QStringList top;
    for (QAction *a : main->menuBar()->actions())
        top << plainCaption(a->text());
    EXPECT_EQ(top, (QStringList{"Каналы", "Доп. оборудование", "Ретранслятор", "Контроль", "Станция", "Выход", "О программе"}));
    // The version and the licence come from the build's one place for them.
    main->AboutItem->trigger();
    EXPECT_TRUE(op.lastMessage().contains(QStringLiteral("Версия " TOLVIN_VERSION))) << op.lastMessage().toStdString();
    EXPECT_TRUE(op.lastMessage().contains(QStringLiteral("GPL-3.0-or-later")));
    EXPECT_TRUE(op.lastMessage().contains(modelFamily())) << "the models of the model table";
    // The original items keep their places; the working-comfort items come after them.
    EXPECT_EQ(menuCaptions(topMenu(0)).mid(0, 5), (QStringList{"Создать шаблон", "-", "Запись в файл", "Чтение файла", "-"}));
    QMenu *modules = topMenu(1)->actions().at(0)->menu();
    EXPECT_EQ(plainCaption(topMenu(1)->actions().at(0)->text()), QStringLiteral("Модули "));
    EXPECT_EQ(menuCaptions(modules),
              (QStringList{"Нет модуля", "Маскиратор 09ЛМ300-02Д", "Модуль Стройлинк", "Маскиратор Ферсан",
                           "Маскиратор типа \"Тамбра\"", "Маскиратор 09ЛМ027Д"}));
    EXPECT_EQ(menuCaptions(topMenu(4)).mid(0, 4), (QStringList{"Создать протокол", "-", "Запись/Чтение данных", "Тип радиостанции"}));
    QStringList bands(BandMenuItems);
    bands[InertBandMenuItem] = QStringLiteral("57-57,5 МГц");
    for (const StationModelRow &m : StationModels)
        bands[m.menuItem] = QString::fromUtf16(m.caption);
    EXPECT_EQ(menuCaptions(topMenu(4)->actions().at(3)->menu()), bands);
    EXPECT_EQ(main->CheckItem->toolTip(), QStringLiteral("Проверка введенных данных"));
}

// Every band item from the second on, then back to the first, where the window starts.
TEST_F(MainWindowTest, BandItems) {
    makeTemplate(QStringLiteral("5"));
    ASSERT_TRUE(main->StringGrid1->isVisible());
    for (size_t i = 1; i <= StationModels.size(); ++i) {
        const StationModelRow &m = StationModels[i % StationModels.size()];
        SCOPED_TRACE(m.modelNumber);
        main->BandItems[size_t(m.menuItem)]->trigger();
        EXPECT_EQ(main->windowTitle(), QString::fromUtf16(m.title));
        EXPECT_EQ(main->Edit2->text(), QString::number(m.bandLow));
        EXPECT_EQ(ed().state.bandSettings.BandLow, m.bandLow);
        EXPECT_EQ(ed().state.bandSettings.BandHigh, m.bandHigh);
        EXPECT_EQ(ed().state.StationType, m.typeCode);
        EXPECT_TRUE(main->BandItems[size_t(m.menuItem)]->isChecked());
        int ticked = 0;
        for (QAction *a : main->BandItems)
            ticked += a->isChecked();
        EXPECT_EQ(ticked, 1);
        EXPECT_FALSE(main->Panel1->isVisible());
    }
    // The inert item changes nothing.
    main->BandItems[InertBandMenuItem]->trigger();
    EXPECT_EQ(main->windowTitle(), QString::fromUtf16(StationModels[0].title));
    EXPECT_TRUE(main->BandItems[size_t(StationModels[0].menuItem)]->isChecked());
    EXPECT_FALSE(main->BandItems[InertBandMenuItem]->isChecked());
}

TEST_F(MainWindowTest, TemplateOnTheSecondBand) {
    main->BandItems[2]->trigger();
    makeTemplate(QStringLiteral("3"), QStringLiteral("173000"));
    // The third row would be 175000: it carries the band's top, and the window says so.
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("Канал 3 выходит за диапазон; ему назначена частота 174000 кГц")});
    EXPECT_EQ(ed().table.cell(ColRx, 3), QStringLiteral("174000"));
    EXPECT_TRUE(main->Memo1->isVisible());
    EXPECT_TRUE(main->StringGrid1->isVisible());
    EXPECT_EQ(ed().table.cell(ColRx, 3), QStringLiteral("174000"));
    EXPECT_EQ(main->Memo1->toPlainText().split('\n').size(), qsizetype(GeneralKeys.size())) << "no serial number";
    EXPECT_EQ(main->StringGrid1->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral(" Rx, кГц"));
}

TEST_F(MainWindowTest, ModuleItems) {
    for (int item : {2, 2, 4, 0}) {
        main->ModuleItems[item]->trigger();
        EXPECT_EQ(ed().state.ModuleType, item);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(main->ModuleItems[i]->isChecked(), i == item);
    }
}

TEST_F(MainWindowTest, KeyFilters) {
    struct Case { QLineEdit *field; const char *keys; const char *kept; const char16_t *message; };
    main->CreateTemplateClick();
    const Case cases[] = {
        {main->Edit1, "1a2", "12", u"Вводите только цифры от 0 до 9"},
        {main->Edit1, "1,", "1", u"Вводите только цифры от 0 до 9"},
        {main->Edit2, "12,5x", "12,5", u"Вводите только цифры от 0 до 9 и запятую"},
        {main->Edit3, "6.25", "625", u"Вводите только цифры от 0 до 9 и запятую"},
        {main->Edit4, "2-6", "26", u"Вводите только цифры от 0 до 9"},
    };
    for (const auto &c : cases) {
        op.clear();
        c.field->clear();
        c.field->setFocus();
        QTest::keyClicks(c.field, QString::fromLatin1(c.keys));
        EXPECT_EQ(c.field->text(), QString::fromLatin1(c.kept));
        EXPECT_EQ(op.events, (QStringList{"beep", QStringLiteral("message:") + QString::fromUtf16(c.message)}));
    }
    op.clear();
    main->Edit1->setText(QStringLiteral("12"));
    QTest::keyClick(main->Edit1, Qt::Key_Backspace);
    EXPECT_EQ(main->Edit1->text(), QStringLiteral("1"));
    EXPECT_TRUE(op.events.isEmpty());
}

TEST_F(MainWindowTest, ListOpensOnTheCellText) {
    makeTemplate(QStringLiteral("10"));
    struct Case { int col; const char16_t *text; int list; int item; };
    const Case cases[] = {
        {ColCtcRx, u"82,5", 1, 39}, {ColCtcTx, u"67,0", 1, 34}, {ColDcsRx, u"023", 2, 1},
        {ColToneRx, u"Нет", 3, 0}, {ColToneTx, u"7", 3, 7}, {ColNoise, u"6", 4, 5},
        {ColPmin, u"2", 5, 1}, {ColSpacing, u"12,5", 6, 0}, {ColSpacing, u"25", 6, 1},
        {ColSpacing, u"20", 6, -1}, {ColTime, u"15", 7, 15}, {ColTxOff, u"OFF", 8, 2},
        {ColCtcRx, u"99,9", 1, -1}, {ColTxOff, u"off", 8, -1}, {ColPmax, u"9", 5, -1},
    };
    for (const auto &c : cases) {
        ed().table.setCell(c.col, 3, QString::fromUtf16(c.text));
        main->StringGrid1->setCurrentCell(ColNumber, 1);
        main->StringGrid1->setCurrentCell(c.col, 3);
        QComboBox *box = main->cellEditors->list(c.list);
        EXPECT_TRUE(box->isVisible()) << c.col;
        EXPECT_EQ(box->currentIndex(), c.item) << c.col;
        EXPECT_EQ(main->cellEditors->visibleList(), box);
        // Leaving without a choice leaves the cell as it was.
        main->listLeft(c.list);
        EXPECT_FALSE(box->isVisible());
        EXPECT_EQ(ed().table.cell(c.col, 3), QString::fromUtf16(c.text)) << c.col;
    }
    EXPECT_EQ(ed().state.SelectedRow, 3);
}

TEST_F(MainWindowTest, ListWithoutSelectionKeepsTheCell) {
    makeTemplate(QStringLiteral("3"));
    ed().table.setCell(ColPmax, 2, QStringLiteral("9"));
    main->StringGrid1->setCurrentCell(ColPmax, 2);
    QComboBox *box = main->cellEditors->list(5);
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(box->currentIndex(), -1);
    main->ComboBox5Exit();
    EXPECT_EQ(ed().table.cell(ColPmax, 2), QStringLiteral("9"));
}

TEST_F(MainWindowTest, PickingAnItemWritesIt) {
    makeTemplate(QStringLiteral("3"));
    main->StringGrid1->setCurrentCell(ColTxOff, 2);
    QComboBox *box = main->cellEditors->list(8);
    ASSERT_TRUE(box->isVisible());
    box->setCurrentIndex(1);
    Q_EMIT box->activated(1);
    EXPECT_EQ(ed().table.cell(ColTxOff, 2), QStringLiteral("RSSI"));
    EXPECT_FALSE(box->isVisible());
}

TEST_F(MainWindowTest, NonIntegerCellShowsTheConversionErrorAndNoList) {
    makeTemplate(QStringLiteral("3"));
    ed().table.setCell(ColNoise, 2, QStringLiteral("1x"));
    op.clear();
    main->StringGrid1->setCurrentCell(ColNoise, 2);
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("Канал 2, ШП: «1x» не является целым числом")});
    EXPECT_EQ(main->cellEditors->visibleList(), nullptr);
}

TEST_F(MainWindowTest, EnterCopiesTheFrequencyToItsPartner) {
    makeTemplate(QStringLiteral("3"));
    ed().table.setCell(ColRx, 2, QStringLiteral("31000"));
    ed().table.setCell(ColTx, 2, QStringLiteral("32000"));
    main->StringGrid1->setFocus();
    main->StringGrid1->setCurrentCell(ColRx, 2);
    QTest::keyClick(main->StringGrid1, Qt::Key_Return);
    EXPECT_EQ(ed().table.cell(ColTx, 2), QStringLiteral("31000"));

    ed().table.setCell(ColTx, 2, QStringLiteral("33000"));
    main->StringGrid1->setCurrentCell(ColTx, 2);
    QTest::keyClick(main->StringGrid1, Qt::Key_Enter);
    EXPECT_EQ(ed().table.cell(ColRx, 2), QStringLiteral("33000"));

    const QString before = ed().table.cell(ColRx, 1) + ed().table.cell(ColTx, 1);
    main->StringGrid1->setCurrentCell(ColNumber, 1);
    QTest::keyClick(main->StringGrid1, Qt::Key_Return);
    EXPECT_EQ(ed().table.cell(ColRx, 1) + ed().table.cell(ColTx, 1), before);
}

TEST_F(MainWindowTest, TypingOnlyInTheFirstThreeColumns) {
    makeTemplate(QStringLiteral("3"));
    auto *model = main->StringGrid1->model();
    for (int col = 0; col < ColumnCount; ++col)
        EXPECT_EQ(bool(model->flags(model->index(0, col)) & Qt::ItemIsEditable), col <= 2) << col;
    main->StringGrid1->setFocus();
    main->StringGrid1->setCurrentCell(ColRx, 1);
    QTest::keyClicks(main->StringGrid1, "4");
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(main->StringGrid1->isAncestorOf(editor));
    QTest::keyClicks(editor, "5000");
    EXPECT_EQ(editor->text(), QStringLiteral("45000"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the editor commits on a queued call
    EXPECT_EQ(ed().table.cell(ColRx, 1), QStringLiteral("45000"));
    EXPECT_EQ(ed().table.cell(ColTx, 1), QStringLiteral("45000")); // Enter in the editor copies too
}

TEST_F(MainWindowTest, CheckBoxesKeepTheirStateWhileScrolling) {
    makeTemplate(QStringLiteral("99"));
    StringGrid *grid = main->StringGrid1;
    grid->setFocus();
    grid->setCurrentCell(ColScan, 2);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_FALSE(ed().table.flag(ColScan, 2));
    const QRect cell = grid->visualRect(grid->model()->index(4, ColIdTone));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_TRUE(ed().table.flag(ColIdTone, 5));

    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    QApplication::processEvents();
    EXPECT_TRUE(grid->cellRect(ColScan, 2).isEmpty()); // out of view
    EXPECT_FALSE(grid->cellRect(ColScan, 99).isEmpty());
    grid->verticalScrollBar()->setValue(0);
    QApplication::processEvents();
    EXPECT_FALSE(ed().table.flag(ColScan, 2));
    EXPECT_TRUE(ed().table.flag(ColIdTone, 5));
    EXPECT_TRUE(ed().table.flag(ColActive, 2));
    EXPECT_EQ(grid->model()->data(grid->model()->index(1, ColScan), Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

TEST_F(MainWindowTest, GatesRefuseWhileUnchecked) {
    struct Case { std::function<void()> press; const char16_t *message; };
    const Case cases[] = {
        {[&] { main->RepeaterItem->trigger(); }, u"Прежде чем производить настройку рентраслятора проверьте введеные данные !!!"},
        {[&] { main->ReportItem->trigger(); }, u"Пока не будет произведена проверка данных, протокол создаваться не будет!!!"},
        {[&] { report->BitBtn1Click(); }, u"Пока не будет произведена проверка данных, протокол создаваться не будет"},
        {[&] { link->BitBtn2Click(); }, u"Введенные данные не будут переданы, так как они не проверены."},
    };
    for (const auto &c : cases) {
        op.clear();
        c.press();
        EXPECT_EQ(op.messages, QStringList{QString::fromUtf16(c.message)});
    }
    EXPECT_FALSE(main->Panel3->isVisible());
    EXPECT_FALSE(report->isVisible());
}

TEST_F(MainWindowTest, SaveAndLoadThroughTheDialogs) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Q7KM_10.ini"));
    makeTemplate(QStringLiteral("4"));
    ed().table.setCell(ColCtcRx, 2, QStringLiteral("82,5"));
    ed().table.setFlag(ColScan, 3, false);
    main->ModuleItems[3]->trigger();
    op.saveAnswers << path;
    main->N3Click();
    ASSERT_TRUE(op.messages.isEmpty()) << op.lastMessage().toStdString();
    EXPECT_EQ(op.requests.last().proposedName, QStringLiteral("Q7KM_10.ini"));
    EXPECT_EQ(op.requests.last().filter, QStringLiteral("Файлы(*.ini)"));

    main->BandItems[2]->trigger();
    main->ModuleItems[0]->trigger();
    op.openAnswers << path;
    main->N4Click();
    ASSERT_TRUE(op.messages.isEmpty()) << op.lastMessage().toStdString();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Толвин 7К-61"));
    EXPECT_TRUE(main->ModuleItems[3]->isChecked());
    EXPECT_TRUE(main->StringGrid1->isVisible());
    EXPECT_EQ(main->StringGrid1->model()->rowCount(), 4);
    EXPECT_EQ(main->StringGrid1->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral(" Tx, кГЦ"));
    EXPECT_EQ(ed().table.cell(ColCtcRx, 2), QStringLiteral("82,5"));
    EXPECT_FALSE(ed().table.flag(ColScan, 3));
    EXPECT_TRUE(main->Memo1->toPlainText().startsWith(QStringLiteral("[Общие установки]\nСерийный номер=100000")));

    // Cancel changes nothing; a missing file is refused with its path.
    op.clear();
    main->N4Click();
    EXPECT_TRUE(op.messages.isEmpty());
    op.openAnswers << dir.filePath(QStringLiteral("gone.ini"));
    main->N4Click();
    ASSERT_EQ(op.messages.size(), 1);
    EXPECT_TRUE(op.messages[0].contains(QStringLiteral("gone.ini")));
    EXPECT_EQ(main->StringGrid1->model()->rowCount(), 4);
}

TEST_F(MainWindowTest, LinkWindowAndExit) {
    makeTemplate(QStringLiteral("2"));
    main->LinkItem->trigger();
    EXPECT_TRUE(link->isVisible());
    EXPECT_TRUE(main->isMinimized());
    link->BitBtn1Click();
    EXPECT_FALSE(link->isVisible());
    EXPECT_FALSE(main->isMinimized());
    EXPECT_TRUE(main->StringGrid1->isVisible());
    EXPECT_FALSE(link->UsbButton->isEnabled());
    EXPECT_EQ(link->StaticText1->text(), QStringLiteral("- -"));
    main->LinkItem->trigger();
    main->ExitItem->trigger();
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(link->isVisible());
}

TEST_F(MainWindowTest, CheckOpensTheGatesAndEditingKeepsThemOpen) {
    makeTemplate(QStringLiteral("3"));
    op.clear();
    main->CheckItem->trigger();
    ASSERT_EQ(op.messages, QStringList{QStringLiteral("Все данные введены верно.")});
    EXPECT_EQ(ed().state.DataChecked, 1);
    EXPECT_EQ(ed().state.image.header[HeaderByte::ChannelCount], 3);
    ed().table.setCell(ColRx, 1, QStringLiteral("1"));
    op.clear();
    main->RepeaterItem->trigger();
    EXPECT_TRUE(op.messages.isEmpty());
    EXPECT_TRUE(main->Panel3->isVisible());
    main->RepeaterCloseButton->click();
    EXPECT_FALSE(main->Panel3->isVisible());
    EXPECT_TRUE(passGate(ed().state, Gate::LinkWrite, op));
    EXPECT_TRUE(op.messages.isEmpty());

    // A cell that is not a number ends the check with the conversion error, unchecked.
    ed().table.setCell(ColRx, 1, QStringLiteral("3x"));
    main->CheckItem->trigger();
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("Канал 1, Rx, кГц: «3x» не является числом")});
    EXPECT_EQ(ed().state.DataChecked, 0);

    // A new template unchecks.
    ed().table.setCell(ColRx, 1, QStringLiteral("30000"));
    main->CheckItem->trigger();
    EXPECT_EQ(ed().state.DataChecked, 1);
    main->BitBtn1Click();
    EXPECT_EQ(ed().state.DataChecked, 0);
}

TEST_F(MainWindowTest, MemoLinesAsTyped) {
    struct Case { const char *text; QStringList lines; };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\nb\n", {"a", "b"}},
        {"a\n\n", {"a", ""}},
        {"\n", {""}},
    };
    for (const auto &c : cases) {
        main->Memo1->setPlainText(QString::fromLatin1(c.text));
        main->pullEditor();
        EXPECT_EQ(ed().memo, c.lines) << c.text;
    }
}

TEST_F(MainWindowTest, KeysThatTypeNothingPass) {
    main->CreateTemplateClick();
    main->activateWindow();
    struct Case { Qt::Key key; Qt::KeyboardModifiers mods; };
    const Case keys[] = {
        {Qt::Key_Delete, Qt::NoModifier}, {Qt::Key_Left, Qt::NoModifier}, {Qt::Key_Right, Qt::NoModifier},
        {Qt::Key_Home, Qt::NoModifier}, {Qt::Key_End, Qt::NoModifier}, // Return is "Ok": tested with the panel
        {Qt::Key_Escape, Qt::NoModifier}, {Qt::Key_A, Qt::ControlModifier}, {Qt::Key_C, Qt::ControlModifier},
        {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_Z, Qt::ControlModifier}, {Qt::Key_Tab, Qt::NoModifier},
        {Qt::Key_Backtab, Qt::ShiftModifier},
    };
    for (QLineEdit *field : {main->Edit1, main->Edit2, main->Edit3, main->Edit4}) {
        for (const Case &c : keys) {
            op.clear();
            field->setText(QStringLiteral("12"));
            field->setFocus();
            QTest::keyClick(field, c.key, c.mods);
            EXPECT_TRUE(op.events.isEmpty()) << field->objectName().toStdString() << " key " << c.key;
        }
    }
    // Delete deletes; Tab moves on.
    main->Edit1->setText(QStringLiteral("12"));
    main->Edit1->setFocus();
    main->Edit1->setCursorPosition(0);
    QTest::keyClick(main->Edit1, Qt::Key_Delete);
    EXPECT_EQ(main->Edit1->text(), QStringLiteral("2"));
}

TEST_F(MainWindowTest, PasteIsJudgedLikeTyping) {
    main->CreateTemplateClick();
    struct Case { QLineEdit *field; const char *pasted; const char *result; const char16_t *message; };
    const Case cases[] = {
        {main->Edit1, "-5", "", u"Вводите только цифры от 0 до 9"},
        {main->Edit1, "42", "42", nullptr},
        {main->Edit2, "150006,25", "150006,25", nullptr},
        {main->Edit2, "1.5", "", u"Вводите только цифры от 0 до 9 и запятую"},
        {main->Edit3, "12,5 ", "", u"Вводите только цифры от 0 до 9 и запятую"},
        {main->Edit4, "7", "7", nullptr},
        {main->Edit4, "x", "", u"Вводите только цифры от 0 до 9"},
    };
    for (const Case &c : cases) {
        c.field->clear();
        c.field->setFocus();
        QApplication::clipboard()->setText(QString::fromLatin1(c.pasted));
        op.clear();
        QTest::keyClick(c.field, Qt::Key_V, Qt::ControlModifier);
        QApplication::processEvents();
        EXPECT_EQ(c.field->text(), QString::fromLatin1(c.result)) << c.pasted;
        if (c.message) {
            EXPECT_EQ(op.events, (QStringList{"beep", QStringLiteral("message:") + QString::fromUtf16(c.message)})) << c.pasted;
        } else {
            EXPECT_TRUE(op.events.isEmpty()) << c.pasted;
        }
    }
}

TEST_F(MainWindowTest, TablesOfHundredsOfRows) {
    QTemporaryDir dir;
    Editor big;
    selectBand(big, 2);
    big.templ.count = QStringLiteral("10");
    RecordingOperator quiet;
    ASSERT_TRUE(createTemplate(big, quiet));
    big.table.setRowCount(1001);
    for (int r = 11; r <= 1000; ++r) {
        for (int c = 0; c < ColumnCount; ++c)
            big.table.setCell(c, r, big.table.cell(c, 1));
        big.table.setCell(ColNumber, r, QString::number(r));
    }
    createAllOverlays(big);
    const QString path = dir.filePath(QStringLiteral("big.ini"));
    saveSettingsFile(big, path);

    op.openAnswers << path;
    main->N4Click();
    ASSERT_EQ(ed().table.rowCount(), 1001);
    EXPECT_EQ(ed().state.PrevRowCount, 1001);
    ed().table.setCell(ColRx, 299, QStringLiteral("150012,5"));
    main->StringGrid1->setFocus();
    main->StringGrid1->setCurrentCell(ColRx, 299);
    EXPECT_EQ(ed().state.SelectedRow, 299);
    QTest::keyClick(main->StringGrid1, Qt::Key_Return);
    EXPECT_EQ(ed().table.cell(ColTx, 299), QStringLiteral("150012,5"));
    EXPECT_EQ(ed().table.cell(ColTx, 43), ed().table.cell(ColTx, 1)) << "row 299 mod 256 stays as it was";
    main->StringGrid1->toggleFlag(ColScan, 999);
    EXPECT_FALSE(ed().table.flag(ColScan, 999));
    EXPECT_TRUE(ed().table.flag(ColScan, 999 - 256));

    const QString again = dir.filePath(QStringLiteral("again.ini"));
    op.saveAnswers << again;
    main->SaveAsClick();
    Editor back;
    loadSettingsFile(back, again);
    EXPECT_EQ(back.table.rowCount(), 1001);
    EXPECT_EQ(back.table.cell(ColTx, 299), QStringLiteral("150012,5"));
    EXPECT_FALSE(back.table.flag(ColScan, 999));
    EXPECT_TRUE(back.table.flag(ColScan, 743));
}

TEST_F(MainWindowTest, WindowsAppearInTheMiddleOfTheScreen) {
    const QRect screen = main->screen()->availableGeometry();
    auto near = [&](QWidget *w) {
        const QPoint c = w->geometry().center();
        return qAbs(c.x() - screen.center().x()) <= 20 && qAbs(c.y() - screen.center().y()) <= 40;
    };
    EXPECT_TRUE(near(main.get())) << main->geometry().x() << "," << main->geometry().y();
    link->show();
    EXPECT_TRUE(near(link.get()));
    report->show();
    EXPECT_TRUE(near(report.get()));
}

TEST_F(MainWindowTest, CheckShowsItsHintAsToolTip) {
    QMenuBar *bar = main->menuBar();
    const QRect r = bar->actionGeometry(main->CheckItem);
    QHelpEvent help(QEvent::ToolTip, r.center(), bar->mapToGlobal(r.center()));
    QApplication::sendEvent(bar, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Проверка введенных данных"));
}

TEST_F(MainWindowTest, ShorterFileShowsFromItsTop) {
    QTemporaryDir dir;
    makeTemplate(QStringLiteral("99"));
    const QString shortFile = dir.filePath(QStringLiteral("short.ini"));
    makeTemplate(QStringLiteral("12"));
    op.saveAnswers << shortFile;
    main->N3Click();
    makeTemplate(QStringLiteral("99"));
    StringGrid *grid = main->StringGrid1;
    // Whole rows at every scroll position: the first row in view starts right under the header,
    // and at the end the last row is whole.
    for (int v = 0; v <= grid->verticalScrollBar()->maximum(); ++v) {
        grid->verticalScrollBar()->setValue(v);
        const int top = grid->rowAt(0);
        ASSERT_GE(top, 0);
        EXPECT_EQ(grid->visualRect(grid->model()->index(top, 0)).top(), 0) << v;
    }
    grid->scrollToBottom();
    ASSERT_GT(grid->verticalScrollBar()->value(), 0);
    EXPECT_LE(grid->visualRect(grid->model()->index(98, 0)).bottom(), grid->viewport()->height());
    op.openAnswers << shortFile;
    main->N4Click();
    EXPECT_EQ(main->StringGrid1->verticalScrollBar()->value(), 0);
}

TEST_F(MainWindowTest, MessagesBelongToTheWindowInFront) {
    QtOperator real(main.get());
    link->show();
    link->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(link.get()));
    main->showMinimized();
    EXPECT_EQ(real.dialogParent(), link.get());
    link->hide();
    EXPECT_EQ(real.dialogParent(), main.get());
}

TEST_F(MainWindowTest, UndoAndRedoWalkBackToTheSameFile) {
    QTemporaryDir dir;
    auto bytesNow = [&] { return settingsFileBytes(ed()); };
    makeTemplate(QStringLiteral("5"));
    QList<QByteArray> states{bytesNow()};
    // A typed cell, a picked item, a box, the Enter copy, a memo edit, a paste.
    main->StringGrid1->model()->setData(main->StringGrid1->model()->index(0, ColRx), QStringLiteral("31000"), Qt::EditRole);
    states << bytesNow();
    main->StringGrid1->setCurrentCell(ColTxOff, 2);
    QComboBox *box = main->cellEditors->list(8);
    box->setCurrentIndex(1);
    Q_EMIT box->activated(1);
    states << bytesNow();
    main->StringGrid1->toggleFlag(ColScan, 3);
    states << bytesNow();
    main->StringGrid1->setFocus();
    main->StringGrid1->setCurrentCell(ColRx, 1);
    QTest::keyClick(main->StringGrid1, Qt::Key_Return);
    states << bytesNow();
    main->Memo1->setPlainText(main->Memo1->toPlainText().replace(QStringLiteral("Громкость=8"), QStringLiteral("Громкость=9")));
    main->CheckItem->trigger();   // ends the memo step; the check itself is no edit
    states << bytesNow();
    QApplication::clipboard()->setText(QStringLiteral("2\t\"40000\"\r\n"));
    main->StringGrid1->setCurrentCell(ColNumber, 4);
    main->PasteClick();
    states << bytesNow();
    ASSERT_EQ(main->undoStack()->count(), 7) << "template and six edits";
    EXPECT_EQ(plainCaption(main->UndoItem->text()), QStringLiteral("Отменить: Вставка"));

    main->CheckItem->trigger();
    ASSERT_EQ(ed().state.DataChecked, 1);
    for (int i = states.size() - 2; i >= 0; --i) {
        main->UndoItem->trigger();
        EXPECT_EQ(bytesNow(), states[i]) << "undo to state " << i;
        EXPECT_EQ(ed().state.DataChecked, 0);
    }
    for (int i = 1; i < states.size(); ++i) {
        main->RedoItem->trigger();
        EXPECT_EQ(bytesNow(), states[i]) << "redo to state " << i;
    }
    EXPECT_EQ(main->Memo1->toPlainText().split('\n'), ed().memo);
    // A load is one step too.
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    saveSettingsFile(ed(), path);
    makeTemplate(QStringLiteral("2"));
    op.openAnswers << path;
    main->N4Click();
    EXPECT_EQ(ed().table.channelCount(), 5);
    main->UndoItem->trigger();
    EXPECT_EQ(ed().table.channelCount(), 2);
}

TEST_F(MainWindowTest, CopyAndPasteWithASpreadsheet) {
    makeTemplate(QStringLiteral("4"));
    main->StringGrid1->setFocus();
    QItemSelectionModel *sel = main->StringGrid1->selectionModel();
    QAbstractItemModel *m = main->StringGrid1->model();
    sel->select(QItemSelection(m->index(0, ColRx), m->index(1, ColCtcRx)), QItemSelectionModel::ClearAndSelect);
    main->CopyClick();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("30000\t30000\tНет\r\n31000\t31000\tНет\r\n"));

    // From LibreOffice Calc: CR LF, a trailing break, a quoted cell, one value the column refuses.
    QApplication::clipboard()->setText(QStringLiteral("\"88,5\"\t77,0\r\n99,9\t67,0\r\n"));
    main->StringGrid1->setCurrentCell(ColCtcRx, 3);
    op.clear();
    main->PasteClick();
    EXPECT_EQ(ed().table.cell(ColCtcRx, 3), QStringLiteral("88,5"));
    EXPECT_EQ(ed().table.cell(ColCtcTx, 3), QStringLiteral("77,0"));
    EXPECT_EQ(ed().table.cell(ColCtcRx, 4), QStringLiteral("Нет"));
    EXPECT_EQ(ed().table.cell(ColCtcTx, 4), QStringLiteral("67,0"));
    ASSERT_EQ(op.messages.size(), 1);
    EXPECT_TRUE(op.lastMessage().contains(QStringLiteral("строка 4, CTC_Rx: «99,9»"))) << op.lastMessage().toStdString();
    main->UndoItem->trigger();
    EXPECT_EQ(ed().table.cell(ColCtcRx, 3), QStringLiteral("Нет")) << "a paste is one step";
    EXPECT_EQ(ed().table.cell(ColCtcTx, 4), QStringLiteral("Нет"));
}

TEST_F(MainWindowTest, CsvImportAndExportThroughTheMenu) {
    QTemporaryDir dir;
    main->BandItems[2]->trigger();
    const QString csv = dir.filePath(QStringLiteral("in.csv"));
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,Mode,Skip\r\n"
            "1,A,150.000000,,0.000000,TSQL,88.5,88.5,NFM,S\r\n2,B,446.000000,,0,,88.5,88.5,FM,\r\n");
    f.close();
    op.openAnswers << csv;
    main->ImportCsvClick();
    EXPECT_EQ(ed().table.channelCount(), 1);
    EXPECT_EQ(ed().table.cell(ColCtcRx, 1), QStringLiteral("88,5"));
    EXPECT_EQ(ed().table.cell(ColSpacing, 1), QStringLiteral("12,5"));
    EXPECT_FALSE(ed().table.flag(ColScan, 1));
    EXPECT_EQ(ed().memo.first(), QStringLiteral("[Общие установки]"));
    ASSERT_EQ(op.messages.size(), 1);
    EXPECT_TRUE(op.lastMessage().contains(QStringLiteral("Загружено каналов: 1")));
    EXPECT_TRUE(op.lastMessage().contains(QStringLiteral("вне диапазона")));
    EXPECT_TRUE(main->StringGrid1->isVisible());

    const QString out = dir.filePath(QStringLiteral("out.csv"));
    op.saveAnswers << out;
    main->ExportCsvClick();
    QFile back(out);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_TRUE(back.readAll().contains("\r\n0,,150.000000,,0.000000,TSQL,88.5,88.5,023,NN,023,Tone->Tone,NFM,6.25,S,"));
}

// The import is for the model picked, the band in use unless another is; a file with nothing for
// that band leaves the band and the table as they were and says why.
TEST_F(MainWindowTest, CsvImportForThePickedModel) {
    QTemporaryDir dir;
    main->BandItems[size_t(StationModels[1].menuItem)]->trigger();
    makeTemplate(QStringLiteral("5"));
    const QString csv = dir.filePath(QStringLiteral("uhf.csv"));
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Location,Frequency\n1,446.000000\n2,447.000000\n");
    f.close();
    struct Case { const char *name; QList<int> picks; int band, channels; QString said; };
    const Case cases[] = {
        {"cancelled", {-1}, 2, 5, {}},
        {"nothing in the band in use", {}, 2, 5,
         QStringLiteral("Прочитано строк: 2; ни одна не подходит для диапазона «144-174 МГц» (Толвин 7К-62)")},
        {"another model", {3}, 4, 2, QStringLiteral("Загружено каналов: 2")},
    };
    for (const Case &c : cases) {
        op.clear();
        op.chooseAnswers = c.picks;
        op.openAnswers = {csv};
        main->ImportCsvClick();
        ASSERT_EQ(op.choices.size(), 1) << c.name;
        EXPECT_EQ(op.choices[0].size(), qsizetype(StationModels.size())) << c.name;
        EXPECT_EQ(op.events.contains(QStringLiteral("open")), !c.said.isEmpty()) << c.name;
        EXPECT_TRUE(op.lastMessage().startsWith(c.said)) << c.name << op.lastMessage().toStdString();
        EXPECT_EQ(ed().state.tickedBand, c.band) << c.name;
        EXPECT_EQ(main->windowTitle(), QString::fromUtf16(bandRow(c.band).title)) << c.name;
        EXPECT_TRUE(main->BandItems[size_t(StationModels[size_t(c.band - 1)].menuItem)]->isChecked()) << c.name;
        EXPECT_EQ(ed().table.channelCount(), c.channels) << c.name;
        EXPECT_TRUE(main->StringGrid1->isVisible()) << c.name;
    }
    // The band change and the new table are one step.
    main->undoStack()->undo();
    EXPECT_EQ(ed().state.tickedBand, 2);
    EXPECT_EQ(ed().table.channelCount(), 5);
}

TEST_F(MainWindowTest, ExchangeLogWindowShowsAndSavesTheBytes) {
    QTemporaryDir dir;
    main->exchangeLog()->begin(QStringLiteral("/dev/pts/9"));
    main->exchangeLog()->add(ExchangeLog::Direction::Sent, 0x1E);
    main->exchangeLog()->add(ExchangeLog::Direction::Received, 0x01);
    main->ExchangeLogItem->trigger();
    ExchangeLogWindow *w = main->exchangeLogWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    const QStringList lines = w->text->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("открытие порта /dev/pts/9")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("->  1E")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("<-  01")));
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    op.saveAnswers << path;
    w->saveButton->click();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), main->exchangeLog()->text());
    // A folder that cannot be written is a message, not a crash.
    op.saveAnswers << dir.filePath(QStringLiteral("no/such/folder/log.txt"));
    op.clear();
    w->saveButton->click();
    EXPECT_EQ(op.messages.size(), 1);
    w->clearButton->click();
    EXPECT_TRUE(w->text->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, TabWalksTheTemplateAndLeavesTheSettingsText) {
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    main->CreateTemplateClick();
    QApplication::processEvents();
    QStringList walk{QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString()};
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walk << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(walk, (QStringList{"Edit1", "Edit2", "Edit3", "BitBtn1"}));
    // The keyboard alone makes the template.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    ASSERT_EQ(ed().table.rowCount(), 11);
    // Tab in the general settings moves on instead of putting a tab into a setting.
    main->Memo1->setFocus();
    const QString before = main->Memo1->toPlainText();
    QTest::keyClick(main->Memo1, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), main->Memo1);
    EXPECT_EQ(main->Memo1->toPlainText(), before);
}

// Every file the window writes, with the disk failing at each step: one message naming the
// file, the old file byte for byte, no temporary file left.
TEST_F(MainWindowTest, WindowWritersKeepTheOldFileOnAFailingDisk) {
    makeTemplate(QStringLiteral("3"));
    main->exchangeLog()->begin(QStringLiteral("/dev/pts/9"));
    main->exchangeLog()->add(ExchangeLog::Direction::Sent, 0x1E);
    main->ExchangeLogItem->trigger();
    struct Writer {
        const char *name;
        std::function<void()> save;
    };
    const Writer writers[] = {
        {"Запись в файл", [&] { main->N3Click(); }},
        {"CSV export", [&] { main->ExportCsvClick(); }},
        {"exchange log", [&] { main->exchangeLogWindow()->saveButton->click(); }},
    };
    const LateDiskFault::Call steps[] = {LateDiskFault::Write, LateDiskFault::Fsync, LateDiskFault::Close,
                                         LateDiskFault::Rename};
    for (const Writer &w : writers) {
        for (const LateDiskFault::Call step : steps) {
            for (const int err : {ENOSPC, EIO, EACCES}) {
                const std::string name = std::string(w.name) + ", step " + std::to_string(step) + ", errno " +
                                         std::to_string(err);
                QTemporaryDir dir;
                const QString target = dir.filePath(QStringLiteral("target"));
                QFile f(target);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write("old");
                f.close();
                op.clear();
                op.saveAnswers << target;
                {
                    const LateDiskFault fault(step, 1, 1000, err);
                    w.save();
                }
                ASSERT_EQ(op.messages.size(), 1) << name;
                EXPECT_TRUE(op.lastMessage().startsWith(QStringLiteral("Не удалось записать файл ") + target))
                    << name << ": " << op.lastMessage().toStdString();
                ASSERT_TRUE(f.open(QIODevice::ReadOnly));
                EXPECT_EQ(f.readAll(), "old") << name;
                f.close();
                EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"target"}) << name;
            }
        }
    }
}

// A table without channel rows would make a file that loading refuses: it is not saved.
TEST_F(MainWindowTest, TableWithoutChannelsIsNotSaved) {
    makeTemplate(QStringLiteral("3"));
    ed().table.setRowCount(1);
    op.clear();
    QTemporaryDir dir;
    op.saveAnswers << dir.filePath(QStringLiteral("empty.ini"));
    main->N3Click();
    EXPECT_EQ(op.messages,
              QStringList{"В таблице нет ни одного канала: такой файл нельзя будет прочитать снова. Файл не записан."});
    EXPECT_FALSE(op.events.contains(QStringLiteral("save")));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

// "Чтение файла" of a file whose last save was cut off: the earlier version comes back as the
// file's changed table, which its next save puts back (and the copy then stops standing in the
// way); the file as it is comes as any file; Отмена keeps the table on screen.
TEST_F(MainWindowTest, FileWhoseSaveWasCutOffOffersTheEarlierVersion) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Q7KM_10.ini"));
    // A process id no system hands out: the save that left the copy is long gone.
    const QString copy = dir.filePath(QStringLiteral(".Q7KM_10.ini.tolvin-old-999999999-0"));
    const auto tableOf = [&](const QString &count) {
        makeTemplate(count);
        op.saveAnswers << path;
        main->N3Click();
        return readFileBytes(path);
    };
    const QByteArray earlier = tableOf(QStringLiteral("4"));
    const QByteArray cutOff = tableOf(QStringLiteral("2"));
    struct Case {
        const char *name;
        ThreeWayAnswer answer;
        int rows;
        bool modified;
    };
    const Case cases[] = {
        {"earlier version", ThreeWayAnswer::First, 4, true},
        {"file as it is", ThreeWayAnswer::Second, 2, false},
        {"cancel", ThreeWayAnswer::Cancel, 3, false},
    };
    for (const Case &c : cases) {
        makeTemplate(QStringLiteral("3"));
        main->markUnchanged(QString());
        for (const auto &[file, bytes] : {std::pair{copy, earlier}, std::pair{path, cutOff}}) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        }
        op.clear();
        op.threeWayAnswers = {c.answer};
        op.openAnswers << path;
        main->N4Click();
        EXPECT_TRUE(op.messages.isEmpty()) << c.name << ": " << op.lastMessage().toStdString();
        const QString asked = op.events.join('\n');
        EXPECT_TRUE(asked.contains(QStringLiteral("askThreeWay:Запись файла %1 была прервана; прежняя версия сохранена в %2")
                                       .arg(path, copy)) &&
                    asked.endsWith(QStringLiteral(" [Открыть прежнюю версию|Открыть файл как есть]")))
            << c.name << ": " << asked.toStdString();
        EXPECT_EQ(main->StringGrid1->model()->rowCount(), c.rows) << c.name;
        EXPECT_EQ(main->isModified(), c.modified) << c.name;
        EXPECT_EQ(readFileBytes(path), cutOff) << c.name << ": loading changes no file";
        if (c.answer != ThreeWayAnswer::First) {
            EXPECT_EQ(main->fileName(), c.answer == ThreeWayAnswer::Second ? path : QString()) << c.name;
            continue;
        }
        EXPECT_EQ(main->fileName(), path);
        op.saveAnswers << path;
        main->N3Click();
        EXPECT_EQ(op.requests.last().proposedName, QStringLiteral("Q7KM_10.ini"));
        EXPECT_FALSE(main->isModified());
        EXPECT_FALSE(QFileInfo::exists(copy));
    }
}
