// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A list of differences between a station and a configuration too long for a message box (a
// station of another table differs in every channel): the whole list, to read, to copy into a
// report or to save as text.
#include <QStringList>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tolvin {

class Operator;

class DifferencesWindow : public QWidget {
    Q_OBJECT
public:
    explicit DifferencesWindow(Operator &op, QWidget *parent = nullptr);

    QLabel *heading = nullptr;
    QPlainTextEdit *text = nullptr;
    QPushButton *copyButton = nullptr;   // "Копировать все"
    QPushButton *saveButton = nullptr;   // "Сохранить в файл..."
    QPushButton *closeButton = nullptr;

    // Replaces what the window shows; `proposedName` is what the save dialog offers.
    void showList(const QString &headingText, const QStringList &lines, const QString &proposedName);
    // The heading and every line, as copied and saved.
    QString fullText() const;
    void copy();
    // Asks for a file and writes it; a failure throws (the button's action shows it).
    void save();

private:
    Operator &m_op;
    QStringList m_lines;
    QString m_proposedName;
};

} // namespace tolvin
