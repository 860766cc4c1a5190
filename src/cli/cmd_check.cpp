// tolvin-cli check FILE: the data check of "Контроль" on a settings file.
#include "cli/commands.h"

#include "check/data_check.h"
#include "common/operator.h"
#include "table/editor.h"

namespace tolvin::cli {
namespace {

// Keeps the last message the check would have shown; there is nobody to beep at.
class CapturingOperator : public Operator {
public:
    QString last;
    void message(const QString &text) override { last = text; }
    void beep() override {}
    void errorBeep() override {}
    QString saveFileName(const FileDialogRequest &) override { return {}; }
    QString openFileName(const FileDialogRequest &) override { return {}; }
    bool openDocument(const QString &) override { return false; }
};

} // namespace

bool runCheckCommand(Editor &ed, QString &message) {
    CapturingOperator op;
    bool passed = false;
    // The same boundary as the menu command: a conversion error becomes its message.
    runAction(op, [&] { passed = runDataCheck(ed, op); });
    message = op.last;
    return passed;
}

int cmdCheck(const QStringList &args, QTextStream &out, QTextStream &err) {
    QString file;
    int code = ExitOk;
    if (!takeFileArgument(args, QStringLiteral("tolvin-cli check ФАЙЛ"), file, code, out, err))
        return code;
    Editor ed;
    if (!loadEditor(ed, file, err))
        return ExitUsage;
    QString message;
    const bool passed = runCheckCommand(ed, message);
    out << message << '\n';
    return passed ? ExitOk : ExitFailed;
}

} // namespace tolvin::cli
