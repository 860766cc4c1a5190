// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the link and report windows need of the main window: its editor and operator, its action
// boundary and undo history, the exchange log, and a way back to it. They see nothing else of it,
// so the main window does not depend on them nor they on its widgets.
#include "common/operator.h"
#include "station_link/exchange_log.h"
#include "table/editor.h"

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace tolvin {

class Journal;

class EditorHost {
public:
    virtual ~EditorHost() = default;

    virtual Editor &editor() = 0;
    virtual Operator &op() = 0;
    // One user action inside the error boundary; a named step becomes one undo step.
    virtual bool act(const std::function<void()> &action, const QString &undoStep) = 0;
    bool act(const std::function<void()> &action) { return act(action, QString()); }
    // Ends an undo step at the editor as it is now.
    virtual void recordUndo(const QString &step) = 0;
    // A station read's phase into the editor; not an undo step of its own.
    virtual void applyStationRead(const std::function<void()> &phase) = 0;
    // Puts a whole editor back, with every view of it.
    virtual void replaceEditor(const Editor &ed) = 0;
    // Before an action that replaces the table: when it holds unsaved changes, asks whether to
    // save them. False when the technician cancelled (or the save failed): the action must not
    // go on.
    virtual bool mayDiscardWork() = 0;
    // The editor now holds what a file (or, with an empty name, the station) holds: nothing
    // would be lost by replacing it.
    virtual void markUnchanged(const QString &fileName) = 0;
    // Shared, so that an exchange still running on its thread keeps the log it writes into.
    virtual std::shared_ptr<ExchangeLog> exchangeLog() = 0;
    // The main window itself: its closing ends the program.
    virtual QWidget *hostWindow() = 0;
    // The station journal the exchanges and reports go into; null when the program keeps none.
    virtual Journal *journal() { return nullptr; }
};

// Hides `companion` and brings the main window back as it was before the companion took over.
void returnToHost(EditorHost &host, QWidget *companion);

} // namespace tolvin
