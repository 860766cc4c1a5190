// SPDX-License-Identifier: GPL-3.0-or-later
// The programmer: the main window, the station link window and the report window, in that order.
#include "Unit1.h"
#include "UnitMain.h"
#include "UnitP.h"
#include "UnitWindows.h"
#include "gui/appearance.h"
#include "gui/qt_operator.h"

#include <QApplication>
#include <QIcon>
#include <optional>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvin"));
    QApplication::setApplicationDisplayName(QStringLiteral("Толвин"));
    QApplication::setApplicationVersion(QStringLiteral(TOLVIN_VERSION));
    // The desktop entry's name lets a Wayland shell match the windows to its icon; the built-in
    // picture serves X11 and a program run from the build tree.
    QGuiApplication::setDesktopFileName(QStringLiteral("tolvin"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tolvin-256.png")));
    tolvin::applyAppearance();
    tolvin::installRussianTranslation();

    tolvin::QtOperator op;
    // Outlives the windows: an exchange that closing them cuts short is journaled as it ends.
    std::optional<tolvin::Journal> journal;
    TFormMain formMain(op);
    op.setParent(&formMain);
    TForm1 form1(formMain);
    TFormProtokol formProtokol(formMain);
    connectWindows(formMain, form1, formProtokol);
    journal.emplace(tolvin::configuredJournalPlace(), journalNotices(formMain));
    formMain.setJournal(&*journal);

    formMain.show();
    return app.exec();
}
