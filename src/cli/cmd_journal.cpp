// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli journal: the station journal for scripts and for the technician who must find what
// was written into a station, and put it back.
#include "cli/commands.h"
#include "cli/journal_session.h"

#include "common/file_io.h"
#include "journal/journal_store.h"
#include "journal/journal_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>

namespace tolvin::cli {

namespace {

const QString ListUsage = QStringLiteral("tolvin-cli journal [--serial НОМЕР] [--since ГГГГ-ММ-ДД] [--limit N] [--json]");
const QString ShowUsage = QStringLiteral("tolvin-cli journal show ID -o ФАЙЛ");
const QString SyncUsage = QStringLiteral("tolvin-cli journal sync");

// The configured journal opened for reading; null after the complaint on `err`.
std::unique_ptr<JournalStore> openJournal(QTextStream &err) {
    const JournalPlace place = configuredJournalPlace();
    if (!place.error.isEmpty()) {
        err << place.error << Qt::endl;
        return nullptr;
    }
    try {
        return std::make_unique<JournalStore>(place);
    } catch (const JournalError &e) {
        err << e.message() << Qt::endl;
        return nullptr;
    }
}

// Runs `read` on the configured journal; false, after the message on `err`, when the journal
// cannot be opened or read.
bool readJournal(QTextStream &err, const std::function<void(JournalStore &)> &read) {
    const std::unique_ptr<JournalStore> store = openJournal(err);
    if (!store)
        return false;
    try {
        read(*store);
        return true;
    } catch (const JournalError &e) {
        err << e.message() << Qt::endl;
        return false;
    }
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
    QMap<QString, QString> values;
    QStringList rest;
    if (!takeValueOptions(args, {QStringLiteral("--serial"), QStringLiteral("--since"), QStringLiteral("--limit")}, values,
                          rest, ListUsage, err))
        return ExitUsage;
    const bool json = rest.removeAll(QStringLiteral("--json")) > 0;
    int code = ExitOk;
    if (!noFurtherArguments(rest, ListUsage, code, out, err))
        return code;
    JournalQuery q;
    q.serial = values.value(QStringLiteral("--serial")).trimmed();
    if (values.contains(QStringLiteral("--since"))) {
        q.since = QDate::fromString(values.value(QStringLiteral("--since")), QStringLiteral("yyyy-MM-dd"));
        if (!q.since.isValid()) {
            err << QStringLiteral("Дата %1 не понята: ожидается ГГГГ-ММ-ДД").arg(values.value(QStringLiteral("--since")))
                << Qt::endl;
            return ExitUsage;
        }
    }
    if (values.contains(QStringLiteral("--limit"))) {
        bool ok = false;
        q.limit = values.value(QStringLiteral("--limit")).toInt(&ok);
        if (!ok || q.limit <= 0) {
            err << QStringLiteral("Число записей %1 не понято: ожидается целое больше нуля")
                       .arg(values.value(QStringLiteral("--limit")))
                << Qt::endl;
            return ExitUsage;
        }
    }
    std::vector<JournalEntry> entries;
    if (!readJournal(err, [&](JournalStore &store) { entries = store.list(q); }))
        return ExitUsage;
    if (json) {
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
    QMap<QString, QString> values;
    QStringList rest;
    if (!takeValueOptions(args, {QStringLiteral("-o")}, values, rest, ShowUsage, err))
        return ExitUsage;
    QString id;
    int code = ExitOk;
    if (!takeFileArgument(rest, ShowUsage, id, code, out, err))
        return code;
    if (!requireOptions(values, {QStringLiteral("-o")}, ShowUsage, err))
        return ExitUsage;
    std::optional<JournalEntry> e;
    if (!readJournal(err, [&](JournalStore &store) { e = store.entry(id.trimmed()); }))
        return ExitUsage;
    if (!e) {
        err << QStringLiteral("В журнале нет записи %1").arg(journalText(id)) << Qt::endl;
        return ExitUsage;
    }
    if (e->config.isEmpty()) {
        err << QStringLiteral("У записи %1 (%2) нет конфигурации").arg(journalText(e->id), journalText(e->operation))
            << Qt::endl;
        return ExitUsage;
    }
    try {
        writeFileAtomically(values.value(QStringLiteral("-o")), e->config);
    } catch (const AppError &error) {
        err << error.message() << Qt::endl;
        return ExitUsage;
    }
    out << QStringLiteral("Записан файл настроек %1 (станция %2, %3)")
               .arg(values.value(QStringLiteral("-o")), shown(e->serial),
                    e->time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
        << Qt::endl;
    return ExitOk;
}

int syncEntries(const QStringList &args, QTextStream &out, QTextStream &err) {
    int code = ExitOk;
    if (!noFurtherArguments(args, SyncUsage, code, out, err))
        return code;
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
    if (!args.isEmpty() && (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h"))) {
        out << QStringLiteral("Использование: ") << ListUsage << QStringLiteral(" | show ID -o ФАЙЛ | sync") << Qt::endl
            << QStringLiteral(
                   "\n"
                   "Журнал станций: каждая запись, чтение, копия, проверка, сравнение, запрос типа и протокол.\n"
                   "  journal            записи, новые первыми: время, операция, серийный номер, итог, ID,\n"
                   "                     устройство, сообщение\n"
                   "  --serial НОМЕР     только станция с этим серийным номером\n"
                   "  --since ГГГГ-ММ-ДД только записи с этого дня (UTC)\n"
                   "  --limit N          не больше N записей\n"
                   "  --json             массив JSON: id, time, bench, user, operation, device, serial,\n"
                   "                     station_type, result, message, duration_ms, config_sha256\n"
                   "  journal show ID -o ФАЙЛ  конфигурация записи как файл настроек (восстановить станцию:\n"
                   "                     tolvin-cli write ФАЙЛ --port ПОРТ)\n"
                   "  journal sync       отправить в общий журнал записи, ожидающие на этом стенде\n"
                   "Журнал: TOLVIN_JOURNAL или Database= в разделе [Journal] файла tolvin.ini — off,\n"
                   "sqlite:ФАЙЛ или postgresql://…; по умолчанию $XDG_DATA_HOME/tolvin/journal.sqlite.\n"
                   "Коды завершения: 0 — успешно; 1 — sync: общий журнал недоступен или не принял запись, записи ждут;\n"
                   "2 — журнал не открывается, нет такой записи или у нее нет конфигурации.")
            << Qt::endl;
        return ExitOk;
    }
    if (!args.isEmpty() && args.first() == QLatin1String("show"))
        return showEntry(args.mid(1), out, err);
    if (!args.isEmpty() && args.first() == QLatin1String("sync"))
        return syncEntries(args.mid(1), out, err);
    return listEntries(args, out, err);
}

} // namespace tolvin::cli
