// SPDX-License-Identifier: GPL-3.0-or-later
#include "station_link/read_data_check.h"

#include "check/data_check.h"
#include "common/errors.h"
#include "station_link/read_into_editor.h"
#include "table/channel_table.h"
#include "table/lists.h"
#include "table/editor.h"

namespace tolvin {

namespace {

// The rules that advise rather than forbid: the cell text they stop at, the same value in a
// form the check lets through (it compares the text, the station stores the number), and what
// the technician is told.
struct AdvisoryRule {
    int col;
    const char16_t *text;
    const char16_t *sameValue;
    const char16_t *advice;
};
const AdvisoryRule AdvisoryRules[] = {
    {ColPmin, u"4", u"04", u"записан 4 уровень минимальной мощности, что не рекомендуется"},
    {ColPmax, u"1", u"01", u"записан 1 уровень максимальной мощности, что не рекомендуется"},
};

const AdvisoryRule *advisoryRuleAt(const Editor &ed, const CheckPlace &at) {
    if (!at.onCell())
        return nullptr;
    for (const AdvisoryRule &rule : AdvisoryRules)
        if (rule.col == at.col && ed.table.cell(at.col, at.row) == QString::fromUtf16(rule.text))
            return &rule;
    return nullptr;
}

} // namespace

QString ReadDataFindings::text() const {
    QStringList lines = advice;
    if (!warning.isEmpty())
        lines.prepend(warning);
    return lines.join(QLatin1Char('\n'));
}

ReadDataFindings readDataFindings(const QByteArray &readStream) {
    ReadDataFindings found;
    Editor ed;
    applyCompleteRead(ed, readStream);
    QString reason;
    try {
        // Each pass stops at the first rule that fails; an advised-against cell is noted and
        // given its other spelling, so that the next pass looks past it. Every cell is set
        // aside at most once, so the passes end.
        for (;;) {
            const DataCheckResult checked = checkData(ed);
            if (checked.passed)
                return found;
            const AdvisoryRule *rule = advisoryRuleAt(ed, checked.failedAt);
            if (!rule) {
                reason = checked.message;
                break;
            }
            found.advice << QStringLiteral("Канал %1: %2").arg(checked.failedAt.row).arg(QString::fromUtf16(rule->advice));
            ed.table.setCell(checked.failedAt.col, checked.failedAt.row, QString::fromUtf16(rule->sameValue));
        }
    } catch (const AppError &e) {
        reason = e.message();
    }
    // The check's own sentence goes on inside this one.
    reason = reason.trimmed();
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    found.warning = QStringLiteral("Данные станции не проходят «Контроль»: %1. Возможны помехи на линии.").arg(reason);
    return found;
}

QString readDataWarning(const QByteArray &readStream) {
    return readDataFindings(readStream).warning;
}

} // namespace tolvin
