// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/protocol.h"

#include "layout/image_layout.h"

namespace tolvin {
namespace {

// A header row repeats before these channels, so that every printed page of thirty channels
// opens with the column names.
constexpr std::array<int, 3> RepeatBefore{31, 61, 91};

const CharFormat HeaderFormat{true, 11};

void writeHeaderRow(Table &t, int row) {
    for (int c = 1; c <= t.columns(); ++c)
        t.cell(row, c).format = HeaderFormat;
    for (int c = 1; c <= t.columns(); ++c)
        t.cell(row, c).text = QString::fromUtf16(reportColumns()[size_t(c - 1)].header);
}

} // namespace

const std::array<ReportColumn, 18> &reportColumns() {
    // Columns 8 and 9 begin with a Latin T.
    static const std::array<ReportColumn, 18> columns{{
        {u"№", 23, ColNumber},        {u"Прием", 62, ColRx},       {u"Передача", 62, ColTx},
        {u"CTCSS_Rx", 69, ColCtcRx},  {u"CTCSS_Tx", 69, ColCtcTx}, {u"DCS_Rx", 54, ColDcsRx},
        {u"DCS_Tx", 54, ColDcsTx},    {u"Tон_Rx", 51, ColToneRx},  {u"Tон_Tx", 49, ColToneTx},
        {u"ШП", 32, ColNoise},        {u"Pmin", 37, ColPmin},      {u"Pmax", 38, ColPmax},
        {u"Скан", 37, ColScan},       {u"Sw", 33, ColSpacing},     {u"Id", 24, ColIdTone},
        {u"Tx_Off", 46, ColTxOff},    {u"Time", 36, ColTime},      {u"Акт", 31, ColActive},
    }};
    return columns;
}

int reportRowOfChannel(int channel) {
    int row = channel + 1;
    for (int r : RepeatBefore)
        if (channel >= r)
            ++row;
    return row;
}

int reportRowCount(int channels) { return reportRowOfChannel(channels); }

bool isReportHeaderRow(int tableRow) {
    if (tableRow == 1)
        return true;
    for (int r : RepeatBefore)
        if (tableRow == reportRowOfChannel(r) - 1)
            return true;
    return false;
}

QStringList reportCells(const ChannelTable &table, int row) {
    QStringList cells;
    for (const ReportColumn &c : reportColumns()) {
        if (isCheckboxColumn(c.source))
            cells << (table.flag(c.source, row) ? QStringLiteral("+") : QStringLiteral("-"));
        else
            cells << table.cell(c.source, row);
    }
    return cells;
}

Document buildReport(const Editor &ed, const QString &serial) {
    Document d;
    d.page.landscape = true;
    d.page.left = 25;
    d.page.right = 25;
    d.page.top = 75;
    d.page.bottom = 67;

    d.setAlignment(Alignment::Centre);
    d.setBold(true);
    d.setSize(20);
    d.typeText(QStringLiteral("Радиостанция серии \"Толвин\"\r"));
    d.typeText(serial + QLatin1Char('\r'));
    d.collapse();

    d.setAlignment(Alignment::Left);
    d.setBold(false);
    d.setSize(12);
    d.typeText(QStringLiteral("\r"));
    QString settings;
    for (const QString &line : ed.memo)
        settings += line + QStringLiteral("\r\n");
    d.typeText(settings + QLatin1Char('\r'));
    d.collapse();

    // The table goes right below the settings block, however long the block is. The block all
    // but fills the first page, so the table starts on a page of its own: then every page of it
    // opens with a header row and holds thirty channels, as the repeated headers intend.
    const int channels = ed.state.image.header[HeaderByte::ChannelCount];
    Table &t = d.addTable(reportRowCount(channels), int(reportColumns().size()));
    t.alignment = Alignment::Centre;
    t.startsPage = true;
    for (int c = 1; c <= t.columns(); ++c)
        t.setColumnWidth(c, reportColumns()[size_t(c - 1)].width);
    writeHeaderRow(t, 1);
    for (int r = 1; r <= channels; ++r) {
        const int row = reportRowOfChannel(r);
        if (isReportHeaderRow(row - 1) && row - 1 > 1)
            writeHeaderRow(t, row - 1);
        const QStringList cells = reportCells(ed.table, r);
        for (int c = 1; c <= t.columns(); ++c)
            t.cell(row, c).text = cells.at(c - 1);
    }
    d.collapse();
    return d;
}

} // namespace tolvin
