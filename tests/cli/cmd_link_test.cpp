// tolvin-cli write, read and type against tolvin-sim, as scripts run them.
#include "cli/cli_run.h"

#include "settings_file/settings_file.h"
#include "support/recording_operator.h"
#include "support/sim_process.h"
#include "table/template.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
    EXPECT_EQ(QString::fromUtf8(w.out), QStringLiteral("Записано в станцию: %1 байт\n").arg(25 + 18 * 12));
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
    SimProcess unknown({QStringLiteral("--type"), QStringLiteral("7")});
    const QString good = templateFile(3);
    const QString bad = templateFile(3, QStringLiteral("4"));
    const QString out = dir.filePath(QStringLiteral("never.ini"));
    struct Case { QStringList args; int exit; const char16_t *says; };
    const Case cases[] = {
        {{"write", bad, "--port", silent.path}, 1, u"Не желательно использовать в минимальной мощности 4 уровень"},
        {{"write", good, "--port", silent.path}, 1, u"Станция не ответила на запрос записи"},
        {{"write", good, "--port", stops.path}, 1, u"Станция не ответила на байт 40 из 79"},
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
}
