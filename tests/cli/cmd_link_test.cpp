// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli write (to one station or a fleet, with backup and verify), read and type against
// tolvin-sim, as scripts run them.
#include "station_link/link_preferences.h"
#include "cli/cli_run.h"

#include "settings_file/settings_file.h"
#include "sim/station_memory.h"
#include "layout/image_layout.h"
#include "support/recording_operator.h"
#include "support/sim_process.h"
#include "support/unknown_values.h"
#include "table/template.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace tolvin;
using namespace tolvin::test;

namespace {

class CmdLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (cliPath().isEmpty() || simPath().isEmpty())
            GTEST_SKIP() << "tolvin-cli or tolvin-sim is not built";
    }
    QString templateFile(int count, const QString &pmin = QStringLiteral("1")) {
        Editor ed;
        selectBand(ed, 2);
        ed.templ = {QString::number(count), QStringLiteral("150000"), QStringLiteral("25")};
        RecordingOperator op;
        EXPECT_TRUE(createTemplate(ed, op));
        ed.table.setCell(ColPmin, 1, pmin);
        const QString path = dir.filePath(QStringLiteral("in%1.ini").arg(++files));
        saveSettingsFile(ed, path);
        return path;
    }
    QByteArray bytesOf(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    int files = 0;
};

} // namespace

TEST_F(CmdLinkTest, WriteReadAndType) {
    SimProcess sim({QStringLiteral("--memory"), dir.filePath(QStringLiteral("m.json")), QStringLiteral("--type"), QStringLiteral("0")});
    const QString in = templateFile(12);

    const CliResult w = runCli({QStringLiteral("write"), in, QStringLiteral("--port"), sim.path});
    EXPECT_EQ(w.exitCode, 0) << w.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(w.out), QStringLiteral("Записано в станцию: %1 байт\n").arg(WriteStreamFixedLength + RecordSize * 12));
    EXPECT_TRUE(w.err.contains(QStringLiteral("Состояние: ПР"))) << w.err.toStdString();
    EXPECT_TRUE(w.err.contains(QStringLiteral("\n100%\n")));

    const QString out = dir.filePath(QStringLiteral("read.ini"));
    const CliResult r = runCli({QStringLiteral("read"), QStringLiteral("--port"), sim.path, QStringLiteral("-o"), out});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    Editor back;
    loadSettingsFile(back, out);
    EXPECT_EQ(back.table.channelCount(), 12);
    EXPECT_EQ(back.table.cell(ColRx, 12), QStringLiteral("150275,00"));
    EXPECT_EQ(back.state.StationType, 0);
    // What was read writes back unchanged.
    const CliResult again = runCli({QStringLiteral("image"), out});
    const CliResult original = runCli({QStringLiteral("image"), in});
    EXPECT_EQ(again.out, original.out);

    const CliResult t = runCli({QStringLiteral("type"), QStringLiteral("--port"), sim.path});
    EXPECT_EQ(t.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(t.out), QStringLiteral("0 Толвин 7К-62\n"));
}

TEST_F(CmdLinkTest, ExitCodesSayWhatWentWrong) {
    SimProcess silent({QStringLiteral("--silent")});
    SimProcess stops({QStringLiteral("--stop-after"), QStringLiteral("40")});
    SimProcess unknown({QStringLiteral("--type"), QString::number(UnknownTypeCode)});
    const QString good = templateFile(3);
    const QString bad = templateFile(3, QStringLiteral("4"));
    const QString out = dir.filePath(QStringLiteral("never.ini"));
    const std::u16string stoppedAt40 =
        QStringLiteral("Запись прервана на байте 40 из %1: станция записана не полностью. Станция не ответила")
            .arg(WriteStreamFixedLength + RecordSize * 3)
            .toStdU16String();
    struct Case { QStringList args; int exit; const char16_t *says; };
    const Case cases[] = {
        {{"write", bad, "--port", silent.path}, 1, u"Не желательно использовать в минимальной мощности 4 уровень"},
        {{"write", good, "--port", silent.path}, 1, u"Станция не ответила на запрос записи"},
        {{"write", good, "--port", stops.path, "--ignore-type"}, 1, stoppedAt40.c_str()},
        {{"write", good, "--port", "/dev/tolvin-missing"}, 2, u"/dev/tolvin-missing"},
        {{"write", good}, 2, u"Не указан параметр --port"},
        {{"write", dir.filePath("missing.ini"), "--port", silent.path}, 2, u"missing.ini"},
        {{"read", "--port", silent.path, "-o", out}, 1, u"Файл не записан"},
        {{"read", "--port", "/dev/tolvin-missing", "-o", out}, 2, u"/dev/tolvin-missing"},
        {{"read", "--port", silent.path}, 2, u"Не указан параметр -o"},
        {{"type", "--port", silent.path}, 1, u"Станция не ответила на запрос типа станции"},
        {{"type", "--port", unknown.path}, 1, u"Тип станции определить не удалось"},
        {{"type"}, 2, u"Не указан параметр --port"},
    };
    for (const Case &c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_FALSE(r.crashed) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, c.exit) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf16(c.says)) || QString::fromUtf8(r.out).contains(QString::fromUtf16(c.says)))
            << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out)) << "no file after a failed read";
}

TEST_F(CmdLinkTest, PortNumberThroughTheOptionsFile) {
    SimProcess sim({QStringLiteral("--type"), QStringLiteral("4")});
    QDir(dir.path()).mkpath(QStringLiteral("cfg/tolvin"));
    QFile f(dir.filePath(QStringLiteral("cfg/tolvin/T702Options.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("[All]\r\nPort=2\r\nCOM2=%1\r\n").arg(sim.path).toLatin1());
    f.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("cfg")));
    const CliResult t = runCli({QStringLiteral("type"), QStringLiteral("--port"), QStringLiteral("2")}, env);
    EXPECT_EQ(t.exitCode, 0) << t.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(t.out), QStringLiteral("4 Толвин 7К-63\n"));

    // A device picked in the link window's list is the one the window shows for COM2, so a
    // script that says "2" must reach that station, not the file's.
    SimProcess picked({QStringLiteral("--type"), QStringLiteral("0")});
    savePickedDevice(dir.filePath(QStringLiteral("cfg/tolvin/tolvin.ini")), 2, picked.path);
    const CliResult p = runCli({QStringLiteral("type"), QStringLiteral("--port"), QStringLiteral("2")}, env);
    EXPECT_EQ(p.exitCode, 0) << p.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(p.out), QStringLiteral("0 Толвин 7К-62\n"));
}

namespace {

QStringList lines(const QByteArray &out) {
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QProcessEnvironment withDataHome(const QString &folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), folder);
    return env;
}

} // namespace

TEST_F(CmdLinkTest, BackupBeforeAndVerifyAfterOneWrite) {
    SimProcess sim({QStringLiteral("--memory"), dir.filePath(QStringLiteral("m.json"))});
    const QString before = dir.filePath(QStringLiteral("before.ini"));
    ASSERT_EQ(runCli({QStringLiteral("read"), QStringLiteral("--port"), sim.path, QStringLiteral("-o"), before}).exitCode, 0);
    const QString data = dir.filePath(QStringLiteral("data"));
    const CliResult w = runCli({QStringLiteral("write"), templateFile(12), QStringLiteral("--port"), sim.path,
                                QStringLiteral("--backup"), QStringLiteral("--verify")},
                               withDataHome(data));
    EXPECT_EQ(w.exitCode, 0) << w.err.toStdString();
    const QStringList out = lines(w.out);
    ASSERT_EQ(out.size(), 3) << w.out.constData();
    const QString backup = out[0].mid(QStringLiteral("Резервная копия: ").size());
    EXPECT_TRUE(out[0].startsWith(QStringLiteral("Резервная копия: ")));
    EXPECT_EQ(QFileInfo(backup).path(), data + QStringLiteral("/tolvin/backups"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^070001_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.ini$"))
                    .match(QFileInfo(backup).fileName())
                    .hasMatch())
        << backup.toStdString();
    EXPECT_EQ(bytesOf(backup), bytesOf(before)) << "the backup is the station as a read saves it";
    EXPECT_EQ(out[1], QStringLiteral("Записано в станцию: %1 байт").arg(WriteStreamFixedLength + RecordSize * 12));
    EXPECT_EQ(out[2], QStringLiteral("Проверено: станция хранит записанное"));
}

TEST_F(CmdLinkTest, FailedBackupOrVerify) {
    // The "Время" of the second channel, counted from 1.
    SimProcess corrupt({QStringLiteral("--corrupt-byte"),
                        QString::number(WriteStreamFixedLength + RecordSize + RecordByte::Time + 1)});
    SimProcess silent({QStringLiteral("--silent")});
    const QString in = templateFile(3);
    struct Case { QStringList args; int exit; QStringList err; };
    const Case cases[] = {
        {{"write", in, "--port", corrupt.path, "--verify"}, 1,
         {"Проверка после записи: станция хранит не то, что записано (различий: 1)", "канал 2: Время 255 вместо Нет"}},
        {{"write", in, "--port", silent.path, "--backup-dir", dir.filePath("b")}, 1,
         {"Резервная копия не сделана: Станция не ответила: заголовок. Запись не начата, станция не изменена."}},
        {{"write", in, "--port", corrupt.path, "--backup-dir", dir.filePath("in1.ini/b")}, 2,
         {"Резервная копия не сохранена"}},
    };
    for (const Case &c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exit) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        for (const QString &line : c.err)
            EXPECT_TRUE(r.err.contains(line)) << line.toStdString() << "\n" << r.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("b")))) << "no backup of a station that said nothing";
}

TEST_F(CmdLinkTest, FleetOfFourWithOneSilentStation) {
    QList<std::shared_ptr<SimProcess>> sims;
    for (int i = 0; i < 4; ++i)
        sims << std::make_shared<SimProcess>(i == 2 ? QStringList{QStringLiteral("--silent")} : QStringList{});
    const QString in = templateFile(12);
    QStringList args{QStringLiteral("write"), in};
    for (const auto &s : sims)
        args << QStringLiteral("--port") << s->path;
    const QString log = dir.filePath(QStringLiteral("fleet.log"));
    const CliResult w = runCli(args << QStringLiteral("--log") << log);
    EXPECT_EQ(w.exitCode, 1) << w.err.toStdString();
    EXPECT_EQ(lines(w.out), (QStringList{sims[0]->path + " - ok", sims[1]->path + " - ok",
                                        sims[2]->path + " - Станция не ответила на запрос записи",
                                        sims[3]->path + " - ok"}));
    // Each port keeps its own log, named after the device: all of a write, or the one byte the
    // silent station never answered.
    for (int i = 0; i < 4; ++i) {
        const QString own = log + QLatin1Char('.') + QString(sims[i]->path).remove(QStringLiteral("/dev/")).replace('/', '-');
        const QStringList entries = lines(bytesOf(own));
        ASSERT_FALSE(entries.isEmpty()) << own.toStdString();
        EXPECT_TRUE(entries.first().endsWith(QStringLiteral("открытие порта ") + sims[i]->path)) << own.toStdString();
        const qsizetype sent = entries.filter(QStringLiteral("->")).size();
        if (i == 2)
            EXPECT_EQ(sent, 1) << "the type query's first byte only";
        else
            EXPECT_GT(sent, WriteStreamFixedLength + RecordSize * 12);
    }

    // The three that took it hold it, as a fleet with backup and verify confirms.
    const QString backups = dir.filePath(QStringLiteral("backups"));
    const CliResult again = runCli({QStringLiteral("write"), in, QStringLiteral("--port"), sims[0]->path,
                                    QStringLiteral("--port"), sims[1]->path, QStringLiteral("--port"), sims[3]->path,
                                    QStringLiteral("--verify"), QStringLiteral("--backup-dir"), backups});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(lines(again.out), (QStringList{sims[0]->path + " 070001 ok", sims[1]->path + " 070001 ok",
                                            sims[3]->path + " 070001 ok"}));
    EXPECT_EQ(QDir(backups).entryList(QDir::Files).size(), 3) << "stations of one serial number keep a backup each";
}

TEST_F(CmdLinkTest, RepeatedPortsAndTheNewOptions) {
    SimProcess sim({});
    const QString in = templateFile(2);
    struct Case { QStringList args; int exit; const char16_t *says; };
    const Case cases[] = {
        {{"write", in, "--port", sim.path, "--port", sim.path}, 2, u"указан дважды"},
        {{"read", "--port", sim.path, "--port", sim.path, "-o", dir.filePath("x.ini")}, 2, u"Параметр --port указан дважды"},
        {{"write", in, "--port", sim.path, "--backup-dir"}, 2, u"После --backup-dir не указано значение"},
        {{"write", in, "--port"}, 2, u"После --port не указано значение"},
        {{"write", in, "--port", sim.path, "--verify-all"}, 2, u"Неизвестный параметр: --verify-all"},
        {{"write", "--help"}, 0, u"--backup-dir"},
        // The log would replace the file the command reads or writes.
        {{"write", in, "--port", sim.path, "--log", in}, 2, u"Журнал обмена (--log) не может быть записан в файл"},
        {{"read", "--port", sim.path, "-o", dir.filePath("x.ini"), "--log", dir.filePath("./x.ini")}, 2,
         u"Журнал обмена (--log) не может быть записан в файл"},
    };
    for (const Case &c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exit) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf16(c.says)) || QString::fromUtf8(r.out).contains(QString::fromUtf16(c.says)))
            << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
    }
}

TEST_F(CmdLinkTest, LogOptionKeepsTheBytesOfTheExchange) {
    SimProcess sim({QStringLiteral("--type"), QStringLiteral("3")});
    const QString log = dir.filePath(QStringLiteral("type.log"));
    const CliResult t = runCli({QStringLiteral("type"), QStringLiteral("--port"), sim.path, QStringLiteral("--log"), log});
    EXPECT_EQ(t.exitCode, 0) << t.err.toStdString();
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("->  AA")));
    EXPECT_TRUE(lines[7].endsWith(QStringLiteral("<-  03")));
    // A failed exchange is logged too.
    SimProcess silent({QStringLiteral("--silent")});
    const QString failed = dir.filePath(QStringLiteral("silent.log"));
    EXPECT_EQ(runCli({QStringLiteral("read"), QStringLiteral("--port"), silent.path, QStringLiteral("-o"), dir.filePath(QStringLiteral("r.ini")),
                      QStringLiteral("--log"), failed}).exitCode, 1);
    QFile g(failed);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_TRUE(g.readAll().contains("->  1E"));
}

// A 7К-62 file (type 0) against a station of each type code: only a station of its band is
// written; any other gets the four bytes of the type query and nothing else, unless the
// technician says --ignore-type, when it gets exactly the write's bytes and no query.
TEST_F(CmdLinkTest, TypeGuardWritesOnlyAStationOfTheFilesBand) {
    const QString in = templateFile(3);
    const CliResult image = runCli({QStringLiteral("image"), in});
    ASSERT_EQ(image.exitCode, 0);
    QByteArray writeBytes;
    for (const QByteArray &line : image.out.split('\n'))
        writeBytes += QByteArray::fromHex(line);
    const QByteArray query(reinterpret_cast<const char *>(TypeQuerySequence.data()), int(TypeQuerySequence.size()));
    struct Case { int code; const char16_t *refusal; };
    const Case cases[] = {
        {0, nullptr},
        {1, u"В станции 7К-61 (33-48,5 МГц), а данные подготовлены для 7К-62 (144-174 МГц). Записать всё равно?"},
        {2, u"В станции 7К-61 (33-48,5 МГц), а данные подготовлены для 7К-62 (144-174 МГц). Записать всё равно?"},
        {3, u"В станции 7К-64 (400-470 МГц), а данные подготовлены для 7К-62 (144-174 МГц). Записать всё равно?"},
        {4, u"В станции 7К-63 (300-350 МГц), а данные подготовлены для 7К-62 (144-174 МГц). Записать всё равно?"},
        {UnknownTypeCode,
         u"Станция неизвестного типа (код CODE), а данные подготовлены для 7К-62 (144-174 МГц). Записать всё равно?"},
    };
    for (const Case &c : cases) {
        const QString code = QString::number(c.code);
        {
            SimProcess sim({QStringLiteral("--type"), code, QStringLiteral("--log")});
            const CliResult r = runCli({QStringLiteral("write"), in, QStringLiteral("--port"), sim.path});
            if (!c.refusal) {
                EXPECT_EQ(r.exitCode, 0) << c.code << ": " << r.err.toStdString();
                EXPECT_EQ(sim.received(), query + writeBytes) << c.code;
                continue;
            }
            EXPECT_EQ(r.exitCode, 1) << c.code;
            const QString refusal = QString::fromUtf16(c.refusal).replace(QStringLiteral("CODE"), code);
            EXPECT_TRUE(r.err.contains(refusal)) << c.code << ": " << r.err.toStdString();
            EXPECT_TRUE(r.out.isEmpty()) << c.code;
            EXPECT_EQ(sim.received(), query) << c.code << ": nothing of the write reached the station";
        }
        SimProcess sim({QStringLiteral("--type"), code, QStringLiteral("--log")});
        const CliResult forced =
            runCli({QStringLiteral("write"), in, QStringLiteral("--port"), sim.path, QStringLiteral("--ignore-type")});
        EXPECT_EQ(forced.exitCode, 0) << c.code << ": " << forced.err.toStdString();
        EXPECT_EQ(sim.received(), writeBytes) << c.code;
    }
}

// With a backup too the station is asked: a 7К-64 whose memory holds 7К-62 data (written with
// --ignore-type, or by another program) is refused, and the backup line says what it holds.
// Each port of a fleet is guarded on its own.
TEST_F(CmdLinkTest, TypeGuardAsksTheStationEvenWithABackup) {
    const QString in = templateFile(3);
    const QString memory = dir.filePath(QStringLiteral("other.json"));
    saveStationMemory(memory, defaultStationMemory(0));
    const QByteArray query(reinterpret_cast<const char *>(TypeQuerySequence.data()), int(TypeQuerySequence.size()));
    SimProcess mine({QStringLiteral("--log")});
    SimProcess other({QStringLiteral("--type"), QStringLiteral("3"), QStringLiteral("--memory"), memory, QStringLiteral("--log")});
    const CliResult r = runCli({QStringLiteral("write"), in, QStringLiteral("--port"), mine.path, QStringLiteral("--port"),
                                other.path, QStringLiteral("--backup-dir"), dir.filePath(QStringLiteral("b"))});
    EXPECT_EQ(r.exitCode, 1);
    const QStringList out = lines(r.out);
    ASSERT_EQ(out.size(), 2) << r.out.constData();
    EXPECT_TRUE(out[0].endsWith(QStringLiteral(" ok"))) << out[0].toStdString();
    EXPECT_TRUE(out[1].startsWith(other.path + QStringLiteral(" "))) << out[1].toStdString();
    EXPECT_TRUE(out[1].endsWith(QStringLiteral("В станции 7К-64 (400-470 МГц), а данные подготовлены для 7К-62 "
                                               "(144-174 МГц). Записать всё равно?")))
        << out[1].toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral(" (в памяти станции данные для 7К-62, а станция отвечает как 7К-64)\n")))
        << r.err.toStdString();
    // The station of the other band got the backup read's command and the query, nothing else.
    EXPECT_EQ(other.received(), QByteArray(1, char(ReadCommand)) + query);
    EXPECT_TRUE(mine.received().startsWith(QByteArray(1, char(ReadCommand)) + query));
}

// Each write and read ends with its pace against the line on standard error; a station behind an
// adapter that holds replies back (here 30 ms a tick, as a latency timer does) gets the advice.
TEST_F(CmdLinkTest, WriteAndReadSayTheirPaceAndASlowAdapterIsNamed) {
    const QRegularExpression pace(QStringLiteral("\n(\\d+) байт за (\\d+,\\d) с, (\\d+,\\d\\d) × скорости линии\n"));
    const QString in = templateFile(1);
    struct Case {
        QStringList simArgs;
        bool advised;
    };
    const Case cases[] = {{{}, false}, {{QStringLiteral("--reply-delay"), QStringLiteral("30")}, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.simArgs.join(' ').toStdString());
        SimProcess sim(c.simArgs);
        const CliResult w = runCli({QStringLiteral("write"), in, QStringLiteral("--port"), sim.path});
        ASSERT_EQ(w.exitCode, 0) << w.err.toStdString();
        const QString err = w.err;
        const QRegularExpressionMatch m = pace.match(err);
        ASSERT_TRUE(m.hasMatch()) << err.toStdString();
        EXPECT_EQ(m.captured(1).toInt(), 1 + WriteStreamFixedLength + RecordSize) << "the opening and the stream, each byte answered";
        EXPECT_EQ(err.contains(QStringLiteral("Адаптер задерживает ответы станции")), c.advised) << err.toStdString();
        EXPECT_EQ(QString::fromUtf8(w.out), QStringLiteral("Записано в станцию: %1 байт\n").arg(WriteStreamFixedLength + RecordSize));
    }
    SimProcess sim({});
    runCli({QStringLiteral("write"), in, QStringLiteral("--port"), sim.path});
    const CliResult r = runCli({QStringLiteral("read"), QStringLiteral("--port"), sim.path, QStringLiteral("-o"),
                                dir.filePath(QStringLiteral("back.ini"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QRegularExpressionMatch m = pace.match(r.err);
    ASSERT_TRUE(m.hasMatch()) << r.err.toStdString();
    EXPECT_EQ(m.captured(1).toInt(), 1 + ReadStreamFixedLength + RecordSize) << "the command and the stream";
}
