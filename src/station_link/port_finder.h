#pragma once
// The serial devices present on this computer, for picking the one behind COM1 or COM2: the
// stable /dev/serial/by-id names first (they survive re-plugging an adapter), then ttyUSB*,
// ttyACM* and the ttyS* that have a UART behind them, with the adapter's maker and model where
// the kernel knows them.
#include <QList>
#include <QString>

namespace tolvin {

struct SerialDevice {
    QString path;         // what to open: /dev/serial/by-id/usb-FTDI_..., /dev/ttyUSB0
    QString kernelName;   // ttyUSB0
    QString description;  // "FTDI FT232R USB UART", or empty
};

// `devRoot` and `sysRoot` are "/dev" and "/sys" except in tests.
QList<SerialDevice> findSerialDevices(const QString &devRoot = QStringLiteral("/dev"),
                                      const QString &sysRoot = QStringLiteral("/sys"));

// "path  (description)" or the path alone: one line of a list.
QString deviceLine(const SerialDevice &d);

} // namespace tolvin
