// SPDX-License-Identifier: GPL-3.0-or-later
// Backup before a write and verify after it, against tolvin-sim on a real pseudo-terminal: what
// the station received, what the window showed, what was saved. What a verify or a comparison
// reports is checked through tolvin-cli and the link window.
#include "station_link/safeguards.h"

#include "settings_file/settings_file.h"
#include "station_link/posix_serial_port.h"
#include "station_link/read_into_editor.h"
#include "sim/station_memory.h"
#include "image/synth_word.h"
#include "support/link_support.h"
#include "support/qt_printers.h"
#include "support/sim_process.h"
#include "support/test_station.h"
#include "journal/exchange_entries.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

struct Recorder : RecordingObserver {
    int readPhases = 0;
    void readProgress(ReadPhase, const QByteArray &) override { ++readPhases; }
    QStringList statuses() const {
        QStringList s;
        for (const QString &e : events)
            if (e.startsWith(QLatin1String("status:")))
                s << e.mid(7);
        return s;
    }
};

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Something other than what a fresh simulated station holds.
StreamImage newProgramming() {
    StreamImage m = defaultStationMemory(0);
    m.image.header[HeaderByte::Volume] = 12;
    m.image.tones.fill(200);
    for (int j = 0; j < 3; ++j)
        m.image.records[2][RecordByte::RxWord + j] =
            encodeSynthWord(155006.25, SynthSide::Receive, bandRow(2).settings)[j];
    return m;
}

const QByteArray Read = QByteArray(1, char(ReadCommand));

} // namespace

TEST(WriteWithSafeguards, BackupIsTheStationBeforeTheWriteAndVerifyFindsTheImage) {
    QTemporaryDir dir;
    SimProcess sim({QStringLiteral("--log")});
    // What "Чтение данных " and "Запись в файл" would have saved just before the write.
    PosixSerialPort port;
    Recorder before;
    const ExchangeResult read = readFromStation(port, sim.path, before);
    ASSERT_TRUE(read.ok());
    Editor ed;
    applyCompleteRead(ed, read.stream);
    const QString reference = dir.filePath(QStringLiteral("before.ini"));
    saveSettingsFile(ed, reference);

    const StreamImage image = newProgramming();
    Recorder obs;
    const SafeWriteResult r =
        writeWithSafeguards(port, sim.path, obs, image, {true, dir.filePath(QStringLiteral("backups")), true});
    ASSERT_TRUE(r.ok()) << r.message.toStdString();
    EXPECT_EQ(r.stage, WriteStage::Verify);
    EXPECT_EQ(r.serial, QStringLiteral("070001"));
    EXPECT_EQ(r.writtenBytes, WriteStreamFixedLength + RecordSize * image.image.header[HeaderByte::ChannelCount]);
    EXPECT_TRUE(r.backupPath.startsWith(dir.filePath(QStringLiteral("backups/070001_")))) << r.backupPath.toStdString();
    EXPECT_EQ(fileBytes(r.backupPath), fileBytes(reference));
    EXPECT_FALSE(port.isOpen());

    const QByteArray query(reinterpret_cast<const char *>(TypeQuerySequence.data()), int(TypeQuerySequence.size()));
    EXPECT_EQ(sim.received(), Read + Read + query + openingSequence(0) + encodeWriteStream(image) + Read);
    EXPECT_EQ(obs.statuses(), (QStringList{"ПП", "- -", "ПР", "- -", "ПП", "- -"}));
    EXPECT_EQ(obs.events.count(QStringLiteral("buttons:1")), 1) << "the buttons come back at the end only";
    EXPECT_EQ(obs.events.last(), QStringLiteral("buttons:1"));
    EXPECT_EQ(obs.readPhases, 0) << "no read of the job reaches the editor";
}

TEST(WriteWithSafeguards, NoByteOfTheWriteWithoutABackup) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    struct Case { const char *what; QStringList args; QString folder; bool fileError; const char16_t *says; };
    const Case cases[] = {
        {"silent station", {"--silent"}, dir.filePath("backups"), false,
         u"Резервная копия не сделана: Станция не ответила: заголовок. Запись не начата, станция не изменена."},
        {"station stops mid-read", {"--stop-after", "0"}, dir.filePath("backups"), false, u"Резервная копия не сделана"},
        {"folder cannot be made", {}, dir.filePath("file/backups"), true, u"Резервная копия не сохранена"},
    };
    for (const Case &c : cases) {
        SimProcess sim(QStringList{QStringLiteral("--log")} + c.args);
        PosixSerialPort port;
        Recorder obs;
        const SafeWriteResult r = writeWithSafeguards(port, sim.path, obs, newProgramming(), {true, c.folder, true});
        EXPECT_FALSE(r.ok()) << c.what;
        EXPECT_EQ(r.stage, WriteStage::Backup) << c.what;
        EXPECT_EQ(r.fileError, c.fileError) << c.what;
        EXPECT_TRUE(r.message.startsWith(QString::fromUtf16(c.says))) << c.what << ": " << r.message.toStdString();
        EXPECT_TRUE(r.backupPath.isEmpty()) << c.what;
        EXPECT_EQ(sim.received(), Read) << c.what;
        EXPECT_EQ(obs.events.last(), QStringLiteral("buttons:1")) << c.what;
        EXPECT_FALSE(port.isOpen()) << c.what;
    }
}

// However a write ends after its first data byte, it says where and that the station is half
// written, and names the backup that puts it back: on the result, the window's line and the
// journal. The station keeps each byte as it comes, so its memory really is half new.
TEST(WriteWithSafeguards, AWriteCutShortSaysTheStationIsHalfWritten) {
    QTemporaryDir dir;
    const StreamImage before = defaultStationMemory(0);
    const StreamImage image = newProgramming();
    const int cutAt = WriteStreamFixedLength + RecordSize - 3;  // a data byte inside record 1
    // What reaches the station before that byte: the backup's read command, the type query, the opening.
    const qint64 ahead = 1 + qint64(TypeQuerySequence.size()) + openingSequence(0).size();
    const int total = int(encodeWriteStream(image).size());
    const QString said = QStringLiteral("Запись прервана на байте %1 из %2: станция записана не полностью").arg(cutAt).arg(total);
    struct Case { const char *what; QStringList faults; bool stop; };
    const Case cases[] = {
        {"the port goes", {"--hang-up-after", QString::number(ahead + cutAt)}, false},
        {"the station stops answering", {"--stop-after", QString::number(ahead + cutAt - 1)}, false},
        {"the technician stops it", {}, true},
    };
    for (const Case &c : cases) {
        TestStation station(QStringList{QStringLiteral("--store-each-byte")} + c.faults);
        ASSERT_TRUE(station.inProcess());
        std::atomic<bool> stop{false};
        struct Stopper : Recorder {
            std::atomic<bool> *flag = nullptr;
            int at = 0;
            void transferred(ExchangeKind kind, int done, int) override {
                if (flag && kind == ExchangeKind::Write && done == at)
                    flag->store(true);
            }
        } obs;
        if (c.stop) {
            obs.flag = &stop;
            obs.at = int(openingSequence(0).size()) + cutAt - 1;
        }
        const SafeWriteResult r = writeWithSafeguards(station.port(), station.path, obs, image,
                                                      {true, dir.filePath(QStringLiteral("b")), false}, &stop);
        ASSERT_FALSE(r.backupPath.isEmpty()) << c.what;
        EXPECT_TRUE(r.message.startsWith(said)) << c.what << ": " << r.message.toStdString();
        const QString hint = QStringLiteral("Прежние данные станции можно записать из резервной копии %1").arg(r.backupPath);
        EXPECT_EQ(r.restoreHint(), hint) << c.what;
        const std::vector<JournalEntry> entries = safeWriteEntries(r, {}, {station.path, {}});
        ASSERT_EQ(entries.size(), 2u) << c.what;
        EXPECT_TRUE(entries[1].message.startsWith(said) && entries[1].message.endsWith(hint)) << c.what;
        // Half new: the header took the new volume, the third record is still the old one.
        EXPECT_EQ(station.memory().image.header[HeaderByte::Volume], image.image.header[HeaderByte::Volume]) << c.what;
        EXPECT_EQ(station.memory().image.records[2], before.image.records[2]) << c.what;
        EXPECT_NE(station.memory().image.records[2], image.image.records[2]) << c.what;
    }
}
