// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/cell_editors.h"
#include "gui/main_window_fixture.h"
#include "gui/string_grid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvin;
using tolvin::test::MainWindowTest;

namespace {

class ListTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        makeTemplate(QStringLiteral("10"));
    }
    QComboBox *openOn(int col, int row) {
        main->StringGrid1->setFocus();
        main->StringGrid1->setCurrentCell(col, row);
        QApplication::processEvents();
        return main->cellEditors->visibleList();
    }
    QString cell(int col, int row) { return ed().table.cell(col, row); }
};

} // namespace

TEST_F(ListTest, FirstDropDownStaysOpen) {
    QComboBox *box = openOn(ColCtcRx, 1);
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box, main->cellEditors->list(1));
    // What Qt really does on the first opening of a list.
    box->showPopup();
    QApplication::processEvents();
    EXPECT_TRUE(box->view()->isVisible());
    EXPECT_TRUE(box->isVisible());
    // The two focus-outs of a first popup, in Qt's order, while the popup is up.
    for (Qt::FocusReason reason : {Qt::PopupFocusReason, Qt::ActiveWindowFocusReason, Qt::OtherFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(box, &out);
        EXPECT_TRUE(box->isVisible()) << reason;
    }
    EXPECT_EQ(cell(ColCtcRx, 1), QStringLiteral("Нет"));
    // Picking in the drop-down writes the item.
    box->view()->setCurrentIndex(box->model()->index(5, 0));
    QTest::keyClick(box->view(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(cell(ColCtcRx, 1), QStringLiteral("88,5"));
    EXPECT_FALSE(box->isVisible());
}

TEST_F(ListTest, ClosingTheDropDownWithoutPickingKeepsTheList) {
    QComboBox *box = openOn(ColDcsRx, 2);
    ASSERT_NE(box, nullptr);
    box->showPopup();
    QApplication::processEvents();
    box->hidePopup();
    QApplication::processEvents();
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(cell(ColDcsRx, 2), QStringLiteral("Нет"));
    // Going elsewhere leaves the list; the cell is as it was.
    main->Memo1->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(cell(ColDcsRx, 2), QStringLiteral("Нет"));
}

TEST_F(ListTest, TextsNotInTheListAreNeverReplaced) {
    struct Case { int col; const char16_t *text; };
    const Case cases[] = {
        {ColCtcRx, u"99,9"}, {ColDcsTx, u"999"}, {ColTxOff, u"off"}, {ColSpacing, u"20"},
        {ColPmax, u"9"}, {ColToneRx, u"11"}, {ColTime, u"16"}, {ColNoise, u"0"},
    };
    for (const Case &c : cases) {
        // An earlier cell leaves the list on one of its items.
        QComboBox *earlier = openOn(c.col, 1);
        ASSERT_NE(earlier, nullptr);
        earlier->setCurrentIndex(1);
        Q_EMIT earlier->activated(1);
        ed().table.setCell(c.col, 4, QString::fromUtf16(c.text));
        QComboBox *box = openOn(c.col, 4);
        ASSERT_EQ(box, earlier);
        EXPECT_EQ(box->currentIndex(), -1) << c.col;
        main->Memo1->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_FALSE(box->isVisible());
        EXPECT_EQ(cell(c.col, 4), QString::fromUtf16(c.text)) << c.col;
    }
}

TEST_F(ListTest, ArrowKeysMoveThroughTheGridNotThroughTheList) {
    const QString before = ed().table.cell(ColCtcRx, 1) + ed().table.cell(ColCtcRx, 2) + ed().table.cell(ColCtcRx, 3);
    main->StringGrid1->setFocus();
    main->StringGrid1->setCurrentCell(ColTx, 1);
    QApplication::processEvents();
    // Right lands on a list column; Down, Down would step the list through "67,0" and "71,9".
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Down}) {
        QWidget *target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key);
        QApplication::processEvents();
    }
    EXPECT_EQ(main->StringGrid1->currentCol(), ColCtcRx);
    EXPECT_EQ(main->StringGrid1->currentRow(), 3);
    EXPECT_EQ(ed().table.cell(ColCtcRx, 1) + ed().table.cell(ColCtcRx, 2) + ed().table.cell(ColCtcRx, 3), before);
    // Up and Left go back the same way; Escape closes the list unchanged.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(main->StringGrid1->currentCol(), ColTx);
    EXPECT_EQ(main->StringGrid1->currentRow(), 2);
    QComboBox *box = openOn(ColTime, 2);
    ASSERT_NE(box, nullptr);
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(cell(ColTime, 2), QStringLiteral("Нет"));
    // Typed letters are a choice, as on any list.
    box = openOn(ColTxOff, 2);
    ASSERT_NE(box, nullptr);
    QTest::keyClicks(box, QStringLiteral("R"));
    EXPECT_EQ(cell(ColTxOff, 2), QStringLiteral("RSSI"));
}

TEST_F(ListTest, DropDownsFitTheirItems) {
    for (int n = 1; n <= 8; ++n) {
        QComboBox *box = main->cellEditors->list(n);
        int widest = 0;
        for (int i = 0; i < box->count(); ++i)
            widest = qMax(widest, box->view()->fontMetrics().horizontalAdvance(box->itemText(i)));
        EXPECT_GT(box->view()->minimumWidth(), widest) << n;
    }
    QComboBox *box = openOn(ColDcsRx, 1);
    ASSERT_NE(box, nullptr);
    box->showPopup();
    QApplication::processEvents();
    const int rowHeight = box->view()->sizeHintForRow(0);
    EXPECT_LE(box->view()->height(), rowHeight * 14) << "about 12 items, not the whole screen";
    EXPECT_GE(box->view()->height(), rowHeight * 8);
    box->hidePopup();
}

TEST_F(ListTest, EscapeOnAnOpenDropDownChangesNothing) {
    QComboBox *box = openOn(ColCtcRx, 2);
    ASSERT_NE(box, nullptr);
    box->showPopup();
    QApplication::processEvents();
    ASSERT_TRUE(box->view()->isVisible());
    // Moving through the items is not a pick.
    QTest::keyClick(box->view(), Qt::Key_Down);
    QTest::keyClick(box->view(), Qt::Key_Down);
    QTest::keyClick(box->view(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(box->view()->isVisible());
    EXPECT_EQ(cell(ColCtcRx, 2), QStringLiteral("Нет"));
    // A second Escape leaves the list, still without writing.
    QTest::keyClick(box, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(cell(ColCtcRx, 2), QStringLiteral("Нет"));
}
