// SPDX-License-Identifier: GPL-3.0-or-later
// The write, read and type query against tolvin-sim on a real pseudo-terminal: the bytes the
// station received, what the window showed, and what the editor got.
#include "check/data_check.h"
#include "common/errors.h"
#include "common/operator.h"
#include "station_link/exchanges.h"
#include "layout/image_layout.h"
#include "station_link/posix_serial_port.h"
#include "station_link/read_into_editor.h"
#include "sim/station_memory.h"
#include "support/link_support.h"
#include "support/qt_printers.h"
#include "support/recording_operator.h"
#include "support/sim_process.h"
#include "support/test_station.h"
#include "support/unknown_values.h"
#include "table/template.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

using namespace tolvin;
using namespace tolvin::test;

namespace {

struct Recorder : RecordingObserver {
    QList<ReadPhase> phases;
    void readProgress(ReadPhase p, const QByteArray &) override { phases << p; }
};

// A checked configuration of `count` channels in `band`, as "Контроль" leaves it.
Editor checkedEditor(int count, int band = 2) {
    Editor ed;
    selectBand(ed, band);
    ed.templ = {QString::number(count), QString::number(bandRow(band).settings.BandLow), QStringLiteral("12,5")};
    RecordingOperator op;
    EXPECT_TRUE(createTemplate(ed, op));
    ed.table.setCell(ColCtcRx, 1, QStringLiteral("88,5"));
    if (count > 1)
        ed.table.setCell(ColDcsTx, count, QStringLiteral("023"));
    ed.memo[1] = QStringLiteral("Id_номер=*#AB");
    EXPECT_TRUE(runDataCheck(ed, op)) << op.lastMessage().toStdString();
    return ed;
}

StreamImage imageOf(const Editor &ed) {
    return StreamImage{ed.state.image, ed.state.ModuleType, ed.state.StationType};
}

QString memoryWith(QTemporaryDir &dir, const std::function<void(StreamImage &)> &change) {
    StreamImage m = defaultStationMemory(0);
    change(m);
    const QString path = dir.filePath(QStringLiteral("station.json"));
    saveStationMemory(path, m);
    return path;
}

} // namespace

TEST(WriteToStation, SendsTheImageByteForByteWithTheGauge) {
    struct Case { int channels; int band; QStringList gauges; };
    QStringList gauge99{"gauge:0", "gauge:33", "gauge:66", "gauge:100", "gauge:0"};
    for (int j = 1; j <= 99; ++j)
        gauge99 << QStringLiteral("gauge:%1").arg(qRound(100.0 / 99 * j));
    gauge99 << "gauge:100";
    const Case cases[] = {
        {1, 2, {"gauge:0", "gauge:33", "gauge:66", "gauge:100", "gauge:0", "gauge:100", "gauge:100"}},
        {99, 1, gauge99},
    };
    for (const Case &c : cases) {
        const Editor ed = checkedEditor(c.channels, c.band);
        TestStation sim({QStringLiteral("--log")});
        SerialPort &port = sim.port();
        Recorder obs;
        const ExchangeResult r = writeToStation(port, sim.path, obs, imageOf(ed));
        EXPECT_TRUE(r.ok()) << r.message.toStdString();
        EXPECT_FALSE(port.isOpen());
        const QByteArray expected = openingSequence(ed.state.StationType) + encodeWriteStream(imageOf(ed));
        EXPECT_EQ(expected.size(), qsizetype(StationModels[size_t(c.band - 1)].opening().size()) + WriteStreamFixedLength +
                                       RecordSize * c.channels);
        EXPECT_EQ(sim.received(), expected) << c.channels;
        QStringList gauges;
        for (const QString &e : obs.events)
            if (e.startsWith(QLatin1String("gauge:")))
                gauges << e;
        EXPECT_EQ(gauges, c.gauges) << c.channels;
        EXPECT_EQ(obs.events.mid(0, 2), (QStringList{"buttons:0", "status:ПР"}));
        EXPECT_EQ(obs.events.mid(obs.events.size() - 2), (QStringList{"status:- -", "buttons:1"}));
    }
}

TEST(WriteToStation, SilentOrFailingStations) {
    const Editor one = checkedEditor(1, 1);   // five opening bytes
    const Editor ten = checkedEditor(10, 2);   // one opening byte
    const int tenBytes = WriteStreamFixedLength + RecordSize * 10;
    const QString stopped = QStringLiteral("Запись прервана на байте %1 из %2: станция записана не полностью. Станция не ответила");
    struct Case { const char *what; QStringList args; const Editor *ed; ExchangeOutcome outcome; int rxBytes;
                  QString lastStatus; QString message; };
    const Case cases[] = {
        {"silent", {"--silent"}, &one, ExchangeOutcome::QuietStop, 1, "- -", {}},
        {"stops in the opening", {"--stop-after", "3"}, &one, ExchangeOutcome::QuietStop, 4, "- -", {}},
        {"stops in the header", {"--stop-after", "4"}, &ten, ExchangeOutcome::Failed, 5, "AK", stopped.arg(4).arg(tenBytes)},
        {"stops in record 7", {"--stop-after", "140"}, &ten, ExchangeOutcome::Failed, 141, "AK", stopped.arg(140).arg(tenBytes)},
        {"hangs up", {"--hang-up-after", "60"}, &ten, ExchangeOutcome::Failed, 60, "AK", {}},
        {"garbles", {"--garble"}, &ten, ExchangeOutcome::Done, 1 + tenBytes, "- -", {}},
    };
    for (const Case &c : cases) {
        TestStation sim(QStringList{QStringLiteral("--log")} + c.args);
        SerialPort &port = sim.port();
        Recorder obs;
        QElapsedTimer t;
        t.start();
        const ExchangeResult r = writeToStation(port, sim.path, obs, imageOf(*c.ed));
        EXPECT_LT(t.elapsed(), 20000) << c.what;
        EXPECT_EQ(r.outcome, c.outcome) << c.what << " " << r.message.toStdString();
        if (!c.message.isEmpty()) {
            EXPECT_EQ(r.message, c.message) << c.what;
        } else if (r.outcome == ExchangeOutcome::Failed) {
            EXPECT_FALSE(r.message.isEmpty()) << c.what;
        }
        EXPECT_FALSE(port.isOpen()) << c.what;
        EXPECT_EQ(obs.events.filter(QStringLiteral("status:")).last(), QStringLiteral("status:") + c.lastStatus) << c.what;
        EXPECT_EQ(obs.events.last(), QStringLiteral("buttons:1")) << c.what;
        EXPECT_EQ(sim.received().size(), c.rxBytes) << c.what;
    }
}

TEST(WriteToStation, UnknownStationTypeSendsNothing) {
    Editor ed = checkedEditor(1);
    ed.state.StationType = UnknownTypeCode;
    TestStation sim({QStringLiteral("--log")});
    SerialPort &port = sim.port();
    Recorder obs;
    const ExchangeResult r = writeToStation(port, sim.path, obs, imageOf(ed));
    EXPECT_EQ(r.outcome, ExchangeOutcome::QuietStop);
    EXPECT_TRUE(sim.received().isEmpty());
    EXPECT_EQ(obs.events, (QStringList{"buttons:0", "status:ПР", "gauge:0", "status:- -", "buttons:1"}));
}

TEST(ReadFromStation, WriteThenReadChangesNothing) {
    for (int channels : {1, 99}) {
        QTemporaryDir dir;
        const Editor original = checkedEditor(channels);
        TestStation sim({QStringLiteral("--memory"), dir.filePath(QStringLiteral("m.json"))});
        SerialPort &port = sim.port();
        Recorder obs;
        ASSERT_TRUE(writeToStation(port, sim.path, obs, imageOf(original)).ok());
        Recorder readObs;
        const ExchangeResult r = readFromStation(port, sim.path, readObs);
        ASSERT_TRUE(r.ok()) << r.message.toStdString();
        EXPECT_EQ(r.stream.size(), ReadStreamFixedLength + RecordSize * channels);
        EXPECT_EQ(readObs.events.first(), QStringLiteral("status:ПП"));
        EXPECT_EQ(readObs.events.mid(readObs.events.size() - 3), (QStringList{"gauge:0", "status:- -", "buttons:1"}));

        Editor back;
        applyCompleteRead(back, r.stream);
        EXPECT_EQ(back.state.DataChecked, 0) << "a read does not check";
        EXPECT_EQ(back.table.channelCount(), channels);
        EXPECT_EQ(back.table.cell(ColRx, 1), QStringLiteral("140000,00"));
        EXPECT_EQ(back.table.cell(ColCtcRx, 1), QStringLiteral("88,5"));
        EXPECT_TRUE(back.memo.contains(QStringLiteral("Id_номер=*#AB")));
        // Checking what was read gives the very image that was written.
        RecordingOperator op;
        ASSERT_TRUE(runDataCheck(back, op)) << op.lastMessage().toStdString();
        EXPECT_EQ(encodeWriteStream(imageOf(back)), encodeWriteStream(imageOf(original))) << channels;
    }
}

TEST(ReadFromStation, WhatTheStationHolds) {
    QTemporaryDir dir;
    const QString memory = memoryWith(dir, [](StreamImage &m) {
        m.image.tones[0] = 70;
        m.image.tones[1] = 255;
        m.image.header[HeaderByte::Brightness] = 11;
        m.image.records[0][RecordByte::FlagsB] = 0xFA;
    });
    TestStation sim({QStringLiteral("--memory"), memory});
    SerialPort &port = sim.port();
    Recorder obs;
    const ExchangeResult r = readFromStation(port, sim.path, obs);
    ASSERT_TRUE(r.ok());
    Editor ed;
    applyCompleteRead(ed, r.stream);
    EXPECT_TRUE(ed.memo.contains(QStringLiteral("Тон1=700")));
    EXPECT_TRUE(ed.memo.contains(QStringLiteral("Тон2=2550")));
    EXPECT_TRUE(ed.memo.contains(QStringLiteral("Яркость диодов=3")));
    EXPECT_EQ(ed.table.cell(ColTxOff, 1), QStringLiteral("RSSI"));
    EXPECT_EQ(obs.phases.first(), ReadPhase::Started);
    EXPECT_EQ(obs.phases.count(ReadPhase::ToneArrived), ToneCount);
    EXPECT_EQ(obs.phases.last(), ReadPhase::Finished);
}

TEST(ReadFromStation, NoChannelsGivesOnlyTheHeaderRow) {
    QTemporaryDir dir;
    const QString memory = memoryWith(dir, [](StreamImage &m) { m.image.header[HeaderByte::ChannelCount] = 0; });
    TestStation sim({QStringLiteral("--memory"), memory});
    SerialPort &port = sim.port();
    Recorder obs;
    const ExchangeResult r = readFromStation(port, sim.path, obs);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.stream.size(), ReadStreamFixedLength);
    Editor ed;
    applyCompleteRead(ed, r.stream);
    EXPECT_EQ(ed.table.rowCount(), 1);
    EXPECT_EQ(ed.table.cell(ColRx, 0), columnHeaders().at(ColRx));
}

TEST(ReadFromStation, FailuresKeepWhatArrived) {
    struct Case { const char *what; QStringList args; int memoLines; QString message; };
    const Case cases[] = {
        {"silent", {"--silent"}, 1, "Станция не ответила: заголовок"},
        {"stops after the command", {"--stop-after", "0"}, 1, "Станция не ответила: заголовок"},
        {"garbles", {"--garble"}, -1, {}},
        {"hangs up on the command", {"--hang-up-after", "1"}, 1, {}},
    };
    for (const Case &c : cases) {
        TestStation sim(c.args);
        SerialPort &port = sim.port();
        Recorder obs;
        QElapsedTimer t;
        t.start();
        const ExchangeResult r = readFromStation(port, sim.path, obs);
        EXPECT_LT(t.elapsed(), 5000) << c.what;
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(obs.events.last(), QStringLiteral("buttons:1")) << c.what;
        // Random answers may happen to form a whole stream; what matters is the bounded end.
        if (c.memoLines < 0)
            continue;
        EXPECT_EQ(r.outcome, ExchangeOutcome::Failed) << c.what;
        EXPECT_FALSE(r.message.isEmpty()) << c.what;
        if (!c.message.isEmpty()) {
            EXPECT_EQ(r.message, c.message) << c.what;
        }
        EXPECT_EQ(obs.events.filter(QStringLiteral("status:")).last(), QStringLiteral("status:AK")) << c.what;
        EXPECT_EQ(obs.events.last(), QStringLiteral("buttons:1")) << c.what;
        Editor ed;
        for (ReadPhase p : obs.phases)
            applyReadPhase(ed, p, r.stream);
        EXPECT_EQ(ed.memo.size(), c.memoLines) << c.what;
        EXPECT_EQ(ed.memo.first(), QStringLiteral("[Общие установки]")) << c.what;
    }
}

TEST(QueryStationType, CodesAndFailures) {
    struct Case { QStringList args; ExchangeOutcome outcome; int code; };
    const Case cases[] = {
        {{"--type", "0"}, ExchangeOutcome::Done, 0},
        {{"--type", "2"}, ExchangeOutcome::Done, 2},
        {{"--type", "4"}, ExchangeOutcome::Done, 4},
        {{"--type", QString::number(UnknownTypeCode)}, ExchangeOutcome::Done, UnknownTypeCode},
        {{"--silent"}, ExchangeOutcome::Failed, 0},
        {{"--stop-after", "2"}, ExchangeOutcome::Failed, 0},
        {{"--hang-up-after", "2"}, ExchangeOutcome::Failed, 0},
    };
    for (const Case &c : cases) {
        TestStation sim(c.args);
        SerialPort &port = sim.port();
        Recorder obs;
        const ExchangeResult r = queryStationType(port, sim.path, obs);
        EXPECT_EQ(r.outcome, c.outcome) << c.args.join(' ').toStdString();
        if (r.ok())
            EXPECT_EQ(r.typeCode, c.code) << c.args.join(' ').toStdString();
        else
            EXPECT_FALSE(r.message.isEmpty());
        EXPECT_FALSE(port.isOpen());
    }
}

TEST(Exchanges, MissingDeviceIsAPortError) {
    PosixSerialPort port;
    Recorder obs;
    const Editor ed = checkedEditor(1);
    const ExchangeResult results[] = {
        writeToStation(port, QStringLiteral("/dev/tolvin-missing"), obs, imageOf(ed)),
        readFromStation(port, QStringLiteral("/dev/tolvin-missing"), obs),
        queryStationType(port, QStringLiteral("/dev/tolvin-missing"), obs),
    };
    for (const ExchangeResult &r : results) {
        EXPECT_EQ(r.outcome, ExchangeOutcome::Failed);
        EXPECT_TRUE(r.portError);
        EXPECT_TRUE(r.message.contains(QStringLiteral("/dev/tolvin-missing"))) << r.message.toStdString();
    }
}

namespace {

// Counts what an exchange reports of its bytes, and raises the stop flag once `stopAt` of them
// are done (never when negative).
struct CountingObserver : Recorder {
    QList<int> done;
    QList<int> totals;
    QList<ExchangeKind> kinds;
    std::atomic<bool> stop{false};
    int stopAt = -1;
    void transferred(ExchangeKind kind, int d, int total) override {
        kinds << kind;
        done << d;
        totals << total;
        if (stopAt >= 0 && d >= stopAt)
            stop = true;
    }
};

// A port that gives up its nth send as a port does on a stalled adapter when asked to stop.
struct GivesUpSending : PosixSerialPort {
    int sendsLeft;
    explicit GivesUpSending(int n) : sendsLeft(n) {}
    void SendByte(uint8_t b) override {
        if (sendsLeft-- == 0)
            throw LinkError(LinkError::Kind::Stopped, QStringLiteral("Передача на порт прервана"));
        PosixSerialPort::SendByte(b);
    }
};

} // namespace

TEST(Exchanges, CountTheirBytesFromZeroToTheTotal) {
    const Editor ed = checkedEditor(3, 1);
    const int write = int(LongOpening.size()) + WriteStreamFixedLength + RecordSize * 3;
    const int read = ReadStreamFixedLength + RecordSize * defaultStationMemory(0).image.header[HeaderByte::ChannelCount];
    using Run = std::function<ExchangeResult(SerialPort &, const QString &, LinkObserver &)>;
    // The pace: bytes over the line, the round trips among them, and the line time they need
    // (a byte and its reply two byte times, the write's store pause on top).
    struct Case { const char *what; ExchangeKind kind; Run run; int total; int paceBytes, roundTrips, lineBytes; int pauses; };
    const Case cases[] = {
        {"write", ExchangeKind::Write,
         [&](SerialPort &p, const QString &d, LinkObserver &o) { return writeToStation(p, d, o, imageOf(ed)); },
         write, write, write, 2 * write, 1},
        // The station's own channels, after the command.
        {"read", ExchangeKind::Read, [](SerialPort &p, const QString &d, LinkObserver &o) { return readFromStation(p, d, o); },
         read, 1 + read, 0, 1 + read, 0},
        {"type query", ExchangeKind::TypeQuery,
         [](SerialPort &p, const QString &d, LinkObserver &o) { return queryStationType(p, d, o); }, 4, 3, 3, 6, 0},
    };
    for (const Case &c : cases) {
        TestStation sim({});
        SerialPort &port = sim.port();
        CountingObserver obs;
        const ExchangeResult r = c.run(port, sim.path, obs);
        ASSERT_TRUE(r.ok()) << c.what;
        EXPECT_EQ(r.pace.bytes, c.paceBytes) << c.what;
        EXPECT_EQ(r.pace.roundTrips, c.roundTrips) << c.what;
        EXPECT_EQ(r.pace.wire, c.lineBytes * LineByteTime + c.pauses * WriteStorePause) << c.what;
        EXPECT_EQ(int(r.pace.hostTimes.size()), std::max(0, c.roundTrips - 1 - c.pauses)) << c.what;
        ASSERT_FALSE(obs.done.isEmpty()) << c.what;
        EXPECT_EQ(obs.kinds, QList<ExchangeKind>(obs.done.size(), c.kind)) << c.what;
        for (qsizetype i = 0; i < obs.done.size(); ++i)
            ASSERT_EQ(obs.done[i], i) << c.what << ": one byte at a time from 0";
        EXPECT_EQ(obs.done.last(), c.total) << c.what;
        EXPECT_EQ(obs.totals.last(), c.total) << c.what;
        // A read learns its length from the channel count.
        const int unknownFor = c.kind == ExchangeKind::Read ? HeaderByte::ChannelCount + 1 : 0;
        EXPECT_EQ(obs.totals.count(0), unknownFor) << c.what;
    }
}

TEST(Exchanges, AStopEndsThemAtTheNextByteAndSaysWhatIsLeft) {
    const Editor ed = checkedEditor(3);  // one opening byte
    const auto written = [](int byte) {
        return QStringLiteral("Запись прервана на байте %1 из %2: станция записана не полностью")
            .arg(byte)
            .arg(WriteStreamFixedLength + RecordSize * 3);
    };
    struct Case {
        const char *what;
        ExchangeKind kind;
        int stopAt;      // transferred bytes after which the flag goes up
        int failSend;    // or: the send the port gives up (-1: none)
        int received;    // bytes the station got
        QString message;
    };
    const Case cases[] = {
        {"write, before the opening", ExchangeKind::Write, 0, -1, 0,
         "Запись прервана до передачи данных: в станцию ничего не записано"},
        {"write, after the opening", ExchangeKind::Write, 1, -1, 1,
         "Запись прервана до передачи данных: в станцию ничего не записано"},
        {"write, in record 2", ExchangeKind::Write, 1 + 50, -1, 51, written(51)},
        {"write, the port gives up byte 31", ExchangeKind::Write, -1, 31, 31, written(31)},
        {"read, before the command", ExchangeKind::Read, -2, -1, 0, "Обмен со станцией прерван"},
        {"read, in the tones", ExchangeKind::Read, 15, -1, 1, "Обмен со станцией прерван"},
        {"type query", ExchangeKind::TypeQuery, 2, -1, 2, "Обмен со станцией прерван"},
    };
    for (const Case &c : cases) {
        SimProcess sim({QStringLiteral("--log")});
        GivesUpSending port(c.failSend);
        CountingObserver obs;
        obs.stopAt = std::max(c.stopAt, -1);
        if (c.stopAt == -2)
            obs.stop = true;
        QElapsedTimer t;
        t.start();
        const ExchangeResult r =
            c.kind == ExchangeKind::Write ? writeToStation(port, sim.path, obs, imageOf(ed), &obs.stop)
            : c.kind == ExchangeKind::Read ? readFromStation(port, sim.path, obs, &obs.stop)
                                           : queryStationType(port, sim.path, obs, &obs.stop);
        EXPECT_LT(t.elapsed(), 5000) << c.what;
        EXPECT_EQ(r.outcome, ExchangeOutcome::Stopped) << c.what << ": " << r.message.toStdString();
        EXPECT_EQ(r.message, c.message) << c.what;
        EXPECT_FALSE(port.isOpen()) << c.what;
        EXPECT_EQ(obs.events.filter(QStringLiteral("status:")).last(), QStringLiteral("status:- -")) << c.what;
        EXPECT_EQ(obs.events.last(), QStringLiteral("buttons:1")) << c.what;
        EXPECT_EQ(sim.received().size(), c.received) << c.what;
    }
}
