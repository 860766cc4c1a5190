// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/file_io.h"

#include "common/errors.h"
#include "support/disk_fault.h"
#include "support/unprivileged.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvin;
using tolvin::test::LateDiskFault;
using tolvin::test::runningAsRoot;
using tolvin::test::runUnprivileged;
using tolvin::test::UnprivilegedId;

namespace {

QByteArray contents(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

struct stat statOf(const QString &path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

QStringList entries(const QString &dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

void mode(const QString &path, mode_t m) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), m), 0) << path.toStdString();
}

void owner(const QString &path, uid_t uid, gid_t gid) {
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), uid, gid), 0) << path.toStdString();
}

// An XDG base folder for one test: where a write in place keeps its copy when the file's own
// folder takes none (XDG_CACHE_HOME), and where copies of cut-off saves go later (XDG_DATA_HOME).
class XdgHome {
public:
    XdgHome(const char *name, const QString &path)
        : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name)) {
        qputenv(name, QFile::encodeName(path));
    }
    ~XdgHome() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

struct CacheHome : XdgHome {
    explicit CacheHome(const QString &path) : XdgHome("XDG_CACHE_HOME", path) {}
};

} // namespace

TEST(FileIoTest, ReadFailuresNameThePathAndReason) {
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("big.ini"));
    put(big, QByteArray(100, 'x'));
    struct Case { QString path; const char16_t *reason; };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("missing.ini")), u"не найдены"},
        {dir.path(), u"это папка"},
        {QStringLiteral("/dev/null"), u"не обычный файл"},
    };
    for (const Case &c : cases) {
        try {
            readFileBytes(c.path);
            ADD_FAILURE() << c.path.toStdString();
        } catch (const IoError &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Не удалось прочитать файл ") + c.path))
                << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::fromUtf16(c.reason))) << e.message().toStdString();
        }
    }
    EXPECT_THROW(readFileBytes(big, 99), IoError);
    EXPECT_EQ(readFileBytes(big, 100).size(), 100);
    EXPECT_FALSE(tryReadFileBytes(dir.path()).has_value());
}

TEST(FileIoTest, NoInputFileIsReadPastTheLimit) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.ini"));
    put(path, QByteArray(MaxInputFileBytes, 'x'));
    EXPECT_EQ(readFileBytes(path).size(), MaxInputFileBytes);
    put(path, QByteArray(MaxInputFileBytes + 1, 'x'));
    try {
        readFileBytes(path);
        ADD_FAILURE();
    } catch (const IoError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Не удалось прочитать файл %1: файл слишком велик (больше 1 МБ)").arg(path));
    }
    EXPECT_EQ(tooBigReason(100), QStringLiteral("файл слишком велик (больше 100 байт)"));
}

TEST(FileIoTest, AtomicWriteReplacesKeepsModeAndFollowsLinks) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("t.ini"));
    put(target, "old");
    mode(target, 0640);
    const ino_t before = statOf(target).st_ino;
    writeFileAtomically(target, "new");
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(statOf(target).st_mode & 0777, 0640u);
    EXPECT_NE(statOf(target).st_ino, before) << "a plain file is replaced by a rename";

    const QString link = dir.filePath(QStringLiteral("link.ini"));
    ASSERT_TRUE(QFile::link(target, link));
    writeFileAtomically(link, "via link");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contents(target), "via link");
    EXPECT_EQ(entries(dir.path()).size(), 2); // no temporaries left
}

TEST(FileIoTest, FailedWriteLeavesTheOldFile) {
    QTemporaryDir dir;
    // A folder in the target's place: refused whoever runs the test.
    const QString folder = dir.filePath(QStringLiteral("q.ini"));
    ASSERT_TRUE(QDir().mkdir(folder));
    try {
        writeFileAtomically(folder, "x");
        ADD_FAILURE();
    } catch (const IoError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Не удалось записать файл %1: это папка, а не файл").arg(folder));
    }
    EXPECT_THROW(writeFileAtomically(dir.filePath(QStringLiteral("none/x.ini")), "x"), IoError);

    // Limits stop root as well: no descriptor for the temporary file, or a write cut short
    // half-way. Either way the old file stays and no temporary is left behind.
    struct Case { const char *name; int resource; const char16_t *reason; };
    const Case cases[] = {
        {"no descriptor", RLIMIT_NOFILE, u"открыто слишком много файлов"},
        {"write cut short", RLIMIT_FSIZE, u"файл слишком велик"},
    };
    const QString target = dir.filePath(QStringLiteral("t.ini"));
    put(target, "old");
    for (const Case &c : cases) {
        rlimit saved{};
        ASSERT_EQ(::getrlimit(c.resource, &saved), 0);
        rlimit low = saved;
        if (c.resource == RLIMIT_NOFILE) {
            const int next = ::dup(0);
            ::close(next);
            low.rlim_cur = static_cast<rlim_t>(next);
        } else {
            low.rlim_cur = 10;
        }
        const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(::setrlimit(c.resource, &low), 0);
        QString message;
        try {
            writeFileAtomically(target, QByteArray(4096, 'n'));
        } catch (const IoError &e) {
            message = e.message();
        }
        ::setrlimit(c.resource, &saved);
        ::signal(SIGXFSZ, oldHandler);
        EXPECT_TRUE(message.startsWith(QStringLiteral("Не удалось записать файл ") + target)) << c.name;
        EXPECT_TRUE(message.contains(QString::fromUtf16(c.reason))) << message.toStdString();
        EXPECT_EQ(contents(target), "old") << c.name;
        EXPECT_EQ(entries(dir.path()).size(), 1) << c.name;
    }
}

TEST(FileIoTest, ReadOnlyFileOrNewFileInReadOnlyFolderRefused) {
    // A read-only file is the user's "do not change"; replacing it through the folder would get
    // past that. Run as an ordinary user, where permission bits mean something.
    runUnprivileged([] {
        struct Case { const char *name; mode_t folderMode, fileMode; bool exists; const char16_t *reason; };
        const Case cases[] = {
            {"read-only file", 0755, 0444, true, u"нет прав доступа"},
            {"read-only file in a read-only folder", 0555, 0444, true, u"нет прав доступа"},
            {"new file in a read-only folder", 0555, 0644, false, u"нет прав на создание файлов в папке"},
        };
        for (const Case &c : cases) {
            QTemporaryDir dir;
            const QString sub = dir.filePath(QStringLiteral("ro"));
            ASSERT_TRUE(QDir().mkdir(sub));
            const QString target = sub + QStringLiteral("/t.ini");
            if (c.exists) {
                put(target, "old");
                mode(target, c.fileMode);
            }
            mode(sub, c.folderMode);
            try {
                writeFileAtomically(target, "new");
                ADD_FAILURE() << c.name;
            } catch (const IoError &e) {
                EXPECT_TRUE(e.message().contains(QString::fromUtf16(c.reason))) << e.message().toStdString();
            }
            mode(sub, 0755);
            EXPECT_EQ(contents(target), c.exists ? QByteArray("old") : QByteArray("<unreadable>")) << c.name;
            EXPECT_EQ(entries(sub).size(), c.exists ? 1 : 0) << c.name;
        }
    });
}

TEST(FileIoTest, WritesInPlaceWhereARenameWouldChangeTheFile) {
    // Each case: who owns the folder and the file, and the modes; the save runs as an ordinary
    // user. Owners other than the ordinary user need root to set up.
    struct Case {
        const char *name;
        bool otherOwners;       // set up by root
        uid_t folderUid, fileUid;
        gid_t fileGid;
        mode_t folderMode, fileMode;
        bool hardLink;
    };
    const uid_t me = runningAsRoot() ? UnprivilegedId : ::geteuid();
    const gid_t myGroup = runningAsRoot() ? UnprivilegedId : ::getegid();
    const Case cases[] = {
        {"another hard link", false, me, me, myGroup, 0755, 0644, true},
        {"folder not writable, file writable", false, me, me, myGroup, 0555, 0644, false},
        {"owner would change", true, me, 0, 0, 0755, 0666, false},
        {"group would change", true, me, me, 0, 0755, 0664, false},
    };
    for (const Case &c : cases) {
        if (c.otherOwners && !runningAsRoot()) {
            std::printf("[  SKIPPED ] %s: needs root to give the file another owner\n", c.name);
            continue;
        }
        QTemporaryDir dir;
        mode(dir.path(), 0755);
        const QString folder = dir.filePath(QStringLiteral("f"));
        ASSERT_TRUE(QDir().mkdir(folder));
        const QString cache = dir.filePath(QStringLiteral("cache"));
        ASSERT_TRUE(QDir().mkdir(cache));
        if (runningAsRoot())
            owner(cache, me, myGroup);
        const CacheHome cacheHome(cache);
        const QString target = folder + QStringLiteral("/Q7KM_10.ini");
        const QString other = dir.filePath(QStringLiteral("other-name.ini"));
        put(target, "old content");
        if (c.hardLink) {
            ASSERT_EQ(::link(QFile::encodeName(target).constData(), QFile::encodeName(other).constData()), 0);
        }
        if (runningAsRoot()) {
            owner(folder, c.folderUid, myGroup);
            owner(target, c.fileUid, c.fileGid);
        }
        mode(target, c.fileMode);
        mode(folder, c.folderMode);
        const struct stat before = statOf(target);

        runUnprivileged([&] {
            EXPECT_NO_THROW(writeFileAtomically(target, "new")) << c.name;
            EXPECT_EQ(contents(target), "new") << c.name;
            const struct stat after = statOf(target);
            EXPECT_EQ(after.st_ino, before.st_ino) << c.name;
            EXPECT_EQ(after.st_uid, before.st_uid) << c.name;
            EXPECT_EQ(after.st_gid, before.st_gid) << c.name;
            EXPECT_EQ(after.st_mode, before.st_mode) << c.name;
            if (c.hardLink) {
                EXPECT_EQ(contents(other), "new") << c.name;
            }
            // The copy of the old bytes is gone once the new ones are on disk.
            EXPECT_EQ(entries(folder), QStringList{QStringLiteral("Q7KM_10.ini")}) << c.name;
            EXPECT_TRUE(entries(cache + QStringLiteral("/tolvin")).isEmpty()) << c.name;
        });
        mode(folder, 0755);
    }
}

TEST(FileIoTest, LateDiskFailuresKeepTheOldContent) {
    // Both ways of writing, each with the disk failing at the calls that put the bytes there.
    struct Case {
        const char *name;
        bool inPlace;
        LateDiskFault::Call call;
        int from, until; // which calls fail
        int err;
        const char16_t *reason;
        bool copyKept;   // the old content could not be put back either
    };
    constexpr int Always = 1000;
    const Case cases[] = {
        {"rename: write", false, LateDiskFault::Write, 1, Always, ENOSPC, u"нет места на диске", false},
        {"rename: fsync", false, LateDiskFault::Fsync, 1, Always, EIO, u"ошибка ввода-вывода", false},
        {"rename: close", false, LateDiskFault::Close, 1, Always, EDQUOT, u"превышена дисковая квота", false},
        {"in place: the copy's fsync", true, LateDiskFault::Fsync, 1, Always, EIO, u"копию прежнего содержимого", false},
        {"in place: naming the copy", true, LateDiskFault::Rename, 1, Always, EIO, u"копию прежнего содержимого", false},
        {"in place: write, put back", true, LateDiskFault::Write, 2, 2, ENOSPC, u"нет места на диске", false},
        {"in place: fsync, put back", true, LateDiskFault::Fsync, 2, 2, EIO, u"ошибка ввода-вывода", false},
        {"in place: close, put back", true, LateDiskFault::Close, 2, 2, EIO, u"ошибка ввода-вывода", false},
        {"in place: write, not put back", true, LateDiskFault::Write, 2, Always, ENOSPC, u"нет места на диске", true},
        {"in place: fsync, not put back", true, LateDiskFault::Fsync, 2, Always, EIO, u"ошибка ввода-вывода", true},
        {"in place: close, not put back", true, LateDiskFault::Close, 2, Always, EIO, u"ошибка ввода-вывода", true},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("t.ini"));
        const QByteArray old = "old content, longer than the new";
        put(target, old);
        if (c.inPlace) { // another name for the file makes the write go in place
            ASSERT_EQ(::link(QFile::encodeName(target).constData(),
                             QFile::encodeName(dir.filePath(QStringLiteral("hard.ini"))).constData()), 0);
        }
        QString message;
        {
            const LateDiskFault fault(c.call, c.from, c.until, c.err);
            try {
                writeFileAtomically(target, "new");
            } catch (const IoError &e) {
                message = e.message();
            }
        }
        EXPECT_TRUE(message.startsWith(QStringLiteral("Не удалось записать файл ") + target)) << c.name << ": " << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf16(c.reason))) << c.name << ": " << message.toStdString();
        const QStringList left = entries(dir.path());
        EXPECT_EQ(left.size(), 1 + (c.inPlace ? 1 : 0) + (c.copyKept ? 1 : 0)) << c.name << ": " << left.join(' ').toStdString();
        if (!c.copyKept) {
            EXPECT_EQ(contents(target), old) << c.name;
            continue;
        }
        // The message names the copy, which holds the old bytes.
        const QString marker = QStringLiteral("Прежнее содержимое файла сохранено в ");
        const qsizetype at = message.indexOf(marker);
        ASSERT_GE(at, 0) << message.toStdString();
        EXPECT_EQ(contents(message.mid(at + marker.size())), old) << c.name;
    }
}

namespace {

// Saves `bytes` to `target` in a child process that the system kills in the middle of its
// write number `killAt`: the first puts down the copy of the old bytes, the second the file.
void saveKilledMidWrite(const QString &target, const QByteArray &bytes, int killAt) {
    std::fflush(stdout);
    std::fflush(stderr);
    static int s_killAt;
    s_killAt = killAt;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        fileCalls().write = [](int fd, const void *d, size_t n) -> ssize_t {
            static int calls = 0;
            if (++calls == s_killAt) {
                (void)::write(fd, d, n / 2);
                ::raise(SIGKILL);
            }
            return ::write(fd, d, n);
        };
        try {
            writeFileAtomically(target, bytes);
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the save was not killed mid-write";
}

QStringList copiesIn(const QString &dir) {
    return entries(dir).filter(QStringLiteral("tolvin-old"));
}

} // namespace

// A save in place killed half-way leaves a file that is half new, half old; the next load must
// say so and name the whole copy of the old content instead of taking the mixture, until the
// copy is dealt with or a later save puts a whole content in the file. Killed while it copies
// the old bytes, it has not touched the file, and no half copy may stand in the way.
TEST(FileIoTest, InterruptedSaveInPlaceIsNamedUntilALaterSave) {
    enum Then { Nothing, CopyRemoved, SavedInPlace, SavedByRename };
    struct Case {
        const char *name;
        bool hardLink;       // else: the folder takes no new file, the copy goes to the cache
        int killAt;          // 1: while copying the old bytes, 2: while writing the file
        Then then;
    };
    const Case cases[] = {
        {"killed copying, copy beside the file", true, 1, Nothing},
        {"killed copying, copy in the cache folder", false, 1, Nothing},
        {"copy beside the file, removed", true, 2, CopyRemoved},
        {"copy beside the file, saved again in place", true, 2, SavedInPlace},
        {"copy beside the file, saved again by rename", true, 2, SavedByRename},
        {"copy in the cache folder, saved again", false, 2, SavedInPlace},
    };
    const QByteArray old = QByteArray("[1]\r\nRx=150000\r\n").repeated(40);
    const QByteArray fresh = QByteArray("[1]\r\nRx=160000\r\n").repeated(60);
    for (const Case &c : cases) {
        QTemporaryDir dir;
        mode(dir.path(), 0755);
        const QString folder = dir.filePath(QStringLiteral("f"));
        const QString cache = dir.filePath(QStringLiteral("cache"));
        const QString data = dir.filePath(QStringLiteral("data"));
        for (const QString &d : {folder, cache, data}) {
            ASSERT_TRUE(QDir().mkdir(d));
            mode(d, 0755);
        }
        const CacheHome cacheHome(cache);
        const XdgHome dataHome("XDG_DATA_HOME", data);
        const QString target = folder + QStringLiteral("/Q7KM_10.ini");
        const QString other = folder + QStringLiteral("/other.ini");
        put(target, old);
        if (c.hardLink) {
            ASSERT_EQ(::link(QFile::encodeName(target).constData(), QFile::encodeName(other).constData()), 0);
        }
        if (runningAsRoot()) {
            for (const QString &p : {cache, data, folder, target})
                owner(p, UnprivilegedId, UnprivilegedId);
        }
        if (!c.hardLink)
            mode(folder, 0555);
        runUnprivileged([&] {
            EXPECT_TRUE(interruptedWriteCopy(target).isEmpty()) << c.name;
            saveKilledMidWrite(target, fresh, c.killAt);
            if (!c.hardLink) // the user's own copies, nobody else's to see or plant
                EXPECT_EQ(statOf(cache + QStringLiteral("/tolvin")).st_mode & 0777, 0700u) << c.name;
            if (c.killAt == 1) {
                EXPECT_TRUE(interruptedWriteCopy(target).isEmpty()) << c.name;
                EXPECT_TRUE(copiesIn(folder).isEmpty()) << c.name;
                EXPECT_TRUE(copiesIn(cache + QStringLiteral("/tolvin")).isEmpty()) << c.name;
                EXPECT_EQ(readSavedFileBytes(target), old) << c.name;
                return;
            }
            const QByteArray mixture = contents(target);
            ASSERT_NE(mixture, old) << c.name;
            ASSERT_NE(mixture, fresh) << c.name;

            const QString copy = interruptedWriteCopy(target);
            ASSERT_FALSE(copy.isEmpty()) << c.name;
            EXPECT_TRUE(copy.startsWith(c.hardLink ? folder : cache)) << c.name << ": " << copy.toStdString();
            EXPECT_EQ(contents(copy), old) << c.name;
            try {
                readSavedFileBytes(target);
                ADD_FAILURE() << c.name << ": the mixture was read";
            } catch (const InterruptedSaveError &e) {
                EXPECT_EQ(e.message(), QStringLiteral("Запись файла %1 была прервана; прежняя версия сохранена в %2")
                                           .arg(target, copy));
                EXPECT_EQ(e.file(), target);
                EXPECT_EQ(e.copy(), copy);
            }
            const QString backups = data + QStringLiteral("/tolvin/backups");
            switch (c.then) {
            case Nothing:
                break;
            case CopyRemoved:
                ASSERT_TRUE(QFile::remove(copy));
                EXPECT_EQ(readSavedFileBytes(target), mixture) << c.name;
                break;
            case SavedByRename:
                ASSERT_TRUE(QFile::remove(other));
                [[fallthrough]];
            case SavedInPlace: {
                const ino_t inode = statOf(target).st_ino;
                ASSERT_NO_THROW(writeFileAtomically(target, fresh)) << c.name;
                EXPECT_EQ(statOf(target).st_ino == inode, c.then == SavedInPlace) << c.name;
                EXPECT_EQ(readSavedFileBytes(target), fresh) << c.name;
                EXPECT_FALSE(QFileInfo::exists(copy)) << c.name;
                // Nothing lost: the old content waits among the backups under the file's name.
                const QStringList kept = entries(backups);
                ASSERT_EQ(kept.size(), 1) << c.name << ": " << kept.join(' ').toStdString();
                EXPECT_TRUE(QRegularExpression(QStringLiteral("^Q7KM_10-прерванная-запись-[0-9]{8}-[0-9]{6}\\.ini$"))
                                .match(kept[0])
                                .hasMatch())
                    << kept[0].toStdString();
                EXPECT_EQ(contents(backups + QLatin1Char('/') + kept[0]), old) << c.name;
                EXPECT_EQ(statOf(backups).st_mode & 0777, 0700u) << c.name;
                break;
            }
            }
        });
        mode(folder, 0755);
    }
}

// Loading trusts a copy only where the program itself puts them, and a save keeps its copy only
// in a folder that is the user's alone: a name planted in /tmp, in a folder anybody may write,
// or in a cache folder of another user blocks nobody's file and takes no copy.
TEST(FileIoTest, CopiesOnlyInFoldersOfTheUsersOwn) {
    enum Where { Tmp, WorldWritableFolder, ForeignCache };
    struct Case {
        const char *name;
        Where where;
    };
    const Case cases[] = {
        {"/tmp", Tmp},
        {"beside the file in a folder anybody may write", WorldWritableFolder},
        {"a cache folder of another user", ForeignCache},
    };
    const QByteArray old = "[1]\r\nRx=150000\r\n";
    for (const Case &c : cases) {
        if (c.where == ForeignCache && !runningAsRoot()) {
            std::printf("[  SKIPPED ] %s: needs root to give the cache folder another owner\n", c.name);
            continue;
        }
        QTemporaryDir dir;
        mode(dir.path(), 0755);
        const QString folder = dir.filePath(QStringLiteral("f"));
        const QString cache = dir.filePath(QStringLiteral("cache"));
        ASSERT_TRUE(QDir().mkpath(cache + QStringLiteral("/tolvin")));
        ASSERT_TRUE(QDir().mkdir(folder));
        const CacheHome cacheHome(cache);
        const QString target = folder + QStringLiteral("/Q7KM_10.ini");
        put(target, old);
        const QString where = QFileInfo(target).canonicalFilePath();
        const QString hash = QString::fromLatin1(
            QCryptographicHash::hash(QFile::encodeName(where), QCryptographicHash::Sha256).toHex().left(12));
        const QString cachedName = QStringLiteral(".Q7KM_10.ini.%1.tolvin-old-1-0").arg(hash);
        QString planted;
        switch (c.where) {
        case Tmp:
            planted = QDir::temp().filePath(cachedName);
            break;
        case WorldWritableFolder:
            planted = folder + QStringLiteral("/.Q7KM_10.ini.tolvin-old-1-0");
            break;
        case ForeignCache:
            planted = cache + QStringLiteral("/tolvin/") + cachedName;
            break;
        }
        put(planted, "planted");
        if (runningAsRoot()) {
            owner(target, UnprivilegedId, UnprivilegedId);
            owner(folder, UnprivilegedId, UnprivilegedId);
            owner(cache, UnprivilegedId, UnprivilegedId);
            if (c.where != ForeignCache)
                owner(cache + QStringLiteral("/tolvin"), UnprivilegedId, UnprivilegedId);
        }
        mode(cache + QStringLiteral("/tolvin"), 0700);
        mode(folder, c.where == WorldWritableFolder ? 01777 : 0755);
        runUnprivileged([&] {
            EXPECT_TRUE(interruptedWriteCopy(target).isEmpty()) << c.name;
            EXPECT_EQ(readSavedFileBytes(target), old) << c.name;
            if (c.where != ForeignCache)
                return;
            // A save that must keep its copy in the cache folder refuses rather than use it.
            mode(folder, 0555);
            try {
                writeFileAtomically(target, "new");
                ADD_FAILURE() << c.name << ": saved with the copy in another user's folder";
            } catch (const IoError &e) {
                EXPECT_EQ(e.message(), QStringLiteral("Не удалось записать файл %1: не удалось сохранить копию прежнего "
                                                      "содержимого: папка %2/tolvin принадлежит другому пользователю")
                                           .arg(target, cache));
            }
            EXPECT_EQ(contents(target), old) << c.name;
            mode(folder, 0755);
        });
        QFile::remove(planted);
    }
}
