// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/fleet_write.h"

#include "common/errors.h"

#include <thread>

namespace tolvin {

namespace {

struct Unseen : LinkObserver {
    void status(const QString &) override {}
    void gauge(int) override {}
    void buttonsEnabled(bool) override {}
};

void failWith(FleetPortResult &out, const Failure &f) {
    out.result.exchange.outcome = ExchangeOutcome::Failed;
    out.result.message = f.message;
}

} // namespace

std::vector<FleetPortResult> writeFleet(const QStringList &devices, const StreamImage &image,
                                        const WriteSafeguards &safeguards, const FleetObserverFactory &observers,
                                        StopFlag stop, const PortFactory &ports, const FleetPortDone &done) {
    std::vector<FleetPortResult> results(size_t(devices.size()));
    std::vector<std::unique_ptr<LinkObserver>> seen(size_t(devices.size()));
    for (qsizetype i = 0; i < devices.size(); ++i) {
        results[size_t(i)].device = devices[i];
        if (observers)
            seen[size_t(i)] = observers(devices[i]);
        if (!seen[size_t(i)])
            seen[size_t(i)] = std::make_unique<Unseen>();
    }
    {
        // Joined when the block ends, also when a thread could not be started.
        std::vector<std::jthread> threads;
        threads.reserve(results.size());
        for (size_t i = 0; i < results.size(); ++i) {
            FleetPortResult &out = results[i];
            const auto job = [&, i] {
                const auto started = std::chrono::steady_clock::now();
                // Nothing may escape a thread: it would end the whole program and every other port.
                if (const std::optional<Failure> f = catchFailure([&] {
                        const std::unique_ptr<SerialPort> port = ports(out.device, stop);
                        out.result = writeWithSafeguards(*port, out.device, *seen[i], image, safeguards, stop);
                    }))
                    failWith(out, *f);
                out.duration = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
                if (done)
                    if (const std::optional<Failure> f = catchFailure([&] { done(out); }))
                        out.result.message += QLatin1Char('\n') + f->message;
            };
            // A port whose thread the system refuses is one failed port, not a lost fleet.
            if (const std::optional<Failure> f = catchFailure([&] { threads.emplace_back(job); })) {
                failWith(out, *f);
                if (done)
                    (void)catchFailure([&] { done(out); });
            }
        }
    }
    return results;
}

} // namespace tolvin
