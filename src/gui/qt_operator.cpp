// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/qt_operator.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <memory>
#include <QPushButton>
#include <QUrl>

namespace tolvin {

void QtOperator::message(const QString &text) {
    QMessageBox box(dialogParent());
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool QtOperator::confirm(const QString &text) {
    QMessageBox box(dialogParent());
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setIcon(QMessageBox::Question);
    box.setText(text);
    // The button texts are the program's own: a desktop without Russian translations of Qt
    // would otherwise ask a Russian question with Yes and No.
    QPushButton *yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    // Enter or Esc on a question about stopping or overwriting keeps things as they are.
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

QMessageBox *threeWayBox(QWidget *parent, const QString &text, const QString &first, const QString &second) {
    auto *box = new QMessageBox(parent);
    box->setWindowTitle(QApplication::applicationDisplayName());
    box->setIcon(QMessageBox::Warning);
    box->setText(text);
    QPushButton *firstButton = box->addButton(first, QMessageBox::AcceptRole);
    box->addButton(second, QMessageBox::DestructiveRole);
    QPushButton *cancel = box->addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    // Enter takes the first way; Esc and the window's close button keep everything as it is.
    box->setDefaultButton(firstButton);
    box->setEscapeButton(cancel);
    return box;
}

QMessageBox *saveQuestionBox(QWidget *parent, const QString &text) {
    return threeWayBox(parent, text, QStringLiteral("Сохранить"), QStringLiteral("Не сохранять"));
}

ThreeWayAnswer QtOperator::askThreeWay(const QString &text, const QString &first, const QString &second) {
    std::unique_ptr<QMessageBox> box(threeWayBox(dialogParent(), text, first, second));
    box->exec();
    switch (box->buttonRole(box->clickedButton())) {
    case QMessageBox::AcceptRole:
        return ThreeWayAnswer::First;
    case QMessageBox::DestructiveRole:
        return ThreeWayAnswer::Second;
    default:
        return ThreeWayAnswer::Cancel;
    }
}

SaveAnswer QtOperator::askToSave(const QString &text) {
    switch (askThreeWay(text, QStringLiteral("Сохранить"), QStringLiteral("Не сохранять"))) {
    case ThreeWayAnswer::First:
        return SaveAnswer::Save;
    case ThreeWayAnswer::Second:
        return SaveAnswer::Discard;
    case ThreeWayAnswer::Cancel:
        break;
    }
    return SaveAnswer::Cancel;
}

QWidget *QtOperator::dialogParent() const {
    QWidget *active = QApplication::activeWindow();
    if (active && active->isVisible() && !active->isMinimized())
        return active;
    return m_parent;
}

void QtOperator::beep() {
    QApplication::beep();
}

void QtOperator::errorBeep() {
    // Linux has one bell; the critical-stop sound is told apart by ringing it twice.
    QApplication::beep();
    QApplication::beep();
}

namespace {
QString runDialog(QWidget *parent, const FileDialogRequest &r, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, r.title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(r.filter);
    dialog.setDefaultSuffix(r.defaultSuffix);
    dialog.setDirectory(r.initialFolder.isEmpty() ? QDir::homePath() : r.initialFolder);
    if (!r.proposedName.isEmpty())
        dialog.selectFile(r.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
} // namespace

QString QtOperator::saveFileName(const FileDialogRequest &request) {
    return runDialog(dialogParent(), request, QFileDialog::AcceptSave);
}

QString QtOperator::openFileName(const FileDialogRequest &request) {
    return runDialog(dialogParent(), request, QFileDialog::AcceptOpen);
}

int QtOperator::choose(const QString &title, const QString &label, const QStringList &items, int current) {
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(title.isEmpty() ? QApplication::applicationDisplayName() : title);
    dialog.setLabelText(label);
    // All the items in sight at once, walked with the arrows; Enter takes the one under the cursor.
    dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
    dialog.setComboBoxEditable(false);
    dialog.setComboBoxItems(items);
    if (current >= 0 && current < items.size())
        dialog.setTextValue(items[current]);
    // Not Qt's OK and Cancel, which a desktop without Russian translations of Qt would show.
    dialog.setOkButtonText(QStringLiteral("Выбрать"));
    dialog.setCancelButtonText(QStringLiteral("Отмена"));
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return int(items.indexOf(dialog.textValue()));
}

bool QtOperator::openDocument(const QString &path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace tolvin
