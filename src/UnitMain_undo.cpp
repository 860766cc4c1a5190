// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's undo history: each step holds the whole editor from before and after it.
#include "UnitMain.h"

#include "gui/cell_editors.h"
#include "gui/string_grid.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QUndoStack>

using namespace tolvin;

// One undo step: the editor before and after. Qt runs redo() when the step is pushed; the
// editor is already there then.
class TFormMain::UndoStep : public QUndoCommand {
public:
    UndoStep(TFormMain &w, const QString &text, EditorSnapshot before, EditorSnapshot after)
        : QUndoCommand(text), m_w(w), m_before(std::move(before)), m_after(std::move(after)) {}
    void undo() override { m_w.restore(m_before); }
    void redo() override {
        if (m_pushed)
            m_w.restore(m_after);
        m_pushed = true;
    }

private:
    TFormMain &m_w;
    EditorSnapshot m_before, m_after;
    bool m_pushed = false;
};

void TFormMain::restore(const EditorSnapshot &snapshot) {
    m_restoring = true;
    if (cellEditors->visibleList())
        cellEditors->visibleList()->hide();
    restoreSnapshot(m_editor, snapshot);
    m_undoBase = snapshot;
    Memo1->setPlainText(m_editor.memo.join(QLatin1Char('\n')));
    StringGrid1->reload();
    showEditor();
    m_restoring = false;
}

void TFormMain::applyStationRead(const std::function<void()> &phase) {
    runAction(m_op, phase);
    showEditor();
}

void TFormMain::replaceEditor(const Editor &ed) {
    m_restoring = true;
    if (cellEditors->visibleList())
        cellEditors->visibleList()->hide();
    m_editor = ed;
    Memo1->setPlainText(m_editor.memo.join(QLatin1Char('\n')));
    StringGrid1->reload();
    showEditor();
    m_restoring = false;
}

void TFormMain::recordUndo(const QString &step) {
    if (m_restoring)
        return;
    EditorSnapshot now = takeSnapshot(m_editor);
    if (now == m_undoBase)
        return;
    // Recording leaves DataChecked alone, as editing does; undo and redo clear it.
    m_undo->push(new UndoStep(*this, step, m_undoBase, now));
    m_undoBase = std::move(now);
}
