// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main_window_fixture.h"
#include "gui/string_grid.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace tolvin;
using tolvin::test::MainWindowTest;

namespace {

class RepeaterPanelTest : public MainWindowTest {
protected:
    void checkedTemplate() {
        makeTemplate(QStringLiteral("10"));
        main->CheckItem->trigger();
        ASSERT_EQ(op.lastMessage(), QStringLiteral("Все данные введены верно."));
        op.clear();
    }
    // What the grid shows in a channel row.
    QString shown(int col, int row) {
        return main->StringGrid1->model()->data(main->StringGrid1->model()->index(row - 1, col)).toString();
    }
    int scanShown(int row) {
        return main->StringGrid1->model()->data(main->StringGrid1->model()->index(row - 1, ColScan), Qt::CheckStateRole).toInt();
    }
    void press(const char *channel, QRadioButton *mode) {
        main->Edit4->clear();
        QTest::keyClicks(main->Edit4, QString::fromLatin1(channel));
        mode->click();
        main->RepeaterWriteButton->click();
    }
};

} // namespace

TEST_F(RepeaterPanelTest, WriteMarksThePressedChannelAndAsksForANewCheck) {
    makeTemplate(QStringLiteral("10"));
    main->RepeaterItem->trigger();
    EXPECT_EQ(op.messages, QStringList{"Прежде чем производить настройку рентраслятора проверьте введеные данные !!!"});
    EXPECT_FALSE(main->Panel3->isVisible());

    checkedTemplate();
    main->RepeaterItem->trigger();
    ASSERT_TRUE(main->Panel3->isVisible());

    press("5", main->RadioReceive);
    EXPECT_TRUE(op.messages.isEmpty());
    EXPECT_EQ(shown(ColTx, 5), QStringLiteral("РЕТР_ПР"));
    EXPECT_EQ(shown(ColRx, 5), QStringLiteral("34000"));
    EXPECT_EQ(scanShown(5), Qt::Unchecked);
    EXPECT_EQ(ed().state.DataChecked, 0);
    EXPECT_TRUE(main->Panel3->isVisible()); // the open panel can be used again

    press("7", main->RadioReceive);
    press("5", main->RadioTransmit);
    EXPECT_EQ(shown(ColTx, 5), QStringLiteral("34000"));
    EXPECT_EQ(shown(ColRx, 5), QStringLiteral("РЕТР_ПП"));
    EXPECT_EQ(shown(ColTx, 7), QStringLiteral("РЕТР_ПР"));

    main->Edit4->clear();
    main->RepeaterWriteButton->click();
    EXPECT_EQ(op.messages, QStringList{"Вы не указали номер канала !!!"});

    // The table as marked passes a new check; the menu asks for one first.
    op.clear();
    main->RepeaterCloseButton->click();
    EXPECT_FALSE(main->Panel3->isVisible());
    main->RepeaterItem->trigger();
    EXPECT_FALSE(main->Panel3->isVisible());
    main->CheckItem->trigger();
    EXPECT_EQ(op.lastMessage(), QStringLiteral("Все данные введены верно."));
}
