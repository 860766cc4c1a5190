// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/certificate.h"

#include "check/data_check.h"
#include "common/errors.h"
#include "common/operator.h"
#include "image/image_streams.h"
#include "image/station_compare.h"
#include "image/station_readout.h"
#include "report/protocol.h"
#include "settings_file/settings_file.h"
#include "station_link/configuration_compare.h"

namespace tolvin {

Editor entryEditor(const JournalEntry &e) {
    if (!e.hasConfig() || e.config.isEmpty())
        throw AppError(QStringLiteral("В записи журнала %1 нет конфигурации").arg(e.id));
    Editor ed;
    loadSettingsBytes(ed, e.config, QStringLiteral("%1.ini").arg(e.id));
    BatchOperator op;
    if (!runDataCheck(ed, op))
        throw AppError(QStringLiteral("Конфигурация записи журнала %1 не проходит контроль: %2").arg(e.id, op.lastMessage()));
    return ed;
}

Document buildCertificate(const JournalEntry &e) {
    const Editor ed = entryEditor(e);
    Document d = buildReport(ed, e.serial);
    d.setAlignment(Alignment::Left);
    d.setBold(false);
    d.setSize(10);
    d.typeText(QStringLiteral("\rЗапись журнала: %1 (%2, %3)\rSHA-256 конфигурации: %4\r")
                   .arg(e.id, e.operation, journalTimeText(e.time), e.configSha256));
    return d;
}

Certification certifyStation(const QByteArray &readStream, JournalStore &store) {
    Certification c;
    const QString serial = streamSerial(readStream);
    JournalQuery q;
    q.serial = serial;
    for (const JournalEntry &listed : store.list(q)) {
        if ((listed.operation != JournalOp::Write && listed.operation != JournalOp::Verify) ||
            listed.result != JournalResult::Ok || !listed.hasConfig())
            continue;
        const std::optional<JournalEntry> full = store.entry(listed.id);
        if (!full)
            continue;
        c.entry = *full;
        Editor ed;
        loadSettingsBytes(ed, full->config, QStringLiteral("%1.ini").arg(full->id));
        QString why;
        const std::optional<StreamImage> image = checkedImage(ed, why);
        if (!image)
            throw AppError(QStringLiteral("Конфигурация записи журнала %1 не проходит контроль: %2").arg(full->id, why));
        StreamImage station;
        decodeReadStream(readStream, station);
        c.differences = imageDifferences(station, *image, ed.state.bandSettings);
        c.outcome = c.differences.isEmpty() ? Certification::Outcome::Same : Certification::Outcome::Differs;
        return c;
    }
    return c;
}

} // namespace tolvin
