// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A job of the link window as one progress from 0 to 100: a write with its backup read before
// and its check read after moves the gauge once, not three times from 0 (or, for a read, from
// 100 down), and the technician gets an estimate of the time left. Each exchange counts its
// own bytes (LinkObserver::transferred); this weighs them by the time they take on the line
// and adds them up over the steps of the job.
#include "station_link/link.h"
#include "station_link/safeguards.h"

#include <QList>
#include <QString>
#include <chrono>
#include <optional>

namespace tolvin {

enum class JobPhase { Backup, Write, Verify, Read, TypeQuery };

// "Резервная копия", "Запись", "Проверка", "Чтение", "Тип станции".
QString phaseTitle(JobPhase phase);

struct JobStep {
    JobPhase phase;
    ExchangeKind kind;
    int bytes;  // expected; the exchange's own total replaces it once known
};

class JobProgress {
public:
    explicit JobProgress(QList<JobStep> plan = {});

    // The write of `image` with the reads around it that `safeguards` asks for; the backup
    // read expects the station to hold as many channels as the write sends.
    static JobProgress forWrite(const StreamImage &image, const WriteSafeguards &safeguards);
    // A read of a station whose channel count comes with its header.
    static JobProgress forRead();
    static JobProgress forTypeQuery();

    // What an exchange reported. An exchange that begins (done 0) takes the next planned step
    // of its kind; steps it passes were skipped by the job, and an exchange the plan does not
    // know gets a step of its own there.
    void transferred(ExchangeKind kind, int done, int total);

    // The step running now, or the first one planned before any has begun.
    std::optional<JobPhase> phase() const;
    // 0..100, never lower than it was: a backup that turns out longer than expected holds the
    // gauge still for a while instead of moving it back.
    int percent() const { return m_percent; }
    // The time left at the pace so far; nothing before there is a pace to go by.
    std::optional<std::chrono::milliseconds> remaining(std::chrono::milliseconds elapsed) const;

private:
    double doneCost() const;
    double totalCost() const;
    // Every step from the current one on has a length to go by, reported or expected.
    bool lengthsKnown() const;

    QList<JobStep> m_steps;
    QList<int> m_done;
    QList<bool> m_known;
    qsizetype m_current = -1;
    int m_percent = 0;
};

// "0:07", "12:30": a duration as the link window shows it.
QString minutesText(std::chrono::milliseconds d);

} // namespace tolvin
