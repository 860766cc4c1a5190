// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-sim as other tools see it: the built program on a real pseudo-terminal, driven through
// the port and WaitReply the exchanges use, one port opening per operation.
#include "common/errors.h"
#include "common/file_io.h"
#include "image/image_fields.h"
#include "image/station_readout.h"
#include "sim/pty_station.h"
#include "sim/sim_options.h"
#include "station_link/posix_serial_port.h"
#include "sim/station_memory.h"
#include "support/link_support.h"
#include "support/qt_printers.h"
#include "support/sim_process.h"
#include "support/unknown_values.h"

#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>

using namespace tolvin;
using namespace tolvin::test;
using namespace std::chrono_literals;

namespace {

struct Session {
    PosixSerialPort port;
    RecordingObserver observer;
    Link link{port, observer};
    explicit Session(const QString &device) { port.open(device); }
};

QByteArray typeQuery(const QString &device) {
    Session s(device);
    const QByteArray echoes = sendEachAndWait(s.link, QByteArray::fromRawData("\xAA\x14\x61", 3));
    return echoes + receiveBytes(s.link, 1);
}

QByteArray readStream(const QString &device) {
    Session s(device);
    s.port.SendByte(ReadCommand);
    const QByteArray fixed = receiveBytes(s.link, ReadStreamFixedLength);
    if (fixed.size() < ReadStreamFixedLength)
        return fixed;
    return fixed + receiveBytes(s.link, RecordSize * uint8_t(fixed[HeaderByte::ChannelCount]), RecordCountdown);
}

QByteArray writeBytes(const StreamImage &image) {
    return openingSequence(image.StationType) + encodeWriteStream(image);
}

StreamImage someImage(int channels, uint8_t stationType) {
    StreamImage p = defaultStationMemory(stationType);
    p.image.header[HeaderByte::ChannelCount] = uint8_t(channels);
    p.image.tones.fill(0x99);
    p.image.IdCode = 0x1234;
    for (int r = 0; r < channels; ++r)
        p.image.records[r].fill(uint8_t(r + 1));
    return p;
}

// What a station that took image answers to a read: image, with its own serial number.
QByteArray readAfterWrite(StreamImage image, const StreamImage &before) {
    std::copy_n(before.image.header.begin(), HeaderByte::SerialSize, image.image.header.begin());
    return encodeReadStream(image);
}

// A type query that gives up at the first byte not answered within a short wait, so that a
// station's absence is seen in a fraction of a swap pause. It never leaves a query half done
// on a station that is there.
bool answersTypeQuery(const QString &device) {
    Session s(device);
    for (uint8_t b : TypeQuerySequence) {
        s.port.SendByte(b);
        if (!WaitReply(s.link, 100ms))
            return false;
    }
    return WaitReply(s.link, 100ms);
}

std::chrono::milliseconds cpuTime(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    f.open(QIODevice::ReadOnly);
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return std::chrono::milliseconds((fields.value(11).toLong() + fields.value(12).toLong()) * 1000 /
                                     ::sysconf(_SC_CLK_TCK));
}

} // namespace

TEST(Sim, CommandLineMistakesExitWithCode2AndSayWhatIsWrong) {
    const std::pair<QStringList, const char *> cases[] = {
        {{"--bogus"}, "Неизвестный параметр: --bogus"},
        {{"--type=256"}, "--type должно быть целым числом от 0 до 255, а не «256»"},
        {{"--hang-up-after", "0"}, "--hang-up-after должно быть целым числом не меньше 1"},
        {{"--corrupt-byte", "0"}, "--corrupt-byte должно быть целым числом не меньше 1"},
        {{"--flood", "0"}, "--flood должно быть целым числом от 1 до 4096, а не «0»"},
        {{"--stop-sending-after", "-1"}, "--stop-sending-after должно быть целым числом не меньше 0"},
        {{"--silent=1"}, "Параметр --silent не принимает значения"},
        {{"--stations", "0"}, "--stations должно быть целым числом от 1 до 9999, а не «0»"},
        {{"--memory", "a.json", "--memory-dir", "d"}, "Параметры --memory и --memory-dir вместе не даются"},
        {{"--stations", "2", "--memory", "a.json"}, "для серии станций (--stations 2) дайте --memory-dir"},
    };
    for (const auto &[args, says] : cases) {
        QProcess p;
        p.start(simPath(), args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 2) << says;
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(QString::fromUtf8(says))) << says;
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty()) << "stdout carries only the terminal path";
    }
    QProcess help;
    help.start(simPath(), {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(10000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(help.readAllStandardOutput()).contains(QStringLiteral("Пример:")));
}

// The parser knows only the options of its table, so each one is in the help, with an example
// the parser takes: with "--help" added it reads the whole line and stops before any terminal.
TEST(Sim, HelpGivesEveryOptionAnExampleThatParses) {
    QProcess help;
    help.start(simPath(), {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(10000));
    ASSERT_EQ(help.exitCode(), 0);
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    for (const sim::OptionEntry &entry : sim::kOptions) {
        SCOPED_TRACE(entry.name);
        const QString name = QLatin1String(entry.name);
        QString head = QStringLiteral("\n  ") + name;
        if (entry.alias)
            head += QStringLiteral(", ") + QLatin1String(entry.alias);
        if (entry.value)
            head += QLatin1Char(' ') + QString::fromUtf16(entry.value);
        EXPECT_TRUE(text.contains(head + QLatin1Char(' '))) << head.toStdString();
        const QString example = QString::fromUtf16(entry.example);
        EXPECT_TRUE(text.contains(QStringLiteral("    пример: ") + example + QLatin1Char('\n')));

        QStringList words = example.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        // A redirection is the shell's, not the program's.
        words.erase(std::find_if(words.begin(), words.end(),
                                 [](const QString &w) { return w.startsWith(QLatin1Char('>')) || w.startsWith(QLatin1String("2>")); }),
                    words.end());
        ASSERT_FALSE(words.isEmpty());
        EXPECT_EQ(words.takeFirst(), QStringLiteral("tolvin-sim"));
        EXPECT_TRUE(words.contains(name)) << "the example shows its own option";
        QProcess p;
        p.start(simPath(), words << QStringLiteral("--help"));
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().startsWith("Использование: tolvin-sim"));
    }
}

// The three exchanges byte for byte, each in its own port opening, on stations of several types.
TEST(Sim, TypeQueryWriteAndReadInSeparateSessions) {
    const struct {
        uint8_t simType;
        StreamImage image;
    } cases[] = {{4, someImage(1, 0)}, {0, someImage(3, 4)}, {UnknownTypeCode, someImage(0, 3)}};
    for (const auto &c : cases) {
        SimProcess sim({QStringLiteral("--log"), QStringLiteral("--type"), QString::number(c.simType)});
        ASSERT_TRUE(sim.path.startsWith(QStringLiteral("/dev/pts/"))) << sim.path.toStdString();
        EXPECT_EQ(typeQuery(sim.path), bytes({0xAA, 0x14, 0x61, c.simType}));
        EXPECT_EQ(readStream(sim.path), encodeReadStream(defaultStationMemory(c.simType)));
        Session write(sim.path);
        EXPECT_EQ(sendEachAndWait(write.link, writeBytes(c.image)), writeBytes(c.image)) << "every byte echoed";
        write.port.close();
        EXPECT_EQ(readStream(sim.path), readAfterWrite(c.image, defaultStationMemory(c.simType)));
        EXPECT_EQ(sim.stop(), 0);
        const QStringList log = sim.log().split(QLatin1Char('\n'));
        EXPECT_EQ(log.mid(1, 7), (QStringList{"RX AA", "TX AA", "RX 14", "TX 14", "RX 61", "TX 61",
                                              QStringLiteral("TX %1").arg(c.simType, 2, 16, QLatin1Char('0')).toUpper()}));
    }
}

TEST(Sim, MemoryFileOutlivesARestart) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("station.json"));
    const StreamImage image = someImage(2, 3);
    {
        SimProcess sim({QStringLiteral("--memory"), file, QStringLiteral("--type=3")});
        Session s(sim.path);
        sendEachAndWait(s.link, writeBytes(image));
    }
    SimProcess sim({QStringLiteral("--memory"), file});
    EXPECT_EQ(readStream(sim.path), readAfterWrite(image, defaultStationMemory(3)));
}

// The faults a bench meets, as a write sees them.
TEST(Sim, FaultsEndTheExchangeTheWayTheHostExpects) {
    const QByteArray write = writeBytes(someImage(1, 1));
    const struct {
        QStringList args;
        QByteArray replies;
        QStringList events;
        QString error;  // start of the LinkError message, %1 = device
    } cases[] = {
        {{"--silent"}, {}, {"status:AK", "buttons:1"}, {}},
        {{"--stop-after", "2"}, write.left(2), {"status:AK", "buttons:1"}, {}},
        {{"--hang-up-after", "3"}, write.left(2), {}, QStringLiteral("Связь с портом %1 потеряна")},
    };
    for (const auto &c : cases) {
        SimProcess sim(c.args);
        Session s(sim.path);
        QByteArray replies;
        QString error;
        try {
            for (char b : write) {
                s.port.SendByte(uint8_t(b));
                if (WaitReply(s.link))
                    replies.append(char(s.link.LastReplyByte));
            }
        } catch (const LinkError &e) {
            error = e.message();
        }
        EXPECT_EQ(replies, c.replies) << c.args.join(' ').toStdString();
        EXPECT_EQ(s.observer.events, c.events);
        EXPECT_TRUE(error.startsWith(c.error.arg(sim.path))) << error.toStdString();
        EXPECT_FALSE(error.isEmpty()) << "the next send meets a closed or vanished port";
        EXPECT_FALSE(s.port.isOpen());
    }
    SimProcess noisy({QStringLiteral("--garble")});
    Session s(noisy.path);
    const QByteArray replies = sendEachAndWait(s.link, write);
    EXPECT_EQ(replies.size(), write.size());
    EXPECT_NE(replies, write);
}

// An adapter's latency timer lets replies out only at its ticks; a host that waits for each
// reply before its next byte gets one reply per tick at most. A lower bound again.
TEST(Sim, ReplyDelayReleasesRepliesAtTheTimersTicks) {
    SimProcess sim({QStringLiteral("--reply-delay"), QStringLiteral("20")});
    Session s(sim.path);
    const QByteArray write = writeBytes(someImage(0, 0)).left(30);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sendEachAndWait(s.link, write), write);
    EXPECT_GE(std::chrono::steady_clock::now() - start, (write.size() - 1) * 20ms);
}

// Lower bounds only: a byte time each way per round trip, however fast the machine.
TEST(Sim, LineRateTakesAByteTimeEachWay) {
    SimProcess sim({QStringLiteral("--line-rate")});
    Session s(sim.path);
    const QByteArray write = writeBytes(someImage(0, 0));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sendEachAndWait(s.link, write), write);
    EXPECT_GE(std::chrono::steady_clock::now() - start, write.size() * 2 * 8ms);
    start = std::chrono::steady_clock::now();
    s.port.SendByte(ReadCommand);
    EXPECT_EQ(receiveBytes(s.link, ReadStreamFixedLength).size(), ReadStreamFixedLength);
    EXPECT_GE(std::chrono::steady_clock::now() - start, (1 + ReadStreamFixedLength) * 8ms);
}

// Between operations nobody holds the terminal; a station that woke up over and over then
// would burn a processor of the technician's machine.
TEST(Sim, SleepsWhileNoHostIsConnected) {
    SimProcess sim({});
    typeQuery(sim.path);
    const auto before = cpuTime(sim.pid());
    QThread::msleep(1000);
    EXPECT_LT(cpuTime(sim.pid()) - before, 200ms);
}

// A bench's series, one station after another on the line: a written station stays while the
// read after the write goes on (at the line's rate it outlasts the pause), then is silent for the
// pause, then the next one answers with the next serial number and a fresh memory, or the one
// its file under --memory-dir holds. A write cut short, even one stored byte by byte, keeps its
// station on the line.
TEST(Sim, SeriesSwapsAStationOnceItsWriteIsWholeAndTheLineQuiet) {
    constexpr auto Pause = 200ms;
    QTemporaryDir dir;
    const StreamImage image = someImage(1, 0);
    const QByteArray write = writeBytes(image);
    StreamImage resumed = someImage(3, 0);
    const auto secondSerial = factorySerial(1);
    std::copy(secondSerial.begin(), secondSerial.end(), resumed.image.header.begin() + HeaderByte::Serial);
    const struct {
        QStringList args;
        qsizetype sent;
        bool resume;  // the second station's file is there from an earlier run
    } cases[] = {
        {{"--line-rate"}, write.size(), false},
        {{"--memory-dir", dir.path()}, write.size(), true},
        {{"--store-each-byte"}, write.size() - 1, false},
    };
    const auto serialOf = [](int place) {
        const auto serial = factorySerial(place);
        return serialText(serial[0], serial[1], serial[2]);
    };
    const auto fileName = [&](int place) { return serialOf(place) + QStringLiteral(".json"); };
    const auto fileOf = [&](int place) { return dir.filePath(fileName(place)); };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        if (c.resume)
            saveStationMemory(fileOf(1), resumed);
        SimProcess sim(QStringList{"--stations", "3", "--swap-pause", QString::number(Pause.count())} + c.args);
        {
            Session s(sim.path);
            ASSERT_EQ(sendEachAndWait(s.link, write.left(c.sent)), write.left(c.sent));
        }
        if (c.sent < write.size()) {
            // Long enough for a swap and the next station, had the station gone.
            QThread::msleep(std::chrono::milliseconds(sim::IdleReset + 3 * Pause).count());
            EXPECT_EQ(streamSerial(readStream(sim.path)), serialOf(0)) << "the first station is still there";
            continue;
        }
        EXPECT_EQ(readStream(sim.path), readAfterWrite(image, defaultStationMemory(0)));

        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + 10s;
        Clock::time_point lastAnswer = Clock::now(), back{};
        bool silence = false;
        while (Clock::now() < deadline) {
            const auto probe = Clock::now();
            const bool answered = answersTypeQuery(sim.path);
            if (answered && silence) {
                back = probe;
                break;
            }
            silence = silence || !answered;
            if (answered)
                lastAnswer = Clock::now();
        }
        ASSERT_TRUE(silence) << "the written station went";
        ASSERT_NE(back, Clock::time_point{}) << "the next station came";
        EXPECT_GE(back - lastAnswer, Pause * 3 / 4);
        EXPECT_EQ(readStream(sim.path), encodeReadStream(c.resume ? resumed : defaultStationMemory(0, 1)));
        if (c.resume) {
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{fileName(0), fileName(1)}));
            EXPECT_EQ(encodeReadStream(parseStationMemory(readFileBytes(fileOf(0)), fileOf(0))),
                      readAfterWrite(image, defaultStationMemory(0)));
        }
    }
}
