// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/operator.h"

class QMessageBox;
class QWidget;

namespace tolvin {

// The Operator of the real program: message boxes, system beeps, Qt file dialogs.
class QtOperator : public Operator {
public:
    explicit QtOperator(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    void message(const QString &text) override;
    bool confirm(const QString &text) override;
    SaveAnswer askToSave(const QString &text) override;
    ThreeWayAnswer askThreeWay(const QString &text, const QString &first, const QString &second) override;
    void beep() override;
    void errorBeep() override;
    QString saveFileName(const FileDialogRequest &request) override;
    QString openFileName(const FileDialogRequest &request) override;
    int choose(const QString &title, const QString &label, const QStringList &items, int current) override;
    bool openDocument(const QString &path) override;
    // Messages and dialogs belong to the window in front (the link window when it refuses),
    // not to the main window, which may be minimised behind it.
    QWidget *dialogParent() const;

private:
    QWidget *m_parent;
};

// A question with two ways on and Отмена, not yet shown.
QMessageBox *threeWayBox(QWidget *parent, const QString &text, const QString &first, const QString &second);
// The unsaved-work question with its three buttons, not yet shown.
QMessageBox *saveQuestionBox(QWidget *parent, const QString &text);

} // namespace tolvin
