#include "settings_file/file_io.h"

#include "common/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
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

// Closes a descriptor on every way out.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    int release() {
        const int f = fd;
        fd = -1;
        return f;
    }
};

bool writeAll(int fd, const char *data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

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
    Fd f;
    f.fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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
        throw IoError(readError(path, describeErrno(EFBIG)));
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(st.st_size));
    qint64 done = 0;
    while (true) {
        if (done == bytes.size()) {
            if (bytes.size() >= maxBytes + 1)
                throw IoError(readError(path, describeErrno(EFBIG)));
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
    bytes.truncate(static_cast<qsizetype>(done));
    return bytes;
}

void writeFileAtomically(const QString &path, const QByteArray &bytes) {
    if (path.isEmpty())
        throw IoError(writeError(path, describeErrno(ENOENT)));
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString canonical = info.canonicalFilePath(); // empty for a dangling link
        target = !canonical.isEmpty() ? canonical : info.symLinkTarget();
        if (target.isEmpty())
            target = path;
    }
    const QByteArray nativeTarget = QFile::encodeName(target);

    bool existed = false;
    struct stat st {};
    if (::stat(nativeTarget.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw IoError(writeError(path, describeErrno(EISDIR)));
        if (!S_ISREG(st.st_mode))
            throw IoError(writeError(path, QStringLiteral("это не обычный файл")));
        existed = true;
        // The rename below would get past a file the user made read-only; refuse as an
        // ordinary write into it would.
        if (::faccessat(AT_FDCWD, nativeTarget.constData(), W_OK, AT_EACCESS) != 0)
            throw IoError(writeError(path, describeErrno(errno)));
    } else if (errno != ENOENT) {
        throw IoError(writeError(path, describeErrno(errno)));
    }

    const QFileInfo targetInfo(target);
    const QString dir = targetInfo.absolutePath();
    QByteArray tmpName;
    Fd f;
    for (int attempt = 0; attempt < 100 && f.fd < 0; ++attempt) {
        // Not derived from the target's name, which may already be as long as names get.
        tmpName = QFile::encodeName(dir + QStringLiteral("/.tolvin-%1-%2.tmp").arg(::getpid()).arg(attempt));
        // A new file gets 0666 less the umask; an existing one's mode is copied below.
        f.fd = ::open(tmpName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (f.fd < 0 && errno != EEXIST)
            break;
    }
    if (f.fd < 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM)
            throw IoError(writeError(path, QStringLiteral("нет прав на создание файлов в папке %1")
                                               .arg(QDir::toNativeSeparators(dir))));
        throw IoError(writeError(path, describeErrno(err)));
    }

    auto fail = [&](int err) {
        ::close(f.release());
        ::unlink(tmpName.constData());
        throw IoError(writeError(path, describeErrno(err)));
    };
    if (!writeAll(f.fd, bytes.constData(), bytes.size()))
        fail(errno);
    if (existed) {
        // Owner and mode as the old file had them; a user who may not change them still saves.
        if (::fchown(f.fd, st.st_uid, st.st_gid) != 0) {
        }
        if (::fchmod(f.fd, st.st_mode & 07777) != 0 && errno != EPERM)
            fail(errno);
    }
    if (::fsync(f.fd) != 0)
        fail(errno);
    if (::close(f.release()) != 0) {
        const int err = errno;
        ::unlink(tmpName.constData());
        throw IoError(writeError(path, describeErrno(err)));
    }
    if (::rename(tmpName.constData(), nativeTarget.constData()) != 0) {
        const int err = errno;
        ::unlink(tmpName.constData());
        throw IoError(writeError(path, describeErrno(err)));
    }
    // The rename itself must reach the disk too.
    Fd d;
    d.fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d.fd >= 0)
        ::fsync(d.fd);
}

} // namespace tolvin
