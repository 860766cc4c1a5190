// The programmer: the main window, the station link window and the report window, in that order.
#include "Unit1.h"
#include "UnitMain.h"
#include "UnitP.h"
#include "gui/appearance.h"
#include "gui/qt_operator.h"

#include <QApplication>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvin"));
    QApplication::setApplicationDisplayName(QStringLiteral("Толвин"));
    QApplication::setApplicationVersion(QStringLiteral(TOLVIN_VERSION));
    tolvin::applyAppearance();

    tolvin::QtOperator op;
    TFormMain formMain(op);
    op.setParent(&formMain);
    TForm1 form1(formMain);
    TFormProtokol formProtokol(formMain);
    formMain.setLinkWindow(&form1);
    formMain.setReportWindow(&formProtokol);

    // The program ends when the main window closes, whatever else is open.
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    formMain.setAttribute(Qt::WA_QuitOnClose, true);
    form1.setAttribute(Qt::WA_QuitOnClose, false);
    formProtokol.setAttribute(Qt::WA_QuitOnClose, false);
    QObject::connect(&formMain, &QObject::destroyed, &app, &QApplication::quit);

    formMain.show();
    return app.exec();
}
