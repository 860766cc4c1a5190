// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What each exchange and each report leaves in the journal. The window and tolvin-cli both
// journal through these, so an entry says the same whichever of them did the work.
#include "journal/journal_entry.h"
#include "station_link/exchanges.h"
#include "station_link/line_doctor.h"
#include "station_link/safeguards.h"

#include <QByteArray>
#include <chrono>
#include <vector>

namespace tolvin {

struct Editor;

// Where and how long: what every exchange entry shares.
struct ExchangeContext {
    QString device;
    std::chrono::milliseconds duration{};
};

// The station's model name for a type code; "код N" for one that names no model.
QString stationTypeName(uint8_t code);

// A write with its safeguards: the backup (what the station held), the write (the settings
// file `configFile`, as "Запись в файл" saves it; the station's type where a stage learned it)
// and the verify (what the station then sent, with the differences), each as far as it ran.
std::vector<JournalEntry> safeWriteEntries(const SafeWriteResult &r, const QByteArray &configFile,
                                           const ExchangeContext &at);

// A read; a read that ran to its end keeps what the station sent as a settings file.
JournalEntry readEntry(const ExchangeResult &r, const ExchangeContext &at);

JournalEntry typeEntry(const ExchangeResult &r, const ExchangeContext &at);

// A comparison of the station with `configFile`; the entry keeps what the station sent.
JournalEntry diffEntry(const ComparisonResult &r, const ExchangeContext &at);

// A check of the line: the verdict as its message, each step's line among its differences.
JournalEntry doctorEntry(const DoctorReport &r, const ExchangeContext &at);

// A report made for `serial` from the editor's configuration, written to `path`.
JournalEntry reportEntry(const Editor &ed, const QString &serial, const QString &path);

// The settings file "Запись в файл" would save after a read of `stream`.
QByteArray streamSettingsFile(const QByteArray &stream);

} // namespace tolvin
