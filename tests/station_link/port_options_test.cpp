// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cp1251.h"
#include "station_link/port_options.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvin;

namespace {

void write(const QString &path, const QString &text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(toCp1251(text));
}

} // namespace

TEST(PortOptions, FileCases) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("T702Options.ini"));
    struct Case { const char *text; int port; const char *com1; const char *com2; const char *dev3; };
    const Case cases[] = {
        {nullptr, 2, "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"},
        {"[All]\r\nPort=1\r\n", 1, "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"},
        {"[All]\r\nPort=2\r\n", 2, "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"},
        {"[All]\r\nPort=7\r\n", 7, "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"},
        {"[All]\r\nPort=x\r\n", 2, "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"},
        {"[Other]\r\nPort=1\r\n", 2, "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"},
        {"[All]\r\nPort=1\r\nCOM1=/dev/ttyUSB0\r\nCOM2= /dev/serial/by-id/usb-FTDI \r\nCOM3=/dev/ttyACM0\r\n", 1,
         "/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI", "/dev/ttyACM0"},
        {"[All]\r\nCOM1=\r\n", 2, "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"},
    };
    for (const Case &c : cases) {
        QFile::remove(path);
        if (c.text)
            write(path, QString::fromLatin1(c.text));
        const PortOptions o = readPortOptions(path);
        EXPECT_EQ(o.Port, c.port) << (c.text ? c.text : "missing");
        EXPECT_EQ(devicePath(o, 1, path), QString::fromLatin1(c.com1));
        EXPECT_EQ(devicePath(o, 2, path), QString::fromLatin1(c.com2));
        EXPECT_EQ(devicePath(o, 3, path), QString::fromLatin1(c.dev3));
    }
}

TEST(PortOptions, LivesInTheUsersConfigurationFolder) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/srv/cfg");
    EXPECT_EQ(optionsFilePath(), QStringLiteral("/srv/cfg/tolvin/T702Options.ini"));
    qputenv("XDG_CONFIG_HOME", "relative/cfg");
    EXPECT_EQ(configFolder(), QDir::homePath() + QStringLiteral("/.config/tolvin"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(configFolder(), QDir::homePath() + QStringLiteral("/.config/tolvin"));
    if (!saved.isNull())
        qputenv("XDG_CONFIG_HOME", saved);
}
