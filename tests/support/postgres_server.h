// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A PostgreSQL server of its own for one test, from Debian's postgresql package. Its data and
// socket live in a temporary folder, it listens on no TCP port, and user "tolvin" connects without
// a password. PostgreSQL refuses to run as root, and CI runs as root: there every server program
// runs as user and group 65534 (nobody) through setpriv, and the folder is given to that user.
//
// The postmaster is started as our own child, not through pg_ctl, which would leave it detached:
// this way a test program that crashes takes its server down with it (parent-death signal,
// immediate shutdown), and only the folder is left behind in /tmp. The signal follows the thread
// that started the server, so a server must not outlive the thread that made it.
//
// Starting a server costs more than most journal tests take, so under ctest one server serves the
// whole run (fixture(): started before the first test, stopped after the last) and a test that
// only needs a database gets a fresh one on it (sharedDatabase()). Tests that stop, freeze or
// add roles to a server still start their own.
#include "unprivileged.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <QProcess>
#include <memory>
#include <QTemporaryDir>
#include <QUrl>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#include <utility>

namespace tolvin::test {

class PostgresServer {
public:
    // The bin folder of the newest PostgreSQL installed, or empty.
    static QString binDir() {
        const QDir root(QStringLiteral("/usr/lib/postgresql"));
        int best = -1;
        for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            bool numeric = false;
            const int version = name.toInt(&numeric);
            if (numeric && version > best && QFile::exists(root.filePath(name + QStringLiteral("/bin/initdb"))))
                best = version;
        }
        return best < 0 ? QString() : root.filePath(QString::number(best) + QStringLiteral("/bin"));
    }
    static bool available() { return !binDir().isEmpty(); }

    // A fixed short folder, not $TMPDIR: a socket's path must fit in 107 bytes, and under root
    // every folder above it must be open to nobody.
    PostgresServer() : PostgresServer(false) {}
    // Stops its own server, or drops its database on the run's shared one.
    ~PostgresServer() {
        if (m_shared)
            runOn(QStringLiteral("postgres"), QStringLiteral("DROP DATABASE IF EXISTS ") + m_database + QStringLiteral(" WITH (FORCE)"));
        else if (!m_detached)
            halt(SIGQUIT);  // immediate: nothing will read the data again
    }

    // A database of its own on the server of this ctest run (TOLVIN_TEST_POSTGRES names the file
    // that fixture() wrote), or, outside ctest, a server of its own.
    static std::unique_ptr<PostgresServer> sharedDatabase() {
        QFile state(qEnvironmentVariable("TOLVIN_TEST_POSTGRES"));
        const QString folder = state.open(QIODevice::ReadOnly) ? QString::fromUtf8(state.readAll()).trimmed() : QString();
        if (folder.isEmpty() || !QFileInfo::exists(folder + QStringLiteral("/data/postmaster.pid")))
            return std::make_unique<PostgresServer>();
        static int made = 0;
        std::unique_ptr<PostgresServer> db(new PostgresServer(true));
        db->m_socketDir = folder;
        db->m_database = QStringLiteral("t%1_%2").arg(::getpid()).arg(++made);
        db->runOn(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE ") + db->m_database);
        return db;
    }

    // `tolvin-tests --postgres-fixture start|stop STATE`: a server for the whole ctest run, left
    // running when this program ends, its folder written to STATE; stop ends it and removes both.
    // Without PostgreSQL, start succeeds and writes nothing: the tests that need it skip.
    static int fixture(const QString &command, const QString &statePath) {
        QFile state(statePath);
        const auto stopRecorded = [&] {
            if (!state.open(QIODevice::ReadOnly))
                return;
            const QString folder = QString::fromUtf8(state.readAll()).trimmed();
            state.close();
            QFile pidFile(folder + QStringLiteral("/data/postmaster.pid"));
            const pid_t pid = pidFile.open(QIODevice::ReadOnly) ? pid_t(pidFile.readLine().trimmed().toInt()) : 0;
            if (pid > 0 && ::kill(pid, SIGQUIT) == 0) {
                QElapsedTimer clock;
                clock.start();
                while (::kill(pid, 0) == 0 && !clock.hasExpired(10000))
                    ::usleep(20000);
            }
            if (folder.startsWith(QStringLiteral("/tmp/tolvin-pg-")))
                QDir(folder).removeRecursively();
            state.remove();
        };
        // A run cut short leaves its server: the next start ends it first.
        stopRecorded();
        if (command != QStringLiteral("start"))
            return 0;
        if (!available())
            return 0;
        PostgresServer server(false, true);
        if (!server.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(server.error()));
            return 1;
        }
        server.m_dir.setAutoRemove(false);
        if (!state.open(QIODevice::WriteOnly) || state.write(server.socketDir().toUtf8()) < 0)
            return 1;
        return 0;
    }

private:
    explicit PostgresServer(bool shared, bool detached = false)
        : m_bin(binDir()), m_dir(QStringLiteral("/tmp/tolvin-pg-XXXXXX")), m_shared(shared), m_detached(detached) {
        m_socketDir = m_dir.path();
        if (shared)
            return;
        // Nothing is synced to disk (here and fsync=off): the data must survive a crash of the
        // server, which they still do, but not one of the machine.
        const QStringList init = words("-U tolvin --auth=trust -E UTF8 --locale=C.UTF-8 --no-sync -D");
        if (m_bin.isEmpty())
            fail(QStringLiteral("PostgreSQL is not installed (no /usr/lib/postgresql/N/bin/initdb)"));
        else if (!m_dir.isValid())
            fail(QStringLiteral("could not make a temporary folder: ") + m_dir.errorString());
        else if (runningAsRoot() &&
                 ::chown(QFile::encodeName(m_dir.path()).constData(), UnprivilegedId, UnprivilegedId) != 0)
            fail(QStringLiteral("could not give %1 to user %2").arg(m_dir.path()).arg(UnprivilegedId));
        else if (run(asServer(bin("initdb"), init + QStringList{dataDir()})) && start())
            runOn(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE ") + m_database);
    }

public:
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    bool ok() const { return m_error.isEmpty(); }
    // What failed, with the output of the program that failed.
    QString error() const { return m_error; }

    QString socketDir() const { return m_socketDir; }
    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }
    // Every server has a socket folder of its own and no TCP port, so all may share the number.
    int port() const { return 5432; }
    // The port is named so that a PGPORT in the caller's environment cannot lead elsewhere.
    QString uri() const {
        return QStringLiteral("postgresql:///%1?host=%2&port=%3&user=tolvin")
            .arg(m_database, QString::fromLatin1(QUrl::toPercentEncoding(socketDir())), QString::number(port()));
    }
    QString log() const {
        QFile file(logPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Starts the server on the data it has (again, after stop()) and waits until it takes connections.
    bool start() {
        if (m_postmaster.state() != QProcess::NotRunning)
            return true;
        // Immediate shutdown when orphaned: it always ends, even with a query still running. A
        // detached server has no parent to lose: fixture() stops it.
        prepare(m_postmaster, m_detached ? 0 : SIGQUIT);
        // A file, not a pipe: nobody reads the server's messages until a test fails.
        m_postmaster.setStandardOutputFile(logPath(), QIODevice::Append);
        m_postmaster.setStandardErrorFile(logPath(), QIODevice::Append);
        const auto [program, args] =
            asServer(bin("postgres"), QStringList{QStringLiteral("-D"), dataDir(), QStringLiteral("-k"), socketDir()} +
                                          words("-c listen_addresses= -c fsync=off -c shared_buffers=16MB -p") +
                                          QStringList{QString::number(port())}, !m_detached);
        m_postmaster.setProgram(program);
        m_postmaster.setArguments(args);
        if (m_detached ? !m_postmaster.startDetached() : (m_postmaster.start(), !m_postmaster.waitForStarted(10000)))
            return fail(program + QStringLiteral(" did not start: ") + m_postmaster.errorString());
        QElapsedTimer clock;
        clock.start();
        // Until then pg_isready fails: no socket yet, or the server is still starting or recovering.
        while (!run({bin("pg_isready"), where() + words("-q -U tolvin -d postgres")}, false)) {
            if ((!m_detached && m_postmaster.state() == QProcess::NotRunning) || clock.hasExpired(60000)) {
                halt(SIGQUIT);
                return fail(QStringLiteral("postgres did not come up:\n") + log());
            }
            if (m_detached)
                ::usleep(20000);
            else
                m_postmaster.waitForFinished(20);
        }
        m_error.clear();
        return true;
    }

    // Fast shutdown, as pg_ctl stop -m fast -w does it: sessions are ended, the data checkpointed.
    bool stop() { return !m_shared ? halt(SIGINT) : fail(QStringLiteral("a database on the shared server cannot stop it")); }

    // The server frozen, as a suspended machine or a cut network leaves it, and thawed again.
    void freeze(bool frozen) {
        if (m_shared) {
            fail(QStringLiteral("a database on the shared server cannot freeze it"));
            return;
        }
        if (m_postmaster.state() != QProcess::NotRunning)
            ::kill(pid_t(m_postmaster.processId()), frozen ? SIGSTOP : SIGCONT);
    }

    // A session that runs `sql` and stays in it, holding what it took, until the process ends.
    std::unique_ptr<QProcess> hold(const QString &sql) const {
        auto p = std::make_unique<QProcess>();
        prepare(*p);
        p->start(bin("psql"), words("-X -q -d") + QStringList{uri(), QStringLiteral("-c"), sql});
        p->waitForStarted();
        return p;
    }

    // psql's rows, one a line with fields split by '|', without the last newline; on failure, its message.
    bool runSql(const QString &sql, QString *output = nullptr) const {
        QProcess p;
        prepare(p);
        p.start(bin("psql"),
                words("-X -A -t -q -v ON_ERROR_STOP=1 -d") + QStringList{uri(), QStringLiteral("-c"), sql});
        const bool good = finish(p);
        QString out = QString::fromUtf8(p.readAllStandardOutput());
        if (!good)
            out = why(p) + QString::fromUtf8(p.readAllStandardError()) + out;
        while (out.endsWith(QLatin1Char('\n')))
            out.chop(1);
        if (output)
            *output = out;
        return good;
    }

private:
    using Command = std::pair<QString, QStringList>;
    static QStringList words(const char *text) { return QString::fromLatin1(text).split(QLatin1Char(' ')); }
    QString bin(const char *program) const { return m_bin + QLatin1Char('/') + QLatin1String(program); }
    QStringList where() const { return {QStringLiteral("-h"), socketDir(), QStringLiteral("-p"), QString::number(port())}; }

    // Changing user clears the parent-death signal, so setpriv sets it again afterwards (initdb,
    // the other program run this way, takes SIGQUIT as it takes SIGTERM).
    static Command asServer(const QString &program, const QStringList &args, bool dieWithParent = true) {
        if (!runningAsRoot())
            return {program, args};
        const QString id = QString::number(UnprivilegedId);
        const QStringList drop{QStringLiteral("--reuid=") + id, QStringLiteral("--regid=") + id,
                               QStringLiteral("--clear-groups")};
        const QStringList deathSignal{QStringLiteral("--pdeathsig=QUIT")};
        return {QStringLiteral("setpriv"), drop + (dieWithParent ? deathSignal : QStringList{}) + QStringList{QStringLiteral("--"), program} + args};
    }
    // A test program that dies takes the programs it started with it.
    void prepare(QProcess &p, int deathSignal = SIGTERM) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The caller's PGHOST, PGDATABASE and the like would send the tools elsewhere, and its HOME
        // would have them read its files (or, as nobody, fail to find /nonexistent).
        for (const QString &key : env.keys())
            if (key.startsWith(QLatin1String("PG")))
                env.remove(key);
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        p.setProcessEnvironment(env);
        // nobody may be unable to enter the caller's working folder, and initdb complains of it.
        p.setWorkingDirectory(m_dir.path());
        p.setStandardInputFile(QProcess::nullDevice());
        if (deathSignal != 0)
            p.setChildProcessModifier([deathSignal] { ::prctl(PR_SET_PDEATHSIG, deathSignal); });
    }

    static bool finish(QProcess &p) {
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished(5000);
            return false;
        }
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    // Qt's own account of a failure (not started, crashed, timed out); a plain exit code has none.
    static QString why(const QProcess &p) {
        return p.error() == QProcess::UnknownError ? QString() : p.errorString() + QLatin1Char('\n');
    }

    // Runs a program to its end; a failure becomes the error when told to.
    bool run(const Command &command, bool report = true) {
        QProcess p;
        prepare(p);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(command.first, command.second);
        const bool good = finish(p);
        if (good || !report)
            return good;
        return fail((QStringList{command.first} + command.second).join(QLatin1Char(' ')) +
                    QStringLiteral(" failed:\n") + why(p) + QString::fromUtf8(p.readAll()));
    }

    bool runOn(const QString &database, const QString &sql) {
        return run({bin("psql"), where() + words("-X -q -v ON_ERROR_STOP=1 -U tolvin -d") +
                                     QStringList{database, QStringLiteral("-c"), sql}});
    }

    // Signals our own child by its id and waits for it to end.
    bool halt(int signal) {
        if (m_postmaster.state() == QProcess::NotRunning)
            return true;
        ::kill(pid_t(m_postmaster.processId()), signal);
        return finish(m_postmaster) || fail(QStringLiteral("postgres did not stop cleanly:\n") + log());
    }

    bool fail(const QString &what) { m_error = what; return false; }
    QString logPath() const { return m_dir.filePath(QStringLiteral("server.log")); }

    QString m_bin;
    QTemporaryDir m_dir;
    QProcess m_postmaster;
    QString m_error;
    QString m_socketDir;
    QString m_database = QStringLiteral("tolvin");
    bool m_shared = false;    // a database on the run's server, not a server of its own
    bool m_detached = false;  // the run's server, outliving the program that started it
};

} // namespace tolvin::test
