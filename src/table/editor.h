// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one editor a main window (or a CLI run) works on: the channel table, the general settings
// block and the program-wide state. Core operations take it by reference; the GUI shows it.
#include "layout/station_image.h"
#include "table/bands.h"
#include "table/channel_table.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace tolvin {

struct EditorState {
    uint8_t DataChecked = 0;
    BandSettings bandSettings;           // start-up: the first band
    uint8_t StationType = StationModels.front().typeCode;
    uint8_t ModuleType = 0;
    // Row and column numbers are whole integers: a settings file may hold hundreds of rows.
    int SelectedRow = 0;
    int SelectedCol = 0;
    int PrevRowCount = 0;
    // The frequency a repeater marker displaced is kept per row, in the table (keepDisplaced).
    uint8_t DigitCount = 0;
    StationImage image;
    QByteArray checkedInput;             // what the last successful check read (checkedInput())

    // What the menus and the window show of it.
    int tickedBand = 1;                  // band item, from 1
    int tickedModule = 0;                // module item 0..5, -1: none ticked
    QString title = QString::fromUtf16(StationModels.front().title);
};

// The template panel's three fields, as text; the panel owns them, the core reads and sets them.
struct TemplateFields {
    QString count = QStringLiteral("10");
    QString start = QString::number(StationModels.front().bandLow);
    QString step = QStringLiteral("1000");
};

// Which parts of the editing area are shown.
struct EditorView {
    bool panel1 = false;    // the whole editing area
    bool memo = false;
    bool grid = false;
    bool repeaterPanel = false;
};

struct Editor {
    EditorState state;
    ChannelTable table;
    QStringList memo;       // lines of the general settings block
    TemplateFields templ;
    EditorView view;
};

// Check-box overlays of one column (12, 14 or 17).
void removeOverlays(Editor &ed, int col);   // rows 1..PrevRowCount lose their box
void createOverlays(Editor &ed, int col);   // remove, then one box per channel row, column default
void createAllOverlays(Editor &ed);         // 12, 14, 17 in that order

// Band selection, the one operation behind the band menu, the file reader and the station link.
void selectBand(Editor &ed, int band);      // a band of bandTable()
// A type code some model answers with selects its band; other codes select nothing and return false.
bool selectBandByStationType(Editor &ed, uint8_t code);

// The module menu: tick item and set ModuleType.
void chooseModule(Editor &ed, int item);

} // namespace tolvin
