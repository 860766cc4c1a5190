// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Журнал станций": the station journal, newest first, found by the beginning of a serial number
// (as it is typed), text and date, with an entry's details and differences; an entry's
// configuration opens in the editor or is saved as a settings file, from where an ordinary write
// puts a repaired station back. The journal is read on a thread of its own (JournalReader): the
// window never waits for it.
#include "common/operator.h"
#include "journal/journal_entry.h"
#include "journal/journal_place.h"
#include "journal/journal_store.h"

#include <QSet>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace tolvin {

class JournalReader;
struct JournalFetched;
struct JournalPage;

class JournalWindow : public QWidget {
public:
    // `openInEditor` gets an entry's settings file and a name for it; false when the editor
    // kept what it had (the technician cancelled). `localPath`: this bench's journal, where a
    // shared journal's entries wait (empty: localJournalPath()).
    using OpenInEditor = std::function<bool(const QByteArray &settingsFile, const QString &name)>;
    JournalWindow(JournalPlace place, Operator &op, OpenInEditor openInEditor, QWidget *parent = nullptr,
                  QString localPath = QString());
    ~JournalWindow() override;

    // Reads the journal again with the filters as they are; the table changes when it has been
    // read. `retryShared`: try a shared journal that was away just now.
    void refresh(bool retryShared = false);
    // A reading or an entry's configuration is on its way.
    bool busy() const { return m_reading != 0 || m_fetching != 0; }
    // The entries the table shows, in its order.
    const std::vector<JournalEntry> &shown() const { return m_shown; }
    void selectEntry(int row);

    QLineEdit *SerialEdit = nullptr;
    QLineEdit *TextEdit = nullptr;
    QCheckBox *SinceBox = nullptr;
    QDateEdit *SinceEdit = nullptr;
    QPushButton *RefreshButton = nullptr;
    QTableWidget *Entries = nullptr;
    QPlainTextEdit *Details = nullptr;
    QPushButton *MoreButton = nullptr;
    QPushButton *OpenButton = nullptr;
    QPushButton *SaveAsButton = nullptr;
    QPushButton *CertificateButton = nullptr;  // "Свидетельство…"
    QLabel *StatusText = nullptr;

    // The next page, after the last entry shown.
    void MoreClick();
    // These act when the entry's configuration has been read.
    void OpenClick();
    void SaveAsClick();
    // The entry's certificate: its report ending with the entry's id and the configuration's SHA-256.
    void CertificateClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void read(JournalQuery q, bool next, bool retryShared);
    void showPage(const JournalPage &page);
    void say(const QString &status);
    void showRow(int row);
    void showDetails();
    void fetched(const JournalFetched &f);
    // `then` gets the selected entry with its configuration's bytes, once they are read.
    void withConfig(std::function<void(const JournalEntry &)> then);

    Operator &m_op;
    OpenInEditor m_openInEditor;
    JournalReader *m_reader = nullptr;  // ends with release(), never by delete
    QTimer *m_typing = nullptr;         // the serial number's pause in typing
    JournalQuery m_query;               // of the page shown
    quint64 m_reading = 0, m_fetching = 0;
    QString m_fetchingId;
    std::function<void(const JournalEntry &)> m_then;
    QDate m_sinceAsked;
    std::vector<JournalEntry> m_shown;
    bool m_more = false;
    bool m_local = false;      // the shared journal is away: these are this bench's entries
    QSet<QString> m_waiting;   // shown entries still to be sent
};

// The operation and the result as the window shows them ("Запись", "успешно").
QString operationCaption(const QString &operation);
QString resultCaption(const QString &result);

} // namespace tolvin
