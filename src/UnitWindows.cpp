// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnitWindows.h"

#include "Unit1.h"
#include "UnitMain.h"
#include "UnitP.h"

void connectLinkWindow(TFormMain &main, TForm1 &link) {
    main.setLinkWindow(&link, [&link] {
        link.show();
        link.LoadPortChoice();
    });
}

void connectReportWindow(TFormMain &main, TFormProtokol &report) {
    main.setReportWindow(&report);
}

void connectWindows(TFormMain &main, TForm1 &link, TFormProtokol &report) {
    connectLinkWindow(main, link);
    connectReportWindow(main, report);
}
