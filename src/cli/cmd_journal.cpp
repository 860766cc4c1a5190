// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli journal: the station journal for scripts and for the technician who must find what
// was written into a station, and put it back.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/journal_session.h"

#include "common/file_io.h"
#include "journal/journal_store.h"
#include "journal/journal_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tolvin::cli {

namespace {

// The configured journal opened for reading. A journal that cannot be opened ends the command
// with its message, as runCommandLine tells any error.
std::unique_ptr<JournalStore> openJournal() {
    const JournalPlace place = configuredJournalPlace();
    if (!place.error.isEmpty())
        throw JournalError(place.error);
    return std::make_unique<JournalStore>(place);
}

QJsonValue textOrNull(const QString &s) {
    return s.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(s);
}

QJsonObject entryJson(const JournalEntry &e) {
    QJsonObject o;
    o.insert(QStringLiteral("id"), e.id);
    o.insert(QStringLiteral("time"), journalTimeText(e.time));
    o.insert(QStringLiteral("bench"), e.bench);
    o.insert(QStringLiteral("user"), e.user);
    o.insert(QStringLiteral("operation"), e.operation);
    o.insert(QStringLiteral("device"), e.device);
    o.insert(QStringLiteral("serial"), e.serial);
    o.insert(QStringLiteral("station_type"), e.stationType);
    o.insert(QStringLiteral("result"), e.result);
    o.insert(QStringLiteral("message"), e.message);
    o.insert(QStringLiteral("duration_ms"), double(e.durationMs));
    o.insert(QStringLiteral("config_sha256"), textOrNull(e.configSha256));
    return o;
}

// A stored text, or "-" for none, on the terminal.
QString shown(const QString &text) {
    return text.isEmpty() ? QStringLiteral("-") : journalText(text);
}

// One line for the person at the terminal: local time, what, which station, how it ended. Every
// text came from some bench or station and is escaped, so that one entry is one line.
QString entryLine(const JournalEntry &e) {
    return QStringLiteral("%1  %2  %3  %4  %5  %6  %7")
        .arg(e.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), journalText(e.operation).leftJustified(7),
             shown(e.serial).leftJustified(6), journalText(e.result).leftJustified(7), journalText(e.id), shown(e.device),
             journalText(e.message.section(QLatin1Char('\n'), 0, 0)));
}

int listEntries(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("journal"), {{"--serial"}, {"--since"}, {"--limit"}, {"--json", Option::Flag}}, 0, 0);
    if (!a.read(args, out, err))
        return a.exitCode();
    JournalQuery q;
    q.serial = a.value("--serial").trimmed();
    if (a.has("--since")) {
        q.since = QDate::fromString(a.value("--since"), QStringLiteral("yyyy-MM-dd"));
        if (!q.since.isValid()) {
            err << QStringLiteral("Дата %1 не понята: ожидается ГГГГ-ММ-ДД").arg(a.value("--since")) << Qt::endl;
            return ExitUsage;
        }
    }
    if (a.has("--limit")) {
        bool ok = false;
        q.limit = a.value("--limit").toInt(&ok);
        if (!ok || q.limit <= 0) {
            err << QStringLiteral("Число записей %1 не понято: ожидается целое больше нуля").arg(a.value("--limit"))
                << Qt::endl;
            return ExitUsage;
        }
    }
    const std::vector<JournalEntry> entries = openJournal()->list(q);
    if (a.has("--json")) {
        QJsonArray array;
        for (const JournalEntry &e : entries)
            array.append(entryJson(e));
        out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
        return ExitOk;
    }
    for (const JournalEntry &e : entries)
        out << entryLine(e) << Qt::endl;
    return ExitOk;
}

int showEntry(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(JournalShowHelp, {{"-o", Option::Value, Required}});
    if (!a.read(args, out, err))
        return a.exitCode();
    const std::optional<JournalEntry> e = openJournal()->entry(a.file().trimmed());
    if (!e) {
        err << QStringLiteral("В журнале нет записи %1").arg(journalText(a.file())) << Qt::endl;
        return ExitUsage;
    }
    if (e->config.isEmpty()) {
        err << QStringLiteral("У записи %1 (%2) нет конфигурации").arg(journalText(e->id), journalText(e->operation))
            << Qt::endl;
        return ExitUsage;
    }
    writeFileAtomically(a.value("-o"), e->config);
    out << QStringLiteral("Записан файл настроек %1 (станция %2, %3)")
               .arg(a.value("-o"), shown(e->serial), e->time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
        << Qt::endl;
    return ExitOk;
}

int syncEntries(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(JournalSyncHelp, {}, 0, 0);
    if (!a.read(args, out, err))
        return a.exitCode();
    JournalSession *session = JournalSession::current();
    std::optional<JournalSession> own;
    if (!session)
        session = &own.emplace(err);
    const SyncOutcome o = session->journal().sync();
    if (o.sent > 0)
        out << QStringLiteral("Отправлено записей: %1").arg(o.sent) << Qt::endl;
    // Why the shared journal did not take them is told, with libpq's reason, by the journal's
    // own notice when the command ends.
    if (!o.message.isEmpty())
        err << o.message << Qt::endl;
    if (o.left > 0)
        out << QStringLiteral("Ожидают отправки: %1").arg(o.left) << Qt::endl;
    if (!o.complete())
        return ExitFailed;
    out << QStringLiteral("Все записи журнала отправлены") << Qt::endl;
    return ExitOk;
}

} // namespace

int cmdJournal(const QStringList &args, QTextStream &out, QTextStream &err) {
    if (!args.isEmpty() && args.first() == QLatin1String("show"))
        return showEntry(args.mid(1), out, err);
    if (!args.isEmpty() && args.first() == QLatin1String("sync"))
        return syncEntries(args.mid(1), out, err);
    return listEntries(args, out, err);
}

} // namespace tolvin::cli
