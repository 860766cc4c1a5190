// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What shows, months later, that a station got what the workshop says it got: the report of a
// journal entry's configuration carrying that configuration's SHA-256 and the entry's id, and the
// check of a station against its last write or verify entry.
#include "journal/journal_entry.h"
#include "journal/journal_store.h"
#include "report/document.h"
#include "table/editor.h"

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace tolvin {

// The entry's configuration as the editor a read of it would give, checked as "Контроль" checks
// it (the report needs a checked configuration). Throws AppError for an entry without one, or a
// configuration that does not pass.
Editor entryEditor(const JournalEntry &withConfig);

// The report for the entry's station and configuration, ending with the entry's id, time and
// operation and the configuration's SHA-256.
Document buildCertificate(const JournalEntry &withConfig);

struct Certification {
    enum class Outcome { Same, Differs, NoEntry };
    Outcome outcome = Outcome::NoEntry;
    JournalEntry entry;        // the entry compared with, when there is one
    QStringList differences;   // station first, as the station comparison words them
};

// The station's read stream against its last entry of a write or verify that ended well and
// kept its configuration.
Certification certifyStation(const QByteArray &readStream, JournalStore &store);

} // namespace tolvin
