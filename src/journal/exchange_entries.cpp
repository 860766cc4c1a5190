// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/exchange_entries.h"

#include "image/station_readout.h"
#include "settings_file/settings_file.h"
#include "station_link/read_data_check.h"
#include "station_link/read_into_editor.h"
#include "table/bands.h"
#include "table/editor.h"

#include <algorithm>

namespace tolvin {

namespace {

QString resultOf(const ExchangeResult &r) {
    switch (r.outcome) {
    case ExchangeOutcome::Done: return JournalResult::Ok;
    case ExchangeOutcome::Stopped: return JournalResult::Stopped;
    case ExchangeOutcome::QuietStop:
    case ExchangeOutcome::Failed: break;
    }
    return JournalResult::Failed;
}

JournalEntry exchangeEntry(const QString &operation, const ExchangeContext &at) {
    JournalEntry e = newJournalEntry(operation);
    e.device = stableDeviceName(at.device);
    e.durationMs = at.duration.count();
    return e;
}

// What a read brought: its settings file, serial number and type where they arrived.
void takeStream(JournalEntry &e, const ExchangeResult &r, const QByteArray &stream) {
    e.serial = streamSerial(stream);
    if (!r.ok())
        return;
    const StationReadout readout = readStation(stream, BandSettings{});
    if (readout.fixedComplete)
        e.stationType = stationTypeName(readout.StationType);
    setJournalConfig(e, streamSettingsFile(stream));
}

QString failureText(const ExchangeResult &r) {
    if (!r.message.isEmpty())
        return r.message;
    return r.outcome == ExchangeOutcome::QuietStop ? QStringLiteral("Станция не ответила") : QString();
}

} // namespace

QString stationTypeName(uint8_t code) {
    const int band = bandForStationType(code);
    return band == 0 ? QStringLiteral("код %1").arg(code) : QString::fromUtf16(bandRow(band).title);
}

QByteArray streamSettingsFile(const QByteArray &stream) {
    Editor ed;
    applyCompleteRead(ed, stream);
    return settingsFileBytes(ed);
}

std::vector<JournalEntry> safeWriteEntries(const SafeWriteResult &r, const QByteArray &configFile,
                                           const ExchangeContext &at) {
    std::vector<JournalEntry> entries;
    // Each stage's entry is stamped when that stage ended, so the journal lists them in order.
    const QDateTime end = QDateTime::currentDateTimeUtc();
    // At least a millisecond apart: stages quicker than that still list in the order they ran.
    const QDateTime writeEnd = end.addMSecs(-std::max<qint64>(r.verifyTime.count(), 1));
    const QDateTime backupEnd = writeEnd.addMSecs(-std::max<qint64>(r.writeTime.count(), 1));
    if (r.stage == WriteStage::Backup || !r.backupStream.isEmpty()) {
        JournalEntry b = exchangeEntry(JournalOp::Backup, at);
        b.durationMs = r.backupTime.count();
        b.time = r.stage == WriteStage::Backup ? end : backupEnd;
        if (r.stage == WriteStage::Backup) {
            b.result = r.fileError ? JournalResult::Failed : resultOf(r.exchange);
            b.message = r.message;
            takeStream(b, r.exchange, r.exchange.stream);
        } else {
            ExchangeResult done;
            takeStream(b, done, r.backupStream);
            b.message = r.backupLine();
        }
        entries.push_back(b);
    }
    if (r.stage == WriteStage::Backup)
        return entries;

    JournalEntry w = exchangeEntry(JournalOp::Write, at);
    w.time = writeEnd;
    if (r.writeTime.count() > 0 || r.backupTime.count() > 0)
        w.durationMs = r.writeTime.count();
    w.serial = r.serial;
    if (r.stationType)
        w.stationType = stationTypeName(*r.stationType);
    setJournalConfig(w, configFile);
    if (r.typeMismatch) {
        w.result = JournalResult::Failed;
        w.message = QStringLiteral("Станция другого диапазона, запись не выполнена: ") + r.message;
    } else if (r.stage == WriteStage::TypeCheck || r.stage == WriteStage::Write) {
        w.result = r.fileError ? JournalResult::Failed : resultOf(r.exchange);
        w.message = r.exchange.ok() ? QStringLiteral("Записано в станцию: %1 байт").arg(r.writtenBytes) : r.message;
        if (!r.exchange.ok() && w.message.isEmpty())
            w.message = failureText(r.exchange);
        if (const QString hint = r.restoreHint(); !hint.isEmpty())
            w.message += QLatin1Char('\n') + hint;
    } else {
        w.message = QStringLiteral("Записано в станцию: %1 байт").arg(r.writtenBytes);
    }
    entries.push_back(w);

    if (r.stage == WriteStage::Verify) {
        JournalEntry v = exchangeEntry(JournalOp::Verify, at);
        v.time = end;
        v.durationMs = r.verifyTime.count();
        takeStream(v, r.exchange, r.verifyStream.isEmpty() ? r.exchange.stream : r.verifyStream);
        v.differences = r.differences;
        if (!r.exchange.ok()) {
            v.result = resultOf(r.exchange);
            v.message = r.message;
        } else if (!r.differences.isEmpty()) {
            v.result = JournalResult::Failed;
            v.message = r.message;
        } else {
            v.message = QStringLiteral("Проверено: станция хранит записанное");
        }
        entries.push_back(v);
    }
    return entries;
}

JournalEntry readEntry(const ExchangeResult &r, const ExchangeContext &at) {
    JournalEntry e = exchangeEntry(JournalOp::Read, at);
    e.result = resultOf(r);
    takeStream(e, r, r.stream);
    if (!r.ok()) {
        e.message = failureText(r);
    } else {
        // Advice on what the station holds goes with the read; only noise replaces its "done".
        const ReadDataFindings found = readDataFindings(r.stream);
        e.message = found.warning.isEmpty() ? (QStringList{QStringLiteral("Прочитано")} + found.advice).join(QLatin1Char('\n'))
                                            : found.text();
    }
    return e;
}

JournalEntry typeEntry(const ExchangeResult &r, const ExchangeContext &at) {
    JournalEntry e = exchangeEntry(JournalOp::Type, at);
    e.result = resultOf(r);
    if (!r.ok()) {
        e.message = failureText(r);
        return e;
    }
    if (bandForStationType(r.typeCode) == 0) {
        e.result = JournalResult::Failed;
        e.stationType = stationTypeName(r.typeCode);
        e.message = QStringLiteral("Тип станции определить не удалось");
        return e;
    }
    e.stationType = stationTypeName(r.typeCode);
    e.message = e.stationType;
    return e;
}

JournalEntry diffEntry(const ComparisonResult &r, const ExchangeContext &at) {
    JournalEntry e = exchangeEntry(JournalOp::Diff, at);
    e.result = resultOf(r.exchange);
    takeStream(e, r.exchange, r.exchange.stream);
    if (!r.ok()) {
        e.message = failureText(r.exchange);
        return e;
    }
    e.differences = r.differences;
    e.message = r.differences.isEmpty() ? QStringLiteral("Станция совпадает с конфигурацией")
                                        : QStringLiteral("Станция отличается от конфигурации (различий: %1)")
                                              .arg(r.differences.size());
    if (!r.dataWarning.isEmpty())
        e.message += QLatin1Char('\n') + r.dataWarning;
    return e;
}

JournalEntry doctorEntry(const DoctorReport &r, const ExchangeContext &at) {
    JournalEntry e = exchangeEntry(JournalOp::Doctor, at);
    e.result = r.stopped ? JournalResult::Stopped : r.healthy ? JournalResult::Ok : JournalResult::Failed;
    if (r.typeCode)
        e.stationType = stationTypeName(*r.typeCode);
    e.message = r.verdict;
    e.differences = r.lines();
    return e;
}

JournalEntry reportEntry(const Editor &ed, const QString &serial, const QString &path) {
    JournalEntry e = newJournalEntry(JournalOp::Report);
    e.serial = serial;
    e.stationType = stationTypeName(ed.state.StationType);
    e.message = QStringLiteral("Протокол: %1").arg(path);
    setJournalConfig(e, settingsFileBytes(ed));
    return e;
}

} // namespace tolvin
