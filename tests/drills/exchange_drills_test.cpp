// SPDX-License-Identifier: GPL-3.0-or-later
// Fault drills of the three exchanges against tolvin-sim on a real pseudo-terminal: a station
// that is silent, stops answering at every phase, answers garbage, hangs up, or sends more than
// asked. Every exchange ends within a bound, says what happened, releases the port, and the
// same port object then serves a healthy station.
#include "check/data_check.h"
#include "station_link/exchanges.h"
#include "layout/image_layout.h"
#include "station_link/posix_serial_port.h"
#include "station_link/read_into_editor.h"
#include "sim/station_memory.h"
#include "support/link_support.h"
#include "support/qt_printers.h"
#include "support/recording_operator.h"
#include "support/sim_process.h"
#include "table/template.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>

using namespace tolvin;
using namespace tolvin::test;

namespace {

// Long enough for any of these exchanges at full speed, short enough to catch a hang.
constexpr qint64 HangBoundMs = 15000;

// What the window would show, and a read's editor as the window fills it.
struct DrillObserver : RecordingObserver {
    Editor editor;
    std::function<void(ReadPhase)> onPhase;
    void readProgress(ReadPhase p, const QByteArray &stream) override {
        applyReadPhase(editor, p, stream);
        if (onPhase)
            onPhase(p);
    }
    QString lastStatus() const { return events.filter(QStringLiteral("status:")).value(events.filter(QStringLiteral("status:")).size() - 1); }
};

StreamImage checkedImage(int band, int channels) {
    Editor ed;
    selectBand(ed, band);
    ed.templ = {QString::number(channels), QString::number(bandRow(band).settings.BandLow), QStringLiteral("25")};
    RecordingOperator op;
    EXPECT_TRUE(createTemplate(ed, op));
    EXPECT_TRUE(runDataCheck(ed, op)) << op.lastMessage().toStdString();
    return StreamImage{ed.state.image, ed.state.ModuleType, ed.state.StationType};
}

// Runs a drill's exchange; whatever the fault, it must end within the bound.
ExchangeResult withinBound(const char *fault, const std::function<ExchangeResult()> &exchange) {
    QElapsedTimer t;
    t.start();
    const ExchangeResult r = exchange();
    EXPECT_LT(t.elapsed(), HangBoundMs) << fault;
    return r;
}

// The next attempt, with the same port object, against a station that works.
void nextAttemptSucceeds(PosixSerialPort &port, const std::function<ExchangeResult(SerialPort &, const QString &, LinkObserver &)> &exchange,
                         const char *drill) {
    SimProcess healthy({});
    ASSERT_FALSE(healthy.path.isEmpty());
    RecordingObserver obs;
    const ExchangeResult r = exchange(port, healthy.path, obs);
    EXPECT_TRUE(r.ok()) << drill << ": the next attempt: " << r.message.toStdString();
    EXPECT_FALSE(port.isOpen()) << drill;
}

} // namespace

TEST(ExchangeDrills, Write) {
    // Three channels, after the opening (1 byte for type 0, 5 for type 1).
    const StreamImage type0 = checkedImage(2, 3);
    const int total = WriteStreamFixedLength + RecordSize * 3;
    const StreamImage type1 = checkedImage(1, 3);
    struct Drill {
        const char *fault;
        QStringList sim;
        const StreamImage *image;
        ExchangeOutcome outcome;
        const char *status;
        QString message;   // empty: any, as long as a failure has one
        bool portError;
    };
    const QString noAnswer = QStringLiteral("Станция не ответила на запрос записи");
    auto byte = [total](int n) {
        return QStringLiteral("Запись прервана на байте %1 из %2: станция записана не полностью. Станция не ответила")
            .arg(n)
            .arg(total);
    };
    const Drill drills[] = {
        {"silent", QStringList{"--silent"}, &type0, ExchangeOutcome::QuietStop, "- -", noAnswer, false},
        {"stops in the one-byte opening", QStringList{"--stop-after", "0"}, &type0, ExchangeOutcome::QuietStop, "- -", noAnswer, false},
        {"stops in the five-byte opening", QStringList{"--stop-after", "2"}, &type1, ExchangeOutcome::QuietStop, "- -", noAnswer, false},
        {"stops in the header", QStringList{"--stop-after", "3"}, &type0, ExchangeOutcome::Failed, "AK", byte(3), false},
        {"stops in the tones", QStringList{"--stop-after", "11"}, &type0, ExchangeOutcome::Failed, "AK", byte(11), false},
        {"stops in record 1", QStringList{"--stop-after", "35"}, &type0, ExchangeOutcome::Failed, "AK", byte(35), false},
        {"stops in record 2", QStringList{"--stop-after", "53"}, &type0, ExchangeOutcome::Failed, "AK", byte(53), false},
        {"stops at the last byte", {QStringLiteral("--stop-after"), QString::number(total)}, &type0, ExchangeOutcome::Failed,
         "AK", byte(total), false},
        {"answers garbage", QStringList{"--garble"}, &type0, ExchangeOutcome::Done, "- -", {}, false},
        {"hangs up in record 1", QStringList{"--hang-up-after", "35"}, &type1, ExchangeOutcome::Failed, "AK", {}, true},
        {"sends more than asked", QStringList{"--flood", "5"}, &type0, ExchangeOutcome::Done, "- -", {}, false},
    };
    auto write = [](const StreamImage &image) {
        return [&image](SerialPort &port, const QString &device, LinkObserver &obs) {
            return writeToStation(port, device, obs, image);
        };
    };
    for (const Drill &d : drills) {
        SimProcess sim(d.sim);
        ASSERT_FALSE(sim.path.isEmpty()) << d.fault;
        PosixSerialPort port;
        DrillObserver obs;
        const ExchangeResult r = withinBound(d.fault, [&] { return writeToStation(port, sim.path, obs, *d.image); });
        EXPECT_EQ(r.outcome, d.outcome) << d.fault << ": " << r.message.toStdString();
        if (!d.message.isEmpty()) {
            EXPECT_EQ(r.message, d.message) << d.fault;
        }
        if (r.outcome != ExchangeOutcome::Done) {
            EXPECT_FALSE(r.message.isEmpty()) << d.fault;
        }
        EXPECT_EQ(r.portError, d.portError) << d.fault;
        if (d.portError) {
            EXPECT_TRUE(r.message.contains(QStringLiteral("потеряна"))) << r.message.toStdString();
            // The hang-up's count takes in the five opening bytes.
            EXPECT_TRUE(r.message.startsWith(
                QStringLiteral("Запись прервана на байте 30 из %1: станция записана не полностью. ").arg(total)))
                << r.message.toStdString();
        }
        EXPECT_EQ(obs.lastStatus(), QStringLiteral("status:") + QString::fromUtf8(d.status)) << d.fault;
        EXPECT_EQ(obs.events.last(), QStringLiteral("buttons:1")) << d.fault;
        EXPECT_FALSE(port.isOpen()) << d.fault;
        nextAttemptSucceeds(port, write(*d.image), d.fault);
    }
}

TEST(ExchangeDrills, WriteToAStationThatSendsMoreThanAskedStoresTheImage) {
    // Each acknowledgement belongs to its own byte: what the station stored reads back unchanged.
    const StreamImage image = checkedImage(2, 12);
    SimProcess sim(QStringList{"--flood", "3"});
    PosixSerialPort port;
    RecordingObserver obs;
    ASSERT_TRUE(writeToStation(port, sim.path, obs, image).ok());
    const ExchangeResult back = readFromStation(port, sim.path, obs);
    ASSERT_TRUE(back.ok()) << back.message.toStdString();
    StreamImage stored;
    decodeReadStream(back.stream, stored);
    EXPECT_EQ(encodeWriteStream(stored), encodeWriteStream(image));
}

TEST(ExchangeDrills, Read) {
    // The default station memory: 4 channels. Before the tones the settings text shows its
    // section, the serial number and Id.
    struct Drill {
        const char *fault;
        QStringList sim;
        ExchangeOutcome outcome;
        QString message;
        int memoLines;       // what the settings text holds afterwards; -1: any
        int rows;            // rows of the table afterwards; -1: any
        bool killAtHeader;   // the device goes away once the header arrived
    };
    const int startRows = Editor().table.rowCount();
    auto silent = [](const char *what) { return QStringLiteral("Станция не ответила: ") + QString::fromUtf8(what); };
    auto stopAfter = [](int bytes) { return QStringList{QStringLiteral("--stop-sending-after"), QString::number(bytes)}; };
    const Drill drills[] = {
        {"silent", QStringList{"--silent"}, ExchangeOutcome::Failed, silent("заголовок"), 1, startRows, false},
        {"stops in the header", stopAfter(ReadPiece::Head - 5), ExchangeOutcome::Failed, silent("заголовок"), 1, startRows, false},
        {"stops in the tones", stopAfter(ReadPiece::Head + 5), ExchangeOutcome::Failed, silent("тон 6"), 3 + 5, startRows, false},
        {"stops in the settings", stopAfter(ReadPiece::Head + ReadPiece::Tones + 4), ExchangeOutcome::Failed, silent("установки"),
         3 + ReadPiece::Tones, startRows, false},
        {"stops in record 1", stopAfter(ReadStreamFixedLength + 9), ExchangeOutcome::Failed, silent("канал 1 из 4"), -1, 5, false},
        {"stops in record 2", stopAfter(ReadStreamFixedLength + RecordSize + 9), ExchangeOutcome::Failed, silent("канал 2 из 4"), -1,
         5, false},
        {"stops in record 3", stopAfter(ReadStreamFixedLength + 2 * RecordSize + 9), ExchangeOutcome::Failed, silent("канал 3 из 4"),
         -1, 5, false},
        {"stops in record 4", stopAfter(ReadStreamFixedLength + 4 * RecordSize - 1), ExchangeOutcome::Failed, silent("канал 4 из 4"),
         -1, 5, false},
        {"hangs up after the header", QStringList{"--line-rate"}, ExchangeOutcome::Failed, {}, -1, -1, true},
        {"sends more than asked", QStringList{"--flood", "7"}, ExchangeOutcome::Done, {}, -1, 5, false},
    };
    auto read = [](SerialPort &port, const QString &device, LinkObserver &obs) { return readFromStation(port, device, obs); };
    for (const Drill &d : drills) {
        SimProcess sim(d.sim);
        ASSERT_FALSE(sim.path.isEmpty()) << d.fault;
        PosixSerialPort port;
        DrillObserver obs;
        if (d.killAtHeader)
            obs.onPhase = [&](ReadPhase p) {
                if (p == ReadPhase::HeaderArrived)
                    ::kill(pid_t(sim.pid()), SIGKILL); // as when the adapter is pulled
            };
        const ExchangeResult r = withinBound(d.fault, [&] { return readFromStation(port, sim.path, obs); });
        EXPECT_EQ(r.outcome, d.outcome) << d.fault << ": " << r.message.toStdString();
        if (!d.message.isEmpty()) {
            EXPECT_EQ(r.message, d.message) << d.fault;
        }
        if (d.killAtHeader) {
            EXPECT_TRUE(r.portError) << d.fault;
            EXPECT_TRUE(r.message.contains(QStringLiteral("потеряна"))) << r.message.toStdString();
        }
        EXPECT_EQ(obs.lastStatus(), r.ok() ? QStringLiteral("status:- -") : QStringLiteral("status:AK")) << d.fault;
        EXPECT_EQ(obs.events.last(), QStringLiteral("buttons:1")) << d.fault;
        EXPECT_FALSE(port.isOpen()) << d.fault;
        // The editor holds what arrived before the fault, and nothing else.
        EXPECT_EQ(obs.editor.memo.value(0), QStringLiteral("[Общие установки]")) << d.fault;
        if (d.memoLines >= 0) {
            EXPECT_EQ(obs.editor.memo.size(), d.memoLines) << d.fault;
        }
        if (d.rows >= 0) {
            EXPECT_EQ(obs.editor.table.rowCount(), d.rows) << d.fault;
        }
        if (r.ok()) {
            EXPECT_EQ(r.stream, encodeReadStream(defaultStationMemory(0))) << d.fault;
        }
        nextAttemptSucceeds(port, read, d.fault);
    }
}

TEST(ExchangeDrills, ReadOfGarbageEnds) {
    // Random answers make a random channel count; the read ends either way, and whatever it
    // took is in the editor for the check to refuse.
    for (int i = 0; i < 3; ++i) {
        SimProcess sim(QStringList{"--garble"});
        PosixSerialPort port;
        DrillObserver obs;
        const ExchangeResult r = withinBound("garbage", [&] { return readFromStation(port, sim.path, obs); });
        EXPECT_TRUE(r.ok() || r.outcome == ExchangeOutcome::Failed);
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(obs.events.last(), QStringLiteral("buttons:1"));
    }
}

TEST(ExchangeDrills, TypeQuery) {
    struct Drill {
        const char *fault;
        QStringList sim;
        ExchangeOutcome outcome;
        int typeCode;  // -1: any
        bool portError;
    };
    const Drill drills[] = {
        {"silent", QStringList{"--type", "3", "--silent"}, ExchangeOutcome::Failed, -1, false},
        {"stops after the first byte", QStringList{"--type", "3", "--stop-after", "1"}, ExchangeOutcome::Failed, -1, false},
        {"stops in the sequence", QStringList{"--type", "3", "--stop-after", "2"}, ExchangeOutcome::Failed, -1, false},
        // No answer to the last wait: the acknowledgement before it is taken for the code.
        {"stops before the code", QStringList{"--type", "3", "--stop-sending-after", "3"}, ExchangeOutcome::Done, 0x61, false},
        {"answers garbage", QStringList{"--type", "3", "--garble"}, ExchangeOutcome::Done, -1, false},
        {"hangs up", QStringList{"--type", "3", "--hang-up-after", "2"}, ExchangeOutcome::Failed, -1, true},
        {"sends more than asked", QStringList{"--type", "3", "--flood", "5"}, ExchangeOutcome::Done, 3, false},
    };
    auto query = [](SerialPort &port, const QString &device, LinkObserver &obs) { return queryStationType(port, device, obs); };
    for (const Drill &d : drills) {
        SimProcess sim(d.sim);
        ASSERT_FALSE(sim.path.isEmpty()) << d.fault;
        PosixSerialPort port;
        DrillObserver obs;
        const ExchangeResult r = withinBound(d.fault, [&] { return queryStationType(port, sim.path, obs); });
        EXPECT_EQ(r.outcome, d.outcome) << d.fault << ": " << r.message.toStdString();
        EXPECT_EQ(r.portError, d.portError) << d.fault;
        if (!r.ok()) {
            EXPECT_FALSE(r.message.isEmpty()) << d.fault;
        }
        if (d.typeCode >= 0) {
            EXPECT_EQ(r.typeCode, d.typeCode) << d.fault;
        }
        EXPECT_FALSE(port.isOpen()) << d.fault;
        nextAttemptSucceeds(port, query, d.fault);
    }
}
