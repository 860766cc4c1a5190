// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/link_outcome.h"

#include "layout/image_layout.h"

#include <algorithm>

namespace tolvin {

namespace {

// A message that goes on after a colon: its first letter lower case, unless it opens with an
// abbreviation ("СК", "DCS") or a path.
QString continued(QString text) {
    if (text.size() > 1 && text[0].isUpper() && text[1].isLower())
        text[0] = text[0].toLower();
    return text;
}

} // namespace

QString secondsText(std::chrono::milliseconds d) {
    // Never the process locale: the comma is the program's own, whatever LC_NUMERIC says.
    const long long tenths = (std::max<long long>(0, d.count()) + 50) / 100;
    return QStringLiteral("%1,%2 с").arg(tenths / 10).arg(tenths % 10);
}

LinkOutcome writeOutcome(const SafeWriteResult &r, std::chrono::milliseconds took) {
    if (r.ok()) {
        const QString what = r.stage == WriteStage::Verify ? QStringLiteral("Записано и проверено")
                                                           : QStringLiteral("Записано");
        QString text = QStringLiteral("%1: %2 байт, %3").arg(what).arg(r.writtenBytes).arg(secondsText(took));
        // One count of bytes: the line's figures follow without their own.
        if (r.writePace.bytes > 0)
            text += QStringLiteral("; запись ") + paceFigures(r.writePace);
        return {text, true};
    }
    if (r.typeMismatch) {
        // The question itself goes to the technician; the line keeps the fact.
        QString why = r.message;
        why.remove(QStringLiteral(" Записать всё равно?"));
        return {QStringLiteral("Запись не выполнена: ") + continued(why), false};
    }
    // A station written part-way is said as such, however the write ended, with the backup
    // that puts it back.
    if (r.stage == WriteStage::Write && r.exchange.byteNumber > 0) {
        const QString hint = r.restoreHint();
        return {hint.isEmpty() ? r.message : r.message + QStringLiteral(". ") + hint, false};
    }
    if (r.exchange.outcome == ExchangeOutcome::Stopped) {
        switch (r.stage) {
        case WriteStage::Backup:
        case WriteStage::TypeCheck:
            return {QStringLiteral("Запись прервана до передачи данных: в станцию ничего не записано"), false};
        case WriteStage::Write:
            return {r.exchange.message, false};
        case WriteStage::Verify:
            return {QStringLiteral("Проверка прервана: станция записана полностью, но не проверена"), false};
        }
    }
    // The backup and the check say in their own words what they left; a write says it here.
    if (r.stage == WriteStage::Write && !r.fileError)
        return {QStringLiteral("Запись не выполнена: ") + continued(r.message), false};
    return {r.message, false};
}

LinkOutcome readOutcome(const ExchangeResult &r, std::chrono::milliseconds took) {
    if (r.ok())
        return {QStringLiteral("Прочитано каналов: %1, %2")
                        .arg(r.stream.size() > HeaderByte::ChannelCount ? uint8_t(r.stream[HeaderByte::ChannelCount]) : 0)
                        .arg(secondsText(took)) +
                    (r.pace.bytes > 0 ? QStringLiteral("; ") + paceLine(r.pace) : QString()),
                true};
    if (r.outcome == ExchangeOutcome::Stopped)
        return {QStringLiteral("Чтение прервано: таблица не изменена"), false};
    return {QStringLiteral("Чтение не выполнено: ") + continued(r.message), false};
}

LinkOutcome compareOutcome(const ComparisonResult &r, std::chrono::milliseconds took) {
    if (!r.ok()) {
        if (r.exchange.outcome == ExchangeOutcome::Stopped)
            return {QStringLiteral("Сравнение прервано"), false};
        return {QStringLiteral("Сравнение не выполнено: ") + continued(r.exchange.message), false};
    }
    if (r.differences.isEmpty())
        return {QStringLiteral("Станция совпадает с конфигурацией, %1").arg(secondsText(took)), true};
    return {QStringLiteral("Станция отличается от конфигурации: различий %1, %2")
                .arg(r.differences.size())
                .arg(secondsText(took)),
            false};
}

LinkOutcome typeQueryOutcome(const ExchangeResult &r) {
    if (r.ok())
        return {QStringLiteral("Код типа станции: %1").arg(r.typeCode), true};
    if (r.outcome == ExchangeOutcome::Stopped)
        return {QStringLiteral("Запрос типа станции прерван"), false};
    return {QStringLiteral("Запрос типа станции не выполнен: ") + continued(r.message), false};
}

LinkOutcome failedOutcome(const QString &message) {
    return {message, false};
}

QColor outcomeColor(bool ok) {
    return ok ? QColor(0x1e, 0x7d, 0x32) : QColor(0xc6, 0x28, 0x28);
}

} // namespace tolvin
