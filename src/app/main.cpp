// SPDX-License-Identifier: GPL-3.0-or-later
// The programmer: the main window, the station link window and the report window, in that order.
#include "Unit1.h"
#include "UnitMain.h"
#include "UnitP.h"
#include "UnitWindows.h"
#include "gui/appearance.h"
#include "gui/qt_operator.h"
#include "journal/journal.h"

#include <QApplication>
#include <QIcon>

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
    TFormMain formMain(op);
    op.setParent(&formMain);
    TForm1 form1(formMain);
    TFormProtokol formProtokol(formMain);
    connectWindows(formMain, form1, formProtokol);
    // What the journal has to say of itself (a shared journal away, a file that cannot be
    // written) comes from its own thread; it is shown in the main window's turn.
    tolvin::Journal journal(tolvin::configuredJournalPlace(), [&formMain, &op](const QString &text) {
        QMetaObject::invokeMethod(&formMain, [&op, text] { op.message(text); }, Qt::QueuedConnection);
    });
    formMain.setJournal(&journal);

    formMain.show();
    return app.exec();
}
