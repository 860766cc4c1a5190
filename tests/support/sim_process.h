// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A tolvin-sim started for one test and stopped by its process id when the test ends.
#include <QProcess>
#include <QTemporaryFile>

#include <csignal>
#include <sys/prctl.h>

namespace tolvin::test {

inline QString simPath() { return QString::fromUtf8(TOLVIN_SIM_PATH); }

class SimProcess {
public:
    // Starts the simulator and waits for its first line, the terminal path (empty on failure).
    explicit SimProcess(const QStringList &args) {
        // A file, not a pipe, for the log: a test that never reads it must not stall the station.
        m_err.open();
        m_p.setStandardErrorFile(m_err.fileName());
        // A test program that crashes must not leave its stations running.
        m_p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_p.start(simPath(), args);
        while (m_p.waitForStarted(10000) && !m_p.canReadLine() && m_p.waitForReadyRead(10000)) {
        }
        path = QString::fromLocal8Bit(m_p.readLine()).trimmed();
    }
    ~SimProcess() { stop(); }

    // SIGTERM to our own child by its id; its exit code, or -1 when it had to be killed.
    int stop() {
        if (m_p.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_p.processId()), SIGTERM);
            if (!m_p.waitForFinished(5000)) {
                m_p.kill();
                m_p.waitForFinished(5000);
            }
        }
        return m_p.exitStatus() == QProcess::NormalExit ? m_p.exitCode() : -1;
    }

    qint64 pid() const { return m_p.processId(); }
    QString log() { return QString::fromUtf8(m_err.readAll()); }

    // Stops the station (started with --log) and gives the bytes it received, in order.
    QByteArray received() {
        stop();
        QByteArray out;
        for (const QString &line : log().split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("RX ")))
                out.append(char(line.mid(3, 2).toInt(nullptr, 16)));
        return out;
    }

    QString path;

private:
    QTemporaryFile m_err;
    QProcess m_p;
};

} // namespace tolvin::test
