// Backups before a write: where they go, what they are called, and that one can be written back.
// That a fleet's backups of one serial number never replace each other is checked with tolvin-cli.
#include "station_link/backup.h"

#include "check/data_check.h"
#include "settings_file/settings_file.h"
#include "station_link/station_memory.h"
#include "support/recording_operator.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;

namespace {

const QDateTime When(QDate(2026, 12, 9), QTime(14, 3, 55));

StreamImage station() {
    StreamImage m = defaultStationMemory(0);
    m.image.header[0] = 0x1A;
    m.image.header[1] = 0x2B;
    m.image.header[2] = 0x3C;
    m.image.tones[4] = 150;
    m.image.IdCode = 0x12AB;
    return m;
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
