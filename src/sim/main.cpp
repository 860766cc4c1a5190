// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-sim: a station on a pseudo-terminal, for the program's tests, for scripts and for a
// technician without a radio at hand.
#include "common/errors.h"
#include "sim/pty_station.h"
#include "sim/sim_options.h"
#include "sim/station_series.h"

#include <QString>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/signalfd.h>

namespace {

void printErr(const QString &text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char **argv) {
    using namespace tolvin;
    // A script that stops reading our output must not end the station by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);

    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const sim::ParsedOptions parsed = sim::parseOptions(args);
    if (!parsed.error.isEmpty()) {
        printErr(QStringLiteral("tolvin-sim: ") + parsed.error);
        printErr(QStringLiteral("Справка: tolvin-sim --help"));
        return 2;
    }
    const sim::Options &o = parsed.options;
    if (o.help) {
        std::fputs(sim::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }

    std::unique_ptr<sim::StationSeries> series;
    try {
        series = std::make_unique<sim::StationSeries>(o);
    } catch (const AppError &e) {
        printErr(QStringLiteral("tolvin-sim: ") + e.message());
        return 2;
    }

    // SIGINT and SIGTERM arrive as a descriptor the station sleeps on with its terminal.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    const int stopFd = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (stopFd < 0) {
        printErr(QStringLiteral("tolvin-sim: не удалось подготовить обработку сигналов"));
        return 1;
    }

    sim::PtyStation station(*series, o);
    QString path;
    try {
        path = station.open();
    } catch (const AppError &e) {
        printErr(QStringLiteral("tolvin-sim: ") + e.message());
        return 1;
    }
    std::printf("%s\n", path.toLocal8Bit().constData());
    std::fflush(stdout);
    printErr(QStringLiteral("tolvin-sim: станция типа %1 на %2; остановка — Ctrl+C").arg(o.type).arg(path));
    if (series->swaps())
        printErr(QStringLiteral("tolvin-sim: серия из %1 станций, смена через %2 мс после записи")
                     .arg(o.stations)
                     .arg(o.swapPauseMs));

    station.serve(stopFd);
    return 0;
}
