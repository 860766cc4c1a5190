// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/safeguards.h"

#include "common/errors.h"
#include "station_link/backup.h"
#include "station_link/read_data_check.h"
#include "image/station_compare.h"
#include "image/station_readout.h"
#include "station_link/type_guard.h"

#include <QDateTime>
#include <thread>

namespace tolvin {

namespace {

// The window's view of a job of several exchanges: status and gauge as each exchange sets them,
// but the buttons come back only when the whole job ends, and a read made for a backup or a
// comparison never reaches the editor.
class JobObserver : public LinkObserver {
public:
    explicit JobObserver(LinkObserver &to) : m_to(to) {}
    ~JobObserver() override { m_to.buttonsEnabled(true); }
    void status(const QString &text) override { m_to.status(text); }
    void gauge(int percent) override { m_to.gauge(percent); }
    void transferred(ExchangeKind kind, int done, int total) override { m_to.transferred(kind, done, total); }
    void buttonsEnabled(bool enabled) override {
        if (!enabled)
            m_to.buttonsEnabled(false);
    }

private:
    LinkObserver &m_to;
};

// Everything but the status text.
class StatusMuted : public LinkObserver {
public:
    explicit StatusMuted(LinkObserver &to) : m_to(to) {}
    void status(const QString &) override {}
    void gauge(int percent) override { m_to.gauge(percent); }
    void buttonsEnabled(bool enabled) override { m_to.buttonsEnabled(enabled); }

private:
    LinkObserver &m_to;
};

// A message that goes on inside a sentence.
QString clause(QString text) {
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

StreamImage decodedStation(const QByteArray &stream) {
    StreamImage parts;
    decodeReadStream(stream, parts);
    return parts;
}

} // namespace

QString SafeWriteResult::backupLine() const {
    if (backupPath.isEmpty())
        return QString();
    QStringList lines{QStringLiteral("Резервная копия: %1").arg(backupPath)};
    if (!backupTypeNote.isEmpty())
        lines.first() += QStringLiteral(" (%1)").arg(backupTypeNote);
    for (const QString &said : QStringList{backupWarning} + backupAdvice)
        if (!said.isEmpty())
            lines << QStringLiteral("Резервная копия %1: %2").arg(backupPath, said);
    return lines.join(QLatin1Char('\n'));
}

QString SafeWriteResult::restoreHint() const {
    if (stage != WriteStage::Write || exchange.byteNumber <= 0 || backupPath.isEmpty())
        return QString();
    return QStringLiteral("Прежние данные станции можно записать из резервной копии %1").arg(backupPath);
}

SafeWriteResult writeWithSafeguards(SerialPort &port, const QString &device, LinkObserver &observer,
                                    const StreamImage &image, const WriteSafeguards &safeguards, StopFlag stop) {
    SafeWriteResult r;
    auto lapStart = std::chrono::steady_clock::now();
    // The time since the last lap, for the stage that just ended.
    const auto lap = [&lapStart] {
        const auto now = std::chrono::steady_clock::now();
        const auto d = std::chrono::duration_cast<std::chrono::milliseconds>(now - lapStart);
        lapStart = now;
        return d;
    };
    // A write that would send nothing (a type without an opening) needs neither copy nor check.
    const bool readFirst = safeguards.backup || safeguards.imageForStation;
    if ((!readFirst && !safeguards.verify && !safeguards.checkType) || openingSequence(image.StationType).isEmpty()) {
        r.exchange = writeToStation(port, device, observer, image, stop);
        r.writeTime = lap();
        r.message = r.exchange.message;
        if (r.exchange.ok()) {
            r.writtenBytes = r.exchange.byteCount;
            r.writePace = r.exchange.pace;
        }
        return r;
    }

    JobObserver job(observer);
    if (readFirst) {
        r.stage = WriteStage::Backup;
        r.exchange = readFromStation(port, device, job, stop);
        r.backupTime = lap();
        r.serial = streamSerial(r.exchange.stream);
        if (!r.exchange.ok()) {
            r.message = QStringLiteral("Резервная копия не сделана: %1. Запись не начата, станция не изменена.")
                            .arg(clause(r.exchange.message));
            return r;
        }
        try {
            const QString folder = safeguards.backupFolder.isEmpty() ? backupFolder() : safeguards.backupFolder;
            r.backupStream = r.exchange.stream;
            if (safeguards.backup)
                r.backupPath = saveBackup(r.exchange.stream, folder, QDateTime::currentDateTime());
            // A blank or new station may hold what fails the check; the write goes on.
            const ReadDataFindings found = readDataFindings(r.exchange.stream);
            r.backupWarning = found.warning;
            r.backupAdvice = found.advice;
            r.stationType = decodedStation(r.exchange.stream).StationType;
        } catch (const AppError &e) {
            r.fileError = true;
            r.message = QStringLiteral("Резервная копия не сохранена: %1. Запись не начата, станция не изменена.")
                            .arg(clause(e.message()));
            return r;
        }
    }

    if (safeguards.checkType) {
        r.stage = WriteStage::TypeCheck;
        // The station itself, not the backup: its memory holds the type of the last write,
        // which another program or an "--ignore-type" write may have made another band's.
        // The query's own failure state would show "AK" for what the technician knows as a
        // silent station at the write.
        StatusMuted quiet(job);
        r.exchange = queryStationType(port, device, quiet, stop);
        if (r.exchange.outcome == ExchangeOutcome::Failed && !r.exchange.portError) {
            r.stage = WriteStage::Write;
            r.exchange.outcome = ExchangeOutcome::QuietStop;
            r.exchange.message = QStringLiteral("Станция не ответила на запрос записи");
            job.status(LinkStatus::idle());
        }
        if (!r.exchange.ok()) {
            r.writeTime = lap();
            r.message = r.exchange.message;
            return r;
        }
        const uint8_t stationType = r.exchange.typeCode;
        r.stationType = stationType;
        if (safeguards.backup)
            r.backupTypeNote = storedTypeNote(decodedStation(r.backupStream).StationType, stationType);
        r.message = typeMismatchQuestion(stationType, image.StationType);
        if (!r.message.isEmpty()) {
            r.writeTime = lap();
            r.typeMismatch = true;
            return r;
        }
    }

    // This station's own image, chosen only now: a station of another band gets none.
    std::optional<StreamImage> own;
    if (safeguards.imageForStation) {
        own = safeguards.imageForStation(r.serial, r.message);
        if (!own) {
            r.writeTime = lap();
            r.passedOver = true;
            return r;
        }
    }
    const StreamImage &written = own ? *own : image;

    r.stage = WriteStage::Write;
    r.exchange = writeToStation(port, device, job, written, stop);
    r.writeTime = lap();
    if (!r.exchange.ok()) {
        r.message = r.exchange.message;
        return r;
    }
    r.writtenBytes = r.exchange.byteCount;
    r.writePace = r.exchange.pace;

    if (safeguards.verify) {
        r.stage = WriteStage::Verify;
        // The station acknowledges the last byte before it has stored the last record; the same
        // pause it gets after the fixed part lets it finish before the read command arrives.
        const auto until = std::chrono::steady_clock::now() + WriteStorePause;
        while (std::chrono::steady_clock::now() < until && !(stop && stop->load()))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        r.exchange = readFromStation(port, device, job, stop);
        r.verifyTime = lap();
        r.serial = streamSerial(r.exchange.stream);
        if (!r.exchange.ok()) {
            r.message = QStringLiteral("Запись выполнена, но проверить ее не удалось: %1").arg(r.exchange.message);
            return r;
        }
        r.verifyStream = r.exchange.stream;
        if (!r.stationType)
            r.stationType = decodedStation(r.exchange.stream).StationType;
        // The band only matters for a type that names none, which never gets this far.
        r.differences = imageDifferences(decodedStation(r.exchange.stream), written, BandSettings{});
        if (!r.differences.isEmpty()) {
            r.message = QStringLiteral("Проверка после записи: станция хранит не то, что записано (различий: %1)")
                            .arg(r.differences.size());
            // Noise on the way back looks like a station that stored something else.
            const QString warning = readDataWarning(r.exchange.stream);
            if (!warning.isEmpty())
                r.message += QStringLiteral(". ") + warning;
        }
    }
    return r;
}

ComparisonResult compareWithStation(SerialPort &port, const QString &device, LinkObserver &observer,
                                    const StreamImage &configured, const BandSettings &band, StopFlag stop) {
    ComparisonResult r;
    {
        JobObserver job(observer);
        r.exchange = readFromStation(port, device, job, stop);
    }
    r.serial = streamSerial(r.exchange.stream);
    if (r.exchange.ok()) {
        r.differences = imageDifferences(decodedStation(r.exchange.stream), configured, band);
        r.dataWarning = readDataWarning(r.exchange.stream);
    }
    return r;
}

} // namespace tolvin
