// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Why a station does not answer, found out step by step the way a technician at the bench would:
// is the device there, may this user open it, does another program hold it, does a loop at the
// plug come back, does the station answer and how well. Each step says what it found and, where
// something is wrong, what to do; one verdict sums them up. The system's folders and the user's
// groups come in as parameters, so a test can hand a made-up /proc, /sys and /etc/group.
#include "station_link/exchanges.h"
#include "station_link/serial_port.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace tolvin {

// The user a port is checked for: the account's name and primary group, and the groups this
// process runs with (a group joined since the session began is not among them yet).
struct DoctorUser {
    QString name;
    unsigned primaryGroup = 0;
    QList<unsigned> processGroups;
};

// Where the facts about the computer come from; the system's own unless a test says otherwise.
struct DoctorSystem {
    QString devRoot = QStringLiteral("/dev");
    QString sysRoot = QStringLiteral("/sys");
    QString procRoot = QStringLiteral("/proc");
    QString groupFile = QStringLiteral("/etc/group");
    // This process, whose own descriptors are no other program's; 0: getpid().
    qint64 ownPid = 0;
    // Empty: the user this process runs as.
    std::optional<DoctorUser> user;
    // Whether this process may open the device for reading and writing; empty: the kernel's word.
    std::function<bool(const QString &device)> mayOpen;
};

struct DoctorOptions {
    // The technician has joined TX and RX at the plug: the adapter and cable are tested first.
    bool loopback = false;
    int roundTrips = 50;
    // After a loop that came back: how long to wait for the loop to come off and the station to answer.
    std::chrono::milliseconds stationWait{30000};
};

enum class DoctorStep { Device, Access, Holders, Loopback, Station, RoundTrips };

struct DoctorFinding {
    enum class State {
        Ok,       // nothing wrong here
        Advice,   // works, but the fix makes it better (an adapter's latency timer)
        Problem,  // this keeps the station from answering well
        Skipped,  // not checked: an earlier step already found why
    };
    DoctorStep step = DoctorStep::Device;
    State state = State::Ok;
    QString text;  // "Устройство: /dev/ttyUSB0 (...)"
    QString fix;   // what to do, empty when nothing

    // The finding with its fix after it: one line of the report.
    QString line() const;
};

// Replies to the first byte of the type query, sent one at a time.
struct RoundTrips {
    int sent = 0;
    int lost = 0;     // no reply within the reply time-out
    int garbled = 0;  // a reply that was not the byte sent
    int surplus = 0;  // bytes beyond one reply per byte
    std::vector<std::chrono::nanoseconds> delays;  // send to reply, for each reply that came

    std::chrono::nanoseconds percentile(double p) const;  // nearest rank; zero without replies
    std::chrono::nanoseconds median() const { return percentile(0.5); }
};

struct DoctorReport {
    QString device;
    std::vector<DoctorFinding> findings;
    QString verdict;
    bool healthy = false;
    bool stopped = false;
    std::optional<uint8_t> typeCode;  // where the station answered the type query
    RoundTrips trips;

    QStringList lines() const;
};

// What the steps tell as they go: each finding once it is made, and a request to the technician
// (take the loop off) while the check waits for it.
struct DoctorHooks {
    std::function<void(const DoctorFinding &)> finding;
    std::function<void(const QString &)> prompt;
};

// Runs the steps on `device` through `port` (opened and closed by the steps); `observer` sees the
// type query and the round trips as any exchange. Throws nothing a port raises: it is a finding.
DoctorReport diagnoseLine(SerialPort &port, const QString &device, LinkObserver &observer,
                          const DoctorOptions &options = {}, const DoctorSystem &system = {}, StopFlag stop = nullptr,
                          const DoctorHooks &hooks = {});

// A program that has the device open, as /proc shows it.
struct PortHolder {
    qint64 pid = 0;
    QString name;         // /proc/PID/comm
    QString commandLine;  // its arguments joined by spaces
};

// Programs holding `device` open, this process left out. `unseen` gets the programs known to
// take serial ports (ModemManager, brltty) whose descriptors this user may not look at.
QList<PortHolder> findPortHolders(const QString &device, const DoctorSystem &system, QList<PortHolder> *unseen = nullptr);

} // namespace tolvin
