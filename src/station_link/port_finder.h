// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial devices present on this computer, for picking the one behind COM1 or COM2: the
// stable /dev/serial/by-id names first (they survive re-plugging an adapter), then ttyUSB*,
// ttyACM* and the ttyS* that have a UART behind them, with the adapter's maker and model where
// the kernel knows them.
#include <QList>
#include <QString>
#include <optional>

namespace tolvin {

struct SerialDevice {
    QString path;         // what to open: /dev/serial/by-id/usb-FTDI_..., /dev/ttyUSB0
    QString kernelName;   // ttyUSB0
    QString description;  // "FTDI FT232R USB UART", or empty
    QString driver;       // "ftdi_sio", "cp210x", "ch341-uart", "pl2303", "cdc_acm", or empty
    std::optional<int> latencyTimerMs;  // a USB adapter's hold-back time, where sysfs has it
};

// A latency timer above this makes each of the write's round trips wait for it.
constexpr int MaxGoodLatencyMs = 2;

// `devRoot` and `sysRoot` are "/dev" and "/sys" except in tests.
QList<SerialDevice> findSerialDevices(const QString &devRoot = QStringLiteral("/dev"),
                                      const QString &sysRoot = QStringLiteral("/sys"));

// "path  (description, driver, задержка N мс)" with what is known, or the path alone: one line
// of a list.
QString deviceLine(const SerialDevice &d);

// For an adapter whose latency timer is above MaxGoodLatencyMs: what it costs and the udev rule
// that sets it to 1 ms for good; empty otherwise.
QString latencyAdvice(const SerialDevice &d);

} // namespace tolvin
