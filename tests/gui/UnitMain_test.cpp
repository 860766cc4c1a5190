#include "Unit1.h"
#include "UnitMain.h"
#include "UnitP.h"
#include "gui/cell_editors.h"
#include "gui/string_grid.h"
#include "support/recording_operator.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace tolvin;
using tolvin::test::RecordingOperator;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        main = std::make_unique<TFormMain>(op);
        link = std::make_unique<TForm1>(*main);
        report = std::make_unique<TFormProtokol>(*main);
        main->setLinkWindow(link.get());
        main->setReportWindow(report.get());
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    }
    void TearDown() override {
        report.reset();
        link.reset();
        main.reset();
    }

    void makeTemplate(const QString &count, const QString &start = {}) {
        main->CreateTemplateClick();
        main->Edit1->setText(count);
        if (!start.isEmpty())
            main->Edit2->setText(start);
        main->BitBtn1Click();
    }
    QStringList menuCaptions(QMenu *menu) {
        QStringList l;
        for (QAction *a : menu->actions())
            l << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return l;
    }
    QMenu *topMenu(int i) { return main->menuBar()->actions().at(i)->menu(); }
    Editor &ed() { return main->editor(); }

    RecordingOperator op;
    std::unique_ptr<TFormMain> main;
    std::unique_ptr<TForm1> link;
    std::unique_ptr<TFormProtokol> report;
};

} // namespace

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
    EXPECT_EQ(main->minimumSize(), main->maximumSize()); // not resizable
    EXPECT_EQ(main->StringGrid1->size(), QSize(787, 235));
    EXPECT_EQ(main->Memo1->size(), QSize(280, 145));
}

TEST_F(MainWindowTest, MenuCaptions) {
    QStringList top;
    for (QAction *a : main->menuBar()->actions())
        top << a->text();
    EXPECT_EQ(top, (QStringList{"Каналы", "Доп. оборудование", "Ретранслятор", "Контроль", "Станция", "Выход"}));
    EXPECT_EQ(menuCaptions(topMenu(0)), (QStringList{"Создать шаблон", "-", "Запись в файл", "Чтение файла"}));
    QMenu *modules = topMenu(1)->actions().at(0)->menu();
    EXPECT_EQ(topMenu(1)->actions().at(0)->text(), QStringLiteral("Модули "));
    EXPECT_EQ(menuCaptions(modules),
              (QStringList{"Нет модуля", "Маскиратор 09ЛМ300-02Д", "Модуль Стройлинк", "Маскиратор Ферсан",
                           "Маскиратор типа \"Тамбра\"", "Маскиратор 09ЛМ027Д"}));
    EXPECT_EQ(menuCaptions(topMenu(4)), (QStringList{"Создать протокол", "-", "Запись/Чтение данных", "Тип радиостанции"}));
    EXPECT_EQ(menuCaptions(topMenu(4)->actions().at(3)->menu()),
              (QStringList{"33-48,5 МГц", "57-57,5 МГц", "144-174 МГц", "300-350 МГц", "400-470 Мгц"}));
    EXPECT_EQ(main->CheckItem->toolTip(), QStringLiteral("Проверка введенных данных"));
}

TEST_F(MainWindowTest, BandItems) {
    struct Case { int item; const char16_t *title; const char *start; int low, high; uint8_t type; };
    const Case cases[] = {
        {2, u"Толвин 7К-62", "140000", 140000, 174000, 0},
        {3, u"Толвин 7К-63", "300000", 300000, 350000, 4},
        {4, u"Толвин 7К-64", "400000", 400000, 486000, 3},
        {0, u"Толвин 7К-61", "30000", 30000, 60000, 1},
    };
    makeTemplate(QStringLiteral("5"));
    ASSERT_TRUE(main->StringGrid1->isVisible());
    for (const auto &c : cases) {
        main->BandItems[c.item]->trigger();
        EXPECT_EQ(main->windowTitle(), QString::fromUtf16(c.title));
        EXPECT_EQ(main->Edit2->text(), QString::fromLatin1(c.start));
        EXPECT_EQ(ed().state.bandSettings.BandLow, c.low);
        EXPECT_EQ(ed().state.bandSettings.BandHigh, c.high);
        EXPECT_EQ(ed().state.StationType, c.type);
        EXPECT_TRUE(main->BandItems[c.item]->isChecked());
        int ticked = 0;
        for (QAction *a : main->BandItems)
            ticked += a->isChecked();
        EXPECT_EQ(ticked, 1);
        EXPECT_FALSE(main->Panel1->isVisible());
    }
    // The inert item changes nothing.
    main->BandItems[1]->trigger();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Толвин 7К-61"));
    EXPECT_TRUE(main->BandItems[0]->isChecked());
    EXPECT_FALSE(main->BandItems[1]->isChecked());
}

TEST_F(MainWindowTest, TemplateOnTheSecondBand) {
    main->BandItems[2]->trigger();
    makeTemplate(QStringLiteral("3"), QStringLiteral("173000"));
    EXPECT_TRUE(op.messages.isEmpty()) << op.lastMessage().toStdString();
    EXPECT_TRUE(main->Memo1->isVisible());
    EXPECT_TRUE(main->StringGrid1->isVisible());
    EXPECT_EQ(ed().table.cell(ColRx, 3), QStringLiteral("174000"));
    EXPECT_EQ(main->Memo1->toPlainText().split('\n').size(), 26);
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
        {ColSpacing, u"20", 6, 0}, {ColTime, u"15", 7, 15}, {ColTxOff, u"OFF", 8, 2},
    };
    for (const auto &c : cases) {
        ed().table.setCell(c.col, 3, QString::fromUtf16(c.text));
        main->StringGrid1->setCurrentCell(ColNumber, 1);
        main->StringGrid1->setCurrentCell(c.col, 3);
        QComboBox *box = main->cellEditors->list(c.list);
        EXPECT_TRUE(box->isVisible()) << c.col;
        EXPECT_EQ(box->currentIndex(), c.item) << c.col;
        EXPECT_EQ(main->cellEditors->visibleList(), box);
        // Leaving without a choice writes the preselected item back.
        main->listLeft(c.list);
        EXPECT_FALSE(box->isVisible());
        EXPECT_EQ(ed().table.cell(c.col, 3), box->itemText(c.item)) << c.col;
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
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("'1x' is not a valid integer value")});
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
    EXPECT_EQ(ed().state.image.header[5], 3);
    ed().table.setCell(ColRx, 1, QStringLiteral("1"));
    op.clear();
    main->RepeaterItem->trigger();
    EXPECT_TRUE(op.messages.isEmpty());
    EXPECT_TRUE(main->Panel3->isVisible());
    main->RepeaterCloseButton->click();
    EXPECT_FALSE(main->Panel3->isVisible());
    link->BitBtn2Click();
    EXPECT_TRUE(op.messages.isEmpty());

    // A cell that is not a number ends the check with the conversion error, unchecked.
    ed().table.setCell(ColRx, 1, QStringLiteral("3x"));
    main->CheckItem->trigger();
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("'3x' is not a valid floating point value")});
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
