// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli: the core's operations without a window, in the order the GUI's handlers run them.
#include "cli/commands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>

int main(int argc, char **argv) {
    // A closed pipe on the other end of stdout ends the output, not the process by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    int code = tolvin::cli::runCommandLine(QCoreApplication::arguments().mid(1), out, err);
    out.flush();
    err.flush();
    if (code == tolvin::cli::ExitOk && (out.status() != QTextStream::Ok || std::ferror(stdout)))
        code = tolvin::cli::ExitFailed;
    return code;
}
