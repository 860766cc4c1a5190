// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/journal_place.h"

#include "common/file_io.h"
#include "settings_file/ini_accessor.h"
#include "station_link/link_preferences.h"

#include <QDir>
#include <QUrl>
#include <QUrlQuery>

namespace tolvin {

namespace {
// An unreachable server must not keep the program waiting long: entries then wait locally.
// libpq takes no less than 2 s.
constexpr int ConnectTimeoutSeconds = 2;

// libpq's own quoting for a value of a connection option.
QString optionValue(const QString &v) {
    QString q = v;
    q.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    q.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}
} // namespace

QString JournalPlace::text() const {
    switch (kind) {
    case Kind::Off: return QStringLiteral("off");
    case Kind::Sqlite: return path;
    case Kind::Postgres: return uri;
    }
    return QString();
}

QString localJournalPath() {
    return dataFolder() + QStringLiteral("/journal.sqlite");
}

JournalPlace parseJournalPlace(const QString &given) {
    const QString text = given.trimmed();
    JournalPlace place;
    if (text.isEmpty()) {
        place.path = localJournalPath();
    } else if (text.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0) {
        place.kind = JournalPlace::Kind::Off;
    } else if (text.startsWith(QLatin1String("sqlite:"))) {
        place.path = text.mid(7);
        if (place.path.isEmpty()) {
            place.path = localJournalPath();
            place.error = QStringLiteral("В адресе журнала «%1» не указан файл").arg(text);
        }
    } else if (text.startsWith(QLatin1String("postgresql://")) || text.startsWith(QLatin1String("postgres://"))) {
        place.kind = JournalPlace::Kind::Postgres;
        place.uri = text;
    } else {
        place.path = localJournalPath();
        place.error = QStringLiteral("Адрес журнала «%1» не понят: ожидается off, sqlite:ФАЙЛ или postgresql://…").arg(text);
    }
    return place;
}

JournalPlace configuredJournalPlace(const QString &preferencesPath) {
    if (qEnvironmentVariableIsSet("TOLVIN_JOURNAL"))
        return parseJournalPlace(qEnvironmentVariable("TOLVIN_JOURNAL"));
    IniAccessor ini(preferencesPath.isEmpty() ? preferencesFilePath() : preferencesPath);
    return parseJournalPlace(ini.ReadText(QStringLiteral("Journal"), QStringLiteral("Database"), QString()));
}

PostgresAddress postgresAddress(const QString &uri) {
    PostgresAddress a;
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid()) {
        a.error = QStringLiteral("Адрес журнала «%1» не понят: %2").arg(uri, url.errorString());
        return a;
    }
    if (!url.password().isEmpty()) {
        a.error = QStringLiteral("Пароль в адресе журнала не допускается: укажите его в ~/.pgpass или в файле служб PostgreSQL");
        return a;
    }
    a.host = url.host();
    a.port = url.port();
    a.database = url.path().mid(1);
    a.user = url.userName();
    QStringList options;
    bool timeoutGiven = false;
    for (const auto &[key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("password")) {
            a.error = QStringLiteral("Пароль в адресе журнала не допускается: укажите его в ~/.pgpass или в файле служб PostgreSQL");
            return a;
        }
        // QPSQL puts these in its own fields; the rest go through as they are.
        if (key == QLatin1String("host"))
            a.host = value;
        else if (key == QLatin1String("port"))
            a.port = value.toInt();
        else if (key == QLatin1String("dbname"))
            a.database = value;
        else if (key == QLatin1String("user"))
            a.user = value;
        else
            options << key + QLatin1Char('=') + optionValue(value);
        timeoutGiven = timeoutGiven || key == QLatin1String("connect_timeout");
    }
    if (!timeoutGiven)
        options << QStringLiteral("connect_timeout=%1").arg(ConnectTimeoutSeconds);
    a.options = options.join(QLatin1Char(';'));
    return a;
}

} // namespace tolvin
