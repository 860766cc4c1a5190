// SPDX-License-Identifier: GPL-3.0-or-later
// Fault drills in the link window's own code path, against tolvin-sim on COM1: whatever the
// station does, the exchange ends within a bound with a status or a message, the buttons work
// again, the port is free, a failed write leaves the editor as it was, and the next attempt in
// the same window succeeds.
#include "gui/link_worker.h"
#include "gui/main_window_fixture.h"
#include "layout/general_keys.h"
#include "layout/image_layout.h"
#include "station_link/posix_serial_port.h"
#include "support/sim_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

using namespace tolvin;
using tolvin::test::MainWindowTest;
using tolvin::test::SimProcess;

namespace {

constexpr int HangBoundMs = 30000;

// Everything of the editor a technician could lose, as one comparable text.
QString snapshot(const Editor &ed) {
    QStringList out = ed.memo;
    const EditorState &s = ed.state;
    out << QStringLiteral("%1 %2 %3 %4 %5").arg(s.StationType).arg(s.ModuleType).arg(s.DataChecked).arg(s.title).arg(s.tickedModule);
    for (int r = 0; r < ed.table.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < ColumnCount; ++c)
            row << ed.table.cell(c, r) + (ed.table.flag(c, r) ? "[x]" : "");
        out << row.join(QLatin1Char('|'));
    }
    return out.join(QLatin1Char('\n'));
}

// COM1 is a symbolic link the test points at one station after another, so that one window
// meets a faulty station and then a working one, as a technician swapping cables would.
class LinkWindowDrills : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        link->setOptionsPath(options);
        QFile f(options);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[All]\r\nPort=1\r\nCOM1=%1\r\n").arg(station).toLocal8Bit());
        f.close();
        main->LinkClick();
        ASSERT_EQ(link->selectedDevice(), station);
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        sim.reset();
    }

    void connectStation(const QStringList &simArgs) {
        sim = std::make_unique<SimProcess>(simArgs);
        ASSERT_FALSE(sim->path.isEmpty());
        QFile::remove(station);
        ASSERT_TRUE(QFile::link(sim->path, station));
    }
    void waitForTheEnd(const char *fault) {
        QElapsedTimer t;
        t.start();
        QTRY_VERIFY_WITH_TIMEOUT(!link->exchangeRunning(), HangBoundMs);
        EXPECT_LT(t.elapsed(), HangBoundMs) << fault;
    }
    // The window is ready again and has let go of the device.
    // statusSaysIt: the exchange sets the status itself; a type query that works leaves it as
    // the exchange before left it.
    void expectReady(const char *fault, bool deviceGone, bool statusSaysIt = true) {
        EXPECT_TRUE(link->BitBtn1->isEnabled()) << fault;
        EXPECT_TRUE(link->BitBtn2->isEnabled()) << fault;
        EXPECT_TRUE(link->BitBtn3->isEnabled()) << fault;
        EXPECT_TRUE(link->BitBtn5->isEnabled()) << fault;
        const QString status = link->StaticText1->text();
        EXPECT_TRUE(status == QStringLiteral("- -") || status == QStringLiteral("AK")) << fault << ": " << status.toStdString();
        // A failure is said: either in a message or, for a station that never took part, by
        // the idle status the window always had for it.
        if (status == QStringLiteral("AK") && statusSaysIt) {
            EXPECT_FALSE(op.messages.isEmpty()) << fault;
        }
        for (const QString &m : op.messages)
            EXPECT_LT(m.size(), 600) << fault;
        if (!deviceGone) {
            PosixSerialPort probe;
            EXPECT_NO_THROW(probe.open(station)) << fault << ": the port is still held";
        }
    }

    QTemporaryDir dir;
    QString options = dir.filePath(QStringLiteral("T702Options.ini"));
    QString station = dir.filePath(QStringLiteral("station"));
    std::unique_ptr<SimProcess> sim;
};

struct Drill {
    const char *fault;
    QStringList sim;
    bool fails;       // the exchange cannot succeed against this station
    bool deviceGone;  // the station hangs up
};

} // namespace

TEST_F(LinkWindowDrills, Write) {
    // The stations answer as 7К-62, the band of the table.
    main->BandClick(2);
    makeTemplate(QStringLiteral("3"), QStringLiteral("150000"));
    main->CheckItem->trigger();
    ASSERT_EQ(ed().state.DataChecked, 1);
    const QString before = snapshot(ed());
    // Offsets count every byte the station receives, whatever the window sends before the
    // write itself; each fault lands in the phase it names.
    const Drill drills[] = {
        {"silent", QStringList{"--silent"}, true, false},
        {"stops in the opening", QStringList{"--stop-after", "3"}, true, false},
        {"stops in the header", QStringList{"--stop-after", "9"}, true, false},
        {"stops in the tones", QStringList{"--stop-after", "17"}, true, false},
        {"stops in record 2", QStringList{"--stop-after", "60"}, true, false},
        {"answers garbage", QStringList{"--garble"}, false, false},
        {"hangs up in record 1", QStringList{"--hang-up-after", "40"}, true, true},
        {"sends more than asked", QStringList{"--flood", "5"}, false, false},
    };
    for (const Drill &d : drills) {
        connectStation(d.sim);
        op.clear();
        link->BitBtn2Click();
        waitForTheEnd(d.fault);
        expectReady(d.fault, d.deviceGone);
        if (d.fails) {
            EXPECT_FALSE(op.messages.isEmpty()) << d.fault << ": a failed write always says so";
        }
        EXPECT_EQ(snapshot(ed()), before) << d.fault << ": a write never changes the editor";
        EXPECT_EQ(ed().state.DataChecked, 1) << d.fault;

        connectStation({});
        op.clear();
        link->BitBtn2Click();
        waitForTheEnd(d.fault);
        EXPECT_EQ(link->StaticText1->text(), QStringLiteral("- -")) << d.fault << ": the next attempt";
        EXPECT_TRUE(op.messages.isEmpty()) << d.fault << ": the next attempt: " << op.lastMessage().toStdString();
    }
}

TEST_F(LinkWindowDrills, Read) {
    auto stopAfter = [](int bytes) { return QStringList{QStringLiteral("--stop-sending-after"), QString::number(bytes)}; };
    const Drill drills[] = {
        {"silent", QStringList{"--silent"}, true, false},
        {"stops in the header", stopAfter(ReadPiece::Head - 5), true, false},
        {"stops in the tones", stopAfter(ReadPiece::Head + 5), true, false},
        {"stops in record 3", stopAfter(ReadStreamFixedLength + 2 * RecordSize + 9), true, false},
        {"answers garbage", QStringList{"--garble"}, false, false},
        {"hangs up after the header", QStringList{"--line-rate"}, true, true},
        {"sends more than asked", QStringList{"--flood", "7"}, false, false},
    };
    for (const Drill &d : drills) {
        connectStation(d.sim);
        op.clear();
        QMetaObject::Connection pull;
        if (d.deviceGone)
            pull = QObject::connect(&link->worker(), &LinkWorker::readProgress, [&](int phase, const QByteArray &) {
                if (phase == int(ReadPhase::HeaderArrived))
                    ::kill(pid_t(sim->pid()), SIGKILL); // as when the adapter is pulled
            });
        const QString before = snapshot(ed());
        link->BitBtn3Click();
        waitForTheEnd(d.fault);
        QObject::disconnect(pull);
        expectReady(d.fault, d.deviceGone);
        if (d.fails) {
            EXPECT_EQ(link->StaticText1->text(), QStringLiteral("AK")) << d.fault;
            EXPECT_EQ(op.messages.size(), 1) << d.fault;
        }
        if (d.fault == std::string("sends more than asked")) {
            EXPECT_TRUE(op.messages.isEmpty()) << op.lastMessage().toStdString();
            EXPECT_EQ(ed().table.channelCount(), 4);
        }
        if (d.fails) {
            EXPECT_EQ(snapshot(ed()), before) << d.fault << ": a failed read leaves the editor as it was";
        }
        EXPECT_EQ(ed().state.DataChecked, 0) << d.fault;

        connectStation({});
        op.clear();
        link->BitBtn3Click();
        waitForTheEnd(d.fault);
        EXPECT_EQ(link->StaticText1->text(), QStringLiteral("- -")) << d.fault << ": the next attempt";
        EXPECT_TRUE(op.messages.isEmpty()) << d.fault << ": the next attempt: " << op.lastMessage().toStdString();
        EXPECT_EQ(ed().table.channelCount(), 4) << d.fault << ": the next attempt";
        EXPECT_EQ(ed().memo.size(), 1 + qsizetype(GeneralKeys.size())) << d.fault << ": the next attempt";
    }
}

TEST_F(LinkWindowDrills, TypeQuery) {
    const Drill drills[] = {
        {"silent", QStringList{"--type", "4", "--silent"}, true, false},
        {"stops in the sequence", QStringList{"--type", "4", "--stop-after", "2"}, true, false},
        {"answers garbage", QStringList{"--type", "4", "--garble"}, false, false},
        {"hangs up", QStringList{"--type", "4", "--hang-up-after", "2"}, true, true},
        {"sends more than asked", QStringList{"--type", "4", "--flood", "5"}, false, false},
    };
    for (const Drill &d : drills) {
        main->BandItems[0]->trigger();
        const QString title = main->windowTitle();
        connectStation(d.sim);
        op.clear();
        main->LinkClick();
        link->BitBtn5Click();
        waitForTheEnd(d.fault);
        expectReady(d.fault, d.deviceGone, false);
        EXPECT_FALSE(link->isVisible()) << d.fault << ": the query ends back in the main window";
        if (d.fails) {
            EXPECT_EQ(op.messages.size(), 1) << d.fault;
            EXPECT_EQ(main->windowTitle(), title) << d.fault << ": a failed query changes no band";
        }
        if (d.fault == std::string("sends more than asked")) {
            EXPECT_TRUE(op.messages.isEmpty()) << op.lastMessage().toStdString();
            EXPECT_EQ(main->windowTitle(), QStringLiteral("Толвин 7К-63"));
        }

        connectStation({QStringLiteral("--type"), QStringLiteral("0")});
        op.clear();
        main->LinkClick();
        link->BitBtn5Click();
        waitForTheEnd(d.fault);
        EXPECT_TRUE(op.messages.isEmpty()) << d.fault << ": the next attempt: " << op.lastMessage().toStdString();
        EXPECT_EQ(main->windowTitle(), QStringLiteral("Толвин 7К-62")) << d.fault << ": the next attempt";
    }
}
