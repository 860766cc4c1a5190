// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal for one run of tolvin-cli: opened when a command first has something to journal,
// stored before the process ends, and what it had to say printed on standard error then.
#include "journal/journal.h"

#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>
#include <mutex>

namespace tolvin::cli {

class JournalSession {
public:
    explicit JournalSession(QTextStream &err);
    // Stores everything recorded and prints the journal's notices.
    ~JournalSession();
    JournalSession(const JournalSession &) = delete;
    JournalSession &operator=(const JournalSession &) = delete;

    // The running command's session; null outside runCommandLine (a test calling a command
    // directly journals nothing).
    static JournalSession *current();

    Journal &journal();

private:
    QTextStream &m_err;
    std::mutex m_mutex;
    QStringList m_notices;
    std::unique_ptr<Journal> m_journal;
    JournalSession *m_previous;
};

// Records what `make` builds into the running command's journal, if any; safe from any thread,
// and never fails the command (Journal::recordMade).
void journalRecord(const std::function<std::vector<JournalEntry>()> &make);
inline void journalRecordOne(const std::function<JournalEntry()> &make) {
    journalRecord([&] { return std::vector<JournalEntry>{make()}; });
}

} // namespace tolvin::cli
