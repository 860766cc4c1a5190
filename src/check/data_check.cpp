// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/data_check.h"

#include "common/errors.h"
#include "common/message_text.h"
#include "common/numbers.h"
#include "settings_file/ini_document.h"
#include "settings_file/settings_file.h"
#include "image/image_fields.h"
#include "layout/general_keys.h"
#include "layout/image_layout.h"
#include "image/squelch_codes.h"
#include "image/synth_word.h"
#include "table/lists.h"

#include <QCryptographicHash>
#include <optional>

namespace tolvin {

namespace {

const QString &section() {
    static const QString s = generalSection();
    return s;
}

const QString &none() {
    static const QString n = QStringLiteral("Нет");
    return n;
}

struct Refusal {
    QString text;
    bool errorBeep = false;
    CheckPlace place;
};
using Step = std::optional<Refusal>;

Refusal refuse(const QString &text) {
    return Refusal{text, false, {}};
}
// A rule about one cell, or about one line of the settings text.
Refusal refuseCell(const QString &text, int col, int row, bool errorBeep = false) {
    return Refusal{text, errorBeep, {col, row, {}}};
}
Refusal refuseKey(const QString &text, const GeneralKey &key) {
    return Refusal{text, false, {-1, 0, QString::fromUtf16(key.key)}};
}

// One run of the pass; fills `out` as the rules pass.
class Pass {
public:
    Pass(const Editor &ed, DataCheckResult &out)
        : m_t(ed.table), m_band(ed.state.bandSettings), m_out(out),
          m_ini(IniDocument::fromLines(ed.memo)) {}

    Step run() {
        for (ChannelRecord &r : m_out.image.records)
            r.fill(0);
        if (Step s = generalSettings())
            return s;
        for (int r = 1; r <= m_count; ++r)
            if (Step s = channelRow(r))
                return s;
        return std::nullopt;
    }

private:
    uint8_t &header(int byte) { return m_out.image.header[byte]; }
    uint8_t &header(const GeneralKey &k) { return header(k.headerByte); }
    // A missing key reads as the row's check default, which its rule refuses (or, for the
    // two signs, accepts as "+").
    int number(const GeneralKey &k) const {
        return m_ini.readNumber(section(), QString::fromUtf16(k.key), QString::fromUtf16(k.checkDefault).toInt());
    }
    QString text(const GeneralKey &k) const {
        return m_ini.readText(section(), QString::fromUtf16(k.key), QString::fromUtf16(k.checkDefault));
    }
    static std::optional<bool> sign(const QString &v) {
        if (v == QLatin1String("+"))
            return true;
        if (v == QLatin1String("-"))
            return false;
        return std::nullopt;
    }
    void addDigits(int value, int from10) { m_out.DigitCount += value >= from10 ? 2 : 1; }
    // A cell that is not the number it must be ends the check with a message that names the
    // channel and the column, so that the technician finds it among 99 rows.
    int32_t cellInt(int col, int r) const {
        const QString &cell = m_t.cell(col, r);
        if (const auto v = tryStrToInt(cell))
            return *v;
        throw ConversionError(notIntegerMessage(cell, cellPlace(col, r)));
    }
    double cellNumber(int col, int r) const {
        const QString &cell = m_t.cell(col, r);
        if (const auto v = tryStrToFloat(cell))
            return *v;
        throw ConversionError(notNumberMessage(cell, cellPlace(col, r)));
    }

    Step generalSettings() {
        constexpr const GeneralKey &brightnessKey = generalKey(u"Яркость диодов");
        const int brightness = number(brightnessKey);
        if (brightness < 1 || brightness > 5)
            return refuseKey(QStringLiteral("Уровень яркости изм. 1-5"), brightnessKey);
        header(brightnessKey) = brightnessByte(brightness);

        constexpr const GeneralKey &volumeKey = generalKey(u"Громкость");
        const int volume = number(volumeKey);
        if (volume < 1 || volume > 16)
            return refuseKey(QStringLiteral("Уровень громкости изм. 1-16"), volumeKey);
        header(volumeKey) = uint8_t(volume);
        addDigits(volume, 10);

        m_count = m_t.channelCount();
        if (m_count > MaxChannels)
            return refuse(QStringLiteral("Слишком много каналов в таблице: %1. В радиостанцию можно "
                                         "записать не больше %2 каналов").arg(m_count).arg(MaxChannels));
        header(HeaderByte::ChannelCount) = uint8_t(m_count);

        constexpr const GeneralKey &beepKey = generalKey(u"Пик_кнопок");
        const std::optional<bool> beep = sign(text(beepKey));
        if (!beep)
            return refuseKey(QStringLiteral("Вводить в поле \"Пик_кнопок\" можно только + или -"), beepKey);
        header(beepKey) = signByte(*beep);

        constexpr const GeneralKey &specialKey = generalKey(u"СК");
        const auto special = uint8_t(number(specialKey));
        int position = -1;
        for (int r = 1; r <= m_count && position < 0; ++r)
            if (cellInt(ColNumber, r) == special)
                position = r - 1;
        if (position < 0)
            return refuseKey(QStringLiteral("Ошибка в номере спец. канала!!! В радиостанции нет такого номера канала"), specialKey);
        header(specialKey) = uint8_t(position);
        addDigits(position, 10);

        constexpr const GeneralKey &fvKey = generalKey(u"ФВ");
        const QString fv = text(fvKey);
        if (fv.size() != 2)
            return refuseKey(QStringLiteral("Код поля \"ФВ\" должен быть двузначным"), fvKey);
        const int d1 = strToInt(fv.left(1), QString::fromUtf16(fvKey.key));
        const int d2 = strToInt(fv.mid(1, 1), QString::fromUtf16(fvKey.key));
        const bool d1ok = d1 == 0 || d1 == 1 || d1 == 2 || d1 == 4;
        const bool d2ok = d2 == 0 || d2 == 1 || d2 == 2 || d2 == 4 || d2 == 5;
        if (!d1ok || !d2ok)
            return refuseKey(QStringLiteral("В поле \"ФВ\" введен неправильный код"), fvKey);
        header(fvKey) = fvByte(d1, d2);
        m_out.DigitCount += 2;

        constexpr const GeneralKey &minVolumeKey = generalKey(u"МинГромкость");
        const int minVolume = number(minVolumeKey);
        if (minVolume < 0 || minVolume > 8)
            return refuseKey(QStringLiteral("Минимальный уровень громкости изменякться от 0 до 8"), minVolumeKey);
        header(minVolumeKey) = uint8_t(minVolume);
        m_out.DigitCount += 1;
        if (minVolume > volume)
            return refuseKey(QStringLiteral("Громкость не д.б. меньше минимального уровня громкости"), minVolumeKey);

        constexpr const GeneralKey &dcsKey = generalKey(u"Код_DCS");
        const std::optional<bool> dcs = sign(text(dcsKey));
        if (!dcs)
            return refuseKey(QStringLiteral("Вводить в поле \"Код_DCS\" можно только + или -"), dcsKey);
        header(dcsKey) = signByte(*dcs);
        m_dcsPlus = *dcs;

        // The switches share one header byte, written whole once they all pass.
        constexpr int featureByte = generalKey(u"Ф_Скан").headerByte;
        uint8_t features = 0;
        for (const GeneralKey &f : GeneralKeys) {
            if (f.field != GeneralField::Feature)
                continue;
            const std::optional<bool> on = sign(text(f));
            if (!on)
                return refuseKey(QStringLiteral("Вы не заполнили поле \"") + QString::fromUtf16(f.key) +
                                     QStringLiteral("\" или ввели не тот символ. Вводимые символы  + или -"), f);
            if (*on)
                features |= f.bit;
        }
        header(featureByte) = features;

        for (const GeneralKey &t : GeneralKeys) {
            if (t.field != GeneralField::Tone)
                continue;
            const int hz = number(t);
            if (hz < 700 || hz > 2550)
                return refuseKey(QStringLiteral("Ошибка в Тон") + QString::number(t.bit + 1) +
                                     QStringLiteral(" диапазон от 700Гц до 2550Гц"), t);
            m_out.image.tones[t.bit] = toneByte(hz);
            m_out.DigitCount += hz >= 1000 ? 4 : 3;
        }

        constexpr const GeneralKey &idKey = generalKey(u"Id_номер");
        const QString id = text(idKey);
        if (id.size() != 4) // the letter after "Id_" is a Latin T, as the station's software has it
            return refuseKey(QStringLiteral("Id_Tон должен быть четырехзначным. Например: 0001"), idKey);
        m_out.image.IdCode = idCode(id);
        return std::nullopt;
    }

    Step squelch(ChannelRecord &rec, int r) {
        const bool ctcss = m_t.cell(ColDcsRx, r) == none() && m_t.cell(ColDcsTx, r) == none();
        if (ctcss)
            rec[RecordByte::FlagsA] += FlagA::Ctcss;
        const int cols[2] = {ctcss ? ColCtcRx : ColDcsRx, ctcss ? ColCtcTx : ColDcsTx};
        const int bytes[2] = {RecordByte::RxCode, RecordByte::TxCode};
        for (int k = 0; k < 2; ++k) {
            const QString cell = m_t.cell(cols[k], r);
            const std::optional<uint8_t> code = ctcss ? ctcssCode(cell) : dcsCode(cell, m_dcsPlus);
            if (!code)
                return refuseCell(QStringLiteral("В строчке №%1 в столбце %2 неизвестное значение %3")
                                      .arg(r).arg(quotedText(columnHeaders().at(cols[k]).trimmed()), quotedText(cell)),
                                  cols[k], r);
            rec[bytes[k]] = *code;
        }
        return std::nullopt;
    }

    Step frequency(ChannelRecord &rec, int r, SynthSide side) {
        const bool rx = side == SynthSide::Receive;
        const int col = rx ? ColRx : ColTx;
        const QString cell = m_t.cell(col, r);
        const int first = rx ? RecordByte::RxWord : RecordByte::TxWord;
        if (cell.isEmpty())
            return refuseCell(QStringLiteral("В канале №%1 не введена частота %2")
                                  .arg(int(rec[RecordByte::Number]))
                                  .arg(rx ? QStringLiteral("приема") : QStringLiteral("передачи")),
                              col, r);
        if (cell == repeaterMarker(side)) {
            for (int j = 0; j < 3; ++j)
                rec[first + j] = 0;
            rec[RecordByte::FlagsB] &= uint8_t(~(rx ? FlagB::RxNotRepeater : FlagB::TxNotRepeater));
            return std::nullopt;
        }
        const double f = cellNumber(col, r);
        if (f < m_band.BandLow || f > m_band.BandHigh)
            return refuseCell(QStringLiteral("Ошибка в канале №") + QString::number(r) +
                                  QStringLiteral(" частотный диапазон ") + floatToStr(m_band.BandLow / 1000.0) +
                                  QLatin1Char('-') + floatToStr(m_band.BandHigh / 1000.0) +
                                  QStringLiteral(" MГц"), // Latin M, as the station's software writes it
                              col, r);
        if (!onRaster(f))
            return refuseCell(QStringLiteral("Частота должна быть кратна 6,25кГц"), col, r, !rx);
        const SynthWord w = encodeSynthWord(f, side, m_band);
        for (int j = 0; j < 3; ++j)
            rec[first + j] = w[j];
        return std::nullopt;
    }

    Step channelRow(int r) {
        ChannelRecord &rec = m_out.image.records[r - 1];
        for (int col : CheckboxColumns)
            if (!m_t.hasFlag(col, r))
                return refuseCell(QStringLiteral("В строчке №%1 нет флажков в столбцах \"Скан.\", \"Id_Тон\" и "
                                                 "\"Акт\". Создайте шаблон или прочитайте файл заново").arg(r),
                                  col, r);
        uint8_t a = 0;
        if (!m_t.flag(ColIdTone, r))
            a |= FlagA::IdToneOff;
        if (m_t.cell(ColSpacing, r) == QLatin1String("12,5"))
            a |= FlagA::Narrow;
        if (m_t.flag(ColActive, r))
            a |= FlagA::Active;
        if (m_t.flag(ColScan, r))
            a |= FlagA::Scan;
        rec[RecordByte::FlagsA] = a;
        rec[RecordByte::FlagsB] = FlagB::Initial;

        if (Step s = squelch(rec, r))
            return s;

        const struct { int col; int byte; uint8_t noneFlag; } tones[] = {
            {ColToneRx, RecordByte::RxTone, FlagA::NoRxTone}, {ColToneTx, RecordByte::TxTone, FlagA::NoTxTone}};
        for (const auto &t : tones) {
            const QString cell = m_t.cell(t.col, r);
            if (cell == none())
                rec[RecordByte::FlagsA] += t.noneFlag;
            else
                rec[t.byte] = uint8_t(cellInt(t.col, r));
        }

        const QString num = m_t.cell(ColNumber, r);
        if (num.size() < 1 || num.size() > 2)
            return refuseCell(QStringLiteral("В строчке №%1 введен неправильный номер канала").arg(r), ColNumber, r);
        rec[RecordByte::Number] = uint8_t(cellInt(ColNumber, r));

        if (Step s = frequency(rec, r, SynthSide::Receive))
            return s;
        if (Step s = frequency(rec, r, SynthSide::Transmit))
            return s;

        rec[RecordByte::Noise] = uint8_t(cellInt(ColNoise, r));
        const QString pmin = m_t.cell(ColPmin, r);
        if (pmin == QLatin1String("4"))
            return refuseCell(QStringLiteral("Не желательно использовать в минимальной мощности 4 уровень"), ColPmin, r);
        rec[RecordByte::Pmin] = uint8_t(cellInt(ColPmin, r));
        const QString pmax = m_t.cell(ColPmax, r);
        if (pmax == QLatin1String("1"))
            return refuseCell(QStringLiteral("Не желательно использовать в максимальной мощности 1 уровень"), ColPmax, r);
        rec[RecordByte::Pmax] = uint8_t(cellInt(ColPmax, r));

        const QString txOff = m_t.cell(ColTxOff, r);
        if (txOff == QLatin1String("RSSI"))
            rec[RecordByte::FlagsB] &= uint8_t(~FlagB::NotRssi);
        else if (txOff == QLatin1String("OFF"))
            rec[RecordByte::FlagsB] &= uint8_t(~FlagB::NotOff);

        const QString time = m_t.cell(ColTime, r);
        if (time == none()) {
            rec[RecordByte::Time] = 0;
        } else {
            rec[RecordByte::FlagsB] &= uint8_t(~FlagB::NoTime);
            rec[RecordByte::Time] = uint8_t(cellInt(ColTime, r));
        }
        return std::nullopt;
    }

    const ChannelTable &m_t;
    const BandSettings &m_band;
    DataCheckResult &m_out;
    const IniDocument m_ini;
    int m_count = 0;
    bool m_dcsPlus = true;
};

} // namespace

DataCheckResult checkData(const Editor &ed) {
    DataCheckResult out;
    out.image = ed.state.image;
    out.ModuleType = ed.state.ModuleType;
    if (const Step failed = Pass(ed, out).run()) {
        out.message = failed->text;
        out.errorBeep = failed->errorBeep;
        out.failedAt = failed->place;
        return out;
    }
    const int module = ed.state.tickedModule;
    if (module >= 0 && module <= 5)
        out.ModuleType = uint8_t(module);
    out.passed = true;
    out.message = QStringLiteral("Все данные введены верно.");
    return out;
}

namespace {

// The pass itself with its take-over of the image; the success message is the caller's.
bool checkAndTakeOver(Editor &ed, Operator &op, DataCheckResult &result, const PointAtFailure &pointAt = {}) {
    ed.state.DataChecked = 0;
    ed.state.DigitCount = 0;
    result = checkData(ed);
    if (!result.passed) {
        QString text = result.message;
        if (pointAt && (result.failedAt.onCell() || result.failedAt.onSetting())) {
            pointAt(result.failedAt);
            if (result.failedAt.onCell())
                text += QLatin1Char('\n') + cellPlace(result.failedAt.col, result.failedAt.row);
        }
        if (result.errorBeep)
            op.errorBeep();
        op.message(text);
        return false;
    }
    ed.state.checkedInput = checkedInput(ed);
    ed.state.image = result.image;
    ed.state.DigitCount = result.DigitCount;
    ed.state.ModuleType = result.ModuleType;
    ed.state.DataChecked = 1;
    return true;
}

} // namespace

bool runDataCheck(Editor &ed, Operator &op, const PointAtFailure &pointAt) {
    DataCheckResult result;
    if (!checkAndTakeOver(ed, op, result, pointAt))
        return false;
    op.message(result.message);
    return true;
}

QByteArray checkedInput(const Editor &ed) {
    QCryptographicHash digest(QCryptographicHash::Sha256);
    auto add = [&digest](const QString &text) {
        digest.addData(text.toUtf8());
        digest.addData(QByteArrayView("\0", 1));
    };
    for (const QString &line : ed.memo)
        add(line);
    add(QStringLiteral("--"));
    const ChannelTable &t = ed.table;
    for (int row = 0; row < t.rowCount(); ++row) {
        for (int col = 0; col < ColumnCount; ++col)
            add(isCheckboxColumn(col) ? QStringLiteral("%1%2").arg(t.hasFlag(col, row)).arg(t.flag(col, row))
                                      : t.cell(col, row));
    }
    const EditorState &s = ed.state;
    add(QStringLiteral("%1 %2 %3 %4 %5 %6")
            .arg(s.StationType)
            .arg(s.ModuleType)
            .arg(s.bandSettings.BandLow)
            .arg(s.bandSettings.BandHigh)
            .arg(s.bandSettings.PrescalerModulus)
            .arg(s.bandSettings.RxOffset));
    return digest.result();
}

bool recheckBeforeWrite(Editor &ed, Operator &op) {
    if (ed.state.DataChecked && ed.state.checkedInput == checkedInput(ed))
        return true;
    DataCheckResult result;
    return checkAndTakeOver(ed, op, result);
}

} // namespace tolvin
