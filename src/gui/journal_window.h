// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Журнал станций": the station journal, newest first, found by serial number, text and date,
// with an entry's details and differences; an entry's configuration opens in the editor or is
// saved as a settings file, from where an ordinary write puts a repaired station back.
#include "common/operator.h"
#include "journal/journal_entry.h"
#include "journal/journal_place.h"

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

namespace tolvin {

class JournalStore;

class JournalWindow : public QWidget {
public:
    // `openInEditor` gets an entry's settings file and a name for it; false when the editor
    // kept what it had (the technician cancelled).
    using OpenInEditor = std::function<bool(const QByteArray &settingsFile, const QString &name)>;
    JournalWindow(JournalPlace place, Operator &op, OpenInEditor openInEditor, QWidget *parent = nullptr);
    ~JournalWindow() override;

    // Reads the journal again with the filters as they are.
    void refresh();
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
    QPushButton *OpenButton = nullptr;
    QPushButton *SaveAsButton = nullptr;
    QLabel *StatusText = nullptr;

    void OpenClick();
    void SaveAsClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showDetails();
    // The selected entry with its configuration's bytes; null (after a message) when none.
    std::optional<JournalEntry> selectedWithConfig();
    JournalStore *store();

    JournalPlace m_place;
    Operator &m_op;
    OpenInEditor m_openInEditor;
    std::unique_ptr<JournalStore> m_store;
    std::vector<JournalEntry> m_shown;
};

// The operation and the result as the window shows them ("Запись", "успешно").
QString operationCaption(const QString &operation);
QString resultCaption(const QString &result);

// True when `text` is empty or found, whatever its case, in any of the entry's texts.
bool entryMatches(const JournalEntry &e, const QString &text);

} // namespace tolvin
