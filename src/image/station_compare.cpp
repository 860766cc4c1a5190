// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/station_compare.h"

#include "image/station_readout.h"
#include "layout/general_keys.h"
#include "table/lists.h"

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

namespace tolvin {

namespace {

const QString Instead = QStringLiteral(" вместо ");

QString hexByte(uint8_t b) {
    return QStringLiteral("0x") + QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

// A column as the technician calls it in a sentence.
QString fieldName(int col) {
    if (col == ColRx)
        return QStringLiteral("Rx");
    if (col == ColTx)
        return QStringLiteral("Tx");
    return columnHeaders().at(col).trimmed();
}

QString yesNo(bool on) {
    return on ? QStringLiteral("да") : QStringLiteral("нет");
}

bool checkbox(const ReadoutRow &row, int col) {
    return col == ColScan ? row.scan : col == ColIdTone ? row.idTone : row.active;
}

QString cellText(const ReadoutRow &row, int col) {
    return isCheckboxColumn(col) ? yesNo(checkbox(row, col)) : row.cells.value(col);
}

// Which columns show each record byte. The CTCSS/DCS flag moves the codes between the four
// squelch columns; the two tone flags of byte 0 and the repeater bits of byte 15 only repeat
// what other bytes say, and byte 17 shows nowhere.
const std::vector<std::vector<int>> &recordByteColumns() {
    static const std::vector<std::vector<int>> t{
        {ColScan, ColSpacing, ColIdTone, ColActive, ColCtcRx, ColCtcTx, ColDcsRx, ColDcsTx},
        {ColNumber}, {ColRx}, {ColRx}, {ColRx}, {ColTx}, {ColTx}, {ColTx},
        {ColCtcRx, ColDcsRx}, {ColCtcTx, ColDcsTx}, {ColToneRx}, {ColToneTx},
        {ColNoise}, {ColPmin}, {ColPmax}, {ColTxOff}, {ColTime}, {},
    };
    return t;
}

using Lines = std::vector<std::pair<QString, QString>>;

// The settings lines a read of this image gives, as key and value, without the block's heading
// and the serial number.
Lines settingsLines(const StreamImage &image, const BandSettings &band) {
    Lines lines;
    const StationReadout out = readStation(encodeReadStream(image), band);
    for (const QString &l : out.memo) {
        const qsizetype eq = l.indexOf(QLatin1Char('='));
        if (eq < 0 || l.left(eq) == QString::fromUtf16(generalKey(u"Серийный номер").key))
            continue;
        lines.emplace_back(l.left(eq), l.mid(eq + 1));
    }
    return lines;
}

QString value(const Lines &lines, const QString &key) {
    for (const auto &[k, v] : lines)
        if (k == key)
            return v;
    return {};
}

QString moduleText(uint8_t code) {
    return code < moduleCaptions().size() ? QStringLiteral("«%1»").arg(moduleCaptions().at(code)) : QString::number(code);
}

QString typeText(uint8_t code) {
    const int band = bandForStationType(code);
    return band != 0 ? QStringLiteral("%1 (%2)").arg(code).arg(QString::fromUtf16(bandRow(band).title))
                     : QString::number(code);
}

int recordCount(const StreamImage &image) {
    return std::min<int>(image.image.header[HeaderByte::ChannelCount], MaxChannels);
}

} // namespace

QStringList imageDifferences(const StreamImage &station, const StreamImage &configured, const BandSettings &band,
                             const QString &heldIn, const BandSettings *heldBand) {
    QStringList out;
    const QString general = QStringLiteral("общие установки: ");

    // Settings lines, in the order a read shows them.
    const Lines ours = settingsLines(configured, band);
    const Lines theirs = settingsLines(station, band);
    for (const auto &[key, mine] : ours) {
        const QString held = value(theirs, key);
        if (held != mine)
            out << general + key + QLatin1Char(' ') + held + Instead + mine;
    }
    const int nStation = recordCount(station);
    const int nConfigured = recordCount(configured);
    if (station.image.header[HeaderByte::ChannelCount] != configured.image.header[HeaderByte::ChannelCount])
        out << general + QStringLiteral("каналов %1").arg(station.image.header[HeaderByte::ChannelCount]) + Instead +
                   QString::number(configured.image.header[HeaderByte::ChannelCount]);
    if (station.ModuleType != configured.ModuleType)
        out << general + QStringLiteral("модуль ") + moduleText(station.ModuleType) + Instead +
                   moduleText(configured.ModuleType);
    if (station.StationType != configured.StationType)
        out << general + QStringLiteral("тип станции ") + typeText(station.StationType) + Instead +
                   typeText(configured.StationType);
    // A header byte that differs where no settings line shows it still counts; the channel
    // count has its own line.
    constexpr int HeaderBytes = int(std::tuple_size_v<decltype(StationImage::header)>);
    for (int byte = HeaderByte::Brightness; byte < HeaderBytes; ++byte) {
        const uint8_t held = station.image.header[byte];
        const uint8_t mine = configured.image.header[byte];
        if (held == mine || byte == HeaderByte::ChannelCount)
            continue;
        const bool shown = std::any_of(GeneralKeys.begin(), GeneralKeys.end(), [&](const GeneralKey &k) {
            const QString key = QString::fromUtf16(k.key);
            return k.headerByte == byte && value(theirs, key) != value(ours, key);
        });
        if (!shown)
            out << general + QStringLiteral("байт %1 заголовка ").arg(byte) + hexByte(held) + Instead + hexByte(mine);
    }

    const int typeBand = bandForStationType(configured.StationType);
    const BandSettings &recordBand = typeBand != 0 ? bandRow(typeBand).settings : band;
    for (int r = 0; r < std::max(nStation, nConfigured); ++r) {
        const QString channel = QStringLiteral("канал %1: ").arg(r + 1);
        if (r >= nStation) {
            out << channel + QStringLiteral("нет в ") + heldIn;
            continue;
        }
        if (r >= nConfigured) {
            out << channel + QStringLiteral("есть только в ") + heldIn;
            continue;
        }
        const ChannelRecord &held = station.image.records[r];
        const ChannelRecord &mine = configured.image.records[r];
        if (held == mine)
            continue;
        const ReadoutRow a =
            decodeRecord(held, heldBand ? *heldBand : recordBand, station.image.header[HeaderByte::DcsNumbering]);
        const ReadoutRow b = decodeRecord(mine, recordBand, configured.image.header[HeaderByte::DcsNumbering]);
        bool differs[ColumnCount] = {};
        for (int c = 0; c < ColumnCount; ++c) {
            differs[c] = cellText(a, c) != cellText(b, c);
            if (differs[c])
                out << channel + fieldName(c) + QLatin1Char(' ') + cellText(a, c) + Instead + cellText(b, c);
        }
        for (int j = 0; j < RecordSize; ++j) {
            const auto &cols = recordByteColumns()[size_t(j)];
            if (held[j] != mine[j] && std::none_of(cols.begin(), cols.end(), [&](int c) { return differs[c]; }))
                out << channel + QStringLiteral("байт %1 записи ").arg(j) + hexByte(held[j]) + Instead + hexByte(mine[j]);
        }
    }
    return out;
}

} // namespace tolvin
