// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnitWindows.h"

#include "Unit1.h"
#include "UnitMain.h"
#include "UnitP.h"

#include <QCoreApplication>
#include <QPointer>

void connectLinkWindow(TFormMain &main, TForm1 &link) {
    main.setLinkWindow(&link, [&link] {
        link.show();
        link.LoadPortChoice();
    });
}

void connectReportWindow(TFormMain &main, TFormProtokol &report) {
    main.setReportWindow(&report, [&report](TFormMain::ReportOutput output) {
        report.setOutput(output == TFormMain::ReportOutput::Print ? TFormProtokol::Output::Print
                         : output == TFormMain::ReportOutput::Pdf ? TFormProtokol::Output::Pdf
                                                                  : TFormProtokol::Output::Document);
    });
}

void connectWindows(TFormMain &main, TForm1 &link, TFormProtokol &report) {
    connectLinkWindow(main, link);
    connectReportWindow(main, report);
}

tolvin::Journal::Notice journalNotices(TFormMain &main) {
    // Posted to the application, which outlives the journal, and shown only while the window is
    // there: the journal stores its last entries after the windows have gone.
    return [window = QPointer<TFormMain>(&main)](const QString &text) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [window, text] {
                if (window)
                    window->op().message(text);
            },
            Qt::QueuedConnection);
    };
}
