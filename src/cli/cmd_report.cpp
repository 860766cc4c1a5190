// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli report FILE --serial S -o OUT.docx: the report "Создать" would make for a settings
// file, written to OUT.docx.
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/journal_session.h"

#include "journal/exchange_entries.h"
#include "report/docx_writer.h"
#include "report/protocol.h"
#include "common/file_io.h"
#include "table/editor.h"

namespace tolvin::cli {

int cmdReport(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("report"), {{"--serial", Option::Value, Required}, {"-o", Option::Value, Required}});
    if (!a.read(args, out, err))
        return a.exitCode();
    Editor ed;
    int code = ExitOk;
    if (!loadAndCheck(ed, a.file(), code, out, err))
        return code;
    writeFileAtomically(a.value("-o"), docxBytes(buildReport(ed, a.value("--serial"))));
    journalRecordOne([&] { return reportEntry(ed, a.value("--serial"), a.value("-o")); });
    return ExitOk;
}

} // namespace tolvin::cli
