// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/file_io.h"

#include "common/errors.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <limits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvin {
namespace {

QString readError(const QString &path, const QString &reason) {
    return QStringLiteral("Не удалось прочитать файл %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

QString writeError(const QString &path, const QString &reason) {
    return QStringLiteral("Не удалось записать файл %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

// The failure of one step of a write, with the errno it left.
struct StepFailed {
    int err;
};

// Closes a descriptor on every way out; close() reports what a network file system or a full
// disk noticed only then.
struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() {
        if (fd >= 0)
            fileCalls().close(fd);
    }
    void closeOrThrow() {
        const int f = fd;
        fd = -1;
        if (fileCalls().close(f) != 0)
            throw StepFailed{errno};
    }
};

void writeAllOrThrow(int fd, const QByteArray &bytes) {
    const char *data = bytes.constData();
    qint64 size = bytes.size();
    while (size > 0) {
        const ssize_t n = fileCalls().write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw StepFailed{errno};
        }
        if (n == 0)
            throw StepFailed{EIO};
        data += n;
        size -= n;
    }
}

void syncOrThrow(int fd) {
    if (fileCalls().fsync(fd) != 0)
        throw StepFailed{errno};
}

// A new directory entry (a rename, a created or removed file) reaches the disk with its folder.
void syncFolder(const QString &dir) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fileCalls().fsync(fd); // best effort: the file itself is on disk already
        ::close(fd);
    }
}

// A new file that nobody else has, in `dir`, named after `stem`; -1 with errno when the folder
// takes none.
int createUnique(const QString &dir, const QString &stem, mode_t mode, QByteArray &name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = QFile::encodeName(dir + QLatin1Char('/') + stem + QStringLiteral("%1-%2").arg(::getpid()).arg(attempt));
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

QString cacheFolderPath() {
    return userFolder("XDG_CACHE_HOME", QStringLiteral(".cache"));
}

QString nativePath(const QString &path) {
    return QDir::toNativeSeparators(path);
}

// Only its owner (and root) may put names in the folder or take them away. Anywhere else a
// copy of old bytes could be planted to block somebody's file, or taken away.
bool onlyOwnerWrites(const QString &dir) {
    struct stat st {};
    return ::stat(QFile::encodeName(dir).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The user's cache folder when it is theirs alone, else an empty string and the reason. With
// `make` a missing folder is created 0700, and the user's own one is closed to others (older
// versions made it with the umask's mode); a lookup only trusts it as it is.
QString ownCacheFolder(bool make, QString *reason = nullptr) {
    const QString dir = cacheFolderPath();
    const QByteArray native = QFile::encodeName(dir);
    const auto refuse = [&](const QString &why) {
        if (reason)
            *reason = why;
        return QString();
    };
    if (make) {
        QDir().mkpath(QFileInfo(dir).absolutePath());
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return refuse(QStringLiteral("не удалось создать папку %1: %2").arg(nativePath(dir), describeErrno(errno)));
    }
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return refuse(QStringLiteral("папка %1: %2").arg(nativePath(dir), describeErrno(errno)));
    if (!S_ISDIR(st.st_mode))
        return refuse(QStringLiteral("%1 не является папкой").arg(nativePath(dir)));
    if (st.st_uid != ::geteuid())
        return refuse(QStringLiteral("папка %1 принадлежит другому пользователю").arg(nativePath(dir)));
    if (make && (st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) == 0)
        st.st_mode &= ~mode_t(077);
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return refuse(QStringLiteral("в папку %1 могут писать другие пользователи").arg(nativePath(dir)));
    return dir;
}

bool isPermissionErrno(int err) {
    return err == EACCES || err == EPERM || err == EROFS;
}

// The target as a file we write: the path, or the file a symbolic link points to.
QString resolveTarget(const QString &path) {
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath(); // empty for a dangling link
    const QString target = !canonical.isEmpty() ? canonical : info.symLinkTarget();
    return target.isEmpty() ? path : target;
}

enum class Replaced { Done, OwnerWouldChange, FolderClosed };

// The new content in a temporary file renamed over the target. Returns without touching the
// target when a rename would change its owner or group, or the folder takes no new file.
Replaced replaceByRename(const QString &path, const QString &target, const QByteArray &bytes,
                         const struct stat *old) {
    const QString dir = QFileInfo(target).absolutePath();
    QByteArray tmpName;
    // Not derived from the target's name, which may already be as long as names get. A new file
    // gets 0666 less the umask; an existing one's mode is copied below.
    Fd f(createUnique(dir, QStringLiteral(".tolvin-"), 0666, tmpName));
    if (f.fd < 0) {
        const int err = errno;
        if (old && isPermissionErrno(err))
            return Replaced::FolderClosed;
        if (err == EACCES || err == EPERM)
            throw IoError(writeError(path, QStringLiteral("нет прав на создание файлов в папке %1")
                                               .arg(QDir::toNativeSeparators(dir))));
        throw IoError(writeError(path, describeErrno(err)));
    }
    try {
        if (old) {
            // A user who may not give the file its owner and group back must not take them
            // away by saving it: that is a case for writing in place.
            if (::fchown(f.fd, old->st_uid, old->st_gid) != 0) {
            }
            struct stat now {};
            if (::fstat(f.fd, &now) != 0)
                throw StepFailed{errno};
            if (now.st_uid != old->st_uid || now.st_gid != old->st_gid) {
                f.closeOrThrow();
                ::unlink(tmpName.constData());
                return Replaced::OwnerWouldChange;
            }
            if (::fchmod(f.fd, old->st_mode & 07777) != 0 && errno != EPERM)
                throw StepFailed{errno};
        }
        writeAllOrThrow(f.fd, bytes);
        syncOrThrow(f.fd);
        f.closeOrThrow();
        if (fileCalls().rename(tmpName.constData(), QFile::encodeName(target).constData()) != 0)
            throw StepFailed{errno};
    } catch (const StepFailed &e) {
        ::unlink(tmpName.constData());
        throw IoError(writeError(path, describeErrno(e.err)));
    }
    syncFolder(dir);
    return Replaced::Done;
}

// Opens the target as it is and puts `bytes` in it from the start, cutting what is left over.
void overwrite(const QByteArray &target, const QByteArray &bytes) {
    Fd f(::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (f.fd < 0)
        throw StepFailed{errno};
    writeAllOrThrow(f.fd, bytes);
    if (::ftruncate(f.fd, static_cast<off_t>(bytes.size())) != 0)
        throw StepFailed{errno};
    syncOrThrow(f.fd);
    f.closeOrThrow();
}

// The name the copy of a file's old bytes starts with while the file is written in place:
// hidden beside the file, or in the cache folder with the file's folder in it, as files of one
// name from many folders meet there. The process id and a number follow.
QString copyStem(const QString &target, bool inCache) {
    const QFileInfo info(target);
    const QString canonical = info.canonicalFilePath();
    QString stem = QLatin1Char('.') + info.fileName();
    if (inCache) {
        const QByteArray where = QFile::encodeName(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
        stem += QLatin1Char('.') +
                QString::fromLatin1(QCryptographicHash::hash(where, QCryptographicHash::Sha256).toHex().left(12));
    }
    return stem + QStringLiteral(".tolvin-old-");
}

// The whole copy, written under a temporary name, gets the name a load looks for: a name that
// showed part of the old content would be taken for all of it. An earlier copy of the file is
// never replaced.
QByteArray nameCopy(const QByteArray &tmpName, const QString &dir, const QString &stem) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name =
            QFile::encodeName(dir + QLatin1Char('/') + stem + QStringLiteral("%1-%2").arg(::getpid()).arg(attempt));
        struct stat st {};
        if (::lstat(name.constData(), &st) == 0)
            continue;
        if (errno != ENOENT)
            throw StepFailed{errno};
        if (fileCalls().rename(tmpName.constData(), name.constData()) != 0)
            throw StepFailed{errno};
        return name;
    }
    throw StepFailed{EEXIST};
}

// The copies earlier saves of `target` may have left: beside it, and in the user's own cache
// folder, never in a folder others may write. Each with the process id its name carries, the
// oldest first: after two cut-off saves the later copy holds what the first one left, and only
// the oldest the last whole content.
struct LeftCopy {
    QString path;
    qint64 pid;
    QDateTime written;
};
QList<LeftCopy> leftCopies(const QString &target) {
    const QFileInfo info(target);
    struct Place {
        QString dir;
        bool inCache;
    };
    QList<Place> places;
    if (onlyOwnerWrites(info.absolutePath()))
        places.append({info.absolutePath(), false});
    if (const QString cache = ownCacheFolder(false); !cache.isEmpty())
        places.append({cache, true});
    static const QRegularExpression tail(QStringLiteral("^([0-9]+)-[0-9]+$"));
    QList<LeftCopy> copies;
    for (const Place &place : places) {
        const QString stem = copyStem(target, place.inCache);
        // Compared by hand: a file's own name may hold characters a name filter reads as a pattern.
        const QDir dir(place.dir);
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
            if (!name.startsWith(stem))
                continue;
            const QRegularExpressionMatch m = tail.match(name.mid(stem.size()));
            if (m.hasMatch()) {
                const QString path = dir.filePath(name);
                copies.append({path, m.captured(1).toLongLong(), QFileInfo(path).lastModified()});
            }
        }
    }
    std::stable_sort(copies.begin(), copies.end(),
                     [](const LeftCopy &a, const LeftCopy &b) { return a.written < b.written; });
    return copies;
}

bool processRunning(qint64 pid) {
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Far more than one file's cut-off saves in one second.
constexpr int MaxCopiesPerSecond = 10000;

// A copy a cut-off save left, moved into the backups folder under the file's name and the
// time of that save: out of the load's way, and still there for whoever needs it.
void moveToBackups(const QString &path, const LeftCopy &copy) {
    const QString folder = backupFolder();
    const auto failed = [&](const QString &reason) {
        return IoError(QStringLiteral("Файл %1 записан, но прежняя версия из прерванной записи %2 не перенесена в "
                                      "папку %3: %4")
                           .arg(nativePath(path), nativePath(copy.path), nativePath(folder), reason));
    };
    QDir().mkpath(dataFolder());
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        throw failed(describeErrno(errno));
    const QFileInfo file(path);
    const QString suffix = file.suffix().isEmpty() ? QString() : QLatin1Char('.') + file.suffix();
    const QString stem = (file.suffix().isEmpty() ? file.fileName() : file.completeBaseName()) +
                         QStringLiteral("-прерванная-запись-") + copy.written.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString taken;
    try {
        const QByteArray bytes = readFileBytes(copy.path, std::numeric_limits<qint64>::max() / 2);
        taken = writeNewFile(
            [&](int n) {
                return QDir(folder).filePath(n == 1 ? stem + suffix : stem + QStringLiteral("_%1").arg(n) + suffix);
            },
            MaxCopiesPerSecond, bytes);
    } catch (const IoError &e) {
        throw failed(e.message());
    }
    if (taken.isEmpty())
        throw failed(QStringLiteral("заняты все имена %1…").arg(stem));
    if (::unlink(QFile::encodeName(copy.path).constData()) != 0 && errno != ENOENT)
        throw failed(describeErrno(errno));
    syncFolder(QFileInfo(copy.path).absolutePath());
}

// The file now holds a whole content of its own: what earlier cut-off saves left stops
// blocking it. The copy of a save that may still be running is that save's to remove.
void retireLeftCopies(const QString &path, const QString &target) {
    for (const LeftCopy &c : leftCopies(target))
        if (!processRunning(c.pid))
            moveToBackups(path, c);
}

// The careful editor's way: old bytes to a copy on disk, new bytes into the file itself, the
// copy removed once the file holds them. The file keeps its inode, links, owner, group, mode.
void writeInPlace(const QString &path, const QString &target, const QByteArray &bytes) {
    const QByteArray nativeTarget = QFile::encodeName(target);
    QByteArray old;
    try {
        // A writable file of any size is still the user's; read it whole, whatever the limit.
        old = readFileBytes(target, std::numeric_limits<qint64>::max() / 2);
    } catch (const IoError &) {
        throw IoError(writeError(path, QStringLiteral("файл нельзя прочитать, чтобы сохранить его прежнее "
                                                      "содержимое на время записи")));
    }
    const auto copyFailed = [&](const QString &reason) {
        return IoError(writeError(path, QStringLiteral("не удалось сохранить копию прежнего содержимого: %1").arg(reason)));
    };

    QString copyDir = QFileInfo(target).absolutePath();
    bool inCache = !onlyOwnerWrites(copyDir);
    QByteArray tmpName;
    Fd copy;
    if (!inCache) {
        copy.fd = createUnique(copyDir, QStringLiteral(".tolvin-"), 0600, tmpName);
        inCache = copy.fd < 0 && isPermissionErrno(errno);
    }
    if (inCache) {
        QString reason;
        copyDir = ownCacheFolder(true, &reason);
        if (copyDir.isEmpty())
            throw copyFailed(reason);
        copy.fd = createUnique(copyDir, QStringLiteral(".tolvin-"), 0600, tmpName);
    }
    if (copy.fd < 0)
        throw copyFailed(describeErrno(errno));
    QByteArray copyName;
    try {
        writeAllOrThrow(copy.fd, old);
        syncOrThrow(copy.fd);
        copy.closeOrThrow();
        copyName = nameCopy(tmpName, copyDir, copyStem(target, inCache));
    } catch (const StepFailed &e) {
        ::unlink(tmpName.constData());
        throw copyFailed(describeErrno(e.err));
    }
    syncFolder(copyDir);

    try {
        overwrite(nativeTarget, bytes);
    } catch (const StepFailed &e) {
        QString reason = describeErrno(e.err);
        try {
            overwrite(nativeTarget, old);
            ::unlink(copyName.constData());
        } catch (const StepFailed &) {
            reason += QStringLiteral(". Прежнее содержимое файла сохранено в %1")
                          .arg(nativePath(QFile::decodeName(copyName)));
        }
        throw IoError(writeError(path, reason));
    }
    ::unlink(copyName.constData());
    syncFolder(copyDir);
}

ssize_t systemWrite(int fd, const void *data, size_t size) {
    return ::write(fd, data, size);
}

} // namespace

FileCalls &fileCalls() {
    static FileCalls calls{systemWrite, ::fsync, ::close, ::rename, ::link};
    return calls;
}

QString describeErrno(int err) {
    switch (err) {
    case ENOENT: return QStringLiteral("файл или папка не найдены");
    case EACCES:
    case EPERM: return QStringLiteral("нет прав доступа");
    case EISDIR: return QStringLiteral("это папка, а не файл");
    case ENOTDIR: return QStringLiteral("часть пути не является папкой");
    case ENOSPC: return QStringLiteral("нет места на диске");
#ifdef EDQUOT
    case EDQUOT: return QStringLiteral("превышена дисковая квота");
#endif
    case EROFS: return QStringLiteral("диск доступен только для чтения");
    case ENAMETOOLONG: return QStringLiteral("слишком длинное имя файла");
    case EMFILE:
    case ENFILE: return QStringLiteral("открыто слишком много файлов");
    case EIO: return QStringLiteral("ошибка ввода-вывода");
    case EFBIG: return QStringLiteral("файл слишком велик");
    case ELOOP: return QStringLiteral("слишком много символических ссылок");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("файл занят");
    default:
        return QStringLiteral("ошибка %1 (%2)").arg(err).arg(QString::fromLocal8Bit(std::strerror(err)));
    }
}

QString sizeText(qint64 bytes) {
    constexpr qint64 MiB = 1024 * 1024;
    return bytes % MiB == 0 ? QStringLiteral("%1 МБ").arg(bytes / MiB) : QStringLiteral("%1 байт").arg(bytes);
}

QString tooBigReason(qint64 maxBytes) {
    return QStringLiteral("файл слишком велик (больше %1)").arg(sizeText(maxBytes));
}

std::optional<QByteArray> tryReadFileBytes(const QString &path, qint64 maxBytes) {
    try {
        return readFileBytes(path, maxBytes);
    } catch (const IoError &) {
        return std::nullopt;
    }
}

QByteArray readFileBytes(const QString &path, qint64 maxBytes) {
    if (path.isEmpty())
        throw IoError(readError(path, describeErrno(ENOENT)));
    const QByteArray native = QFile::encodeName(path);
    struct ReadFd {
        int fd;
        ~ReadFd() {
            if (fd >= 0)
                ::close(fd);
        }
    } f{::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (f.fd < 0)
        throw IoError(readError(path, describeErrno(errno)));
    struct stat st {};
    if (::fstat(f.fd, &st) != 0)
        throw IoError(readError(path, describeErrno(errno)));
    if (S_ISDIR(st.st_mode))
        throw IoError(readError(path, describeErrno(EISDIR)));
    if (!S_ISREG(st.st_mode)) // a device or a pipe could block or never end
        throw IoError(readError(path, QStringLiteral("это не обычный файл")));
    if (st.st_size > maxBytes)
        throw IoError(readError(path, tooBigReason(maxBytes)));
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(st.st_size));
    qint64 done = 0;
    while (true) {
        if (done == bytes.size()) {
            if (bytes.size() > maxBytes)
                throw IoError(readError(path, tooBigReason(maxBytes)));
            bytes.resize(bytes.size() + 4096); // the file grew since fstat
        }
        const ssize_t n = ::read(f.fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw IoError(readError(path, describeErrno(errno)));
        }
        if (n == 0)
            break;
        done += n;
    }
    if (done > maxBytes)
        throw IoError(readError(path, tooBigReason(maxBytes)));
    bytes.truncate(static_cast<qsizetype>(done));
    return bytes;
}

void writeFileAtomically(const QString &path, const QByteArray &bytes) {
    if (path.isEmpty())
        throw IoError(writeError(path, describeErrno(ENOENT)));
    const QString target = resolveTarget(path);
    const QByteArray nativeTarget = QFile::encodeName(target);

    struct stat st {};
    if (::stat(nativeTarget.constData(), &st) != 0) {
        if (errno != ENOENT)
            throw IoError(writeError(path, describeErrno(errno)));
        replaceByRename(path, target, bytes, nullptr);
        retireLeftCopies(path, target);
        return;
    }
    if (S_ISDIR(st.st_mode))
        throw IoError(writeError(path, describeErrno(EISDIR)));
    if (!S_ISREG(st.st_mode))
        throw IoError(writeError(path, QStringLiteral("это не обычный файл")));
    // The rename would get past a file the user made read-only; refuse as an ordinary write
    // into it would.
    if (::faccessat(AT_FDCWD, nativeTarget.constData(), W_OK, AT_EACCESS) != 0)
        throw IoError(writeError(path, describeErrno(errno)));

    // A rename gives the name a new file; the other names of the old one would keep the old text.
    if (st.st_nlink > 1 || replaceByRename(path, target, bytes, &st) != Replaced::Done)
        writeInPlace(path, target, bytes);
    retireLeftCopies(path, target);
}

// A file system without hard links (a FAT stick): the name is taken by the new file itself,
// which then may show part of its bytes after a crash. False when the name is taken.
bool createExclusively(const QByteArray &name, const QByteArray &bytes) {
    Fd f(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (f.fd < 0) {
        if (errno == EEXIST)
            return false;
        throw StepFailed{errno};
    }
    try {
        writeAllOrThrow(f.fd, bytes);
        syncOrThrow(f.fd);
        f.closeOrThrow();
    } catch (const StepFailed &) {
        ::unlink(name.constData());
        throw;
    }
    return true;
}

QString writeNewFile(const std::function<QString(int)> &nameFor, int tries, const QByteArray &bytes) {
    const QString first = nameFor(1);
    if (first.isEmpty())
        throw IoError(writeError(first, describeErrno(ENOENT)));
    const QString dir = QFileInfo(first).absolutePath();
    QByteArray tmpName;
    Fd f(createUnique(dir, QStringLiteral(".tolvin-"), 0666, tmpName));
    if (f.fd < 0)
        throw IoError(writeError(first, describeErrno(errno)));
    QString name = first;
    QString taken;
    try {
        writeAllOrThrow(f.fd, bytes);
        syncOrThrow(f.fd);
        f.closeOrThrow();
        for (int n = 1; n <= tries && taken.isEmpty(); ++n) {
            name = n == 1 ? first : nameFor(n);
            const QByteArray native = QFile::encodeName(QFileInfo(name).absoluteFilePath());
            // link() never follows a symbolic link at the new name and fails on any existing one.
            if (fileCalls().link(tmpName.constData(), native.constData()) == 0) {
                taken = name;
                break;
            }
            const int err = errno;
            if (err == EEXIST)
                continue;
            if (err != EPERM && err != ENOTSUP && err != EOPNOTSUPP && err != ENOSYS)
                throw StepFailed{err};
            for (; n <= tries; ++n) {
                name = n == 1 ? first : nameFor(n);
                if (createExclusively(QFile::encodeName(QFileInfo(name).absoluteFilePath()), bytes)) {
                    taken = name;
                    break;
                }
            }
        }
    } catch (const StepFailed &e) {
        ::unlink(tmpName.constData());
        throw IoError(writeError(name, describeErrno(e.err)));
    }
    ::unlink(tmpName.constData());
    syncFolder(dir);
    return taken;
}

QString interruptedWriteCopy(const QString &path) {
    if (path.isEmpty())
        return QString();
    const QString target = resolveTarget(path);
    if (!QFileInfo::exists(target))
        return QString();
    const QList<LeftCopy> copies = leftCopies(target);
    return copies.isEmpty() ? QString() : copies.first().path;
}

QByteArray readSavedFileBytes(const QString &path) {
    const QString copy = interruptedWriteCopy(path);
    if (!copy.isEmpty())
        throw InterruptedSaveError(QStringLiteral("Запись файла %1 была прервана; прежняя версия сохранена в %2")
                                       .arg(nativePath(path), nativePath(copy)),
                                   path, copy);
    return readFileBytes(path);
}

QString userFolder(const char *variable, const QString &homeFallback) {
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QLatin1Char('/') + homeFallback;
    return base + QStringLiteral("/tolvin");
}

QString dataFolder() {
    return userFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

QString configFolder() {
    return userFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

QString backupFolder() {
    return dataFolder() + QStringLiteral("/backups");
}

} // namespace tolvin
