// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli: the core's operations without a window, in the order the GUI's handlers run them.
#include "cli/commands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// A PDF is laid out with fonts, which only a GUI application has; it needs no screen.
bool writesPdf(int argc, char **argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        const size_t n = std::strlen(argv[i + 1]);
        if (std::strcmp(argv[i], "-o") == 0 && n > 4 && strcasecmp(argv[i + 1] + n - 4, ".pdf") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv) {
    // A closed pipe on the other end of stdout ends the output, not the process by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::unique_ptr<QCoreApplication> app;
    if (writesPdf(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
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
