// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/differences_window.h"

#include "common/operator.h"
#include "common/file_io.h"
#include "gui/window_placement.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvin {

DifferencesWindow::DifferencesWindow(Operator &op, QWidget *parent) : QWidget(parent, Qt::Window), m_op(op) {
    setObjectName(QStringLiteral("DifferencesWindow"));
    setWindowTitle(QStringLiteral("Отличия станции от конфигурации"));
    resize(520, 480);
    centreOnFirstShow(this);
    heading = new QLabel(this);
    heading->setWordWrap(true);
    heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text = new QPlainTextEdit(this);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Frequencies and codes line up under each other in a fixed-width font.
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    copyButton = new QPushButton(QStringLiteral("Копировать все"), this);
    saveButton = new QPushButton(QStringLiteral("Сохранить в файл..."), this);
    closeButton = new QPushButton(QStringLiteral("Закрыть"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(copyButton);
    buttons->addWidget(saveButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(text);
    layout->addLayout(buttons);
    connect(copyButton, &QPushButton::clicked, this, [this] { copy(); });
    connect(saveButton, &QPushButton::clicked, this, [this] { runAction(m_op, [this] { save(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void DifferencesWindow::showList(const QString &headingText, const QStringList &lines, const QString &proposedName) {
    heading->setText(headingText);
    m_lines = lines;
    m_proposedName = proposedName;
    text->setPlainText(lines.join(QLatin1Char('\n')));
}

QString DifferencesWindow::fullText() const {
    return (QStringList{heading->text()} + m_lines).join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void DifferencesWindow::copy() {
    QApplication::clipboard()->setText(fullText());
}

void DifferencesWindow::save() {
    const QString path = m_op.saveFileName(FileDialogRequest{QStringLiteral("Сохранение списка отличий"),
                                                             QStringLiteral("Текст (*.txt)"), QStringLiteral("txt"),
                                                             m_proposedName, QDir::homePath()});
    if (path.isEmpty())
        return;
    writeFileAtomically(path, fullText().toUtf8());
}

} // namespace tolvin
