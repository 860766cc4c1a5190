#include "gui/qt_operator.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace tolvin {

void QtOperator::message(const QString &text) {
    QMessageBox box(dialogParent());
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
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

bool QtOperator::openDocument(const QString &path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace tolvin
