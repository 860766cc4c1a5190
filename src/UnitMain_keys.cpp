// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's key filters: the template and repeater fields take digits (and a comma
// where a frequency goes), and the menu bar's hints.
#include "UnitMain.h"

#include "gui/typed_text_validator.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QToolTip>

using namespace tolvin;

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
const QChar Backspace(8);

// While a rejected key's message is up, the characters typed on are kept for the field instead
// of going to the message box; the keys that answer the box (Enter, Esc, Space, Tab) still do.
class TypedAhead : public QObject {
public:
    explicit TypedAhead(QObject *field) : m_field(field) { QCoreApplication::instance()->installEventFilter(this); }
    ~TypedAhead() override { QCoreApplication::instance()->removeEventFilter(this); }
    QString text() const { return m_text; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::KeyPress || watched == m_field)
            return false;
        const auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        const QString t = ke->text();
        if (t.isEmpty() || !t.at(0).isPrint() || t.at(0).isSpace())
            return false;
        m_text += t;
        return true;
    }

private:
    QObject *m_field;
    QString m_text;
};

} // namespace

bool TFormMain::Edit1KeyPress(QChar key) {
    return keyPress(Edit1, key);
}

bool TFormMain::Edit2KeyPress(QChar key) {
    return keyPress(Edit2, key);
}

bool TFormMain::Edit3KeyPress(QChar key) {
    return keyPress(Edit3, key);
}

bool TFormMain::Edit4KeyPress(QChar key) {
    return keyPress(Edit4, key);
}

// Each field's own handler judges its keys; they differ only in what they allow.
bool TFormMain::fieldKeyPress(QObject *field, QChar key) {
    if (field == Edit1)
        return Edit1KeyPress(key);
    if (field == Edit2)
        return Edit2KeyPress(key);
    if (field == Edit3)
        return Edit3KeyPress(key);
    return Edit4KeyPress(key);
}

bool TFormMain::keyAllowed(QObject *field, QChar key) const {
    if (isDigit(key) || key == Backspace)
        return true;
    return (field == Edit2 || field == Edit3) && key == QLatin1Char(',');
}

bool TFormMain::keyPress(QObject *field, QChar key) {
    if (keyAllowed(field, key))
        return true;
    m_op.beep();
    TypedAhead ahead(field);
    m_op.message(field == Edit2 || field == Edit3 ? QStringLiteral("Вводите только цифры от 0 до 9 и запятую")
                                                  : QStringLiteral("Вводите только цифры от 0 до 9"));
    // What the field takes of it goes in; another wrong key among it is dropped without a
    // second message.
    if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        for (const QChar c : ahead.text())
            if (keyAllowed(field, c))
                edit->insert(QString(c));
    }
    return false;
}

void TFormMain::installKeyFilter(QLineEdit *field) {
    field->installEventFilter(this);
    // Pasted or dropped text is judged as if it had been typed: the first character the field
    // does not take refuses the whole insertion, with the field's beep and message.
    field->setValidator(new TypedTextValidator(
        [this, field](QChar c) { return keyAllowed(field, c); },
        [this, field](QChar c) { fieldKeyPress(field, c); }, field));
}

bool TFormMain::filterKey(QObject *field, const QKeyEvent *ke) {
    // Shortcuts (select all, copy, cut, paste, undo) and keys that type no character (Delete,
    // Tab, Return, Escape, arrows, Home, End) are not typing; a paste is judged by the validator.
    if (ke->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    // Enter in a template field is "Ok", as in a dialog.
    if ((ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) && field != Edit4) {
        BitBtn1Click();
        return true;
    }
    if (ke->key() == Qt::Key_Backspace)
        return !fieldKeyPress(field, Backspace);
    for (const QChar c : ke->text())
        if (c.isPrint() && !fieldKeyPress(field, c))
            return true; // swallowed
    return false;
}

bool TFormMain::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && (watched == Edit1 || watched == Edit2 || watched == Edit3 || watched == Edit4)) {
        if (filterKey(watched, static_cast<QKeyEvent *>(event)))
            return true;
    }
    if (event->type() == QEvent::FocusOut && watched == Memo1 && !m_restoring) {
        pullEditor();
        if (m_editor.memo != m_undoBase.memo)
            recordUndo(QStringLiteral("Правка общих установок"));
    }
    if (event->type() == QEvent::Resize && watched == centralWidget())
        layoutPanels(static_cast<QResizeEvent *>(event)->size());
    if (event->type() == QEvent::ToolTip && watched == menuBar()) {
        auto *he = static_cast<QHelpEvent *>(event);
        QAction *a = menuBar()->actionAt(he->pos());
        if (a && !a->toolTip().isEmpty() && a->toolTip() != a->text().remove(QLatin1Char('&')))
            QToolTip::showText(he->globalPos(), a->toolTip(), menuBar(), menuBar()->actionGeometry(a));
        else
            QToolTip::hideText();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

