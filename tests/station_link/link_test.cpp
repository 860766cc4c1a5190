// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/link.h"

#include "common/errors.h"
#include "layout/image_layout.h"
#include "station_link/posix_serial_port.h"
#include "support/link_support.h"
#include "support/qt_printers.h"
#include "support/sim_process.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace tolvin;
using namespace tolvin::test;
using namespace std::chrono_literals;

namespace {

std::chrono::nanoseconds threadCpuTime() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

} // namespace

TEST(WaitReply, StoresTheStationsReply) {
    SimProcess sim({QStringLiteral("--type"), QStringLiteral("3")});
    PosixSerialPort port;
    port.open(sim.path);
    RecordingObserver observer;
    Link link{port, observer};
    EXPECT_EQ(sendEachAndWait(link, QByteArray::fromRawData("\xAA\x14\x61", 3)), bytes({0xAA, 0x14, 0x61}));
    EXPECT_TRUE(WaitReply(link));  // the type code follows the last echo
    EXPECT_TRUE(link.ReplyReceived);
    EXPECT_EQ(link.LastReplyByte, 3);
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(observer.events.isEmpty());
}

// A silent station: about the countdown later the window shows the failure state, its buttons
// work again and the port is closed, so the exchange's next transfer ends it.
TEST(WaitReply, SilentStationTimesOutIntoTheFailureState) {
    SimProcess sim({QStringLiteral("--silent")});
    for (const std::chrono::milliseconds countdown : {ReplyCountdown, RecordCountdown}) {
        PosixSerialPort port;
        port.open(sim.path);
        RecordingObserver observer;
        Link link{port, observer, 0x77, true};
        port.SendByte(ReadCommand);
        const auto start = std::chrono::steady_clock::now();
        const auto cpuStart = threadCpuTime();
        EXPECT_FALSE(WaitReply(link, countdown));
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_GE(elapsed, countdown);
        EXPECT_LT(elapsed, countdown + 2s);  // loose: only a wait that never ends fails it
        // Sleeping in the kernel costs nothing; asking the port over and over would show here.
        EXPECT_LT(threadCpuTime() - cpuStart, countdown / 2);
        EXPECT_FALSE(link.ReplyReceived);
        EXPECT_EQ(link.LastReplyByte, 0x77);
        EXPECT_EQ(observer.events, (QStringList{"status:AK", "buttons:1"}));
        EXPECT_FALSE(port.isOpen());
        EXPECT_THROW(port.SendByte(0x14), LinkError);
    }
}
