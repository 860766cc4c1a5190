// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/differences_window.h"

#include "support/recording_operator.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using tolvin::test::RecordingOperator;

TEST(DifferencesWindow, EveryLineToReadCopyAndSave) {
    RecordingOperator op;
    DifferencesWindow w(op);
    QStringList lines;
    for (int ch = 1; ch <= 111; ++ch)
        lines << QStringLiteral("канал %1: Rx 150000,00 вместо 150006,25").arg(ch);
    const QString heading = QStringLiteral("Станция 070001 отличается от конфигурации (различий: 111):");
    w.showList(heading, lines, QStringLiteral("отличия_070001.txt"));
    EXPECT_EQ(w.heading->text(), heading);
    EXPECT_EQ(w.text->toPlainText().split(QLatin1Char('\n')), lines);
    EXPECT_TRUE(w.text->isReadOnly());
    const QString whole = heading + QLatin1Char('\n') + lines.join(QLatin1Char('\n')) + QLatin1Char('\n');

    w.copyButton->click();
    EXPECT_EQ(QApplication::clipboard()->text(), whole);

    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("отличия.txt"));
    struct Case { const char *what; QString answer; bool written; bool message; };
    const Case cases[] = {
        {"cancelled", QString(), false, false},
        {"saved", saved, true, false},
        // A folder where the file should be: the write fails and says so.
        {"cannot write", dir.path(), false, true},
    };
    for (const Case &c : cases) {
        op.clear();
        op.requests.clear();
        op.saveAnswers = {c.answer};
        w.saveButton->click();
        ASSERT_EQ(op.requests.size(), 1) << c.what;
        EXPECT_EQ(op.requests[0].proposedName, QStringLiteral("отличия_070001.txt")) << c.what;
        EXPECT_EQ(op.requests[0].defaultSuffix, QStringLiteral("txt")) << c.what;
        if (c.written) {
            QFile f(saved);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << c.what;
            EXPECT_EQ(QString::fromUtf8(f.readAll()), whole) << c.what;
        }
        EXPECT_EQ(op.messages.size(), c.message ? 1 : 0) << c.what;
        if (c.message) {
            EXPECT_TRUE(op.lastMessage().startsWith(QStringLiteral("Не удалось записать файл ") + dir.path()))
                << op.lastMessage().toStdString();
        }
    }
}
