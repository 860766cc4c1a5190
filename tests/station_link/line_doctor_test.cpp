// SPDX-License-Identifier: GPL-3.0-or-later
// The line check against the faults a bench meets: tolvin-sim's silent, garbling, slow and
// chattering stations, a terminal another process holds, a loop at the plug, and a made-up
// /dev, /sys, /proc and /etc/group for the adapter, the permission and the programs in the way.
#include "station_link/line_doctor.h"

#include "support/made_up_adapter.h"

#include "station_link/link_pace.h"
#include "station_link/link_port.h"
#include "cli/cli_run.h"
#include "support/link_support.h"
#include "support/sim_process.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tolvin;
using namespace tolvin::test;

namespace {

// An FTDI adapter at the kernel's default latency timer, with its by-id name, and a /proc where
// the programs `holders` ("612 ModemManager") hold it open.
struct MadeUpBench {
    QTemporaryDir root;
    QString dev = root.filePath(QStringLiteral("dev")), sys = root.filePath(QStringLiteral("sys")),
            proc = root.filePath(QStringLiteral("proc"));
    QString adapter = dev + QStringLiteral("/ttyUSB0");

    MadeUpBench() {
        putFtdiAdapter(dev, sys, sys + QStringLiteral("/devices/usb1/1-1"));
    }
    void holder(int pid, const QByteArray &name, const QByteArray &commandLine) {
        const QString p = proc + QLatin1Char('/') + QString::number(pid);
        put(p + QStringLiteral("/comm"), name + '\n');
        put(p + QStringLiteral("/cmdline"), QByteArray(commandLine).replace(' ', '\0') + '\0');
        QDir().mkpath(p + QStringLiteral("/fd"));
        QFile::link(QStringLiteral("/dev/null"), p + QStringLiteral("/fd/0"));
        QFile::link(adapter, p + QStringLiteral("/fd/7"));
    }
    // The adapter's group is "dialout" with these members; the user "ivan" runs without it.
    DoctorSystem system(const QByteArray &members, bool mayOpen) const {
        struct stat st {};
        ::stat(adapter.toLocal8Bit().constData(), &st);
        const QString groups = root.filePath(QStringLiteral("group"));
        put(groups, "dialout:x:" + QByteArray::number(st.st_gid) + ":" + members + "\n");
        return {dev, sys, proc, groups, 1, DoctorUser{QStringLiteral("ivan"), st.st_gid + 1, {st.st_gid + 1}},
                [mayOpen](const QString &) { return mayOpen; }};
    }
};

// A loop at the plug: what goes out comes straight back.
class EchoLine {
public:
    EchoLine() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::grantpt(m_master);
        ::unlockpt(m_master);
        path = QString::fromLocal8Bit(::ptsname(m_master));
        // Held so the terminal outlives each step's closing of the port.
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        m_thread = std::jthread([this](std::stop_token stop) {
            char buf[256];
            while (!stop.stop_requested()) {
                pollfd p{m_master, POLLIN, 0};
                if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
                    const ssize_t n = ::read(m_master, buf, sizeof buf);
                    if (n > 0)
                        (void)::write(m_master, buf, size_t(n));
                }
            }
        });
    }
    ~EchoLine() {
        m_thread.request_stop();
        m_thread.join();
        ::close(m_slave);
        ::close(m_master);
    }
    QString path;

private:
    int m_master = -1, m_slave = -1;
    std::jthread m_thread;
};

// Another program with the terminal open: a shell of our own that opens it and sleeps.
class Holder {
public:
    explicit Holder(const QString &device) {
        m_p.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exec sleep 30 <\"$0\""), device});
        m_p.waitForStarted();
        // Until the shell has become the program it runs, it is the shell that holds the terminal.
        const auto sleeping = [&] {
            const QList<PortHolder> h = findPortHolders(device, {});
            return !h.isEmpty() && h.first().name == QLatin1String("sleep");
        };
        for (int i = 0; i < 250 && !sleeping(); ++i)
            QThread::msleep(20);
    }
    ~Holder() {
        m_p.kill();
        m_p.waitForFinished();
    }

private:
    QProcess m_p;
};

enum class Line { MadeUp, Sim, SimHeld, Echo };
enum class Tree { Holders, NotInGroup, NewLoginNeeded, Missing };
enum class Via { Core, Cli };

struct Situation {
    const char *name;
    Line line;
    QStringList simArgs;  // tolvin-sim's faults, or the made-up bench's holders: "PID NAME COMMAND LINE"
    Tree tree;
    bool loopback;
    Via via;
    const char *verdict;  // what the verdict begins with
    QStringList said;     // what the steps' lines say besides
    int exitCode;         // tolvin-cli's: 0 the line is fine, 1 a problem found, 2 bad arguments
};

const Situation kSituations[] = {
    {"healthy", Line::Sim, {"--line-rate"}, {}, false, Via::Core, "Линия в порядке: станция ",
     {"Станция: отвечает на запрос типа", "потерь 0, искажено 0, лишних байтов 0"}, 0},
    {"silent", Line::Sim, {"--silent"}, {}, false, Via::Cli, "Станция не отвечает: проверьте питание станции",
     {"Станция: не ответила на запрос типа", "--loopback"}, 1},
    {"garbled", Line::Sim, {"--garble"}, {}, false, Via::Core, "Ответы станции искажены (", {"потерь 0"}, 1},
    {"slow_adapter", Line::Sim, {"--line-rate", "--reply-delay", "50"}, {}, false, Via::Core,
     "Адаптер задерживает ответы станции", {"искажено 0, лишних байтов 0"}, 1},
    {"flood", Line::Sim, {"--flood", "3"}, {}, false, Via::Core, "Станция передает лишние байты (", {"искажено 0"}, 1},
    {"held_by_another_process", Line::SimHeld, {}, {}, false, Via::Core, "Порт занят программой sleep (PID ",
     {"Станция: не проверялось"}, 1},
    {"loop_passes_station_silent", Line::Echo, {}, {}, true, Via::Core,
     "Станция не отвечает: адаптер и кабель исправны (петля проходит) — проверьте питание станции и разъем",
     {"байт вернулись без искажений", "на разъеме все еще петля"}, 1},
    {"loop_fails", Line::Sim, {"--silent"}, {}, true, Via::Core, "Петля не проходит", {"Петля: ни один"}, 1},
    {"modem_manager", Line::MadeUp, {"612 ModemManager /usr/sbin/ModemManager"}, Tree::Holders, false, Via::Core,
     "Порт занят программой ModemManager (PID 612): чтобы ModemManager не опрашивал адаптер",
     {"ENV{ID_MM_DEVICE_IGNORE}=\"1\"", "sudo udevadm control --reload",
      "usb-FTDI_FT232R_A1-if00-port0, FTDI FT232R USB UART, драйвер ftdi_sio, задержка 16 мс) — ttyUSB0 задерживает"},
     1},
    {"brltty", Line::MadeUp, {"700 brltty /bin/brltty -q"}, Tree::Holders, false, Via::Core,
     "Порт занят программой brltty (PID 700): ", {"sudo apt remove brltty"}, 1},
    {"another_bench", Line::MadeUp, {"4242 tolvin-cli tolvin-cli batch x.ini --port /dev/ttyUSB0"}, Tree::Holders, false,
     Via::Core, "Порт занят программой tolvin-cli (PID 4242): это обмен другой программы Толвин "
                "(tolvin-cli batch x.ini --port /dev/ttyUSB0)", {"kill 4242"}, 1},
    {"not_in_group", Line::MadeUp, {}, Tree::NotInGroup, false, Via::Core, "Нет доступа к порту",
     {"не в группе dialout", "sudo usermod -aG dialout ivan"}, 1},
    {"new_login_needed", Line::MadeUp, {}, Tree::NewLoginNeeded, false, Via::Core, "Нет доступа к порту",
     {"уже в группе dialout", "войдите в систему заново"}, 1},
    {"missing_device", Line::MadeUp, {}, Tree::Missing, false, Via::Core, "Порт ",
     {"ttyUSB3 не найден", "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0  (FTDI FT232R USB UART, ftdi_sio, задержка 16 мс)"},
     1},
    {"no_port_argument", Line::MadeUp, {}, Tree::Missing, true, Via::Cli, "", {}, 2},
};

void PrintTo(const Situation &s, std::ostream *os) {
    *os << s.name;
}

class LineDoctorTest : public ::testing::TestWithParam<Situation> {};

TEST_P(LineDoctorTest, FindsWhyAndSaysTheFix) {
    const Situation &s = GetParam();
    if (simPath().isEmpty() || cliPath().isEmpty())
        GTEST_SKIP() << "tolvin-sim or tolvin-cli is not built";
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<EchoLine> echo;
    std::unique_ptr<Holder> holder;
    MadeUpBench bench;
    QString device;
    DoctorSystem system;
    DoctorOptions options;
    options.loopback = s.loopback;
    options.stationWait = std::chrono::milliseconds(500);
    switch (s.line) {
    case Line::Sim:
    case Line::SimHeld:
        sim = std::make_unique<SimProcess>(s.simArgs);
        device = sim->path;
        if (s.line == Line::SimHeld)
            holder = std::make_unique<Holder>(device);
        break;
    case Line::Echo:
        echo = std::make_unique<EchoLine>();
        device = echo->path;
        break;
    case Line::MadeUp:
        device = s.tree == Tree::Missing ? bench.dev + QStringLiteral("/ttyUSB3") : bench.adapter;
        for (const QString &h : s.simArgs)
            bench.holder(h.section(' ', 0, 0).toInt(), h.section(' ', 1, 1).toUtf8(), h.section(' ', 2).toUtf8());
        system = bench.system(s.tree == Tree::NewLoginNeeded ? "root,ivan" : "root", s.tree == Tree::Holders);
        break;
    }

    QString verdict;
    QStringList lines;
    if (s.via == Via::Cli) {
        QTemporaryDir data;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TOLVIN_JOURNAL"), QStringLiteral("sqlite:") + data.filePath(QStringLiteral("j.sqlite")));
        QStringList args{QStringLiteral("doctor")};
        if (s.exitCode != 2)
            args << QStringLiteral("--port") << device;
        if (s.loopback)
            args << QStringLiteral("--loopback");
        const CliResult r = runCli(args, env);
        EXPECT_EQ(r.exitCode, s.exitCode) << r.err.toStdString();
        if (s.exitCode == 2)
            return;
        lines = QString::fromUtf8(r.out).trimmed().split(QLatin1Char('\n'));
        verdict = lines.takeLast();
        // The journal keeps the check: its verdict as the message.
        const CliResult j = runCli({QStringLiteral("journal"), QStringLiteral("--json")}, env);
        const QJsonObject e = QJsonDocument::fromJson(j.out).array().first().toObject();
        EXPECT_EQ(e.value("operation").toString(), QStringLiteral("doctor"));
        EXPECT_EQ(e.value("result").toString(), s.exitCode == 0 ? QStringLiteral("ok") : QStringLiteral("failed"));
        EXPECT_EQ(e.value("message").toString(), verdict);
    } else {
        auto port = makeDevicePort(nullptr);
        RecordingObserver observer;
        QStringList told;
        const DoctorReport r = diagnoseLine(*port, device, observer, options, system, nullptr,
                                            {[&](const DoctorFinding &f) { told << f.line(); }, {}});
        EXPECT_EQ(r.healthy, s.exitCode == 0);
        verdict = r.verdict;
        lines = r.lines();
        EXPECT_EQ(told, lines) << "each finding is told as it is made";
        if (r.healthy) {
            // A station at line rate answers in the two byte times of the line, give or take the pty.
            EXPECT_EQ(r.trips.sent, options.roundTrips);
            EXPECT_GE(r.trips.median(), 2 * LineByteTime * 9 / 10);
            EXPECT_LT(r.trips.median(), 2 * LineByteTime * SlowRoundTripFactor);
            EXPECT_GE(r.trips.percentile(0.99), r.trips.median());
        }
    }
    const QString all = lines.join(QLatin1Char('\n'));
    EXPECT_TRUE(verdict.startsWith(QString::fromUtf8(s.verdict))) << verdict.toStdString() << "\n" << all.toStdString();
    for (const QString &text : s.said)
        EXPECT_TRUE(all.contains(text)) << text.toStdString() << " not in\n" << all.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Situations, LineDoctorTest, ::testing::ValuesIn(kSituations),
                         [](const ::testing::TestParamInfo<Situation> &i) { return std::string(i.param.name); });

} // namespace
