// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli report FILE --serial S -o OUT.docx: the report "Создать" would make for a settings
// file, written to OUT.docx, or to OUT.pdf as a PDF; with --entry ID, the certificate of a
// journal entry. tolvin-cli certify --port P: the station against its last journal entry.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/interruption.h"
#include "cli/journal_session.h"
#include "cli/link_common.h"

#include "common/errors.h"
#include "common/file_io.h"
#include "image/station_readout.h"
#include "journal/certificate.h"
#include "journal/exchange_entries.h"
#include "journal/journal_place.h"
#include "report/docx_writer.h"
#include "report/protocol.h"
#include "report/report_pdf.h"
#include "station_link/link_port.h"
#include "table/editor.h"

namespace tolvin::cli {

namespace {

JournalPlace journalPlace() {
    return JournalSession::current() ? JournalSession::current()->journal().place() : configuredJournalPlace();
}

void writeDocument(const Document &doc, const QString &path) {
    if (path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        writeReportPdf(doc, path);
    else
        writeFileAtomically(path, docxBytes(doc));
}

} // namespace

int cmdReport(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("report"), {{"--serial"}, {"-o", Option::Value, Required}, {"--entry"}}, 0, 1);
    if (!a.read(args, out, err))
        return a.exitCode();
    const QString path = a.value("-o");
    if (a.has("--entry")) {
        if (!a.arguments().isEmpty() || a.has("--serial"))
            return a.refuse(QStringLiteral("С --entry файл и --serial не указываются: они берутся из записи журнала"), err);
        const std::optional<JournalEntry> e = JournalStore(journalPlace()).entry(a.value("--entry"));
        if (!e) {
            err << QStringLiteral("В журнале нет записи %1").arg(a.value("--entry")) << Qt::endl;
            return ExitUsage;
        }
        writeDocument(buildCertificate(*e), path);
        journalRecordOne([&] { return reportEntry(entryEditor(*e), e->serial, path); });
        return ExitOk;
    }
    if (a.arguments().isEmpty())
        return a.refuse(QStringLiteral("Не указан файл"), err);
    if (!a.has("--serial"))
        return a.refuse(QStringLiteral("Не указан параметр --serial"), err);
    Editor ed;
    int code = ExitOk;
    if (!loadAndCheck(ed, a.file(), code, out, err))
        return code;
    writeDocument(buildReport(ed, a.value("--serial")), path);
    journalRecordOne([&] { return reportEntry(ed, a.value("--serial"), path); });
    return ExitOk;
}

int cmdCertify(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("certify"), {{"--port", Option::Value, Required}}, 0, 0);
    if (!a.read(args, out, err))
        return a.exitCode();
    const Interruption interruption;
    const std::unique_ptr<SerialPort> port = makeDevicePort(interruption.flag());
    const QString device = resolvePort(a.value("--port"));
    ProgressPrinter progress(err);
    const ExchangeResult r = readFromStation(*port, device, progress, interruption.flag());
    if (!r.ok()) {
        err << r.message << Qt::endl;
        return interruption.exitCode(exitFor(r));
    }
    const QString serial = streamSerial(r.stream);
    JournalStore store(journalPlace());
    const Certification c = certifyStation(r.stream, store);
    switch (c.outcome) {
    case Certification::Outcome::NoEntry:
        out << QStringLiteral("Станция %1: в журнале нет записи или проверки этой станции").arg(serial) << Qt::endl;
        return interruption.exitCode(ExitUsage);
    case Certification::Outcome::Same:
        out << QStringLiteral("Станция %1 хранит то, что записано %2 (запись журнала %3, SHA-256 %4)")
                   .arg(serial, journalTimeText(c.entry.time), c.entry.id, c.entry.configSha256)
            << Qt::endl;
        return interruption.exitCode(ExitOk);
    case Certification::Outcome::Differs:
        break;
    }
    out << QStringLiteral("Станция %1 отличается от записанного %2 (запись журнала %3):")
               .arg(serial, journalTimeText(c.entry.time), c.entry.id)
        << Qt::endl;
    for (const QString &d : c.differences)
        out << d << Qt::endl;
    return interruption.exitCode(ExitFailed);
}

} // namespace tolvin::cli
