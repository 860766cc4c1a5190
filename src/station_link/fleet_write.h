// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One configuration into several stations at once: one exchange per port, each on its own
// thread and at its own line's speed, so that a bench of eight stations takes the time of one.
#include "station_link/link_port.h"
#include "station_link/safeguards.h"

#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace tolvin {

struct FleetPortResult {
    QString device;
    SafeWriteResult result;
    std::chrono::milliseconds duration{};  // of this port's whole job
};

// Called on the port's own thread as soon as its job has ended.
using FleetPortDone = std::function<void(const FleetPortResult &)>;

// What each port's exchange shows; called once per device before the threads start. A null
// factory, or a null observer, leaves that port's progress unseen.
using FleetObserverFactory = std::function<std::unique_ptr<LinkObserver>(const QString &device)>;

// The results in the order of `devices`. Every port gets the same image and safeguards; a
// failure on one port ends nothing on the others. `ports` makes each device's port (its own
// serial port, unlogged, by default).
std::vector<FleetPortResult> writeFleet(const QStringList &devices, const StreamImage &image,
                                        const WriteSafeguards &safeguards,
                                        const FleetObserverFactory &observers = nullptr, StopFlag stop = nullptr,
                                        const PortFactory &ports = devicePorts(), const FleetPortDone &done = nullptr);

} // namespace tolvin
