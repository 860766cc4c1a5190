// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/errors.h"
#include "station_link/exchange_log.h"
#include "station_link/exchanges.h"
#include "station_link/posix_serial_port.h"
#include "sim/station_memory.h"
#include "support/link_support.h"
#include "support/sim_process.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tolvin;
using namespace tolvin::test;

TEST(ExchangeLog, RecordsEveryByteOfATypeQueryWithDirectionAndTime) {
    SimProcess sim({QStringLiteral("--type"), QStringLiteral("3")});
    PosixSerialPort real;
    ExchangeLog log;
    LoggingSerialPort port(real, log);
    RecordingObserver obs;
    const ExchangeResult r = queryStationType(port, sim.path, obs);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.typeCode, 3);
    QStringList shape;
    qint64 last = -1;
    for (const ExchangeLog::Entry &e : log.entries()) {
        EXPECT_GE(e.us, last);
        last = e.us;
        switch (e.direction) {
        case ExchangeLog::Direction::Sent: shape << QStringLiteral("-> %1").arg(e.byte, 2, 16, QLatin1Char('0')); break;
        case ExchangeLog::Direction::Received: shape << QStringLiteral("<- %1").arg(e.byte, 2, 16, QLatin1Char('0')); break;
        case ExchangeLog::Direction::Note: shape << e.note.section(QLatin1Char(' '), 0, 0); break;
        }
    }
    EXPECT_EQ(shape, (QStringList{"открытие", "-> aa", "<- aa", "-> 14", "<- 14", "-> 61", "<- 61", "<- 03", "порт"}));
    const QStringList lines = log.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" мс  ->  AA"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[7].endsWith(QStringLiteral(" мс  <-  03")));
    for (const QString &l : lines) // milliseconds to the microsecond, the program's comma
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^ *\\d+,\\d{3} мс  ")).match(l).hasMatch()) << l.toStdString();

    // A port that cannot open leaves its reason in the log.
    log.clear();
    const ExchangeResult failed = queryStationType(port, QStringLiteral("/dev/tolvin-missing"), obs);
    EXPECT_FALSE(failed.ok());
    EXPECT_TRUE(log.text().contains(QStringLiteral("/dev/tolvin-missing")));
}
