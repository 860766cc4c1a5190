// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/exchanges.h"

#include "common/errors.h"
#include "station_link/link_stop.h"
#include "layout/image_layout.h"
#include "layout/station_models.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace tolvin {

namespace {

void send(SerialPort &port, uint8_t byte) {
    sendOrStop(port, byte);
}

// round(x) with halves to even, as the gauge figures are rounded.
int roundHalfEven(double x) {
    return static_cast<int>(std::nearbyint(x));
}

// Sleeps `d` unless asked to stop first.
void pause(std::chrono::milliseconds d, StopFlag stop) {
    const auto until = std::chrono::steady_clock::now() + d;
    while (std::chrono::steady_clock::now() < until) {
        checkStop(stop);
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            until - std::chrono::steady_clock::now(), std::chrono::milliseconds(10)));
    }
}

// The end of every exchange that did not finish: the window ready again, the port released.
ExchangeResult endWith(SerialPort &port, LinkObserver &observer, ExchangeOutcome outcome, const QString &status,
                       QString message) {
    if (port.isOpen())
        port.close();
    observer.status(status);
    observer.buttonsEnabled(true);
    ExchangeResult r;
    r.outcome = outcome;
    r.message = std::move(message);
    return r;
}

ExchangeResult stopped(SerialPort &port, LinkObserver &observer) {
    return endWith(port, observer, ExchangeOutcome::Stopped, LinkStatus::idle(),
                   QStringLiteral("Обмен со станцией прерван"));
}

// A port that went away (or never opened) ends the exchange in the failure state with its own
// message, which names the device.
ExchangeResult linkFailed(SerialPort &port, LinkObserver &observer, const LinkError &e) {
    ExchangeResult r = endWith(port, observer, ExchangeOutcome::Failed, LinkStatus::failed(), e.message());
    r.portError = true;
    return r;
}

ExchangeResult cannotOpen(const LinkError &e) {
    ExchangeResult r;
    r.outcome = ExchangeOutcome::Failed;
    r.message = e.message();
    r.portError = true;
    return r;
}

// Opens the port and runs `body`, the exchange's steps. A port that does not open ends it before
// anything was sent; a stop or a lost port ends it in its state, and `ending` adds what the
// exchange knows of how far it got.
template <class Body, class Ending>
ExchangeResult exchange(SerialPort &port, const QString &device, LinkObserver &observer, Body &&body, Ending &&ending) {
    try {
        port.open(device);
    } catch (const LinkError &e) {
        return cannotOpen(e);
    }
    try {
        return body();
    } catch (const StopRequested &) {
        ExchangeResult r = stopped(port, observer);
        ending(r);
        return r;
    } catch (const LinkError &e) {
        ExchangeResult r = linkFailed(port, observer, e);
        ending(r);
        return r;
    } catch (const std::exception &) {
        // A fault of the program's own must still say what the station was left with.
        ExchangeResult r = endWith(port, observer, ExchangeOutcome::Failed, LinkStatus::failed(),
                                   describeFailure(std::current_exception()).message);
        ending(r);
        return r;
    }
}

// "Запись прервана на байте N из M: станция записана не полностью", with the cause after it
// when the technician did not ask for the stop.
QString partialWrite(int byteNumber, int streamBytes, const QString &cause) {
    QString text = QStringLiteral("Запись прервана на байте %1 из %2: станция записана не полностью")
                       .arg(std::min(byteNumber, streamBytes))
                       .arg(streamBytes);
    if (!cause.isEmpty())
        text += QStringLiteral(". ") + cause;
    return text;
}

} // namespace

ExchangeResult writeToStation(SerialPort &port, const QString &device, LinkObserver &observer,
                              const StreamImage &image, StopFlag stop, std::chrono::milliseconds storePause) {
    Link link{port, observer};
    PaceMeter meter;
    int streamBytes = 0;
    int sentBytes = 0;        // data bytes the station acknowledged
    bool dataStarted = false; // a data byte went to the port: the station's memory may have changed
    return exchange(port, device, observer, [&] {
        observer.buttonsEnabled(false);
        observer.status(LinkStatus::sending());
        observer.gauge(0);
        if (!modelOfType(image.StationType))
            return endWith(port, observer, ExchangeOutcome::QuietStop, LinkStatus::idle(),
                           QStringLiteral("Тип станции %1 не известен, ничего не передано").arg(image.StationType));

        const QByteArray opening = openingSequence(image.StationType);
        const QByteArray stream = encodeWriteStream(image);
        streamBytes = int(stream.size());
        const int total = int(opening.size() + stream.size());
        int answered = 0;
        observer.transferred(ExchangeKind::Write, 0, total);
        for (const char b : opening) {
            checkStop(stop);
            port.DiscardInput();
            meter.sent();
            send(port, uint8_t(b));
            if (!WaitReply(link))
                return endWith(port, observer, ExchangeOutcome::QuietStop, LinkStatus::idle(),
                               QStringLiteral("Станция не ответила на запрос записи"));
            meter.replied();
            observer.transferred(ExchangeKind::Write, ++answered, total);
        }

        const int n = image.image.header[HeaderByte::ChannelCount];
        for (int i = 0; i < stream.size(); ++i) {
            checkStop(stop);
            port.DiscardInput();
            meter.sent();
            dataStarted = true;
            send(port, uint8_t(stream[i]));
            if (!WaitReply(link)) {
                // The station stopped answering: say where, once, instead of running into the
                // closed port with the next byte.
                ExchangeResult r;
                r.outcome = ExchangeOutcome::Failed;
                r.byteNumber = i + 1;
                r.byteCount = int(stream.size());
                r.message = partialWrite(i + 1, int(stream.size()), QStringLiteral("Станция не ответила"));
                return r;
            }
            meter.replied();
            const int sent = i + 1;
            sentBytes = sent;
            observer.transferred(ExchangeKind::Write, ++answered, total);
            if (sent == WriteGaugeStep::Third)
                observer.gauge(33);
            else if (sent == WriteGaugeStep::TwoThirds)
                observer.gauge(66);
            else if (sent == WriteStreamFixedLength) {
                observer.gauge(100);
                pause(storePause, stop);
                meter.pausedFor(storePause);
                observer.gauge(0);
            } else if (sent > WriteStreamFixedLength && (sent - WriteStreamFixedLength) % RecordSize == 0) {
                const int j = (sent - WriteStreamFixedLength) / RecordSize;
                observer.gauge(roundHalfEven(100.0 / n * j));
            }
        }
        observer.gauge(100);
        port.DiscardInput();
        port.DiscardOutput();
        port.close();
        observer.status(LinkStatus::idle());
        observer.buttonsEnabled(true);
        ExchangeResult r;
        r.byteCount = int(stream.size());
        r.pace = meter.pace();
        return r;
    }, [&](ExchangeResult &r) {
        // What the station holds now depends on how far the data went, whatever ended the write.
        r.byteCount = streamBytes;
        if (!dataStarted) {
            if (r.outcome == ExchangeOutcome::Stopped)
                r.message = QStringLiteral("Запись прервана до передачи данных: в станцию ничего не записано");
            return;
        }
        r.byteNumber = std::min(sentBytes + 1, streamBytes);
        r.message = partialWrite(r.byteNumber, streamBytes,
                                 r.outcome == ExchangeOutcome::Stopped ? QString() : r.message);
    });
}

ExchangeResult readFromStation(SerialPort &port, const QString &device, LinkObserver &observer, StopFlag stop) {
    observer.status(LinkStatus::receiving());
    Link link{port, observer};
    PaceMeter meter;
    QByteArray stream;
    return exchange(port, device, observer, [&] {
        // Asked to stop before it began (a check read whose write was stopped in the pause
        // between them): not even the read command goes out.
        checkStop(stop);
        port.DiscardInput();
        port.DiscardOutput();
        meter.sent();
        send(port, ReadCommand);
        observer.readProgress(ReadPhase::Started, stream);
        observer.transferred(ExchangeKind::Read, 0, 0);
        observer.gauge(100);
        observer.buttonsEnabled(false);

        // Takes `count` bytes, each within `countdown` of the one before; false on silence, when
        // WaitReply has already put the window into the failure state.
        auto receive = [&](int count, std::chrono::milliseconds countdown) {
            for (int i = 0; i < count; ++i) {
                checkStop(stop);
                if (!WaitReply(link, countdown))
                    return false;
                meter.received();
                stream.append(char(link.LastReplyByte));
                const int total = stream.size() > HeaderByte::ChannelCount
                                      ? ReadStreamFixedLength + RecordSize * uint8_t(stream[HeaderByte::ChannelCount])
                                      : 0;
                observer.transferred(ExchangeKind::Read, int(stream.size()), total);
            }
            return true;
        };
        auto silent = [&](const QString &what) {
            ExchangeResult r = endWith(port, observer, ExchangeOutcome::Failed, LinkStatus::failed(),
                                       QStringLiteral("Станция не ответила: %1").arg(what));
            r.stream = stream;
            return r;
        };

        if (!receive(ReadPiece::Head, ReplyCountdown))
            return silent(QStringLiteral("заголовок"));
        observer.readProgress(ReadPhase::HeaderArrived, stream);
        for (int i = 0; i < ReadPiece::Tones; ++i) {
            if (!receive(1, ReplyCountdown))
                return silent(QStringLiteral("тон %1").arg(i + 1));
            observer.readProgress(ReadPhase::ToneArrived, stream);
        }
        if (!receive(ReadPiece::Settings, ReplyCountdown))
            return silent(QStringLiteral("установки"));
        observer.readProgress(ReadPhase::SettingsArrived, stream);

        const int n = uint8_t(stream[HeaderByte::ChannelCount]);
        const int step = n > 0 ? roundHalfEven(100.0 / n) : 0;
        for (int j = 1; j <= n; ++j) {
            if (!receive(RecordSize, RecordCountdown))
                return silent(QStringLiteral("канал %1 из %2").arg(j).arg(n));
            observer.gauge(std::clamp(100 - step * j, 0, 100));
        }
        observer.readProgress(ReadPhase::RecordsArrived, stream);

        port.DiscardInput();
        port.DiscardOutput();
        port.close();
        observer.gauge(0);
        observer.status(LinkStatus::idle());
        observer.buttonsEnabled(true);
        observer.readProgress(ReadPhase::Finished, stream);
        ExchangeResult r;
        r.stream = stream;
        r.pace = meter.pace();
        return r;
    }, [&](ExchangeResult &r) { r.stream = stream; });
}

ExchangeResult queryStationType(SerialPort &port, const QString &device, LinkObserver &observer, StopFlag stop) {
    Link link{port, observer};
    PaceMeter meter;
    return exchange(port, device, observer, [&] {
        // The sequence, then one more wait for the code.
        const int total = int(TypeQuerySequence.size()) + 1;
        int answered = 0;
        observer.transferred(ExchangeKind::TypeQuery, 0, total);
        for (const uint8_t b : TypeQuerySequence) {
            checkStop(stop);
            port.DiscardInput();
            meter.sent();
            send(port, b);
            if (!WaitReply(link)) {
                // The next send would only meet the closed port; one message says what happened.
                return endWith(port, observer, ExchangeOutcome::Failed, LinkStatus::failed(),
                               QStringLiteral("Станция не ответила на запрос типа станции"));
            }
            meter.replied();
            observer.transferred(ExchangeKind::TypeQuery, ++answered, total);
        }
        checkStop(stop);
        // Silence here leaves the acknowledgement of the last byte as the answer.
        WaitReply(link);
        observer.transferred(ExchangeKind::TypeQuery, total, total);
        if (port.isOpen())
            port.close();
        ExchangeResult r;
        r.typeCode = link.LastReplyByte;
        r.pace = meter.pace();
        return r;
    }, [](ExchangeResult &) {});
}

} // namespace tolvin
