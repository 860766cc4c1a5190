// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/journal_session.h"

namespace tolvin::cli {

namespace {
JournalSession *running = nullptr;
std::mutex openingMutex;
} // namespace

JournalSession::JournalSession(QTextStream &err) : m_err(err), m_previous(running) {
    running = this;
}

JournalSession::~JournalSession() {
    // The journal's thread ends with everything stored before the notices are read.
    m_journal.reset();
    const std::lock_guard lock(m_mutex);
    for (const QString &n : std::as_const(m_notices))
        m_err << n << Qt::endl;
    running = m_previous;
}

JournalSession *JournalSession::current() {
    return running;
}

Journal &JournalSession::journal() {
    const std::lock_guard lock(openingMutex);
    if (!m_journal)
        m_journal = std::make_unique<Journal>(configuredJournalPlace(), [this](const QString &text) {
            const std::lock_guard lock(m_mutex);
            m_notices << text;
        });
    return *m_journal;
}

void journalRecord(const std::function<std::vector<JournalEntry>()> &make) {
    if (JournalSession *s = JournalSession::current())
        s->journal().recordMade(make);
}

} // namespace tolvin::cli
