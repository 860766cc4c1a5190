// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the built tolvin-cli and collects what it printed.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

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

// A refusal of the arguments or of a file: exit code 2, nothing on standard output, and
// `inErr` among what went to standard error.
inline void expectRefused(const QStringList &args, const QString &inErr) {
    const CliResult r = runCli(args);
    const std::string name = args.join(' ').toStdString();
    EXPECT_EQ(r.exitCode, 2) << name;
    EXPECT_TRUE(r.out.isEmpty()) << name;
    EXPECT_TRUE(r.err.contains(inErr)) << name << ": " << r.err.toStdString();
}

} // namespace tolvin::test
