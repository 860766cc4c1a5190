// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/qt_operator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
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
