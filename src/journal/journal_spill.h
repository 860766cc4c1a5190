// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where an entry goes when the bench's SQLite journal stays busy (a sqlite3 shell left in a
// transaction, a backup script): a file beside it that is only ever appended to, one entry per
// line, each put on disk before the command goes on. The next writer that gets the journal
// merges it in, so an entry is late at worst, never lost.
#include "journal/journal_entry.h"

#include <QString>
#include <vector>

namespace tolvin {

class JournalStore;

// The spill file of the journal at `journalPath`.
QString spillPath(const QString &journalPath);

// Appends the entries (`waiting`: still to be sent to a shared journal) and syncs; throws
// JournalError when they could not be kept. Waits at most about a second for another process
// that is merging the file.
void spillEntries(const QString &journalPath, const std::vector<JournalEntry> &entries, bool waiting);

// Moves what was spilled into `store` (the journal at `journalPath`) and empties the file; the
// number of entries merged. Leaves the file as it is when the journal refuses them (still busy),
// and when another process is merging it now. Throws nothing.
int mergeSpilled(const QString &journalPath, JournalStore &store);

} // namespace tolvin
