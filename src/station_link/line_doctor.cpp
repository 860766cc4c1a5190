// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/line_doctor.h"

#include "common/errors.h"
#include "station_link/link_stop.h"
#include "common/numbers.h"
#include "layout/image_layout.h"
#include "layout/station_models.h"
#include "station_link/link_pace.h"
#include "station_link/port_finder.h"
#include "station_link/type_guard.h"
#include "table/bands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cmath>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tolvin {

namespace {

using Clock = std::chrono::steady_clock;
using State = DoctorFinding::State;

void send(SerialPort &port, uint8_t byte) {
    sendOrStop(port, byte);
}

// Sleeps `d` unless asked to stop first.
void pause(std::chrono::milliseconds d, StopFlag stop) {
    const auto until = Clock::now() + d;
    while (Clock::now() < until) {
        checkStop(stop);
        std::this_thread::sleep_for(std::min<Clock::duration>(until - Clock::now(), std::chrono::milliseconds(10)));
    }
}

// Bytes that start no exchange: a loop at the plug sends them back, a station lets them pass.
constexpr std::array<uint8_t, 8> LoopPattern{0x55, 0x00, 0xFF, 0x0F, 0xF0, 0x33, 0xCC, 0x5A};
constexpr bool patternIsNoiseToStations() {
    for (const uint8_t b : LoopPattern)
        if (b == TypeQuerySequence[0] || b == ShortOpening[0] || b == LongOpening[0] || b == ReadCommand)
            return false;
    return true;
}
static_assert(patternIsNoiseToStations(), "a loop pattern byte would start an exchange in a station");

// A station that has not answered this many round trips from the first is silent: the rest
// would only take a reply time-out each.
constexpr int SilentAfter = 5;
// Quiet on the line for two byte times after a reply: whatever the station sends after it has come.
constexpr auto QuietGap = 2 * LineByteTime;
// How often a loop still at the plug is asked again while the check waits for the station.
constexpr std::chrono::milliseconds LoopProbeWait{100};
constexpr std::chrono::milliseconds LoopProbePause{300};

QString millis(std::chrono::nanoseconds d) {
    return fixedToStr(std::chrono::duration<double, std::milli>(d).count(), 1, 0);
}

// "7К-62"; the model table's name without the family.
QString modelOf(uint8_t typeCode) {
    return QString::fromUtf16(bandRow(bandForStationType(typeCode)).title).remove(QStringLiteral("Толвин "));
}

QString readText(const QString &path, qint64 max = 4096) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.read(max));
}

DoctorUser processUser() {
    DoctorUser u;
    if (const passwd *pw = ::getpwuid(::geteuid()); pw && pw->pw_name) {
        u.name = QString::fromLocal8Bit(pw->pw_name);
        u.primaryGroup = pw->pw_gid;
    }
    const int n = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(std::max(n, 0)));
    if (n > 0 && ::getgroups(n, groups.data()) == n)
        for (const gid_t g : groups)
            u.processGroups << unsigned(g);
    u.processGroups << unsigned(::getegid());
    return u;
}

bool kernelMayOpen(const QString &device) {
    return ::faccessat(AT_FDCWD, device.toLocal8Bit().constData(), R_OK | W_OK, AT_EACCESS) == 0;
}

struct Group {
    QString name;
    QStringList members;
};

// The group of /etc/group's form with this number.
std::optional<Group> groupOf(const QString &groupFile, unsigned gid) {
    for (const QString &line : readText(groupFile, 1 << 20).split(QLatin1Char('\n'))) {
        const QStringList f = line.split(QLatin1Char(':'));
        bool ok = false;
        if (f.size() >= 3 && f[2].toUInt(&ok) == gid && ok)
            return Group{f[0], f.value(3).trimmed().split(QLatin1Char(','), Qt::SkipEmptyParts)};
    }
    return std::nullopt;
}

bool sameDevice(const struct stat &a, const struct stat &b) {
    if (S_ISCHR(a.st_mode) && S_ISCHR(b.st_mode))
        return a.st_rdev == b.st_rdev;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

PortHolder holderOf(const QString &procRoot, qint64 pid) {
    const QString base = procRoot + QLatin1Char('/') + QString::number(pid);
    QString command = readText(base + QStringLiteral("/cmdline"));
    command.replace(QChar(0), QLatin1Char(' '));
    return {pid, readText(base + QStringLiteral("/comm")).trimmed(), command.trimmed()};
}

// Programs known to open serial ports on their own.
bool takesPorts(const QString &name) {
    return name == QLatin1String("ModemManager") || name == QLatin1String("brltty");
}

QList<PortHolder> processesNamed(const QString &procRoot, const QString &name) {
    QList<PortHolder> found;
    for (const QString &entry : QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && readText(procRoot + QLatin1Char('/') + entry + QStringLiteral("/comm")).trimmed() == name)
            found << holderOf(procRoot, pid);
    }
    return found;
}

const QString &modemManagerFix() {
    static const QString text = QStringLiteral(
        "чтобы ModemManager не опрашивал адаптер как модем, скопируйте правило "
        "/usr/share/doc/tolvin/examples/99-tolvin-modemmanager.rules (ENV{ID_MM_DEVICE_IGNORE}=\"1\") "
        "в /etc/udev/rules.d, выполните sudo udevadm control --reload и подключите адаптер заново; "
        "или остановите его: sudo systemctl stop ModemManager");
    return text;
}

const QString &brlttyFix() {
    static const QString text = QStringLiteral(
        "brltty принимает адаптер за брайлевский дисплей: если дисплей не нужен, удалите пакет "
        "(sudo apt remove brltty), иначе закомментируйте строку этого адаптера в правиле udev "
        "brltty, скопировав его в /etc/udev/rules.d");
    return text;
}

QString holderFix(const PortHolder &h) {
    if (h.name == QLatin1String("ModemManager"))
        return modemManagerFix();
    if (h.name == QLatin1String("brltty"))
        return brlttyFix();
    if (h.name == QLatin1String("tolvin") || h.name == QLatin1String("tolvin-cli"))
        return QStringLiteral("это обмен другой программы Толвин (%1): дождитесь его конца или остановите ее "
                              "(kill %2)")
            .arg(h.commandLine.isEmpty() ? h.name : h.commandLine)
            .arg(h.pid);
    return QStringLiteral("закройте ее или остановите: kill %1").arg(h.pid);
}

// The type query is one step of the check: a silent station must not give the window its
// buttons back while the steps after it still run.
class StepObserver : public LinkObserver {
public:
    explicit StepObserver(LinkObserver &inner) : m_inner(inner) {}
    void status(const QString &text) override { m_inner.status(text); }
    void gauge(int percent) override { m_inner.gauge(percent); }
    void buttonsEnabled(bool) override {}
    void transferred(ExchangeKind kind, int done, int total) override { m_inner.transferred(kind, done, total); }

private:
    LinkObserver &m_inner;
};

QString holderName(const PortHolder &h) {
    return QStringLiteral("%1 (PID %2)").arg(h.name).arg(h.pid);
}

// The steps, in order; each returns false when the ones after it have nothing left to learn.
class Doctor {
public:
    Doctor(SerialPort &port, const QString &device, LinkObserver &observer, const DoctorOptions &options,
           const DoctorSystem &system, StopFlag stop, const DoctorHooks &hooks)
        : m_port(port), m_device(device), m_observer(observer), m_options(options), m_system(system), m_stop(stop),
          m_hooks(hooks) {
        m_report.device = device;
    }

    DoctorReport run() {
        try {
            if (device() && access() && holders() && loopback() && station())
                roundTrips();
        } catch (const StopRequested &) {
            m_report.stopped = true;
            m_report.healthy = false;
            m_report.verdict = QStringLiteral("Проверка линии прервана");
        } catch (const LinkError &e) {
            // The device went away in the middle of a step.
            add(m_step, State::Problem, QStringLiteral("%1: %2").arg(title(m_step), e.message()));
            m_report.verdict = e.message();
        }
        if (m_port.isOpen())
            m_port.close();
        m_observer.status(LinkStatus::idle());
        m_observer.gauge(0);
        return m_report;
    }

private:
    static QString title(DoctorStep s) {
        switch (s) {
        case DoctorStep::Device: return QStringLiteral("Устройство");
        case DoctorStep::Access: return QStringLiteral("Доступ");
        case DoctorStep::Holders: return QStringLiteral("Другие программы");
        case DoctorStep::Loopback: return QStringLiteral("Петля");
        case DoctorStep::Station: return QStringLiteral("Станция");
        case DoctorStep::RoundTrips: return QStringLiteral("Обмен");
        }
        return {};
    }

    void add(DoctorStep step, State state, const QString &text, const QString &fix = QString()) {
        const DoctorFinding f{step, state, text, fix};
        m_report.findings.push_back(f);
        if (m_hooks.finding)
            m_hooks.finding(f);
    }

    // The steps after a problem have nothing to add; they say so rather than vanish.
    bool stopHere(const QString &verdict, DoctorStep after) {
        m_report.verdict = verdict;
        const DoctorStep rest[] = {DoctorStep::Access, DoctorStep::Holders, DoctorStep::Loopback, DoctorStep::Station,
                                   DoctorStep::RoundTrips};
        for (const DoctorStep s : rest)
            if (int(s) > int(after) && (s != DoctorStep::Loopback || m_options.loopback))
                add(s, State::Skipped, QStringLiteral("%1: не проверялось").arg(title(s)));
        return false;
    }

    bool device() {
        m_step = DoctorStep::Device;
        const QList<SerialDevice> present = findSerialDevices(m_system.devRoot, m_system.sysRoot);
        const QFileInfo info(m_device);
        if (!info.exists()) {
            QStringList lines;
            for (const SerialDevice &d : present)
                lines << deviceLine(d);
            QString fix = lines.isEmpty() ? QStringLiteral("подключите адаптер")
                                          : QStringLiteral("подключите адаптер или укажите один из этих портов");
            // brltty takes some adapters for Braille displays and unbinds them: the device vanishes.
            for (const PortHolder &h : processesNamed(m_system.procRoot, QStringLiteral("brltty")))
                fix += QStringLiteral("; запущен %1: %2").arg(holderName(h), brlttyFix());
            add(DoctorStep::Device, State::Problem,
                lines.isEmpty() ? QStringLiteral("Устройство: порт %1 не найден, последовательных портов нет").arg(m_device)
                                : QStringLiteral("Устройство: порт %1 не найден; есть: %2").arg(m_device, lines.join(QStringLiteral("; "))),
                fix);
            return stopHere(QStringLiteral("Порт %1 не найден: %2 (tolvin-cli ports)").arg(m_device, fix), DoctorStep::Device);
        }
        const QString target = info.canonicalFilePath();
        QStringList known;
        State state = State::Ok;
        QString fix;
        const auto d = std::find_if(present.begin(), present.end(),
                                    [&](const SerialDevice &s) { return QFileInfo(s.path).canonicalFilePath() == target; });
        if (d != present.end()) {
            known << (d->path == m_device ? QFileInfo(target).fileName() : d->path);
            if (!d->description.isEmpty())
                known << d->description;
            if (!d->driver.isEmpty())
                known << QStringLiteral("драйвер %1").arg(d->driver);
            if (d->latencyTimerMs)
                known << QStringLiteral("задержка %1 мс").arg(*d->latencyTimerMs);
            fix = latencyAdvice(*d);
            if (!fix.isEmpty())
                state = State::Advice;
        } else if (target != m_device) {
            known << target;
        }
        add(DoctorStep::Device, state,
            QStringLiteral("Устройство: %1 есть").arg(m_device) +
                (known.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(known.join(QStringLiteral(", ")))),
            fix);
        return true;
    }

    bool access() {
        m_step = DoctorStep::Access;
        const DoctorUser user = m_system.user.value_or(processUser());
        const bool may = m_system.mayOpen ? m_system.mayOpen(m_device) : kernelMayOpen(m_device);
        struct stat st {};
        const bool known = ::stat(m_device.toLocal8Bit().constData(), &st) == 0;
        const std::optional<Group> group = known ? groupOf(m_system.groupFile, st.st_gid) : std::nullopt;
        if (may) {
            add(DoctorStep::Access, State::Ok,
                QStringLiteral("Доступ: пользователь %1 может открыть порт").arg(user.name) +
                    (group ? QStringLiteral(" (группа %1)").arg(group->name) : QString()));
            return true;
        }
        QString text, fix;
        if (!group || group->name == QLatin1String("root")) {
            // Root's group is no advice at all: the device needs a group a user can join.
            text = QStringLiteral("Доступ: пользователь %1 не может открыть порт, устройство принадлежит root").arg(user.name);
            fix = QStringLiteral("задайте устройству группу правилом udev (GROUP=\"dialout\", MODE=\"0660\") или "
                                 "работайте от пользователя, которому оно доступно");
        } else if (user.processGroups.contains(unsigned(st.st_gid))) {
            text = QStringLiteral("Доступ: пользователь %1 в группе %2, но права устройства (%3) не дают ей чтения и записи")
                       .arg(user.name, group->name, QString::number(st.st_mode & 0777, 8));
            fix = QStringLiteral("задайте права правилом udev: GROUP=\"%1\", MODE=\"0660\"").arg(group->name);
        } else if (group->members.contains(user.name) || user.primaryGroup == unsigned(st.st_gid)) {
            text = QStringLiteral("Доступ: пользователь %1 уже в группе %2 (%3), но эта сессия начата раньше")
                       .arg(user.name, group->name, m_system.groupFile);
            fix = QStringLiteral("войдите в систему заново (или перезагрузите компьютер), чтобы группа %1 "
                                 "вступила в силу")
                      .arg(group->name);
        } else {
            text = QStringLiteral("Доступ: пользователь %1 не в группе %2, которой принадлежит порт").arg(user.name, group->name);
            fix = QStringLiteral("добавьте пользователя в группу %1 (sudo usermod -aG %1 %2) и войдите в систему заново")
                      .arg(group->name, user.name);
        }
        add(DoctorStep::Access, State::Problem, text, fix);
        return stopHere(QStringLiteral("Нет доступа к порту %1: %2").arg(m_device, fix), DoctorStep::Access);
    }

    bool holders() {
        m_step = DoctorStep::Holders;
        QList<PortHolder> unseen;
        const QList<PortHolder> found = findPortHolders(m_device, m_system, &unseen);
        if (found.isEmpty()) {
            if (unseen.isEmpty()) {
                add(DoctorStep::Holders, State::Ok, QStringLiteral("Другие программы: порт никто не держит"));
            } else {
                // Another user's descriptors are root's to see; a program known to take ports is
                // named all the same, with its cure.
                QStringList names, fixes;
                for (const PortHolder &h : unseen) {
                    names << holderName(h);
                    if (!fixes.contains(holderFix(h)))
                        fixes << holderFix(h);
                }
                add(DoctorStep::Holders, State::Advice,
                    QStringLiteral("Другие программы: порт никто не держит; запущен %1, чьи порты видны только root "
                                   "(sudo tolvin-cli doctor --port %2)")
                        .arg(names.join(QStringLiteral(", ")), m_device),
                    fixes.join(QStringLiteral("; ")));
            }
            return true;
        }
        QStringList names, fixes;
        for (const PortHolder &h : found) {
            names << holderName(h);
            fixes << holderFix(h);
        }
        add(DoctorStep::Holders, State::Problem,
            QStringLiteral("Другие программы: порт держит открытым %1").arg(names.join(QStringLiteral(", "))),
            fixes.join(QStringLiteral("; ")));
        return stopHere(QStringLiteral("Порт занят программой %1: %2").arg(holderName(found.first()), fixes.first()),
                        DoctorStep::Holders);
    }

    // Opens the port for a step of its own; a refusal is that step's finding.
    bool openFor(DoctorStep step) {
        try {
            m_port.open(m_device);
            return true;
        } catch (const LinkError &e) {
            add(step, State::Problem, QStringLiteral("%1: %2").arg(title(step), e.message()));
            return stopHere(e.message(), step);
        }
    }

    // The byte's echo within `wait`, or nothing.
    std::optional<uint8_t> echoOf(uint8_t byte, std::chrono::milliseconds wait) {
        checkStop(m_stop);
        m_port.DiscardInput();
        send(m_port, byte);
        if (!m_port.waitForByte(Clock::now() + wait))
            return std::nullopt;
        return m_port.TakeByte();
    }

    bool loopback() {
        if (!m_options.loopback)
            return true;
        m_step = DoctorStep::Loopback;
        if (!openFor(DoctorStep::Loopback))
            return false;
        m_observer.status(LinkStatus::sending());
        int back = 0, wrong = 0;
        for (const uint8_t b : LoopPattern) {
            if (const std::optional<uint8_t> echo = echoOf(b, ReplyCountdown))
                ++(*echo == b ? back : wrong);
        }
        const int n = int(LoopPattern.size());
        if (back == n) {
            m_loopPassed = true;
            add(DoctorStep::Loopback, State::Ok,
                QStringLiteral("Петля: %1 байт вернулись без искажений, адаптер и кабель до разъема исправны").arg(n));
            return true;
        }
        const QString text = back + wrong == 0 ? QStringLiteral("Петля: ни один из %1 байт не вернулся").arg(n)
                             : wrong > 0       ? QStringLiteral("Петля: %1 из %2 байт вернулись искаженными").arg(wrong).arg(n)
                                               : QStringLiteral("Петля: вернулись %1 из %2 байт").arg(back).arg(n);
        add(DoctorStep::Loopback, State::Problem, text,
            QStringLiteral("проверьте, что контакты TX и RX разъема замкнуты; если замкнуты, неисправен адаптер или "
                           "кабель: замените их"));
        return stopHere(QStringLiteral("Петля не проходит: адаптер или кабель до разъема неисправны — проверьте "
                                       "перемычку TX–RX, замените кабель или адаптер"),
                        DoctorStep::Loopback);
    }

    // After a loop that came back: the technician takes it off and plugs the station in; the
    // pattern's first byte tells the loop (it comes back) from a station (it lets it pass).
    bool stationAfterLoop() {
        if (m_hooks.prompt)
            m_hooks.prompt(QStringLiteral("Снимите перемычку TX–RX и подключите станцию: проверка ждет ее до %1 с")
                               .arg(std::chrono::duration_cast<std::chrono::seconds>(m_options.stationWait).count()));
        const auto deadline = Clock::now() + m_options.stationWait;
        bool looped = true;
        while (Clock::now() < deadline) {
            // An open input may pick up noise: only the byte itself coming back is the loop.
            if (echoOf(LoopPattern[0], LoopProbeWait) == LoopPattern[0]) {
                looped = true;
                pause(LoopProbePause, m_stop);
                continue;
            }
            looped = false;
            if (echoOf(TypeQuerySequence[0], ReplyCountdown) == TypeQuerySequence[0]) {
                m_port.close();
                return true;
            }
        }
        add(DoctorStep::Station, State::Problem,
            looped ? QStringLiteral("Станция: не подключена, на разъеме все еще петля")
                   : QStringLiteral("Станция: не ответила за %1 с")
                         .arg(std::chrono::duration_cast<std::chrono::seconds>(m_options.stationWait).count()));
        return stopHere(QStringLiteral("Станция не отвечает: адаптер и кабель исправны (петля проходит) — проверьте "
                                       "питание станции и разъем"),
                        DoctorStep::Station);
    }

    bool station() {
        m_step = DoctorStep::Station;
        if (m_loopPassed && !stationAfterLoop())
            return false;
        StepObserver step(m_observer);
        const ExchangeResult r = queryStationType(m_port, m_device, step, m_stop);
        if (r.outcome == ExchangeOutcome::Stopped)
            throw StopRequested{};
        if (r.portError) {
            add(DoctorStep::Station, State::Problem, QStringLiteral("Станция: %1").arg(r.message));
            return stopHere(r.message, DoctorStep::Station);
        }
        if (!r.ok()) {
            m_typeFailed = true;
            QString what = r.message.isEmpty() ? QStringLiteral("не ответила") : r.message;
            if (what.startsWith(QStringLiteral("Станция ")))
                what = what.mid(8);  // the step's title says whose silence it is
            add(DoctorStep::Station, State::Problem, QStringLiteral("Станция: %1").arg(what));
            return true;  // the round trips tell silence from a station that answers now and then
        }
        m_report.typeCode = r.typeCode;
        const bool known = bandForStationType(r.typeCode) != 0;
        add(DoctorStep::Station, known ? State::Ok : State::Problem,
            known ? QStringLiteral("Станция: отвечает на запрос типа, %1").arg(stationModelText(r.typeCode))
                  : QStringLiteral("Станция: на запрос типа ответила кодом %1, которого нет у %2")
                        .arg(r.typeCode)
                        .arg(modelFamily()));
        return true;
    }

    void roundTrips() {
        m_step = DoctorStep::RoundTrips;
        if (!openFor(DoctorStep::RoundTrips))
            return;
        RoundTrips &t = m_report.trips;
        const uint8_t first = TypeQuerySequence[0];
        const int n = std::max(m_options.roundTrips, 1);
        m_observer.status(LinkStatus::sending());
        for (int i = 0; i < n; ++i) {
            checkStop(m_stop);
            // What came after the last reply is the station's surplus, not this byte's answer.
            while (m_port.ByteWaiting()) {
                m_port.TakeByte();
                ++t.surplus;
            }
            const auto sentAt = Clock::now();
            send(m_port, first);
            ++t.sent;
            if (!m_port.waitForByte(sentAt + ReplyCountdown)) {
                ++t.lost;
                if (t.lost == t.sent && t.sent >= SilentAfter)
                    break;
                continue;
            }
            t.delays.push_back(Clock::now() - sentAt);
            if (m_port.TakeByte() != first)
                ++t.garbled;
            while (m_port.waitForByte(Clock::now() + QuietGap)) {
                checkStop(m_stop);
                m_port.TakeByte();
                ++t.surplus;
            }
            m_observer.gauge((i + 1) * 100 / n);
        }
        m_port.close();
        judge();
    }

    void judge() {
        const RoundTrips &t = m_report.trips;
        const int replies = int(t.delays.size());
        const QString line = millis(2 * LineByteTime);
        QString text = QStringLiteral("Обмен: %1 запросов, потерь %2, искажено %3, лишних байтов %4")
                           .arg(t.sent)
                           .arg(t.lost)
                           .arg(t.garbled)
                           .arg(t.surplus);
        if (replies > 0)
            text += QStringLiteral("; ответ: медиана %1 мс, 99-й процентиль %2 мс (линия %3 мс)")
                        .arg(millis(t.median()), millis(t.percentile(0.99)), line);
        // The mean is what the write's pace advice speaks of; the same figures, the same words.
        LinkPace pace;
        pace.roundTrips = replies;
        for (const auto d : t.delays)
            pace.roundTripTime += d;

        QString verdict, fix;
        if (replies == 0) {
            fix = m_loopPassed ? QStringLiteral("проверьте питание станции и разъем")
                               : QStringLiteral("проверьте питание станции, разъем и кабель; адаптер и кабель "
                                                "проверяет петля: замкните контакты TX и RX разъема и запустите "
                                                "tolvin-cli doctor --port %1 --loopback")
                                     .arg(m_device);
            verdict = m_loopPassed ? QStringLiteral("Станция не отвечает: адаптер и кабель исправны (петля проходит) — ") + fix
                                   : QStringLiteral("Станция не отвечает: ") + fix;
        } else if (t.garbled > 0) {
            fix = QStringLiteral("проверьте кабель и общий провод (GND), уровни адаптера (RS-232, а не TTL) и "
                                 "нет ли рядом помех");
            verdict = QStringLiteral("Ответы станции искажены (%1 из %2): ").arg(t.garbled).arg(replies) + fix;
        } else if (t.lost > 0) {
            fix = QStringLiteral("проверьте разъем, кабель и питание станции");
            verdict = QStringLiteral("Станция теряет ответы (потерь %1 из %2): ").arg(t.lost).arg(t.sent) + fix;
        } else if (m_typeFailed) {
            fix = QStringLiteral("проверьте, что это станция %1, и повторите проверку").arg(modelFamily());
            verdict = QStringLiteral("Станция отвечает на байты, но не на запрос типа: ") + fix;
        } else if (t.surplus > 0) {
            fix = QStringLiteral("на линии помехи или второе устройство — проверьте кабель и разъем");
            verdict = QStringLiteral("Станция передает лишние байты (%1 на %2 запросов): ").arg(t.surplus).arg(t.sent) + fix;
        } else if (pace.repliesDelayed()) {
            fix = delayedRepliesAdvice(pace);
            verdict = fix;
        } else if (m_report.typeCode && bandForStationType(*m_report.typeCode) == 0) {
            verdict = QStringLiteral("Линия в порядке, но станция отвечает кодом типа %1, которого нет у %2")
                          .arg(*m_report.typeCode)
                          .arg(modelFamily());
        }
        add(DoctorStep::RoundTrips, fix.isEmpty() ? State::Ok : State::Problem, text, fix);
        if (!verdict.isEmpty()) {
            m_report.verdict = verdict;
            return;
        }
        m_report.healthy = true;
        m_report.verdict = QStringLiteral("Линия в порядке: станция %1 отвечает, потерь %2 из %3, ответ %4 мс (линия %5 мс)")
                               .arg(modelOf(*m_report.typeCode))
                               .arg(t.lost)
                               .arg(t.sent)
                               .arg(millis(t.median()), line);
    }

    SerialPort &m_port;
    const QString &m_device;
    LinkObserver &m_observer;
    const DoctorOptions &m_options;
    const DoctorSystem &m_system;
    StopFlag m_stop;
    const DoctorHooks &m_hooks;
    DoctorReport m_report;
    DoctorStep m_step = DoctorStep::Device;
    bool m_loopPassed = false;
    bool m_typeFailed = false;
};

} // namespace

QString DoctorFinding::line() const {
    if (fix.isEmpty())
        return text;
    // A fix written as a sentence of its own (the pace advice) goes on after the dash.
    return text + QStringLiteral(" — ") + fix.left(1).toLower() + fix.mid(1);
}

std::chrono::nanoseconds RoundTrips::percentile(double p) const {
    if (delays.empty())
        return std::chrono::nanoseconds::zero();
    std::vector<std::chrono::nanoseconds> sorted = delays;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = size_t(std::ceil(p * double(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

QStringList DoctorReport::lines() const {
    QStringList out;
    for (const DoctorFinding &f : findings)
        out << f.line();
    return out;
}

QList<PortHolder> findPortHolders(const QString &device, const DoctorSystem &system, QList<PortHolder> *unseen) {
    QList<PortHolder> found;
    struct stat wanted {};
    if (::stat(device.toLocal8Bit().constData(), &wanted) != 0)
        return found;
    const qint64 own = system.ownPid != 0 ? system.ownPid : qint64(::getpid());
    const QDir proc(system.procRoot);
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || pid == own)
            continue;
        const QDir fds(proc.filePath(entry) + QStringLiteral("/fd"));
        if (!QFileInfo(fds.path()).isReadable()) {
            if (unseen)
                if (const PortHolder h = holderOf(system.procRoot, pid); takesPorts(h.name))
                    *unseen << h;
            continue;
        }
        for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
            struct stat st {};
            if (::stat(fds.filePath(fd).toLocal8Bit().constData(), &st) != 0 || !sameDevice(st, wanted))
                continue;
            const PortHolder h = holderOf(system.procRoot, pid);
            // tolvin-sim keeps the far end of its terminal open so the station outlives the
            // host's closing it: that is the station itself, not a program in the way.
            if (h.name != QLatin1String("tolvin-sim"))
                found << h;
            break;
        }
    }
    return found;
}

DoctorReport diagnoseLine(SerialPort &port, const QString &device, LinkObserver &observer, const DoctorOptions &options,
                          const DoctorSystem &system, StopFlag stop, const DoctorHooks &hooks) {
    return Doctor(port, device, observer, options, system, stop, hooks).run();
}

} // namespace tolvin
