// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange_log_window.h"

#include "common/operator.h"
#include "common/file_io.h"
#include "gui/window_placement.h"
#include "station_link/exchange_log.h"

#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvin {

ExchangeLogWindow::ExchangeLogWindow(ExchangeLog &log, Operator &op, QWidget *parent)
    : QWidget(parent, Qt::Window), m_log(log), m_op(op), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("ExchangeLogWindow"));
    setWindowTitle(QStringLiteral("Журнал обмена со станцией"));
    resize(420, 480);
    centreOnFirstShow(this);
    text = new QPlainTextEdit(this);
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    saveButton = new QPushButton(QStringLiteral("Сохранить в файл..."), this);
    clearButton = new QPushButton(QStringLiteral("Очистить"), this);
    closeButton = new QPushButton(QStringLiteral("Закрыть"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(saveButton);
    buttons->addWidget(clearButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);
    connect(saveButton, &QPushButton::clicked, this, [this] { runAction(m_op, [this] { save(); }); });
    connect(clearButton, &QPushButton::clicked, this, [this] {
        m_log.clear();
        refresh();
    });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    // While an exchange runs, the window follows it.
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, [this] { refresh(); });
}

void ExchangeLogWindow::refresh() {
    const QString now = m_log.text();
    if (now == text->toPlainText())
        return;
    const bool atEnd = text->verticalScrollBar()->value() == text->verticalScrollBar()->maximum();
    text->setPlainText(now);
    if (atEnd)
        text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
}

void ExchangeLogWindow::save() {
    const QString path = m_op.saveFileName(FileDialogRequest{QStringLiteral("Сохранение журнала обмена"),
                                                             QStringLiteral("Текст (*.txt)"), QStringLiteral("txt"),
                                                             QStringLiteral("tolvin-обмен.txt"), QDir::homePath()});
    if (path.isEmpty())
        return;
    // A failure reaches the technician through the caller's action boundary.
    writeFileAtomically(path, m_log.text().toUtf8());
}

void ExchangeLogWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    refresh();
    m_timer->start();
}

void ExchangeLogWindow::hideEvent(QHideEvent *event) {
    m_timer->stop();
    QWidget::hideEvent(event);
}

} // namespace tolvin
