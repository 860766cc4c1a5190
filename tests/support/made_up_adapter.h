// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A made-up /dev and /sys for the port list and the line doctor: files with their folders, and
// an FTDI adapter as the kernel shows one.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <gtest/gtest.h>

namespace tolvin::test {

inline void put(const QString &path, const QByteArray &text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// /dev/ttyUSB0 with its by-id name, the USB device at `usb` (under `sys`) with maker and product,
// the ftdi_sio driver and its latency timer at the kernel's default of 16 ms.
inline void putFtdiAdapter(const QString &dev, const QString &sys, const QString &usb) {
    put(dev + QStringLiteral("/ttyUSB0"), {});
    QDir().mkpath(dev + QStringLiteral("/serial/by-id"));
    QFile::link(QStringLiteral("../../ttyUSB0"), dev + QStringLiteral("/serial/by-id/usb-FTDI_FT232R_A1-if00-port0"));
    put(usb + QStringLiteral("/idVendor"), "0403\n");
    put(usb + QStringLiteral("/manufacturer"), "FTDI\n");
    put(usb + QStringLiteral("/product"), "FT232R USB UART\n");
    QDir().mkpath(usb + QStringLiteral("/1-1:1.0/ttyUSB0"));
    QDir().mkpath(sys + QStringLiteral("/class/tty/ttyUSB0"));
    QFile::link(usb + QStringLiteral("/1-1:1.0/ttyUSB0"), sys + QStringLiteral("/class/tty/ttyUSB0/device"));
    QDir().mkpath(sys + QStringLiteral("/bus/usb-serial/drivers/ftdi_sio"));
    QFile::link(sys + QStringLiteral("/bus/usb-serial/drivers/ftdi_sio"), usb + QStringLiteral("/1-1:1.0/ttyUSB0/driver"));
    put(sys + QStringLiteral("/bus/usb-serial/devices/ttyUSB0/latency_timer"), "16\n");
}

} // namespace tolvin::test
