// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/job_progress.h"

#include "layout/image_layout.h"
#include "image/image_streams.h"

#include <algorithm>
#include <cmath>

namespace tolvin {

namespace {

// Line time per counted byte: a written byte waits for its answer, a read byte only arrives.
double costPerByte(ExchangeKind kind) {
    return kind == ExchangeKind::Read ? 1.0 : 2.0;
}

JobPhase phaseOf(ExchangeKind kind) {
    switch (kind) {
    case ExchangeKind::Write: return JobPhase::Write;
    case ExchangeKind::Read: return JobPhase::Read;
    case ExchangeKind::TypeQuery: return JobPhase::TypeQuery;
    }
    return JobPhase::Read;
}

// Judging the pace from the first second would take the port's opening for the line's speed.
constexpr std::chrono::milliseconds PaceAfter{1000};

} // namespace

QString phaseTitle(JobPhase phase) {
    switch (phase) {
    case JobPhase::Backup: return QStringLiteral("Резервная копия");
    case JobPhase::Write: return QStringLiteral("Запись");
    case JobPhase::Verify: return QStringLiteral("Проверка");
    case JobPhase::Read: return QStringLiteral("Чтение");
    case JobPhase::TypeQuery: return QStringLiteral("Тип станции");
    }
    return {};
}

JobProgress::JobProgress(QList<JobStep> plan) : m_steps(std::move(plan)), m_done(m_steps.size(), 0) {
    for (const JobStep &s : m_steps)
        m_known << (s.bytes > 0);
}

JobProgress JobProgress::forWrite(const StreamImage &image, const WriteSafeguards &safeguards) {
    const int channels = image.image.header[HeaderByte::ChannelCount];
    const int read = ReadStreamFixedLength + RecordSize * channels;
    QList<JobStep> plan;
    if (safeguards.backup)
        plan << JobStep{JobPhase::Backup, ExchangeKind::Read, read};
    plan << JobStep{JobPhase::Write, ExchangeKind::Write,
                    int(openingSequence(image.StationType).size() + encodeWriteStream(image).size())};
    if (safeguards.verify)
        plan << JobStep{JobPhase::Verify, ExchangeKind::Read, read};
    return JobProgress(plan);
}

JobProgress JobProgress::forRead() {
    return JobProgress({JobStep{JobPhase::Read, ExchangeKind::Read, 0}});
}

JobProgress JobProgress::forTypeQuery() {
    return JobProgress({JobStep{JobPhase::TypeQuery, ExchangeKind::TypeQuery, int(TypeQuerySequence.size()) + 1}});
}

void JobProgress::transferred(ExchangeKind kind, int done, int total) {
    if (done == 0 || m_current < 0) {
        qsizetype next = m_current + 1;
        while (next < m_steps.size() && m_steps[next].kind != kind)
            ++next;
        if (next == m_steps.size()) {
            next = m_current + 1;
            m_steps.insert(next, JobStep{phaseOf(kind), kind, total});
            m_done.insert(next, 0);
            m_known.insert(next, false);
        }
        for (qsizetype skipped = m_current + 1; skipped < next; ++skipped) {
            m_steps[skipped].bytes = m_done[skipped] = 0;
            m_known[skipped] = true;
        }
        m_current = next;
    }
    JobStep &step = m_steps[m_current];
    if (total > 0) {
        step.bytes = total;
        m_known[m_current] = true;
    }
    step.bytes = std::max(step.bytes, done);
    m_done[m_current] = done;
    // Until the length of what runs is known, any figure would be a guess that may run back.
    const double all = totalCost();
    if (lengthsKnown() && all > 0)
        m_percent = std::clamp(std::max(m_percent, int(std::floor(100.0 * doneCost() / all))), 0, 100);
}

bool JobProgress::lengthsKnown() const {
    for (qsizetype i = std::max<qsizetype>(m_current, 0); i < m_known.size(); ++i)
        if (!m_known[i])
            return false;
    return true;
}

std::optional<JobPhase> JobProgress::phase() const {
    if (m_current >= 0)
        return m_steps[m_current].phase;
    if (!m_steps.isEmpty())
        return m_steps.first().phase;
    return std::nullopt;
}

double JobProgress::doneCost() const {
    double cost = 0;
    for (qsizetype i = 0; i <= m_current && i < m_steps.size(); ++i) {
        // A step before the current one ran to its end, or the job would have ended there.
        const int bytes = i < m_current ? m_steps[i].bytes : m_done[i];
        cost += bytes * costPerByte(m_steps[i].kind);
    }
    return cost;
}

double JobProgress::totalCost() const {
    double cost = 0;
    for (const JobStep &s : m_steps)
        cost += s.bytes * costPerByte(s.kind);
    return cost;
}

std::optional<std::chrono::milliseconds> JobProgress::remaining(std::chrono::milliseconds elapsed) const {
    const double done = doneCost();
    if (elapsed < PaceAfter || done <= 0 || !lengthsKnown())
        return std::nullopt;
    const double left = std::max(0.0, totalCost() - done);
    return std::chrono::milliseconds(std::llround(double(elapsed.count()) * left / done));
}

QString minutesText(std::chrono::milliseconds d) {
    const long long s = std::max<long long>(0, d.count() / 1000);
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace tolvin
