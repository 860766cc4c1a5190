// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli doctor: why a station does not answer, one line per step of the check and a verdict
// with the fix; journaled as any exchange.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/journal_session.h"
#include "cli/link_common.h"

#include "journal/exchange_entries.h"
#include "station_link/line_doctor.h"
#include "station_link/link_port.h"

#include <QElapsedTimer>

namespace tolvin::cli {

namespace {

// The findings are the output; the status codes and gauge of the exchanges under them would
// only bury them.
struct Quiet : LinkObserver {
    void status(const QString &) override {}
    void gauge(int) override {}
    void buttonsEnabled(bool) override {}
};

} // namespace

int cmdDoctor(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("doctor"), {{"--port", Option::Value, Required}, {"--loopback", Option::Flag}}, 0, 0);
    if (!a.read(args, out, err))
        return a.exitCode();
    const QString device = resolvePort(a.value("--port"));
    DoctorOptions options;
    options.loopback = a.has("--loopback");
    const Interruption interruption;
    const std::unique_ptr<SerialPort> port = makeDevicePort(interruption.flag());
    Quiet quiet;
    DoctorHooks hooks;
    hooks.finding = [&out](const DoctorFinding &f) { out << f.line() << Qt::endl; };
    // A request to the technician is no finding: it goes where the progress of exchanges goes.
    hooks.prompt = [&err](const QString &text) { err << text << Qt::endl; };
    QElapsedTimer clock;
    clock.start();
    const DoctorReport r = diagnoseLine(*port, device, quiet, options, DoctorSystem{}, interruption.flag(), hooks);
    journalRecordOne([&] { return doctorEntry(r, {device, std::chrono::milliseconds(clock.elapsed())}); });
    out << r.verdict << Qt::endl;
    return interruption.exitCode(r.healthy ? ExitOk : ExitFailed);
}

} // namespace tolvin::cli
