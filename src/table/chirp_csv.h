// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Channels to and from CHIRP's generic CSV, the file radio programmers exchange channel lists
// in: frequencies in MHz, tones in CHIRP's tone modes, one line per memory.
#include "table/editor.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace tolvin {

struct CsvImport {
    // How many items of a list the summary names before it only counts the rest.
    static constexpr int Listed = 12;
    QList<QStringList> rows;                // 18 cells a row; check-box columns empty
    QList<std::array<bool, 3>> flags;       // "Скан.", "Id_Тон", "Акт" of each row
    QStringList skipped;                    // the first Listed lines not taken, with the reason
    int skippedCount = 0;                   // all lines not taken for a reason
    QStringList notes;                      // lines taken with a part left out
    QStringList ignoredColumns;             // columns with values the station has no place for
    int beyondLimit = 0;                    // lines past the 99 channels a station holds
    int linesRead = 0;                      // lines after the header with anything on them
    // One text for the technician: what was taken, what was not and why. Its length has a
    // bound whatever the file holds: long lists are cut, long values shown by their heads.
    QString summary() const;
    // When no line became a channel: how many were read, that none suits `band` and
    // why, with the same bound as summary(). Empty when some line was taken.
    QString nothingTaken(int band) const;
};

// Reads CSV text (UTF-8, with or without a byte order mark, any line ends). Rows outside `band`
// or off the 6,25 kHz raster are skipped and listed.
CsvImport importChirpCsv(const QString &text, const BandSettings &band);

// The imported rows become the channel table (numbered from 1, the template's values where the
// CSV has nothing); the settings text stays, or is the template's when there is none.
void applyCsvImport(Editor &ed, const CsvImport &import);

struct CsvExport {
    QByteArray csv;         // UTF-8, CR LF
    QStringList lost;       // channels exported without a part CHIRP cannot hold, or not at all
    QString summary() const; // empty when everything went out whole
};

CsvExport exportChirpCsv(const ChannelTable &table);

} // namespace tolvin
