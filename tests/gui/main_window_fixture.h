// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The three windows as the program makes them, on the offscreen platform, with a recording
// operator in place of message boxes and dialogs.
#include "Unit1.h"
#include "UnitMain.h"
#include "gui/mnemonics.h"
#include "UnitP.h"
#include "UnitWindows.h"
#include "gui/window_memory.h"
#include "support/recording_operator.h"

#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace tolvin::test {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Each test's window starts at its own size, not where an earlier test left one.
        QFile::remove(windowMemoryPath());
        main = std::make_unique<TFormMain>(op);
        link = std::make_unique<TForm1>(*main);
        report = std::make_unique<TFormProtokol>(*main);
        connectWindows(*main, *link, *report);
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
            l << (a->isSeparator() ? QStringLiteral("-") : plainCaption(a->text()));
        return l;
    }
    QMenu *topMenu(int i) { return main->menuBar()->actions().at(i)->menu(); }
    Editor &ed() { return main->editor(); }

    RecordingOperator op;
    std::unique_ptr<TFormMain> main;
    std::unique_ptr<TForm1> link;
    std::unique_ptr<TFormProtokol> report;
};


} // namespace tolvin::test
