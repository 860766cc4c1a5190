// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/job_progress.h"

#include "layout/image_layout.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tolvin;
using namespace std::chrono_literals;

namespace {

// One exchange as it reports itself: `bytes` in all; a read learns its length with its sixth
// byte, the others know it from the start.
struct Exchange {
    ExchangeKind kind;
    int bytes;
};

int readBytes(int channels) {
    return ReadStreamFixedLength + RecordSize * channels;
}

// Every percent the job shows, and the phase of each exchange as it begins.
struct Shown {
    QList<int> percents;
    QList<JobPhase> phases;
};

Shown feed(JobProgress &job, const QList<Exchange> &exchanges) {
    Shown run;
    for (const Exchange &e : exchanges) {
        for (int done = 0; done <= e.bytes; ++done) {
            const bool known = e.kind != ExchangeKind::Read || done > HeaderByte::ChannelCount;
            job.transferred(e.kind, done, known ? e.bytes : 0);
            if (done == 0)
                run.phases << *job.phase();
            run.percents << job.percent();
        }
    }
    return run;
}

StreamImage imageOf(int channels, uint8_t stationType = 0) {
    StreamImage image;
    image.image.header[HeaderByte::ChannelCount] = uint8_t(channels);
    image.StationType = stationType;
    return image;
}

bool neverBack(const QList<int> &percents) {
    return std::is_sorted(percents.begin(), percents.end());
}

} // namespace

TEST(JobProgress, OneGaugeAcrossTheWholeJob) {
    const int write12 = 1 + WriteStreamFixedLength + RecordSize * 12;
    struct Case {
        const char *what;
        JobProgress job;
        QList<Exchange> exchanges;
        QList<JobPhase> phases;
    };
    const Case cases[] = {
        {"backup, write, check", JobProgress::forWrite(imageOf(12), {true, {}, true}),
         {{ExchangeKind::Read, readBytes(12)}, {ExchangeKind::Write, write12}, {ExchangeKind::Read, readBytes(12)}},
         {JobPhase::Backup, JobPhase::Write, JobPhase::Verify}},
        // The station held a full table before: the backup runs longer than expected.
        {"a longer backup", JobProgress::forWrite(imageOf(12), {true, {}, true}),
         {{ExchangeKind::Read, readBytes(99)}, {ExchangeKind::Write, write12}, {ExchangeKind::Read, readBytes(12)}},
         {JobPhase::Backup, JobPhase::Write, JobPhase::Verify}},
        {"a shorter backup", JobProgress::forWrite(imageOf(99), {true, {}, false}),
         {{ExchangeKind::Read, readBytes(0)}, {ExchangeKind::Write, 1 + WriteStreamFixedLength + RecordSize * 99}},
         {JobPhase::Backup, JobPhase::Write}},
        {"five opening bytes", JobProgress::forWrite(imageOf(12, 1), {false, {}, true}),
         {{ExchangeKind::Write, 5 + WriteStreamFixedLength + RecordSize * 12}, {ExchangeKind::Read, readBytes(12)}},
         {JobPhase::Write, JobPhase::Verify}},
        // A job that leaves the backup out after all.
        {"skipped backup", JobProgress::forWrite(imageOf(12), {true, {}, true}),
         {{ExchangeKind::Write, write12}, {ExchangeKind::Read, readBytes(12)}}, {JobPhase::Write, JobPhase::Verify}},
        // An exchange the plan does not know (a type check before the write) gets its own step.
        {"unplanned type query", JobProgress::forWrite(imageOf(12), {true, {}, true}),
         {{ExchangeKind::TypeQuery, 4}, {ExchangeKind::Read, readBytes(12)}, {ExchangeKind::Write, write12},
          {ExchangeKind::Read, readBytes(12)}},
         {JobPhase::TypeQuery, JobPhase::Backup, JobPhase::Write, JobPhase::Verify}},
        {"read without a plan", JobProgress(), {{ExchangeKind::Read, readBytes(4)}}, {JobPhase::Read}},
        {"read", JobProgress::forRead(), {{ExchangeKind::Read, readBytes(99)}}, {JobPhase::Read}},
        {"type query", JobProgress::forTypeQuery(), {{ExchangeKind::TypeQuery, 4}}, {JobPhase::TypeQuery}},
    };
    for (Case c : cases) {
        const Shown run = feed(c.job, c.exchanges);
        EXPECT_EQ(run.phases, c.phases) << c.what;
        EXPECT_TRUE(neverBack(run.percents)) << c.what;
        EXPECT_EQ(run.percents.first(), 0) << c.what;
        EXPECT_EQ(run.percents.last(), 100) << c.what;
        // The gauge moves all along, not in one jump at the end.
        EXPECT_LE(run.percents.value(run.percents.size() / 2), 80) << c.what;
        EXPECT_GE(run.percents.value(run.percents.size() / 2), 20) << c.what;
    }
}

TEST(JobProgress, WeighsWrittenBytesTwiceAsTheyWaitForTheirAnswer) {
    // The write, then about as many bytes read: the write is two thirds of the line time.
    const int written = 1 + WriteStreamFixedLength + RecordSize * 3;
    JobProgress job = JobProgress::forWrite(imageOf(3), {false, {}, true});
    feed(job, {{ExchangeKind::Write, written}});
    EXPECT_EQ(job.percent(), 200 * written / (2 * written + readBytes(3)));
}

TEST(JobProgress, TimeLeftFromThePaceSoFar) {
    struct Case {
        const char *what;
        QList<Exchange> exchanges;
        int done;  // of the last exchange
        std::chrono::milliseconds elapsed;
        std::optional<std::chrono::milliseconds> left;
    };
    const Case cases[] = {
        {"half way", {{ExchangeKind::Write, 100}}, 50, 10s, 10s},
        {"a quarter", {{ExchangeKind::Write, 100}}, 25, 10s, 30s},
        {"at the end", {{ExchangeKind::Write, 100}}, 100, 10s, 0s},
        {"too early to tell", {{ExchangeKind::Write, 100}}, 10, 900ms, std::nullopt},
        {"nothing answered yet", {{ExchangeKind::Write, 100}}, 0, 5s, std::nullopt},
        // A read before its channel count came: no length to go by.
        {"read of unknown length", {{ExchangeKind::Read, 100}}, 4, 5s, std::nullopt},
        {"read of known length", {{ExchangeKind::Read, 100}}, 20, 5s, 20s},
    };
    for (const Case &c : cases) {
        JobProgress job;
        QList<Exchange> before = c.exchanges;
        const Exchange last = before.takeLast();
        feed(job, before);
        for (int d = 0; d <= c.done; ++d)
            job.transferred(last.kind, d, last.kind == ExchangeKind::Read && d <= HeaderByte::ChannelCount ? 0 : last.bytes);
        EXPECT_EQ(job.remaining(c.elapsed), c.left) << c.what;
    }
}

TEST(JobProgress, FirstPhaseBeforeTheFirstByteAndTimes) {
    EXPECT_EQ(JobProgress::forWrite(imageOf(1), {true, {}, true}).phase(), JobPhase::Backup);
    EXPECT_EQ(JobProgress().phase(), std::nullopt);
    const std::pair<std::chrono::milliseconds, const char *> times[] = {
        {0ms, "0:00"}, {999ms, "0:00"}, {7s, "0:07"}, {61s, "1:01"}, {750s, "12:30"}, {-5s, "0:00"},
    };
    for (const auto &[d, text] : times)
        EXPECT_EQ(minutesText(d), QString::fromLatin1(text));
}
