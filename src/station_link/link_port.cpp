// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/link_port.h"

#include "station_link/posix_serial_port.h"

namespace tolvin {

namespace {

class OwnedLoggingPort : public LoggingSerialPort {
public:
    OwnedLoggingPort(std::unique_ptr<SerialPort> inner, std::shared_ptr<ExchangeLog> log)
        : LoggingSerialPort(*inner, *log), m_inner(std::move(inner)), m_log(std::move(log)) {}

private:
    std::unique_ptr<SerialPort> m_inner;
    std::shared_ptr<ExchangeLog> m_log;
};

} // namespace

std::unique_ptr<SerialPort> loggedPort(std::unique_ptr<SerialPort> inner, std::shared_ptr<ExchangeLog> log) {
    if (!log)
        return inner;
    return std::make_unique<OwnedLoggingPort>(std::move(inner), std::move(log));
}

std::unique_ptr<SerialPort> makeDevicePort(StopFlag stop, std::shared_ptr<ExchangeLog> log) {
    auto port = std::make_unique<PosixSerialPort>();
    port->setStopFlag(stop);
    return loggedPort(std::move(port), std::move(log));
}

PortFactory devicePorts(LogForDevice logFor) {
    return [logFor = std::move(logFor)](const QString &device, StopFlag stop) {
        return makeDevicePort(stop, logFor ? logFor(device) : nullptr);
    };
}

} // namespace tolvin
