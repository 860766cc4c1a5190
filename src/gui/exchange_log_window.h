// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Журнал обмена": the bytes of the last exchanges with the station, to read or to save for a
// bug report.
#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace tolvin {

class ExchangeLog;
class Operator;

class ExchangeLogWindow : public QWidget {
    Q_OBJECT
public:
    ExchangeLogWindow(ExchangeLog &log, Operator &op, QWidget *parent = nullptr);

    QPlainTextEdit *text = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *clearButton = nullptr;
    QPushButton *closeButton = nullptr;

    void refresh();
    void save();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    ExchangeLog &m_log;
    Operator &m_op;
    QTimer *m_timer;
};

} // namespace tolvin
