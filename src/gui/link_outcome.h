// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The line under the link window's controls that says how the last exchange ended, in words,
// with the figures a technician writes down: what was written and checked, how many channels
// came, how long it took; or what failed and what the station holds now.
#include "station_link/safeguards.h"

#include <QColor>
#include <QString>
#include <chrono>

namespace tolvin {

struct LinkOutcome {
    QString text;
    bool ok = false;
};

// "31,2 с": seconds to a tenth, with the program's decimal comma.
QString secondsText(std::chrono::milliseconds d);

LinkOutcome writeOutcome(const SafeWriteResult &r, std::chrono::milliseconds took);
LinkOutcome readOutcome(const ExchangeResult &r, std::chrono::milliseconds took);
LinkOutcome compareOutcome(const ComparisonResult &r, std::chrono::milliseconds took);
LinkOutcome typeQueryOutcome(const ExchangeResult &r);
// A failure of the job itself (an error the exchange did not catch).
LinkOutcome failedOutcome(const QString &message);

// Green for an outcome that went as asked, red for any other.
QColor outcomeColor(bool ok);

} // namespace tolvin
