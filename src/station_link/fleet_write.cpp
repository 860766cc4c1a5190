#include "station_link/fleet_write.h"

#include "common/errors.h"
#include "station_link/posix_serial_port.h"

#include <thread>

namespace tolvin {

namespace {

struct Unseen : LinkObserver {
    void status(const QString &) override {}
    void gauge(int) override {}
    void buttonsEnabled(bool) override {}
};

} // namespace

std::vector<FleetPortResult> writeFleet(const QStringList &devices, const StreamImage &image,
                                        const WriteSafeguards &safeguards, const FleetObserverFactory &observers,
                                        StopFlag stop) {
    std::vector<FleetPortResult> results(size_t(devices.size()));
    std::vector<std::unique_ptr<LinkObserver>> seen(size_t(devices.size()));
    for (qsizetype i = 0; i < devices.size(); ++i) {
        results[size_t(i)].device = devices[i];
        if (observers)
            seen[size_t(i)] = observers(devices[i]);
        if (!seen[size_t(i)])
            seen[size_t(i)] = std::make_unique<Unseen>();
    }
    std::vector<std::thread> threads;
    threads.reserve(results.size());
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            FleetPortResult &out = results[i];
            // Nothing may escape a thread: it would end the whole program and every other port.
            try {
                PosixSerialPort port;
                port.setStopFlag(stop);
                out.result = writeWithSafeguards(port, out.device, *seen[i], image, safeguards, stop);
            } catch (const AppError &e) {
                out.result.exchange.outcome = ExchangeOutcome::Failed;
                out.result.message = e.message();
            } catch (const std::exception &e) {
                out.result.exchange.outcome = ExchangeOutcome::Failed;
                out.result.message = QStringLiteral("Внутренняя ошибка: ") + QString::fromLocal8Bit(e.what());
            }
        });
    }
    for (std::thread &t : threads)
        t.join();
    return results;
}

} // namespace tolvin
