// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The port an exchange job runs over, made in one place for the link window, tolvin-cli and a
// fleet write: the device's serial port, whose send held up by a stalled adapter gives up at the
// stop, with every byte recorded in an exchange log where the caller keeps one. Tests and the
// fuzzer hand the same callers a factory of their own.
#include "station_link/exchange_log.h"
#include "station_link/exchanges.h"

#include <functional>
#include <memory>

namespace tolvin {

// Makes the port for one device's job; a fleet calls it once per device, each from its own thread.
using PortFactory = std::function<std::unique_ptr<SerialPort>(const QString &device, StopFlag stop)>;

// The log (if any) a device's bytes go into; null keeps no log.
using LogForDevice = std::function<std::shared_ptr<ExchangeLog>(const QString &device)>;

// The device's own serial port, logged into `log` when it is not null. The port shares the log,
// so the log lives as long as either the port or its keeper needs it.
std::unique_ptr<SerialPort> makeDevicePort(StopFlag stop, std::shared_ptr<ExchangeLog> log = nullptr);

// Device ports for every device, logged as `logFor` says.
PortFactory devicePorts(LogForDevice logFor = nullptr);

// A port that records into a log what passes through another port, owning both.
std::unique_ptr<SerialPort> loggedPort(std::unique_ptr<SerialPort> inner, std::shared_ptr<ExchangeLog> log);

} // namespace tolvin
