// SPDX-License-Identifier: GPL-3.0-or-later
// Backups before a write: where they go, what they are called, and that one can be written back.
#include "station_link/backup.h"

#include "check/data_check.h"
#include "settings_file/settings_file.h"
#include "sim/station_memory.h"
#include "support/recording_operator.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tolvin;

namespace {

const QDateTime When(QDate(2026, 12, 9), QTime(14, 3, 55));

StreamImage station() {
    StreamImage m = defaultStationMemory(0);
    m.image.header[HeaderByte::Serial] = 0x1A;
    m.image.header[HeaderByte::Serial + 1] = 0x2B;
    m.image.header[HeaderByte::Serial + 2] = 0x3C;
    m.image.tones[4] = 150;
    m.image.IdCode = 0x12AB;
    return m;
}

// The same serial number, programmed differently by each of several benches.
StreamImage stationOf(int bench) {
    StreamImage s = station();
    s.image.IdCode = uint16_t(0x1000 + bench);
    return s;
}

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(Backup, LivesInTheUsersDataFolder) {
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const QString fallback = QDir::homePath() + QStringLiteral("/.local/share/tolvin/backups");
    const std::pair<const char *, QString> cases[] = {
        {"/srv/data", QStringLiteral("/srv/data/tolvin/backups")},
        {"relative/data", fallback},
        {nullptr, fallback},
    };
    for (const auto &[env, folder] : cases) {
        if (env)
            qputenv("XDG_DATA_HOME", env);
        else
            qunsetenv("XDG_DATA_HOME");
        EXPECT_EQ(backupFolder(), folder) << (env ? env : "unset");
    }
    qputenv("XDG_DATA_HOME", saved);
    EXPECT_EQ(backupFileName(QStringLiteral("1A2B3C"), When), QStringLiteral("1A2B3C_2026-12-09_14-03-55.ini"));
}

// The backup is a settings file that, checked and written back, gives the station what it held.
TEST(Backup, WritesBackToWhatTheStationHeld) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("new/backups"));
    const QString path = saveBackup(encodeReadStream(station()), folder, When);
    EXPECT_EQ(path, folder + QStringLiteral("/1A2B3C_2026-12-09_14-03-55.ini"));
    Editor ed;
    loadSettingsFile(ed, path);
    test::RecordingOperator op;
    ASSERT_TRUE(runDataCheck(ed, op)) << op.lastMessage().toStdString();
    const StreamImage back{ed.state.image, ed.state.ModuleType, ed.state.StationType};
    EXPECT_EQ(encodeWriteStream(back), encodeWriteStream(station()));
}

// Benches sharing a backup folder, each backing up a station of the same serial number in the
// same second: every backup gets a name of its own, none replaces another.
TEST(Backup, ProcessesAtOnceNeverShareAName) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("backups"));
    ASSERT_TRUE(QDir().mkpath(folder));
    constexpr int Processes = 8;
    std::fflush(stdout);
    std::fflush(stderr);
    std::vector<pid_t> children;
    for (int i = 0; i < Processes; ++i) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            try {
                saveBackup(encodeReadStream(stationOf(i)), folder, When);
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0) {
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    QStringList expected{QStringLiteral("1A2B3C_2026-12-09_14-03-55.ini")};
    for (int n = 2; n <= Processes; ++n)
        expected << QStringLiteral("1A2B3C_2026-12-09_14-03-55_%1.ini").arg(n);
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    // Each process's backup is there, whole.
    QSet<QByteArray> found, wanted;
    for (const QString &name : names)
        found.insert(fileBytes(QDir(folder).filePath(name)));
    for (int i = 0; i < Processes; ++i) {
        QTemporaryDir alone;
        wanted.insert(fileBytes(saveBackup(encodeReadStream(stationOf(i)), alone.path(), When)));
    }
    EXPECT_EQ(found, wanted);
}

// A name already taken, by a file or by a symbolic link pointing anywhere, is passed over: the
// link is never followed and its target never created or changed.
TEST(Backup, TakenNamesAndSymbolicLinksArePassedOver) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("backups"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString victim = dir.filePath(QStringLiteral("victim.txt"));
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep");
    }
    const QString first = QDir(folder).filePath(QStringLiteral("1A2B3C_2026-12-09_14-03-55.ini"));
    ASSERT_TRUE(QFile::link(victim, first));
    ASSERT_TRUE(QFile::link(missing, QDir(folder).filePath(QStringLiteral("1A2B3C_2026-12-09_14-03-55_2.ini"))));
    const QString path = saveBackup(encodeReadStream(station()), folder, When);
    EXPECT_EQ(path, QDir(folder).filePath(QStringLiteral("1A2B3C_2026-12-09_14-03-55_3.ini")));
    QFile v(victim);
    ASSERT_TRUE(v.open(QIODevice::ReadOnly));
    EXPECT_EQ(v.readAll(), "keep");
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3);
}
