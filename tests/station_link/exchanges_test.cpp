// The write, read and type query against tolvin-sim on a real pseudo-terminal: the bytes the
// station received, what the window showed, and what the editor got.
#include "check/data_check.h"
#include "common/operator.h"
#include "station_link/exchanges.h"
#include "station_link/image_layout.h"
#include "station_link/posix_serial_port.h"
#include "station_link/read_into_editor.h"
#include "station_link/station_memory.h"
#include "support/link_support.h"
#include "support/qt_printers.h"
#include "support/recording_operator.h"
#include "support/sim_process.h"
#include "table/template.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
        SimProcess sim({QStringLiteral("--log")});
        PosixSerialPort port;
        Recorder obs;
        const ExchangeResult r = writeToStation(port, sim.path, obs, imageOf(ed));
        EXPECT_TRUE(r.ok()) << r.message.toStdString();
        EXPECT_FALSE(port.isOpen());
        const QByteArray expected = openingSequence(ed.state.StationType) + encodeWriteStream(imageOf(ed));
        EXPECT_EQ(expected.size(), (c.band == 1 ? 5 : 1) + 25 + 18 * c.channels);
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
    const Editor ten = checkedEditor(10, 2);
    struct Case { const char *what; QStringList args; const Editor *ed; ExchangeOutcome outcome; int rxBytes;
                  QString lastStatus; QString message; };
    const Case cases[] = {
        {"silent", {"--silent"}, &one, ExchangeOutcome::QuietStop, 1, "- -", {}},
        {"stops in the opening", {"--stop-after", "3"}, &one, ExchangeOutcome::QuietStop, 4, "- -", {}},
        {"stops in the header", {"--stop-after", "4"}, &ten, ExchangeOutcome::Failed, 5, "AK",
         "Станция не ответила на байт 4 из 205"},
        {"stops in record 7", {"--stop-after", "140"}, &ten, ExchangeOutcome::Failed, 141, "AK",
         "Станция не ответила на байт 140 из 205"},
        {"hangs up", {"--hang-up-after", "60"}, &ten, ExchangeOutcome::Failed, 60, "AK", {}},
        {"garbles", {"--garble"}, &ten, ExchangeOutcome::Done, 206, "- -", {}},
    };
    for (const Case &c : cases) {
        SimProcess sim(QStringList{QStringLiteral("--log")} + c.args);
        PosixSerialPort port;
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
    ed.state.StationType = 5;
    SimProcess sim({QStringLiteral("--log")});
    PosixSerialPort port;
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
        SimProcess sim({QStringLiteral("--memory"), dir.filePath(QStringLiteral("m.json"))});
        PosixSerialPort port;
        Recorder obs;
        ASSERT_TRUE(writeToStation(port, sim.path, obs, imageOf(original)).ok());
        Recorder readObs;
        const ExchangeResult r = readFromStation(port, sim.path, readObs);
        ASSERT_TRUE(r.ok()) << r.message.toStdString();
        EXPECT_EQ(r.stream.size(), 28 + 18 * channels);
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
    SimProcess sim({QStringLiteral("--memory"), memory});
    PosixSerialPort port;
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
    EXPECT_EQ(obs.phases.count(ReadPhase::ToneArrived), 10);
    EXPECT_EQ(obs.phases.last(), ReadPhase::Finished);
}

TEST(ReadFromStation, NoChannelsGivesOnlyTheHeaderRow) {
    QTemporaryDir dir;
    const QString memory = memoryWith(dir, [](StreamImage &m) { m.image.header[HeaderByte::ChannelCount] = 0; });
    SimProcess sim({QStringLiteral("--memory"), memory});
    PosixSerialPort port;
    Recorder obs;
    const ExchangeResult r = readFromStation(port, sim.path, obs);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.stream.size(), 28);
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
        SimProcess sim(c.args);
        PosixSerialPort port;
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
        {{"--type", "7"}, ExchangeOutcome::Done, 7},
        {{"--silent"}, ExchangeOutcome::Failed, 0},
        {{"--stop-after", "2"}, ExchangeOutcome::Failed, 0},
        {{"--hang-up-after", "2"}, ExchangeOutcome::Failed, 0},
    };
    for (const Case &c : cases) {
        SimProcess sim(c.args);
        PosixSerialPort port;
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
