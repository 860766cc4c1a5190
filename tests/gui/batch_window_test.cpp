// SPDX-License-Identifier: GPL-3.0-or-later
// "Серия станций…" against tolvin-sim: what cannot make a series is refused before anything is
// sent, and a station of the series is written with its Id, listed, heard and journaled.
#include "gui/batch_window.h"

#include "common/cp1251.h"
#include "journal/journal.h"
#include "journal/journal_store.h"
#include "support/recording_operator.h"
#include "support/sim_process.h"
#include "support/template_file.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

class BatchWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (simPath().isEmpty())
            GTEST_SKIP() << "tolvin-sim is not built";
        ini = dir.filePath(QStringLiteral("fleet.ini"));
        saveTemplateFile(ini, 2, 12);
        journal = std::make_unique<Journal>(parseJournalPlace(QStringLiteral("sqlite:") + ledger()));
        window = std::make_unique<BatchWindow>(op, journal.get(), ledger());
        window->offer(ini);
    }
    QString ledger() const { return dir.filePath(QStringLiteral("j.sqlite")); }
    void choosePort(const QString &device) {
        window->listPorts({device});
        window->portList->item(0)->setCheckState(Qt::Checked);
    }
    QTemporaryDir dir;
    QString ini;
    RecordingOperator op;
    std::unique_ptr<Journal> journal;
    std::unique_ptr<BatchWindow> window;
};

} // namespace

TEST_F(BatchWindowTest, WhatCannotMakeASeriesIsRefusedBeforeAnythingIsSent) {
    const struct {
        const char *what;
        std::function<void(BatchWindow &)> set;
        const char *said;
    } cases[] = {
        {"no port", [](BatchWindow &) {}, "Отметьте хотя бы один порт"},
        {"a bad Id", [this](BatchWindow &w) { choosePort(QStringLiteral("/dev/null")); w.startEdit->setText(QStringLiteral("00E")); },
         "четырех знаков"},
        {"a plan too short", [this](BatchWindow &w) {
             choosePort(QStringLiteral("/dev/null"));
             w.startEdit->setText(QStringLiteral("****"));
             w.countBox->setValue(3);
         },
         "не хватит на 3"},
        {"no list", [this](BatchWindow &w) { choosePort(QStringLiteral("/dev/null")); w.byList->setChecked(true); },
         "Укажите файл списка"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        c.set(*window);
        window->start();
        EXPECT_FALSE(window->running());
        EXPECT_TRUE(op.lastMessage().contains(QString::fromUtf8(c.said))) << op.lastMessage().toStdString();
        window->byStart->setChecked(true);
        window->startEdit->setText(QStringLiteral("0001"));
        window->countBox->setValue(0);
    }
}

TEST_F(BatchWindowTest, AStationIsWrittenWithItsIdListedAndJournaled) {
    SimProcess sim({});
    ASSERT_FALSE(sim.path.isEmpty());
    choosePort(sim.path);
    window->startEdit->setText(QStringLiteral("00D*"));
    window->countBox->setValue(1);
    window->start();
    ASSERT_TRUE(window->running()) << op.lastMessage().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->running() && window->startButton->isEnabled(); }, 20000));
    ASSERT_EQ(window->stations->rowCount(), 1);
    EXPECT_EQ(window->stations->item(0, 2)->text(), QStringLiteral("00D*"));
    EXPECT_EQ(window->stations->item(0, 3)->text(), QStringLiteral("записана"));
    EXPECT_TRUE(op.events.contains(QStringLiteral("beep")));
    journal->flush();
    JournalStore store(journal->place());
    const std::vector<JournalEntry> entries = store.list({});
    const auto write = std::find_if(entries.begin(), entries.end(), [](const JournalEntry &e) { return e.operation == JournalOp::Write; });
    ASSERT_NE(write, entries.end());
    EXPECT_TRUE(write->message.contains(QStringLiteral("Серия «fleet», Id 00D*"))) << write->message.toStdString();
    EXPECT_TRUE(fromCp1251(store.entry(write->id)->config).contains(QStringLiteral("Id_номер=00D*")));
}
