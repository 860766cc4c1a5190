// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/journal_spill.h"

#include "journal/journal_store.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tolvin {

namespace {

// Appends and merges are kept apart with an exclusive lock on the file itself; neither holds it
// for longer than one write or one merge.
constexpr int LockTries = 20;
constexpr int LockPauseMs = 50;

struct LockedFile {
    int fd = -1;
    ~LockedFile() {
        if (fd >= 0)
            ::close(fd); // releases the lock
    }
};

bool lockWithin(int fd) {
    for (int i = 0; i < LockTries; ++i) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        QThread::msleep(LockPauseMs);
    }
    return false;
}

QByteArray line(const JournalEntry &e, bool waiting) {
    QJsonObject o{{QStringLiteral("id"), e.id},
                  {QStringLiteral("time_ms"), double(e.time.toMSecsSinceEpoch())},
                  {QStringLiteral("bench"), e.bench},
                  {QStringLiteral("user"), e.user},
                  {QStringLiteral("version"), e.version},
                  {QStringLiteral("device"), e.device},
                  {QStringLiteral("operation"), e.operation},
                  {QStringLiteral("serial"), e.serial},
                  {QStringLiteral("station_type"), e.stationType},
                  {QStringLiteral("result"), e.result},
                  {QStringLiteral("message"), e.message},
                  {QStringLiteral("duration_ms"), double(e.durationMs)},
                  {QStringLiteral("config"), QString::fromLatin1(e.config.toBase64())},
                  {QStringLiteral("config_sha256"), e.configSha256},
                  {QStringLiteral("differences"), QJsonArray::fromStringList(e.differences)},
                  {QStringLiteral("waiting"), waiting}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

// False for a line that is no entry (the tail of a write cut short by a crash).
bool entryOf(const QByteArray &text, JournalEntry &e, bool &waiting) {
    const QJsonObject o = QJsonDocument::fromJson(text).object();
    e.id = o.value(QStringLiteral("id")).toString();
    if (e.id.isEmpty())
        return false;
    e.time = QDateTime::fromMSecsSinceEpoch(qint64(o.value(QStringLiteral("time_ms")).toDouble()), Qt::UTC);
    e.bench = o.value(QStringLiteral("bench")).toString();
    e.user = o.value(QStringLiteral("user")).toString();
    e.version = o.value(QStringLiteral("version")).toString();
    e.device = o.value(QStringLiteral("device")).toString();
    e.operation = o.value(QStringLiteral("operation")).toString();
    e.serial = o.value(QStringLiteral("serial")).toString();
    e.stationType = o.value(QStringLiteral("station_type")).toString();
    e.result = o.value(QStringLiteral("result")).toString();
    e.message = o.value(QStringLiteral("message")).toString();
    e.durationMs = qint64(o.value(QStringLiteral("duration_ms")).toDouble());
    e.config = QByteArray::fromBase64(o.value(QStringLiteral("config")).toString().toLatin1());
    e.configSha256 = o.value(QStringLiteral("config_sha256")).toString();
    for (const QJsonValue &d : o.value(QStringLiteral("differences")).toArray())
        e.differences << d.toString();
    waiting = o.value(QStringLiteral("waiting")).toBool();
    return true;
}

QString spillError(const QString &journalPath, const QString &why) {
    return QStringLiteral("Журнал станций %1 занят, а запасной файл %2 не записан: %3; записи журнала потеряны")
        .arg(QDir::toNativeSeparators(journalPath), QDir::toNativeSeparators(spillPath(journalPath)), why);
}

} // namespace

QString spillPath(const QString &journalPath) {
    return journalPath + QStringLiteral(".spill");
}

void spillEntries(const QString &journalPath, const std::vector<JournalEntry> &entries, bool waiting) {
    QByteArray bytes;
    for (const JournalEntry &e : entries)
        bytes += line(e, waiting);
    LockedFile f{::open(QFile::encodeName(spillPath(journalPath)).constData(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)};
    if (f.fd < 0)
        throw JournalError(spillError(journalPath, QString::fromLocal8Bit(std::strerror(errno))));
    if (!lockWithin(f.fd))
        throw JournalError(spillError(journalPath, QStringLiteral("файл занят")));
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(f.fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw JournalError(spillError(journalPath, QString::fromLocal8Bit(std::strerror(errno))));
        data += n;
        left -= n;
    }
    if (::fsync(f.fd) != 0)
        throw JournalError(spillError(journalPath, QString::fromLocal8Bit(std::strerror(errno))));
}

int mergeSpilled(const QString &journalPath, JournalStore &store) {
    LockedFile f{::open(QFile::encodeName(spillPath(journalPath)).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW)};
    if (f.fd < 0 || ::flock(f.fd, LOCK_EX | LOCK_NB) != 0)
        return 0;
    QByteArray text;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(f.fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return 0;
        if (n == 0)
            break;
        text.append(buf, n);
    }
    if (text.isEmpty())
        return 0;
    std::vector<JournalEntry> waiting, kept;
    for (const QByteArray &l : text.split('\n')) {
        JournalEntry e;
        bool toSend = false;
        if (!l.isEmpty() && entryOf(l, e, toSend))
            (toSend ? waiting : kept).push_back(std::move(e));
    }
    try {
        // Adding is idempotent by id: a merge cut short before the file was emptied only adds
        // nothing the next time.
        store.add(kept, false);
        store.add(waiting, true);
    } catch (const JournalError &) {
        return 0;
    }
    if (::ftruncate(f.fd, 0) == 0)
        ::fsync(f.fd);
    return int(kept.size() + waiting.size());
}

} // namespace tolvin
