#pragma once
// Runs the built tolvin-cli and collects what it printed.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tolvin::test {

struct CliResult {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
    QString err;
};

inline QString cliPath() { return QString::fromUtf8(TOLVIN_CLI_PATH); }

inline CliResult runCli(const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(cliPath(), args);
    CliResult r;
    if (!p.waitForStarted(10000) || !p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        r.crashed = true;
        return r;
    }
    r.crashed = p.exitStatus() != QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace tolvin::test
