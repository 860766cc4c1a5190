// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ctrl+C, a kill or a closed terminal during an exchange: the exchange stops at its next byte,
// closes the port and the command says what it left behind, instead of the process vanishing
// with a station half written and no log.
#include "station_link/exchanges.h"

namespace tolvin::cli {

// While one lives, SIGINT, SIGTERM and SIGHUP raise the stop flag instead of ending the process.
// A second signal of the same kind ends it as usual, for a technician who really means it.
class Interruption {
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption &) = delete;
    Interruption &operator=(const Interruption &) = delete;

    // What the exchanges watch.
    StopFlag flag() const;
    // The signal that came, 0 for none.
    int signal() const;
    // The shell's code for a process ended by that signal (130, 143, 129), or `code` when none came.
    int exitCode(int code) const;
};

} // namespace tolvin::cli
