// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's three windows joined as it runs them: the main window opens the link and report
// windows, and they talk back to it only through its EditorHost side.
#include "journal/journal.h"

class TFormMain;
class TForm1;
class TFormProtokol;

void connectLinkWindow(TFormMain &main, TForm1 &link);
void connectReportWindow(TFormMain &main, TFormProtokol &report);
void connectWindows(TFormMain &main, TForm1 &link, TFormProtokol &report);

// What the station journal says of itself (a shared journal away, a file that cannot be written)
// comes from the journal's thread; this shows it in the main window's turn, as a message.
tolvin::Journal::Notice journalNotices(TFormMain &main);
