// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/qt_operator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <functional>

using namespace tolvin;

namespace {

// Answers the question box once it is up, as a technician would.
void answerWhenShown(std::function<void(QMessageBox &)> answer) {
    QTimer::singleShot(0, [answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        answer(*box);
    });
}

QAbstractButton *buttonNamed(QMessageBox &box, const QString &text) {
    for (QAbstractButton *b : box.buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

TEST(QtOperatorTest, ConfirmIsTrueOnlyForDa) {
    QWidget parent;
    QtOperator op(&parent);
    struct Case {
        const char *name;
        std::function<void(QMessageBox &)> answer;
        bool expected;
    };
    const Case cases[] = {
        {"Да", [](QMessageBox &b) { buttonNamed(b, QStringLiteral("Да"))->click(); }, true},
        {"Нет", [](QMessageBox &b) { buttonNamed(b, QStringLiteral("Нет"))->click(); }, false},
        // A question about stopping or overwriting must not be answered yes by a stray key.
        {"Enter", [](QMessageBox &b) { QTest::keyClick(&b, Qt::Key_Return); }, false},
        {"Esc", [](QMessageBox &b) { QTest::keyClick(&b, Qt::Key_Escape); }, false},
    };
    for (const Case &c : cases) {
        QString text;
        QStringList buttons;
        answerWhenShown([&, answer = c.answer](QMessageBox &box) {
            text = box.text();
            for (QAbstractButton *b : box.buttons())
                buttons << b->text();
            answer(box);
        });
        EXPECT_EQ(op.confirm(QStringLiteral("Прервать?")), c.expected) << c.name;
        EXPECT_EQ(text, QStringLiteral("Прервать?")) << c.name;
        buttons.sort();
        EXPECT_EQ(buttons, (QStringList{QStringLiteral("Да"), QStringLiteral("Нет")})) << c.name;
    }
}

// A pick made with the keys alone, on Russian buttons, starting from the item offered.
TEST(QtOperatorTest, ChooseStartsAtTheOfferedItem) {
    QWidget parent;
    QtOperator op(&parent);
    const QStringList items{QStringLiteral("7К-61"), QStringLiteral("7К-62"), QStringLiteral("7К-63"), QStringLiteral("7К-64")};
    struct Case { const char *name; QList<Qt::Key> keys; int expected; };
    const Case cases[] = {
        {"Enter", {Qt::Key_Return}, 2},
        {"Down, Enter", {Qt::Key_Down, Qt::Key_Return}, 3},
        {"Esc", {Qt::Key_Escape}, -1},
    };
    for (const Case &c : cases) {
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            for (const QPushButton *b : dialog->findChildren<QPushButton *>())
                buttons << b->text();
            auto *list = dialog->findChild<QListView *>();
            ASSERT_NE(list, nullptr);
            for (Qt::Key key : c.keys)
                QTest::keyClick(list, key);
        });
        EXPECT_EQ(op.choose(QStringLiteral("Импорт"), QStringLiteral("Тип радиостанции:"), items, 2), c.expected) << c.name;
        buttons.sort();
        EXPECT_EQ(buttons, (QStringList{QStringLiteral("Выбрать"), QStringLiteral("Отмена")})) << c.name;
    }
}
