// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/port_finder.h"

#include "support/made_up_adapter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

// A made-up /dev and /sys: one FTDI adapter with a by-id name, one CDC modem, two ttyS of which
// only one has a UART.
TEST(PortFinder, StableNamesFirstThenWhatExistsWithMakerAndModel) {
    QTemporaryDir root;
    const QString dev = root.filePath(QStringLiteral("dev")), sys = root.filePath(QStringLiteral("sys"));
    for (const char *n : {"ttyACM0", "ttyS0", "ttyS1", "ttyS10", "ttyS2"})
        put(dev + QLatin1Char('/') + QLatin1String(n), {});
    const QString usb = sys + QStringLiteral("/devices/pci0/usb1/1-1");
    putFtdiAdapter(dev, sys, usb);
    put(usb + QStringLiteral("/idProduct"), "6001\n");
    const QString acm = sys + QStringLiteral("/devices/pci0/usb1/1-2");
    put(acm + QStringLiteral("/idVendor"), "2341\n");
    put(acm + QStringLiteral("/idProduct"), "0043\n");
    QDir().mkpath(acm + QStringLiteral("/1-2:1.0"));
    QDir().mkpath(sys + QStringLiteral("/class/tty/ttyACM0"));
    QFile::link(acm + QStringLiteral("/1-2:1.0"), sys + QStringLiteral("/class/tty/ttyACM0/device"));
    QDir().mkpath(sys + QStringLiteral("/bus/usb/drivers/cdc_acm"));
    QFile::link(sys + QStringLiteral("/bus/usb/drivers/cdc_acm"), acm + QStringLiteral("/1-2:1.0/driver"));
    put(sys + QStringLiteral("/class/tty/ttyS0/type"), "4\n");
    put(sys + QStringLiteral("/class/tty/ttyS1/type"), "0\n");
    put(sys + QStringLiteral("/class/tty/ttyS10/type"), "4\n");
    put(sys + QStringLiteral("/class/tty/ttyS2/type"), "4\n");
    // A built-in UART as newer kernels show it: the serial core's "port" and "ctrl" devices
    // between the tty and the driver a technician knows.
    const QString uart = sys + QStringLiteral("/devices/pnp0/00:01");
    QDir().mkpath(uart + QStringLiteral("/serial8250:0/serial8250:0.2"));
    QFile::link(uart + QStringLiteral("/serial8250:0/serial8250:0.2"), sys + QStringLiteral("/class/tty/ttyS2/device"));
    for (const char *d : {"serial-base/drivers/port", "serial-base/drivers/ctrl", "pnp/drivers/serial"})
        QDir().mkpath(sys + QStringLiteral("/bus/") + QLatin1String(d));
    QFile::link(sys + QStringLiteral("/bus/serial-base/drivers/port"), uart + QStringLiteral("/serial8250:0/serial8250:0.2/driver"));
    QFile::link(sys + QStringLiteral("/bus/serial-base/drivers/ctrl"), uart + QStringLiteral("/serial8250:0/driver"));
    QFile::link(sys + QStringLiteral("/bus/pnp/drivers/serial"), uart + QStringLiteral("/driver"));

    const QList<SerialDevice> found = findSerialDevices(dev, sys);
    QStringList lines;
    for (const SerialDevice &d : found)
        lines << deviceLine(d).replace(root.path(), QStringLiteral("ROOT"));
    EXPECT_EQ(lines, (QStringList{
                         "ROOT/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0  (FTDI FT232R USB UART, ftdi_sio, задержка 16 мс)",
                         "ROOT/dev/ttyACM0  (2341:0043, cdc_acm)",
                         "ROOT/dev/ttyS0",
                         "ROOT/dev/ttyS2  (serial)",
                         "ROOT/dev/ttyS10",
                     }));
    EXPECT_TRUE(findSerialDevices(root.filePath(QStringLiteral("none")), sys).isEmpty());
    EXPECT_EQ(found[0].latencyTimerMs, 16);
    EXPECT_FALSE(found[1].latencyTimerMs.has_value());
}

TEST(PortFinder, LatencyAdviceOnlyForASlowAdapter) {
    const struct { std::optional<int> ms; const char *driver; bool advised; } cases[] = {
        {16, "ftdi_sio", true}, {3, "ftdi_sio", true}, {2, "ftdi_sio", false}, {1, "ftdi_sio", false},
        {std::nullopt, "cdc_acm", false}, {16, "", true},
    };
    for (const auto &c : cases) {
        SerialDevice d{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("ttyUSB0"), {}, QString::fromLatin1(c.driver), c.ms};
        const QString advice = latencyAdvice(d);
        EXPECT_EQ(!advice.isEmpty(), c.advised) << c.driver << " " << c.ms.value_or(-1);
        if (c.advised) {
            EXPECT_TRUE(advice.contains(QStringLiteral("до %1 мс").arg(*c.ms)));
            EXPECT_TRUE(advice.contains(QStringLiteral("ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"ftdi_sio\", "
                                                       "ATTR{latency_timer}=\"1\"")));
            EXPECT_TRUE(advice.contains(QStringLiteral("/etc/udev/rules.d/")));
        }
    }
}
