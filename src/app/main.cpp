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
    tolvin::installRussianTranslation();

    tolvin::QtOperator op;
    TFormMain formMain(op);
    op.setParent(&formMain);
    TForm1 form1(formMain);
    TFormProtokol formProtokol(formMain);
    formMain.setLinkWindow(&form1);
    formMain.setReportWindow(&formProtokol);

    formMain.show();
    return app.exec();
}
