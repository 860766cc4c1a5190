// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/repeater.h"

#include "common/numbers.h"
#include "layout/image_layout.h"

namespace tolvin {

QString receiveMarker() { return QStringLiteral("РЕТР_ПП"); }
QString transmitMarker() { return QStringLiteral("РЕТР_ПР"); }

namespace {

// Grid row of the first record of the last check whose channel number is `number`, 0 for none.
int rowOfChannel(const StationImage &image, uint8_t number) {
    const int count = image.header[HeaderByte::ChannelCount];
    for (int k = 1; k <= count && k <= MaxChannels; ++k)
        if (image.records[k - 1][RecordByte::Number] == number)
            return k;
    return 0;
}

} // namespace

bool writeRepeater(Editor &ed, const QString &channelText, RepeaterMode mode, Operator &op) {
    ed.state.DataChecked = 0;
    if (channelText.isEmpty()) {
        op.message(QStringLiteral("Вы не указали номер канала !!!"));
        return false;
    }
    // The field's label on the repeater panel.
    const auto number = static_cast<uint8_t>(strToInt(channelText, QStringLiteral("Номер канала")) & 0xFF);
    ChannelTable &t = ed.table;
    const int k = rowOfChannel(ed.state.image, number);
    // The records are those of the last check; a table rebuilt since may have fewer rows.
    if (k == 0 || k > t.channelCount()) {
        op.message(QStringLiteral("Такого номера канала нет в таблице !!!"));
        return false;
    }

    const bool receive = mode == RepeaterMode::Receive;
    const int markCol = receive ? ColTx : ColRx;
    const int otherCol = receive ? ColRx : ColTx;
    const QString marker = receive ? transmitMarker() : receiveMarker();
    const QString otherMarker = receive ? receiveMarker() : transmitMarker();

    if (t.cell(otherCol, k) == otherMarker)
        t.setCell(otherCol, k, t.displaced(otherCol, k).value_or(QString()));
    // Marking a cell that already holds the marker keeps the frequency it displaced.
    if (t.cell(markCol, k) != marker) {
        const QString frequency = t.cell(markCol, k);
        t.setCell(markCol, k, marker);
        t.keepDisplaced(markCol, k, frequency);
    }
    if (t.hasFlag(ColScan, k))
        t.setFlag(ColScan, k, false);
    return true;
}

} // namespace tolvin
