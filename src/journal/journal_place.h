// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the journal lives: a SQLite file on this bench by default, a shared PostgreSQL for a
// workshop, or nowhere. Chosen by TOLVIN_JOURNAL, else by "Database=" in section [Journal] of
// tolvin.ini: "off", "sqlite:PATH", or a libpq URI ("postgresql://journal@server/tolvin",
// "postgresql:///tolvin?host=/run/postgresql").
#include <QString>

namespace tolvin {

struct JournalPlace {
    enum class Kind { Off, Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    QString path;   // Sqlite: the file
    QString uri;    // Postgres: as given
    QString error;  // a setting that names no place; the journal then keeps to this bench
    QString text() const;  // for messages: the file or the URI
};

// $XDG_DATA_HOME/tolvin/journal.sqlite, else ~/.local/share/tolvin/journal.sqlite: the journal
// of this bench, and where entries for an unreachable shared journal wait.
QString localJournalPath();

// One setting's text; empty is the local SQLite journal.
JournalPlace parseJournalPlace(const QString &text);

// TOLVIN_JOURNAL, else tolvin.ini at `preferencesPath` (empty: the program's own).
JournalPlace configuredJournalPlace(const QString &preferencesPath = QString());

// What QPSQL is given for a libpq URI: host, port, database, user and the other parameters as
// connection options. A password is refused: it belongs in ~/.pgpass or the service file.
struct PostgresAddress {
    QString host;
    int port = -1;
    QString database;
    QString user;
    QString options;   // "connect_timeout=2;sslmode=require"
    QString error;     // empty when the URI could be used
};
PostgresAddress postgresAddress(const QString &uri);

} // namespace tolvin
