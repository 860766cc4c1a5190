#include "settings_file/file_io.h"

#include "common/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvin;

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

TEST(FileIoTest, AtomicWriteReplacesKeepsModeAndFollowsLinks) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("t.ini"));
    put(target, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    writeFileAtomically(target, "new");
    EXPECT_EQ(contents(target), "new");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const QString link = dir.filePath(QStringLiteral("link.ini"));
    ASSERT_TRUE(QFile::link(target, link));
    writeFileAtomically(link, "via link");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contents(target), "via link");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporaries left
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
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << c.name;
    }
}

TEST(FileIoTest, ReadOnlyFolderOrFileRefusedAndOldFileKept) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root; FailedWriteLeavesTheOldFile covers it";
    // A read-only file is the user's "do not change"; replacing it through the folder would
    // get past that.
    struct Case { const char *name; mode_t folderMode, fileMode; };
    const Case cases[] = {
        {"read-only folder", 0555, 0644},
        {"read-only file", 0755, 0444},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        const QString sub = dir.filePath(QStringLiteral("ro"));
        ASSERT_TRUE(QDir().mkdir(sub));
        const QString target = sub + QStringLiteral("/t.ini");
        put(target, "old");
        ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), c.fileMode), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(sub).constData(), c.folderMode), 0);
        try {
            writeFileAtomically(target, "new");
            ADD_FAILURE() << c.name;
        } catch (const IoError &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("нет прав"))) << e.message().toStdString();
        }
        ::chmod(QFile::encodeName(sub).constData(), 0755);
        EXPECT_EQ(contents(target), "old") << c.name;
        EXPECT_EQ(QDir(sub).entryList(QDir::Files | QDir::Hidden).size(), 1) << c.name;
    }
}
