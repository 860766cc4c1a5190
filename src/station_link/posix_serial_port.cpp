// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/posix_serial_port.h"

#include "common/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tolvin {

namespace {

using Kind = LinkError::Kind;

// Long enough for one byte to leave a port whose output queue is full at 1200 baud, and for a
// stalled adapter to count as gone rather than keep the exchange waiting.
constexpr std::chrono::seconds SendTimeout{2};
// How often such a wait looks at the stop flag: a technician who presses "Прервать" on a
// stalled adapter sees the exchange end well within one reply time-out.
constexpr std::chrono::milliseconds SendWaitSlice{50};

QString systemReason(int err) {
    switch (err) {
    case EIO: return QStringLiteral("ошибка ввода-вывода");
    case ENXIO:
    case ENODEV: return QStringLiteral("устройство отсутствует");
    case ENOTTY: return QStringLiteral("это не последовательный порт");
    case EMFILE:
    case ENFILE: return QStringLiteral("открыто слишком много файлов");
    case EINVAL: return QStringLiteral("устройство не поддерживает эти параметры линии");
    default:
        return QStringLiteral("ошибка %1 (%2)").arg(err).arg(QString::fromLocal8Bit(std::strerror(err)));
    }
}

// The group that owns the device is the one a user joins to get at it (dialout on most
// systems, uucp on some); root's group is no advice at all.
QString noAccessMessage(const QString &device) {
    struct stat st {};
    QString group;
    if (::stat(device.toLocal8Bit().constData(), &st) == 0 && st.st_gid != 0)
        if (const struct group *g = ::getgrgid(st.st_gid))
            group = QString::fromLocal8Bit(g->gr_name);
    if (group.isEmpty())
        return QStringLiteral("Нет доступа к порту %1. Нужны права на чтение и запись этого устройства").arg(device);
    return QStringLiteral("Нет доступа к порту %1. Добавьте пользователя в группу %2 (sudo usermod -aG %2 $USER) "
                          "и войдите в систему заново")
        .arg(device, group);
}

QString openMessage(const QString &device, int err) {
    switch (err) {
    case ENOENT: return QStringLiteral("Порт %1 не найден").arg(device);
    case ENXIO:
    case ENODEV: return QStringLiteral("Порт %1 не найден: устройство отсутствует").arg(device);
    // What a /dev/ttyS* node without a serial chip behind it answers.
    case EIO: return QStringLiteral("Не удалось открыть порт %1: ошибка ввода-вывода (возможно, такого порта нет в компьютере)").arg(device);
    case EACCES:
    case EPERM: return noAccessMessage(device);
    case EBUSY:
    case EWOULDBLOCK: return QStringLiteral("Порт %1 занят другой программой").arg(device);
    case ENOTTY:
    case EISDIR:
    case ENOTDIR: return QStringLiteral("%1 не является последовательным портом").arg(device);
    default: return QStringLiteral("Не удалось открыть порт %1: %2").arg(device, systemReason(err));
    }
}

speed_t speedCode(int baud) {
    switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return 0;
    }
}

tcflag_t sizeFlag(int bits) {
    switch (bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

// Raw bytes both ways: no echo, no line editing, no CR/LF translation, no XON/XOFF or RTS/CTS,
// and CLOCAL so that a station without modem lines is not waited for.
bool applyLine(int fd, const LineSettings &line, int &err) {
    termios t {};
    if (::tcgetattr(fd, &t) != 0) {
        err = errno;
        return false;
    }
    ::cfmakeraw(&t);
    t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY | INPCK);
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
    t.c_cflag |= sizeFlag(line.dataBits) | CLOCAL | CREAD;
    if (line.parity != Parity::None)
        t.c_cflag |= line.parity == Parity::Odd ? tcflag_t(PARENB | PARODD) : tcflag_t(PARENB);
    if (line.stopBits == 2)
        t.c_cflag |= CSTOPB;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    const speed_t speed = speedCode(line.baud);
    if (speed == 0 || ::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) {
        err = EINVAL;
        return false;
    }
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        err = errno;
        return false;
    }
    // tcsetattr succeeds when any one of the changes took; a driver that kept its own speed or
    // character size would garble every byte, so look again.
    termios back {};
    if (::tcgetattr(fd, &back) != 0) {
        err = errno;
        return false;
    }
    if (::cfgetospeed(&back) != speed || (back.c_cflag & CSIZE) != sizeFlag(line.dataBits)) {
        err = EINVAL;
        return false;
    }
    return true;
}

timespec toTimespec(std::chrono::nanoseconds d) {
    if (d < std::chrono::nanoseconds::zero())
        d = std::chrono::nanoseconds::zero();
    const auto s = std::chrono::duration_cast<std::chrono::seconds>(d);
    return {static_cast<time_t>(s.count()), static_cast<long>((d - s).count())};
}

bool isLossErrno(int err) {
    return err == EIO || err == ENXIO || err == ENODEV || err == EPIPE || err == EBADF;
}

} // namespace

PosixSerialPort::~PosixSerialPort() {
    close();
}

void PosixSerialPort::open(const QString &device, const LineSettings &line) {
    close();
    m_device = device;
    const QByteArray path = device.toLocal8Bit();
    // O_NONBLOCK: a real port without carrier would otherwise hold open() forever, and every
    // wait below goes through poll() anyway.
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw LinkError(Kind::CannotOpen, openMessage(device, errno));
    auto fail = [&](int err) {
        ::close(fd);
        throw LinkError(Kind::CannotOpen, openMessage(device, err));
    };
    if (!::isatty(fd))
        fail(ENOTTY);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        fail(errno == EWOULDBLOCK ? EBUSY : errno);
    if (::ioctl(fd, TIOCEXCL) != 0)
        fail(errno);
    int err = 0;
    if (!applyLine(fd, line, err)) {
        ::ioctl(fd, TIOCNXCL);
        fail(err);
    }
    m_fd = fd;
    m_input.clear();
    m_head = 0;
    m_flagsBefore = requestLowLatency(fd, *m_serialFlags);
    // A reply wakes the exchange's thread out of poll(); the kernel may add up to 50 µs to every
    // such wake-up by default, which on 1800 round trips is time the station waits for nothing.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

void PosixSerialPort::close() {
    if (m_fd < 0)
        return;
    // The exclusive mark belongs to the terminal, not to this descriptor: a pty whose other
    // end keeps the terminal alive would stay locked for the next opening without this.
    ::ioctl(m_fd, TIOCNXCL);
    // The adapter goes back to how the next program expects to find it; an adapter already
    // pulled out refuses, which changes nothing.
    if (m_flagsBefore)
        m_serialFlags->set(m_fd, *m_flagsBefore);
    m_flagsBefore.reset();
    ::close(m_fd);  // also drops the flock
    m_fd = -1;
    m_input.clear();
    m_head = 0;
}

void PosixSerialPort::requireOpen() const {
    if (m_fd >= 0)
        return;
    throw LinkError(Kind::NotOpen, m_device.isEmpty() ? QStringLiteral("Порт не открыт")
                                                      : QStringLiteral("Порт %1 не открыт").arg(m_device));
}

void PosixSerialPort::lost(int err) {
    close();
    throw LinkError(Kind::Lost, err == 0 ? QStringLiteral("Связь с портом %1 потеряна: устройство отключено").arg(m_device)
                                         : QStringLiteral("Связь с портом %1 потеряна: %2").arg(m_device, systemReason(err)));
}

void PosixSerialPort::SendByte(uint8_t byte) {
    requireOpen();
    const auto deadline = Clock::now() + SendTimeout;
    for (;;) {
        const ssize_t n = ::write(m_fd, &byte, 1);
        if (n == 1)
            return;
        const int err = n < 0 ? errno : EIO;
        if (err == EINTR)
            continue;
        if (err != EAGAIN)
            lost(isLossErrno(err) ? 0 : err);
        // Output queue full: wait until the line takes the byte, a bounded time.
        if (m_stop && m_stop->load())
            throw LinkError(Kind::Stopped, QStringLiteral("Передача на порт %1 прервана").arg(m_device));
        pollfd p{m_fd, POLLOUT, 0};
        const timespec ts = toTimespec(std::min<std::chrono::nanoseconds>(deadline - Clock::now(), SendWaitSlice));
        const int r = ::ppoll(&p, 1, &ts, nullptr);
        if (r < 0 && errno != EINTR)
            lost(errno);
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
            lost(0);
        if (r == 0 && Clock::now() >= deadline)
            throw LinkError(Kind::Lost, QStringLiteral("Порт %1 не передает данные: байт не отправлен за %2 с")
                                            .arg(m_device)
                                            .arg(SendTimeout.count()));
    }
}

bool PosixSerialPort::fill() {
    char buf[256];
    for (;;) {
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0) {
            if (m_head > 0 && m_head == m_input.size()) {
                m_input.clear();
                m_head = 0;
            }
            m_input.append(buf, n);
            return true;
        }
        if (n == 0)
            lost(0);  // a terminal that hung up (a pty whose other end closed) reads as end of file
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return false;
        lost(isLossErrno(errno) ? 0 : errno);
    }
}

bool PosixSerialPort::ByteWaiting() {
    requireOpen();
    return m_head < m_input.size() || fill();
}

uint8_t PosixSerialPort::TakeByte() {
    if (!ByteWaiting())
        throw LinkError(Kind::Lost, QStringLiteral("Порт %1: нет принятого байта").arg(m_device));
    return uint8_t(m_input[m_head++]);
}

void PosixSerialPort::DiscardInput() {
    requireOpen();
    // Stray bytes are read off rather than flushed: the exchanges drop input before every byte
    // they send, and a flush is a call into the driver each time (on some USB adapters a request
    // to the chip), where a read of an empty queue returns at once. A device gone away shows at
    // the next send or wait, as before.
    uint8_t stray[256];
    while (::read(m_fd, stray, sizeof stray) > 0) {
    }
    m_input.clear();
    m_head = 0;
}

void PosixSerialPort::DiscardOutput() {
    requireOpen();
    ::tcflush(m_fd, TCOFLUSH);
}

bool PosixSerialPort::waitForByte(Clock::time_point deadline) {
    if (ByteWaiting())
        return true;
    for (;;) {
        pollfd p{m_fd, POLLIN, 0};
        const timespec ts = toTimespec(deadline - Clock::now());
        const int r = ::ppoll(&p, 1, &ts, nullptr);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            lost(errno);
        }
        if (r > 0) {
            // Data that arrived before a hang-up is still the station's; take it first.
            if ((p.revents & POLLIN) && fill())
                return true;
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
                lost(0);
        }
        if (Clock::now() >= deadline)
            return false;
    }
}

} // namespace tolvin
