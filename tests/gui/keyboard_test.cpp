// SPDX-License-Identifier: GPL-3.0-or-later
// The main window from the keyboard alone: menu letters and shortcuts, the grid's keys and the
// row actions, each as real key presses.
#include "main_window_fixture.h"

#include "gui/cell_editors.h"
#include "gui/differences_window.h"
#include "gui/string_grid.h"
#include "table/lists.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QTemporaryDir>
#include <QUndoStack>
#include <functional>
#include <set>

using namespace tolvin;
using namespace tolvin::test;

namespace {

using KeyboardTest = MainWindowTest;

QChar letterOf(const QString &text) {
    const int at = text.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < text.size() ? text[at + 1].toLower() : QChar();
}

// Every item of the menu (and of its submenus) has a letter no other item of its menu has.
void expectLetters(const QList<QAction *> &items, const QString &where) {
    std::set<QChar> seen;
    for (QAction *a : items) {
        if (a->isSeparator())
            continue;
        const QChar c = letterOf(a->text());
        EXPECT_FALSE(c.isNull()) << where.toStdString() << ": " << a->text().toStdString();
        EXPECT_TRUE(seen.insert(c).second) << where.toStdString() << ": " << a->text().toStdString();
        if (a->menu())
            expectLetters(a->menu()->actions(), plainCaption(a->text()));
    }
}

} // namespace

TEST_F(KeyboardTest, EveryMenuItemHasItsLetterAndTheShortcutsAreThoseOfEveryDesktopProgram) {
    expectLetters(main->menuBar()->actions(), QStringLiteral("menu bar"));
    const std::vector<std::pair<QAction *, const char *>> shortcuts{
        {main->CreateTemplateItem, "Ctrl+N"}, {main->LoadItem, "Ctrl+O"},   {main->SaveItem, "Ctrl+S"},
        {main->SaveAsItem, "Ctrl+Shift+S"},   {main->CheckItem, "F9"},      {main->LinkItem, "Ctrl+L"},
        {main->JournalItem, "Ctrl+J"},        {main->ReportItem, "Ctrl+P"}, {main->ExitItem, "Ctrl+Q"},
        {main->MoveUpItem, "Ctrl+Up"},        {main->MoveDownItem, "Ctrl+Down"},
    };
    for (const auto &[action, keys] : shortcuts)
        EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText).toStdString(), keys)
            << plainCaption(action->text()).toStdString();
}

// F10 opens the first menu (Alt alone too, which the test platform cannot press alone); Alt and a key open the menu whose letter the key carries
// on a Russian keyboard, with the Latin layout on as well; in the menu the same goes for items.
TEST_F(KeyboardTest, MenusOpenFromTheKeyboardInEitherLayout) {
    QMenuBar *bar = main->menuBar();
    const auto closeAll = [] {
        while (QWidget *open = QApplication::activePopupWidget())
            open->close();
        QTest::qWait(20);
    };
    const struct {
        const char *what;
        std::function<void()> keys;
        int menu;  // the bar's item whose menu is open
    } cases[] = {
        {"F10", [&] { QTest::keyClick(main.get(), Qt::Key_F10); }, 0},
        {"Alt+C is С of \"Станция\"", [&] { QTest::keyClick(main.get(), Qt::Key_C, Qt::AltModifier); }, 4},
        {"Alt+R is К of \"Каналы\"", [&] { QTest::keyClick(main.get(), Qt::Key_R, Qt::AltModifier); }, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        c.keys();
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar->actions().at(c.menu)->menu()->isVisible(); }, 1000));
        closeAll();
    }
    // "Каналы" open, then C: the item whose letter is С on that key, "Создать шаблон".
    main->activateWindow();
    QTest::keyClick(main.get(), Qt::Key_R, Qt::AltModifier);
    QMenu *channels = bar->actions().at(0)->menu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return channels->isVisible(); }, 1000));
    QTest::keyClick(channels, Qt::Key_C);
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->Edit1->isVisible(); }, 1000));
    closeAll();
}

// Made, checked, saved, changed and saved again, then the link window: no mouse.
TEST_F(KeyboardTest, ATemplateIsMadeCheckedAndSavedWithoutTheMouse) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keys.ini"));
    QTest::keyClick(main.get(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(main->Edit1->hasFocus());
    QTest::keyClicks(main->Edit1, QStringLiteral("5"));
    QTest::keyClick(main->Edit1, Qt::Key_Return);
    ASSERT_EQ(ed().table.channelCount(), 5);
    ASSERT_TRUE(main->StringGrid1->hasFocus());
    QTest::keyClick(main.get(), Qt::Key_F9);
    EXPECT_EQ(ed().state.DataChecked, 1) << op.lastMessage().toStdString();
    op.saveAnswers << path;
    QTest::keyClick(main.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(op.requests.size(), 1);
    // Its own file now: saved in place, no dialog.
    QTest::keyClick(main->StringGrid1, Qt::Key_Delete);
    QTest::keyClick(main.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(op.requests.size(), 1);
    EXPECT_FALSE(main->isModified());
    QTest::keyClick(main.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(link->isVisible());
}

TEST_F(KeyboardTest, GridKeysPickClearOpenAndMoveRows) {
    struct Case {
        const char *what;
        int col, row;
        std::function<void(QWidget *grid)> keys;
        std::function<void()> expect;
    };
    const auto cell = [this](int col, int row) { return ed().table.cell(col, row); };
    const std::vector<Case> cases{
        {"two digits typed quickly pick the two-digit item", ColTime, 2,
         [](QWidget *g) { QTest::keyClicks(g, QStringLiteral("12")); },
         [&] { EXPECT_EQ(cell(ColTime, 2), QStringLiteral("12")); EXPECT_EQ(cell(ColTime, 3), QStringLiteral("Нет")); }},
        {"a digit on a list cell stays in its row", ColNoise, 2, [](QWidget *g) { QTest::keyClicks(g, QStringLiteral("3")); },
         [&] {
             EXPECT_EQ(cell(ColNoise, 2), QStringLiteral("3"));
             EXPECT_EQ(main->StringGrid1->currentRow(), 2);
         }},
        {"a letter of another list's item", ColTxOff, 1, [](QWidget *g) { QTest::keyClicks(g, QStringLiteral("o")); },
         [&] { EXPECT_EQ(cell(ColTxOff, 1), QStringLiteral("OFF")); }},
        {"Enter opens the cell's list", ColPmax, 1, [](QWidget *g) { QTest::keyClick(g, Qt::Key_Return); },
         [&] {
             QComboBox *open = main->cellEditors->visibleList();
             ASSERT_NE(open, nullptr);
             EXPECT_TRUE(open->view()->isVisible());
             open->hidePopup();
         }},
        {"Delete clears the selected frequencies, one undo step", ColRx, 1,
         [this](QWidget *g) {
             main->StringGrid1->selectionModel()->select(
                 QItemSelection(main->StringGrid1->model()->index(0, ColRx), main->StringGrid1->model()->index(2, ColTx)),
                 QItemSelectionModel::ClearAndSelect);
             QTest::keyClick(g, Qt::Key_Delete);
         },
         [&] {
             EXPECT_TRUE(cell(ColRx, 1).isEmpty());
             EXPECT_TRUE(cell(ColTx, 3).isEmpty());
             EXPECT_FALSE(cell(ColRx, 4).isEmpty());
             main->undoStack()->undo();
             EXPECT_FALSE(cell(ColTx, 3).isEmpty());
         }},
        {"Ctrl+Down moves the selected block, one undo step", ColRx, 1,
         [this](QWidget *g) {
             main->StringGrid1->selectionModel()->select(
                 QItemSelection(main->StringGrid1->model()->index(0, 0), main->StringGrid1->model()->index(1, ColumnCount - 1)),
                 QItemSelectionModel::ClearAndSelect);
             QTest::keyClick(g, Qt::Key_Down, Qt::ControlModifier);
         },
         [&] {
             EXPECT_EQ(cell(ColNumber, 1), QStringLiteral("3"));
             EXPECT_EQ(main->StringGrid1->selectedRows(), std::make_pair(2, 3));
             EXPECT_TRUE(main->isModified());
             main->undoStack()->undo();
             EXPECT_EQ(cell(ColNumber, 1), QStringLiteral("1"));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        makeTemplate(QStringLiteral("5"));
        // A list's drop-down of the case before took the window's activation with it.
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        main->StringGrid1->pointAt(c.col, c.row);
        c.keys(main->StringGrid1);
        c.expect();
        QTest::qWait(QApplication::keyboardInputInterval() + 50);
    }
}

TEST_F(KeyboardTest, ATableIsComparedWithAFileInTheDifferencesWindow) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fleet.ini"));
    makeTemplate(QStringLiteral("5"));
    op.saveAnswers << path;
    main->SaveAsClick();
    op.openAnswers << path;
    main->CompareClick();
    EXPECT_EQ(op.lastMessage(), QStringLiteral("Таблица совпадает с файлом fleet.ini"));
    ed().table.setCell(ColRx, 2, ed().table.cell(ColRx, 1));
    op.openAnswers << path;
    main->CompareClick();
    auto *window = main->findChild<DifferencesWindow *>();
    ASSERT_NE(window, nullptr) << op.lastMessage().toStdString();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->fullText().contains(QStringLiteral("канал 2"))) << window->fullText().toStdString();
}
