// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-sim as other tools see it: the built program on a real pseudo-terminal, driven through
// the port and WaitReply the exchanges use, one port opening per operation.
#include "common/errors.h"
#include "sim/sim_options.h"
#include "station_link/posix_serial_port.h"
#include "sim/station_memory.h"
#include "support/link_support.h"
#include "support/qt_printers.h"
#include "support/sim_process.h"
#include "support/unknown_values.h"

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
