// SPDX-License-Identifier: GPL-3.0-or-later
#include "table/template.h"

#include "common/errors.h"
#include "common/message_text.h"
#include "common/numbers.h"
#include "layout/general_keys.h"

namespace tolvin {

const QStringList &defaultSettingsLines() {
    static const QStringList l = [] {
        QStringList lines{QStringLiteral("[Общие установки]")};
        for (const GeneralKey &k : GeneralKeys)
            if (k.templateDefault)
                lines << QString::fromUtf16(k.key) + QLatin1Char('=') + QString::fromUtf16(k.templateDefault);
        return lines;
    }();
    return l;
}

namespace {

// Cell texts of a new channel row, by column; the check-box columns stay empty.
void fillDefaults(ChannelTable &t, int row) {
    static const QString none = QStringLiteral("Нет");
    t.setCell(ColNumber, row, QString::number(row));
    for (int c = ColCtcRx; c <= ColToneTx; ++c)
        t.setCell(c, row, none);
    t.setCell(ColNoise, row, QStringLiteral("1"));
    t.setCell(ColPmax, row, QStringLiteral("4"));
    t.setCell(ColPmin, row, QStringLiteral("1"));
    t.setCell(ColSpacing, row, QStringLiteral("25"));
    t.setCell(ColTxOff, row, QStringLiteral("Норм"));
    t.setCell(ColTime, row, none);
}

} // namespace

QStringList templateRowTexts(int row) {
    ChannelTable t;
    t.setRowCount(2);
    fillDefaults(t, 1);
    QStringList cells;
    for (int c = 0; c < ColumnCount; ++c)
        cells << t.cell(c, 1);
    cells[ColNumber] = QString::number(row);
    return cells;
}

bool createTemplate(Editor &ed, Operator &op) {
    ed.state.DataChecked = 0;
    const TemplateFields f = ed.templ;

    if (f.count.size() < 1 || f.count.size() > 2) {
        op.errorBeep();
        op.message(QStringLiteral("Вы не ввели количество каналов или ввели слишком много"));
        return false;
    }
    // A field that is not a number is named by its label on the template panel, which
    // tolvin-cli's --start, --step and --count stand for.
    const double start = strToFloat(f.start, QStringLiteral("Начальная частота, кГц"));
    if (!onRaster(start)) {
        op.errorBeep();
        op.message(QStringLiteral("Частота должна быть кратна 6,25кГц"));
        return false;
    }
    const double step = strToFloat(f.step, QStringLiteral("Смещение, кГц"));
    if (!onRaster(step)) {
        op.errorBeep();
        op.message(QStringLiteral("Шаг смещения должен быть кратен 6,25кГц"));
        return false;
    }
    const BandSettings &band = ed.state.bandSettings;
    if (start < band.BandLow || start > band.BandHigh) {
        op.message(QStringLiteral("Введенная частота не соответствует частотному диапазону, частотный диапазон ") +
                   floatToStr(band.BandLow / 1000.0) + QLatin1Char('-') +
                   floatToStr(band.BandHigh / 1000.0) + QStringLiteral(" МГц"));
        return false;
    }
    const QString countLabel = QStringLiteral("Кол-во каналов");
    const int n = strToInt(f.count, countLabel);
    if (n < 0) // a pasted sign; the field's key filter lets only digits through
        throw ConversionError(countLabel + QStringLiteral(": ") + guillemetText(f.count) +
                              QStringLiteral(" не является неотрицательным целым числом"));

    ed.view.memo = true;
    ed.view.grid = true;
    ChannelTable &t = ed.table;
    t.setRowCount(n + 1);
    t.setRowTexts(0, columnHeaders());
    for (int i = 1; i <= n; ++i) {
        double freq = start + step * (i - 1);
        if (freq > band.BandHigh)
            freq = band.BandHigh;
        const QString text = floatToStr(freq);
        t.setCell(ColRx, i, text);
        t.setCell(ColTx, i, text);
    }
    for (int i = 1; i <= n; ++i)
        fillDefaults(t, i);
    ed.memo = defaultSettingsLines();
    createAllOverlays(ed);
    ed.state.PrevRowCount = t.rowCount();
    return true;
}

QString templateCapNote(const Editor &ed) {
    const auto start = tryStrToFloat(ed.templ.start);
    const auto step = tryStrToFloat(ed.templ.step);
    const auto count = tryStrToInt(ed.templ.count);
    if (!start || !step || !count)
        return {};
    const BandSettings &band = ed.state.bandSettings;
    int first = 0;
    for (int i = 1; i <= *count && first == 0; ++i)
        if (*start + *step * (i - 1) > band.BandHigh)
            first = i;
    if (first == 0)
        return {};
    const QString high = floatToStr(band.BandHigh);
    if (first == *count)
        return QStringLiteral("Канал %1 выходит за диапазон; ему назначена частота %2 кГц").arg(first).arg(high);
    return QStringLiteral("Каналы %1-%2 выходят за диапазон; им назначена частота %3 кГц").arg(first).arg(*count).arg(high);
}

} // namespace tolvin
