// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli report FILE --serial S -o OUT.docx: the report "Создать" would make for a settings
// file, written to OUT.docx.
#include "cli/commands.h"
#include "cli/journal_session.h"

#include "common/errors.h"
#include "journal/exchange_entries.h"
#include "report/docx_writer.h"
#include "report/protocol.h"
#include "common/file_io.h"
#include "table/editor.h"

namespace tolvin::cli {

int cmdReport(const QStringList &args, QTextStream &out, QTextStream &err) {
    const QString usage = QStringLiteral("tolvin-cli report ФАЙЛ --serial НОМЕР -o ВЫХОД.docx");
    const QString serialOption = QStringLiteral("--serial");
    const QString outputOption = QStringLiteral("-o");
    QMap<QString, QString> values;
    QStringList rest;
    if (!takeValueOptions(args, {serialOption, outputOption}, values, rest, usage, err))
        return ExitUsage;
    QString file;
    int code = ExitOk;
    if (!takeFileArgument(rest, usage, file, code, out, err))
        return code;
    if (!requireOptions(values, {serialOption, outputOption}, usage, err))
        return ExitUsage;

    Editor ed;
    if (!loadAndCheck(ed, file, code, out, err))
        return code;
    const QByteArray docx = docxBytes(buildReport(ed, values.value(serialOption)));
    try {
        writeFileAtomically(values.value(outputOption), docx);
    } catch (const IoError &e) {
        err << e.message() << Qt::endl;
        return ExitUsage;
    }
    journalRecordOne([&] { return reportEntry(ed, values.value(serialOption), values.value(outputOption)); });
    return ExitOk;
}

} // namespace tolvin::cli
