// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/posix_serial_port.h"

#include "common/errors.h"
#include "support/link_support.h"
#include "support/qt_printers.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>

using namespace tolvin;
using namespace tolvin::test;

namespace {

// A pty whose master end the test holds; keepSlave holds a slave descriptor too, as tolvin-sim
// does, so that the terminal outlives the port's closing.
struct PtyPair {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    int slave = -1;
    QString slavePath;
    explicit PtyPair(bool keepSlave = false) {
        ::grantpt(master);
        ::unlockpt(master);
        slavePath = QString::fromLocal8Bit(::ptsname(master));
        if (keepSlave)
            slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~PtyPair() {
        ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
};

// The message of the LinkError that fn throws, prefixed with its kind; "no error" otherwise.
QString outcome(const std::function<void()> &fn) {
    try {
        fn();
    } catch (const LinkError &e) {
        return QString::number(int(e.kind())) + QLatin1Char(' ') + e.message();
    }
    return QStringLiteral("no error");
}

QString cannotOpen(const QString &message) { return QStringLiteral("0 ") + message; }

// fn's result, computed in a child that has become the unprivileged user "nobody".
QString asNobody(const std::function<QString()> &fn) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        const QByteArray out = (dropped ? fn() : QStringLiteral("still root")).toUtf8();
        (void)!::write(fds[1], out.constData(), size_t(out.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray got;
    char buf[1024];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        got.append(buf, n);
    ::close(fds[0]);
    ::waitpid(pid, nullptr, 0);
    return QString::fromUtf8(got);
}

} // namespace

TEST(PosixSerialPort, OpenFailuresNameTheDeviceAndWhy) {
    QTemporaryDir dir;
    const QString cases[][2] = {
        {"/dev/ttyS-missing", "Порт /dev/ttyS-missing не найден"},
        {dir.path(), dir.path() + " не является последовательным портом"},
        {"/dev/null", "/dev/null не является последовательным портом"},
    };
    for (const auto &c : cases) {
        PosixSerialPort port;
        EXPECT_EQ(outcome([&] { port.open(c[0]); }), cannotOpen(c[1]));
        EXPECT_FALSE(port.isOpen());
    }
}

TEST(PosixSerialPort, NoPermissionTellsWhichGroupToJoin) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the device to another user";
    PtyPair pty;
    // Owned as a USB adapter is: root and the serial-port group, nothing for others.
    const struct group *g = ::getgrnam("dialout");
    if (!g)
        GTEST_SKIP() << "no dialout group here";
    ASSERT_EQ(::chown(pty.slavePath.toLocal8Bit().constData(), 0, g->gr_gid), 0);
    ASSERT_EQ(::chmod(pty.slavePath.toLocal8Bit().constData(), 0660), 0);
    EXPECT_EQ(asNobody([&] { return outcome([&] { PosixSerialPort().open(pty.slavePath); }); }),
              cannotOpen(QStringLiteral("Нет доступа к порту %1. Добавьте пользователя в группу dialout "
                                        "(sudo usermod -aG dialout $USER) и войдите в систему заново")
                             .arg(pty.slavePath)));
}

// tolvin-sim keeps the terminal open between operations, and the exclusive mark belongs to
// the terminal: a port that left it on when closing would lock out its own next operation.
TEST(PosixSerialPort, ExclusiveWhileOpenAndFreeAgainAfterClose) {
    PtyPair pty(/*keepSlave=*/true);
    PosixSerialPort first, second;
    first.open(pty.slavePath);
    EXPECT_EQ(outcome([&] { second.open(pty.slavePath); }),
              cannotOpen(QStringLiteral("Порт %1 занят другой программой").arg(pty.slavePath)));
    first.close();
    EXPECT_EQ(outcome([&] { second.open(pty.slavePath); }), QStringLiteral("no error"));
    second.close();
    if (::geteuid() != 0)
        return;  // root passes the exclusive mark; try again as a user it stops
    ASSERT_EQ(::chown(pty.slavePath.toLocal8Bit().constData(), 65534, 65534), 0);
    EXPECT_EQ(asNobody([&] {
                  PosixSerialPort port;
                  return outcome([&] {
                      for (int session = 0; session < 2; ++session) {
                          port.open(pty.slavePath);
                          port.close();
                      }
                  });
              }),
              QStringLiteral("no error"));
}

// Echo, CR/LF translation or XON/XOFF would corrupt the binary exchange.
TEST(PosixSerialPort, LineIsRaw1200Baud8N1WithoutFlowControl) {
    PtyPair pty;
    PosixSerialPort port;
    port.open(pty.slavePath);
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.master, &t), 0);  // a pty master reports its slave's settings
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B1200));
    EXPECT_EQ(::cfgetispeed(&t), speed_t(B1200));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD), tcflag_t(CS8 | CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

TEST(PosixSerialPort, TransferOnAClosedPortGivesTheNotOpenError) {
    PtyPair pty;
    PosixSerialPort neverOpened, closed;
    EXPECT_EQ(outcome([&] { neverOpened.SendByte(0x14); }), QStringLiteral("1 Порт не открыт"));
    closed.open(pty.slavePath);
    closed.close();
    EXPECT_EQ(outcome([&] { closed.waitForByte(SerialPort::Clock::now()); }),
              QStringLiteral("1 Порт %1 не открыт").arg(pty.slavePath));
}

// A station that takes no byte leaves the send waiting for room in the output queue; the wait
// is bounded, and a stop ends it at once instead of after the whole bound.
TEST(PosixSerialPort, ASendStuckOnAFullQueueGivesUpWhenStoppedOrAfterItsBound) {
    struct Case { const char *what; int stopAfterMs; int kind; int atMostMs; int atLeastMs; };
    const Case cases[] = {
        {"stopped", 300, int(LinkError::Kind::Stopped), 1000, 250},
        {"never stopped", -1, int(LinkError::Kind::Lost), 5000, 1900},
    };
    for (const Case &c : cases) {
        PtyPair pty;  // nobody reads the master: what the port sends piles up
        PosixSerialPort port;
        std::atomic<bool> stop{false};
        port.setStopFlag(&stop);
        port.open(pty.slavePath);
        QElapsedTimer t;
        t.start();
        std::thread stopper([&] {
            if (c.stopAfterMs < 0)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(c.stopAfterMs));
            stop = true;
        });
        int kind = -1;
        try {
            for (int i = 0; i < 10'000'000; ++i)
                port.SendByte(0x55);
        } catch (const LinkError &e) {
            kind = int(e.kind());
        }
        const qint64 ms = t.elapsed();
        stopper.join();
        EXPECT_EQ(kind, c.kind) << c.what;
        EXPECT_GE(ms, c.atLeastMs) << c.what;
        EXPECT_LT(ms, c.atMostMs) << c.what;
    }
}

namespace {

// Records the serial-flags requests and answers them as a driver would: one with the flags
// (a USB adapter), one without (ENOTTY, a pty), one that reads but refuses a change (EINVAL).
struct RecordingSerialFlags : SerialFlags {
    int getAnswer = 0, setAnswer = 0;
    int flags = 0;   // the driver's flags
    QStringList calls;
    int get(int, serial_struct &s) override {
        calls << QStringLiteral("get");
        s = serial_struct{};
        s.flags = flags;
        return getAnswer;
    }
    int set(int, const serial_struct &s) override {
        calls << QStringLiteral("set %1").arg(s.flags & ASYNC_LOW_LATENCY ? "low" : "normal");
        if (setAnswer == 0)
            flags = s.flags;
        return setAnswer;
    }
};

} // namespace

// The port asks for low latency on open and puts the driver's flags back on close; a driver
// without them is used as it is, silently.
TEST(PosixSerialPort, AsksForLowLatencyAndPutsTheFlagsBack) {
    struct Case {
        const char *driver;
        int getAnswer, setAnswer, flags;
        QStringList calls;
        int flagsAfterClose;
    };
    const Case cases[] = {
        {"usb adapter", 0, 0, 0x1000, {"get", "set low", "set normal"}, 0x1000},
        {"already low", 0, 0, ASYNC_LOW_LATENCY, {"get"}, ASYNC_LOW_LATENCY},
        {"pty", ENOTTY, 0, 0, {"get"}, 0},
        {"refuses change", 0, EINVAL, 0, {"get", "set low"}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.driver);
        PtyPair pty;
        RecordingSerialFlags driver;
        driver.getAnswer = c.getAnswer;
        driver.setAnswer = c.setAnswer;
        driver.flags = c.flags;
        PosixSerialPort port;
        port.setSerialFlags(driver);
        port.open(pty.slavePath);
        EXPECT_TRUE(port.isOpen());
        if (c.getAnswer == 0 && c.setAnswer == 0)
            EXPECT_TRUE(driver.flags & ASYNC_LOW_LATENCY) << "low latency while open";
        port.close();
        EXPECT_EQ(driver.calls, c.calls);
        EXPECT_EQ(driver.flags, c.flagsAfterClose);
    }
}

// On a real pty the kernel's own requests are refused, and the link works as before.
TEST(PosixSerialPort, KernelRefusalOfLowLatencyOnAPtyIsHarmless) {
    PtyPair pty;
    serial_struct s{};
    const int fd = ::open(pty.slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const int answer = systemSerialFlags().get(fd, s);
    ::close(fd);
    EXPECT_TRUE(answer == ENOTTY || answer == EINVAL || answer == 0) << answer;
    PosixSerialPort port;
    port.open(pty.slavePath);
    port.SendByte(0x55);
    char b = 0;
    ASSERT_EQ(::read(pty.master, &b, 1), 1);
    EXPECT_EQ(uint8_t(b), 0x55);
    port.close();
}

// What waits before a byte goes out is dropped, in the port's buffer and in the kernel's; what
// comes after is the answer.
TEST(PosixSerialPort, DiscardInputDropsWhatWaitsAndKeepsWhatComesAfter) {
    PtyPair pty;
    PosixSerialPort port;
    port.open(pty.slavePath);
    ASSERT_EQ(::write(pty.master, "ab", 2), 2);
    ASSERT_TRUE(port.waitForByte(std::chrono::steady_clock::now() + std::chrono::seconds(2)));
    ASSERT_EQ(::write(pty.master, "cd", 2), 2);
    ::usleep(50000); // the pty hands "cd" over
    port.DiscardInput();
    EXPECT_FALSE(port.ByteWaiting());
    ASSERT_EQ(::write(pty.master, "x", 1), 1);
    ASSERT_TRUE(port.waitForByte(std::chrono::steady_clock::now() + std::chrono::seconds(2)));
    EXPECT_EQ(port.TakeByte(), uint8_t('x'));
    EXPECT_FALSE(port.ByteWaiting());
}
