// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/chirp_csv.h"

#include "common/delimited_text.h"
#include "common/message_text.h"
#include "common/numbers.h"
#include "layout/image_layout.h"
#include "table/template.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <optional>
#include <vector>

namespace tolvin {

namespace {

const QStringList &csvColumns() {
    static const QStringList c{"Location", "Name", "Frequency", "Duplex", "Offset", "Tone", "rToneFreq",
                               "cToneFreq", "DtcsCode", "DtcsPolarity", "RxDtcsCode", "CrossMode", "Mode",
                               "TStep", "Skip", "Power", "Comment", "URCALL", "RPT1CALL", "RPT2CALL", "DVCODE"};
    return c;
}

// CHIRP's CTCSS tones; ours has two (69,4 and 79,9) that CHIRP does not know.
const QSet<QString> &chirpTones() {
    static const QSet<QString> t{
        "67.0", "69.3", "71.9", "74.4", "77.0", "79.7", "82.5", "85.4", "88.5", "91.5", "94.8", "97.4", "100.0",
        "103.5", "107.2", "110.9", "114.8", "118.8", "123.0", "127.3", "131.8", "136.5", "141.3", "146.2", "151.4",
        "156.7", "159.8", "162.2", "165.5", "167.9", "171.3", "173.8", "177.3", "179.9", "183.5", "186.2", "189.9",
        "192.8", "196.6", "199.5", "203.5", "206.5", "210.7", "218.1", "225.7", "229.1", "233.6", "241.8", "250.3",
        "254.1"};
    return t;
}

// Frequencies travel in MHz with a point; the table keeps kHz. Both as units of 10 Hz, exactly.
constexpr int MhzDecimals = 5;   // 10 Hz
constexpr int MhzWholeDigits = 6;
constexpr int MhzShownDecimals = 6;

std::optional<int64_t> mhzToTenHertz(const QString &text) {
    return tryExactDecimal(text, MhzDecimals, MhzWholeDigits);
}

QString tenHertzToKHzText(int64_t tenHz) {
    return floatToStr(double(tenHz) / 100.0);
}

QString tenHertzToMHzText(int64_t tenHz) {
    return pointDecimalText(tenHz, MhzDecimals, MhzShownDecimals);
}

// "88.5" -> "88,5" when ToneList holds it.
std::optional<QString> toneText(const QString &csv) {
    const auto v = tryStrToFloat(QString(csv).replace(QLatin1Char('.'), QLatin1Char(',')));
    if (!v)
        return std::nullopt;
    const QString t = fixedToStr(*v, 1, 0).trimmed();
    return ToneList().contains(t) ? std::optional<QString>(t) : std::nullopt;
}

std::optional<QString> dcsText(const QString &csv) {
    QString t = csv.trimmed();
    bool ok = false;
    const int n = t.toInt(&ok);
    if (!ok || n < 0)
        return std::nullopt;
    t = QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
    return DcsList().contains(t) ? std::optional<QString>(t) : std::nullopt;
}

QString none() { return QStringLiteral("Нет"); }

bool isBlank(const QString &field) { return QStringView(field).trimmed().isEmpty(); }

} // namespace

namespace {

// Where each column of a CSV header is (the last of equal names), looked up once: a file may have
// a million lines, and each line asks for a dozen columns.
struct ChirpColumns {
    int location, frequency, duplex, offset, tone, rTone, cTone, dtcs, polarity, rxDtcs, cross, mode, skip;
    QStringList names;
    // Columns the station has no place for, by index, until a line gives them a value: then they
    // are reported once. By index, so that a line costs what its own fields cost, however wide
    // the header is.
    std::vector<bool> unplaced;

    explicit ChirpColumns(const QStringList &header) {
        QHash<QString, int> at;
        for (const QString &name : header) {
            names << name.trimmed();
            at.insert(names.back(), int(names.size() - 1));
        }
        auto column = [&](const char *name) { return at.value(QLatin1String(name), -1); };
        location = column("Location");
        frequency = column("Frequency");
        duplex = column("Duplex");
        offset = column("Offset");
        tone = column("Tone");
        rTone = column("rToneFreq");
        cTone = column("cToneFreq");
        dtcs = column("DtcsCode");
        polarity = column("DtcsPolarity");
        rxDtcs = column("RxDtcsCode");
        cross = column("CrossMode");
        mode = column("Mode");
        skip = column("Skip");
        static const QStringList used{"Location", "Frequency", "Duplex", "Offset", "Tone", "rToneFreq", "cToneFreq",
                                      "DtcsCode", "DtcsPolarity", "RxDtcsCode", "CrossMode", "Mode", "Skip"};
        static const QSet<QString> dontCare{"TStep"};
        unplaced.resize(size_t(names.size()));
        for (qsizetype i = 0; i < names.size(); ++i)
            unplaced[size_t(i)] = at.value(names[i]) == i && !used.contains(names[i]) && !dontCare.contains(names[i]);
    }
};

// One line being taken, and the import it reports into.
class CsvLine {
public:
    CsvLine(const QStringList &fields, int line, const ChirpColumns &col, CsvImport &out)
        : col(col), m_f(fields), m_line(line), m_out(out) {}

    const ChirpColumns &col;

    QString value(int i) const { return i >= 0 && i < m_f.size() ? m_f[i].trimmed() : QString(); }
    // A value in a message: a file may hold a megabyte in one field.
    QString shown(int i) const { return visibleText(value(i)); }
    QString where() const { return QStringLiteral("строка %1 (Location %2)").arg(m_line).arg(shown(col.location)); }
    // Every line not taken is counted; only those the summary names are written out.
    template <class Reason>
    void skip(const Reason &reason) {
        if (m_out.skipped.size() < CsvImport::Listed)
            m_out.skipped << where() + reason();
        ++m_out.skippedCount;
    }
    void note(const QString &text) { m_out.notes << where() + text; }

private:
    const QStringList &m_f;
    int m_line;
    CsvImport &m_out;
};

struct LineFrequencies {
    int64_t rx, tx; // 10 Hz
    QString txOff;
};

// The receive and transmit frequencies from "Frequency", "Duplex" and "Offset"; none, after the
// line is counted as skipped, when they are not a channel of this band.
std::optional<LineFrequencies> lineFrequencies(CsvLine &l, const BandSettings &band) {
    const ChirpColumns &col = l.col;
    const auto rx = mhzToTenHertz(l.value(col.frequency));
    if (!rx) {
        l.skip([&] { return QStringLiteral(": частота «%1» не число").arg(l.shown(col.frequency)); });
        return std::nullopt;
    }
    const QString duplex = l.value(col.duplex).toLower();
    const auto offset = mhzToTenHertz(l.value(col.offset).isEmpty() ? QStringLiteral("0") : l.value(col.offset));
    std::optional<int64_t> tx = rx;
    QString txOff = QStringLiteral("Норм");
    if (duplex == QLatin1String("+") && offset)
        tx = *rx + *offset;
    else if (duplex == QLatin1String("-") && offset)
        tx = *rx - *offset;
    else if (duplex == QLatin1String("split"))
        tx = offset;
    else if (duplex == QLatin1String("off"))
        txOff = QStringLiteral("OFF");
    else if (!duplex.isEmpty())
        tx = std::nullopt;
    if (!tx) {
        l.skip([&] { return QStringLiteral(": сдвиг «%1 %2» не понятен").arg(l.shown(col.duplex), l.shown(col.offset)); });
        return std::nullopt;
    }
    for (int64_t f10 : {*rx, *tx}) {
        if (f10 < int64_t(band.BandLow) * 100 || f10 > int64_t(band.BandHigh) * 100) {
            l.skip([&] {
                return QStringLiteral(": %1 кГц вне диапазона %2-%3 кГц")
                    .arg(tenHertzToKHzText(f10)).arg(band.BandLow).arg(band.BandHigh);
            });
            return std::nullopt;
        }
        if (f10 % 625 != 0) {
            l.skip([&] { return QStringLiteral(": %1 кГц не кратна 6,25 кГц").arg(tenHertzToKHzText(f10)); });
            return std::nullopt;
        }
    }
    return LineFrequencies{*rx, *tx, txOff};
}

// CHIRP's tone modes onto the four squelch cells; a value our lists lack is left out.
void squelchCells(CsvLine &l, QStringList &cells) {
    const ChirpColumns &col = l.col;
    auto tone = [&](int c, int cell) {
        if (const auto t = toneText(l.value(c)))
            cells[cell] = *t;
        else
            l.note(QStringLiteral(": тона %1 Гц нет в списке, оставлено «Нет»").arg(l.shown(c)));
    };
    auto dcs = [&](int c, int cell) {
        if (const auto t = dcsText(l.value(c)))
            cells[cell] = *t;
        else
            l.note(QStringLiteral(": кода DCS %1 нет в списке, оставлено «Нет»").arg(l.shown(c)));
    };
    const QString mode = l.value(col.tone);
    if (mode == QLatin1String("Tone")) {
        tone(col.rTone, ColCtcTx);
    } else if (mode == QLatin1String("TSQL")) {
        tone(col.cTone, ColCtcRx);
        cells[ColCtcTx] = cells[ColCtcRx];
    } else if (mode == QLatin1String("DTCS")) {
        dcs(col.dtcs, ColDcsRx);
        dcs(col.dtcs, ColDcsTx);
    } else if (mode == QLatin1String("Cross")) {
        const QString cross = l.value(col.cross);
        const QString txPart = cross.section(QStringLiteral("->"), 0, 0);
        const QString rxPart = cross.section(QStringLiteral("->"), 1, 1);
        if (txPart == QLatin1String("Tone"))
            tone(col.rTone, ColCtcTx);
        else if (txPart == QLatin1String("DTCS"))
            dcs(col.dtcs, ColDcsTx);
        if (rxPart == QLatin1String("Tone"))
            tone(col.cTone, ColCtcRx);
        else if (rxPart == QLatin1String("DTCS"))
            dcs(col.rxDtcs, ColDcsRx);
        const bool anyDcs = cells[ColDcsRx] != none() || cells[ColDcsTx] != none();
        const bool anyTone = cells[ColCtcRx] != none() || cells[ColCtcTx] != none();
        if (anyDcs && anyTone)
            l.note(QStringLiteral(": станция не сочетает тон и DCS в одном канале (%1), тон не будет передан")
                       .arg(l.shown(col.cross)));
    } else if (!mode.isEmpty()) {
        l.note(QStringLiteral(": режим «%1» не поддерживается, без тона").arg(l.shown(col.tone)));
    }
    const QString polarity = l.value(col.polarity);
    if ((cells[ColDcsRx] != none() || cells[ColDcsTx] != none()) && !polarity.isEmpty() && polarity != QLatin1String("NN"))
        l.note(QStringLiteral(": полярность DCS %1 задаётся для всей станции (Код_DCS)").arg(l.shown(col.polarity)));
}

void spacingCell(CsvLine &l, QStringList &cells) {
    const QString fm = l.value(l.col.mode);
    if (fm == QLatin1String("NFM"))
        cells[ColSpacing] = QStringLiteral("12,5");
    else if (fm == QLatin1String("FM") || fm.isEmpty())
        cells[ColSpacing] = QStringLiteral("25");
    else
        l.note(QStringLiteral(": вид модуляции %1 не поддерживается, взято 25 кГц").arg(l.shown(l.col.mode)));
}

} // namespace

CsvImport importChirpCsv(const QString &text, const BandSettings &band) {
    CsvImport out;
    DelimitedReader reader(text, QLatin1Char(','));
    QStringList f;
    if (!reader.next(f))
        return out;
    ChirpColumns col(f);
    QSet<QString> ignored;

    for (int line = 2; reader.next(f); ++line) {
        if (f.size() == 1 && isBlank(f[0]))
            continue; // an empty line
        ++out.linesRead;
        const qsizetype reach = std::min(f.size(), col.names.size());
        for (qsizetype i = 0; i < reach; ++i) {
            if (col.unplaced[size_t(i)] && !isBlank(f[i])) {
                ignored.insert(col.names[i]);
                col.unplaced[size_t(i)] = false;
            }
        }
        CsvLine l(f, line, col, out);
        const std::optional<LineFrequencies> freq = lineFrequencies(l, band);
        if (!freq)
            continue;
        if (out.rows.size() >= MaxChannels) {
            ++out.beyondLimit;
            continue;
        }
        QStringList cells = templateRowTexts(int(out.rows.size()) + 1);
        cells[ColRx] = tenHertzToKHzText(freq->rx);
        cells[ColTx] = tenHertzToKHzText(freq->tx);
        cells[ColTxOff] = freq->txOff;
        squelchCells(l, cells);
        spacingCell(l, cells);
        out.rows << cells;
        out.flags << std::array<bool, 3>{l.value(col.skip) != QLatin1String("S"), false, true};
    }
    out.ignoredColumns = QStringList(ignored.begin(), ignored.end());
    out.ignoredColumns.sort();
    return out;
}

namespace {

// The first Listed items of `count`, then how many more.
QStringList listed(const QStringList &items, qsizetype count) {
    QStringList l = items.mid(0, CsvImport::Listed);
    if (count > CsvImport::Listed)
        l << QStringLiteral("и ещё %1").arg(count - CsvImport::Listed);
    return l;
}

QString skippedPart(const CsvImport &in) {
    return QStringLiteral("Не загружены строки:\n") + listed(in.skipped, in.skippedCount).join(QLatin1Char('\n'));
}

} // namespace

QString CsvImport::summary() const {
    QStringList parts;
    parts << QStringLiteral("Загружено каналов: %1").arg(rows.size());
    if (beyondLimit > 0)
        parts << QStringLiteral("В станцию помещается не больше %1 каналов; не загружено строк: %2").arg(MaxChannels).arg(beyondLimit);
    if (!skipped.isEmpty())
        parts << skippedPart(*this);
    if (!notes.isEmpty())
        parts << QStringLiteral("Загружены не полностью:\n") + listed(notes, notes.size()).join(QLatin1Char('\n'));
    if (!ignoredColumns.isEmpty()) {
        QStringList columns;
        for (const QString &c : ignoredColumns.mid(0, Listed))
            columns << visibleText(c);
        parts << QStringLiteral("Столбцы, которых нет в станции, пропущены: ") +
                     listed(columns, ignoredColumns.size()).join(QStringLiteral(", "));
    }
    return parts.join(QStringLiteral("\n\n"));
}

QString CsvImport::nothingTaken(int band) const {
    if (!rows.isEmpty())
        return {};
    if (linesRead == 0)
        return QStringLiteral("В файле нет ни одной строки с каналом");
    const BandRow &row = bandRow(band);
    QStringList parts{QStringLiteral("Прочитано строк: %1; ни одна не подходит для диапазона «%2» (%3)")
                          .arg(linesRead)
                          .arg(QString::fromUtf16(row.caption), QString::fromUtf16(row.title))};
    if (!skipped.isEmpty())
        parts << skippedPart(*this);
    return parts.join(QStringLiteral("\n\n"));
}

void applyCsvImport(Editor &ed, const CsvImport &import) {
    ChannelTable &t = ed.table;
    t.setRowCount(1);
    t.setRowCount(int(import.rows.size()) + 1);
    t.setRowTexts(0, columnHeaders());
    createAllOverlays(ed);
    ed.state.PrevRowCount = t.rowCount();
    for (int r = 1; r <= import.rows.size(); ++r) {
        t.setRowTexts(r, import.rows[r - 1]);
        const auto &f = import.flags[r - 1];
        t.setFlag(ColScan, r, f[0]);
        t.setFlag(ColIdTone, r, f[1]);
        t.setFlag(ColActive, r, f[2]);
    }
    if (ed.memo.isEmpty())
        ed.memo = defaultSettingsLines();
    ed.state.DataChecked = 0;
    ed.view.panel1 = ed.view.memo = ed.view.grid = true;
}

CsvExport exportChirpCsv(const ChannelTable &table) {
    CsvExport out;
    QStringList lines{csvColumns().join(QLatin1Char(','))};
    // CHIRP's generic CSV numbers its memories from 0 (as the station numbers its channels'
    // places), and the import makes a file's lines channels 1, 2, ... in their order: a line's
    // Location is the channel it comes back as, less one. So Locations count the lines written,
    // from 0. A channel left out leaves no gap: CHIRP would keep one as an empty memory that the
    // import closes up, and the two would disagree on every channel after it.
    int location = 0;
    const QString rxMark = QStringLiteral("РЕТР_ПП"), txMark = QStringLiteral("РЕТР_ПР");
    for (int r = 1; r < table.rowCount(); ++r) {
        const QString number = table.cell(ColNumber, r);
        const QString who = QStringLiteral("канал %1").arg(number.isEmpty() ? QString::number(r) : number);
        QStringList lost;
        auto freq = [&](int col) -> std::optional<int64_t> {
            const auto v = tryStrToFloat(table.cell(col, r));
            if (!v)
                return std::nullopt;
            return toTenHertz(*v);
        };
        std::optional<int64_t> rx = freq(ColRx), tx = freq(ColTx);
        if (table.cell(ColRx, r) == rxMark && tx) {
            rx = tx;
            lost << QStringLiteral("метка РЕТР_ПП");
        }
        if (table.cell(ColTx, r) == txMark && rx) {
            tx = rx;
            lost << QStringLiteral("метка РЕТР_ПР");
        }
        if (!rx || !tx) {
            out.lost << who + QStringLiteral(": нет частоты, не выгружен");
            continue;
        }
        QString duplex, offset = QStringLiteral("0.000000");
        if (table.cell(ColTxOff, r) == QLatin1String("OFF")) {
            duplex = QStringLiteral("off");
        } else if (*tx != *rx) {
            duplex = *tx > *rx ? QStringLiteral("+") : QStringLiteral("-");
            offset = tenHertzToMHzText(*tx > *rx ? *tx - *rx : *rx - *tx);
        }

        // The four squelch cells as the station uses them: any DCS code puts the channel in DCS.
        auto chirpTone = [&](int col) -> QString {
            const QString t = table.cell(col, r);
            if (t == none())
                return {};
            QString c = t;
            c.replace(QLatin1Char(','), QLatin1Char('.'));
            if (!chirpTones().contains(c)) {
                lost << QStringLiteral("тон %1").arg(t);
                return {};
            }
            return c;
        };
        auto code = [&](int col) -> QString {
            const QString t = table.cell(col, r);
            return t == none() || !DcsList().contains(t) ? QString() : t;
        };
        QString mode, rtone = QStringLiteral("88.5"), ctone = QStringLiteral("88.5"), dtcs = QStringLiteral("023"),
                rxDtcs = QStringLiteral("023"), cross = QStringLiteral("Tone->Tone");
        const QString dRx = code(ColDcsRx), dTx = code(ColDcsTx);
        if (!dRx.isEmpty() || !dTx.isEmpty()) {
            if (dRx == dTx) {
                mode = QStringLiteral("DTCS");
                dtcs = rxDtcs = dRx;
            } else {
                mode = QStringLiteral("Cross");
                cross = QStringLiteral("%1->%2").arg(dTx.isEmpty() ? QString() : QStringLiteral("DTCS"),
                                                     dRx.isEmpty() ? QString() : QStringLiteral("DTCS"));
                if (!dTx.isEmpty())
                    dtcs = dTx;
                if (!dRx.isEmpty())
                    rxDtcs = dRx;
            }
        } else {
            const QString tRx = chirpTone(ColCtcRx), tTx = chirpTone(ColCtcTx);
            if (!tRx.isEmpty() && tRx == tTx) {
                mode = QStringLiteral("TSQL");
                rtone = ctone = tRx;
            } else if (tRx.isEmpty() && !tTx.isEmpty()) {
                mode = QStringLiteral("Tone");
                rtone = tTx;
            } else if (!tRx.isEmpty()) {
                mode = QStringLiteral("Cross");
                cross = QStringLiteral("%1->Tone").arg(tTx.isEmpty() ? QString() : QStringLiteral("Tone"));
                ctone = tRx;
                if (!tTx.isEmpty())
                    rtone = tTx;
            }
        }
        const QString fm = table.cell(ColSpacing, r) == QLatin1String("12,5") ? QStringLiteral("NFM") : QStringLiteral("FM");
        const QString skip = table.hasFlag(ColScan, r) && !table.flag(ColScan, r) ? QStringLiteral("S") : QString();
        const QStringList fields{QString::number(location++), QString(), tenHertzToMHzText(*rx), duplex, offset, mode,
                                 rtone, ctone, dtcs, QStringLiteral("NN"), rxDtcs, cross, fm, QStringLiteral("6.25"), skip,
                                 QString(), QString(), QString(), QString(), QString(), QString()};
        QStringList quoted;
        for (const QString &f : fields)
            quoted << quoteField(f, QLatin1Char(','));
        lines << quoted.join(QLatin1Char(','));
        if (!lost.isEmpty())
            out.lost << who + QStringLiteral(": без ") + lost.join(QStringLiteral(", "));
    }
    out.csv = (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    return out;
}

QString CsvExport::summary() const {
    if (lost.isEmpty())
        return {};
    constexpr int Shown = 12;
    QStringList l = lost.mid(0, Shown);
    if (lost.size() > Shown)
        l << QStringLiteral("и ещё %1").arg(lost.size() - Shown);
    return QStringLiteral("CHIRP не может принять эти каналы целиком:\n") + l.join(QLatin1Char('\n'));
}

} // namespace tolvin
