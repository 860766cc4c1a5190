// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli check FILE: the data check of "Контроль" on a settings file.
#include "cli/arguments.h"
#include "cli/commands.h"

#include "check/data_check.h"
#include "common/operator.h"
#include "table/editor.h"

namespace tolvin::cli {
bool runCheckCommand(Editor &ed, QString &message) {
    BatchOperator op;
    bool passed = false;
    // The same boundary as the menu command: a conversion error becomes its message.
    runAction(op, [&] { passed = runDataCheck(ed, op); });
    message = op.lastMessage();
    return passed;
}

int cmdCheck(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("check"), {});
    if (!a.read(args, out, err))
        return a.exitCode();
    Editor ed;
    if (!loadEditor(ed, a.file(), err))
        return ExitUsage;
    QString message;
    const bool passed = runCheckCommand(ed, message);
    out << message << '\n';
    return passed ? ExitOk : ExitFailed;
}

} // namespace tolvin::cli
