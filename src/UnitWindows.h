// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's three windows joined as it runs them: the main window opens the link and report
// windows, and they talk back to it only through its EditorHost side.
class TFormMain;
class TForm1;
class TFormProtokol;

void connectLinkWindow(TFormMain &main, TForm1 &link);
void connectReportWindow(TFormMain &main, TFormProtokol &report);
void connectWindows(TFormMain &main, TForm1 &link, TFormProtokol &report);
