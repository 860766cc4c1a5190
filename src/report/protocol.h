// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programming report: title, serial number, the general settings block and a table of every
// channel, as a document. The GUI's "Создать" and `tolvin-cli report` both build it here.
#include "report/document.h"
#include "table/editor.h"

#include <QString>
#include <array>

namespace tolvin {

struct ReportColumn {
    const char16_t *header;
    double width;   // points
    int source;     // channel table column; its text, or "+"/"-" for a check-box column
};
// The 18 columns of the report table, in report order (P_min before P_max).
const std::array<ReportColumn, 18> &reportColumns();

// Table rows for a number of channels: one header row, one per channel, and one more header
// before channels 31, 61 and 91 where they exist.
int reportRowCount(int channels);
// Table row of channel r (from 1), and whether a table row is a header row.
int reportRowOfChannel(int channel);
bool isReportHeaderRow(int tableRow);

// The 18 texts of channel row r of the table as the report shows them.
QStringList reportCells(const ChannelTable &table, int row);

// The document for the editor's configuration: the channel count is the one the last data
// check recorded; cells, boxes and settings lines are read as they stand now.
Document buildReport(const Editor &ed, const QString &serial);

} // namespace tolvin
