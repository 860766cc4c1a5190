// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/batch_conveyor.h"

#include "common/errors.h"

#include <mutex>
#include <thread>

namespace tolvin {

namespace {

const QString IdDigits = QStringLiteral("0123456789ABCD#*");

class Silent : public LinkObserver {
public:
    void status(const QString &) override {}
    void gauge(int) override {}
    void buttonsEnabled(bool) override {}
};

using Clock = std::chrono::steady_clock;

bool stopped(const StopFlag &stop) {
    return stop && stop->load();
}

// Sleeps until `until`, waking early for a stop.
void pauseUntil(Clock::time_point until, const StopFlag &stop, const std::atomic<bool> &over) {
    while (Clock::now() < until && !stopped(stop) && !over.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

struct Shared {
    std::atomic<int> begun{0};   // stations whose write was allowed to start
    std::atomic<int> ended{0};
    std::atomic<bool> over{false};
};

void conveyor(const QString &device, const StreamImage &base, const ConveyorSettings &settings,
              const ConveyorHooks &hooks, const StopFlag &stop, const PortFactory &ports,
              const FleetObserverFactory &observers, Shared &shared) {
    const auto say = [&](const QString &text) {
        if (hooks.said)
            hooks.said(device, text);
    };
    std::unique_ptr<LinkObserver> shown = observers ? observers(device) : nullptr;
    Silent silent;
    LinkObserver &observer = shown ? *shown : silent;
    const auto answers = [&] {
        const std::unique_ptr<SerialPort> port = ports(device, stop);
        return queryStationType(*port, device, silent, stop).ok();
    };
    while (!stopped(stop) && !shared.over.load()) {
        say(QStringLiteral("Ожидание станции"));
        // Until a station answers: a query every poll, a missing or unplugged adapter included.
        for (;;) {
            const auto next = Clock::now() + settings.poll;
            if (stopped(stop) || shared.over.load())
                return;
            if (answers())
                break;
            pauseUntil(next, stop, shared.over);
        }
        ConveyorStation station;
        station.device = device;
        const auto began = Clock::now();
        WriteSafeguards safeguards = settings.safeguards;
        bool counted = false;
        safeguards.imageForStation = [&](const QString &serial, QString &why) -> std::optional<StreamImage> {
            station.serial = serial;
            if (settings.stations > 0 && shared.begun.fetch_add(1) >= settings.stations) {
                --shared.begun;
                why = seriesCompleteText();
                return std::nullopt;
            }
            counted = settings.stations > 0;
            std::optional<StreamImage> image;
            try {
                image = hooks.imageFor(device, serial, station.id, why);
            } catch (...) {
                why = describeFailure(std::current_exception()).message;
            }
            if (!image && counted) {
                --shared.begun;
                counted = false;
            }
            return image;
        };
        say(QStringLiteral("Станция найдена"));
        {
            const std::unique_ptr<SerialPort> port = ports(device, stop);
            station.write = writeWithSafeguards(*port, device, observer, base, safeguards, stop);
        }
        const SafeWriteResult &w = station.write;
        station.end = w.typeMismatch        ? ConveyorStation::End::WrongBand
                      : w.passedOver        ? ConveyorStation::End::PassedOver
                      : stopped(stop)       ? ConveyorStation::End::Stopped
                      : w.ok()              ? ConveyorStation::End::Written
                                            : ConveyorStation::End::Failed;
        station.finished = QDateTime::currentDateTime();
        station.duration = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began);
        const bool counts = station.end == ConveyorStation::End::Written || station.end == ConveyorStation::End::Failed;
        if (hooks.done)
            hooks.done(station);
        if (counts && settings.stations > 0 && ++shared.ended >= settings.stations)
            shared.over = true;
        if (stopped(stop) || shared.over.load())
            return;
        // The same station must not be taken for the next one: it is waited out.
        say(QStringLiteral("Отключите станцию"));
        for (int unanswered = 0; unanswered < settings.goneAfter;) {
            const auto next = Clock::now() + settings.poll;
            if (stopped(stop) || shared.over.load())
                return;
            unanswered = answers() ? 0 : unanswered + 1;
            pauseUntil(next, stop, shared.over);
        }
    }
}

} // namespace

QString seriesCompleteText() {
    return QStringLiteral("Серия завершена");
}

std::optional<int> idValue(const QString &id) {
    if (id.size() != 4)
        return std::nullopt;
    int value = 0;
    for (const QChar c : id) {
        const int digit = IdDigits.indexOf(c.toUpper());
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

QString idText(int value) {
    QString out;
    for (int shift = 12; shift >= 0; shift -= 4)
        out += IdDigits[(value >> shift) & 0xF];
    return out;
}

QString idPlanText(const QString &start, int step) {
    return QStringLiteral("с %1 шаг %2").arg(start.toUpper()).arg(step);
}

void runConveyors(const QStringList &devices, const StreamImage &base, const ConveyorSettings &settings,
                  const ConveyorHooks &hooks, StopFlag stop, const PortFactory &ports,
                  const FleetObserverFactory &observers) {
    Shared shared;
    std::vector<std::jthread> lines;
    for (const QString &device : devices)
        lines.emplace_back([&, device] {
            // A failure outside any exchange ends this port's line, said, and no other.
            try {
                conveyor(device, base, settings, hooks, stop, ports, observers, shared);
            } catch (...) {
                if (hooks.said)
                    hooks.said(device, describeFailure(std::current_exception()).message);
            }
        });
}

} // namespace tolvin
