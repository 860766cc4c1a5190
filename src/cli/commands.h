// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands of tolvin-cli. Each one gets the arguments after its name, writes its result to
// `out` and its messages to `err`, and returns the exit code. A new command is one function
// here, one file beside main.cpp, one line in dispatch.cpp's table and its help, with examples, in
// command_help.h; it reads its arguments with an Arguments (arguments.h). What it does not catch
// runCommandLine turns into the message and the exit code.
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace tolvin {
struct Editor;
class InterruptedSaveError;
}

namespace tolvin::cli {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;   // the command ran and the result is negative, or an internal fault
constexpr int ExitUsage = 2;    // wrong arguments, or an input file that cannot be loaded

// The whole command line (without the program's name): the command's exit code. An error a
// command leaves to it is told here: ExitUsage for a file or argument error (a file whose last
// save was cut off as loadEditor tells it), ExitFailed for an internal one.
int runCommandLine(const QStringList &args, QTextStream &out, QTextStream &err);

int cmdShow(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdCheck(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdImage(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdWrite(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdBatch(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdRead(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdType(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdImportCsv(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdExportCsv(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdPorts(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdDoctor(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdDiff(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdCertify(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdReport(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdTemplate(const QStringList &args, QTextStream &out, QTextStream &err);
int cmdJournal(const QStringList &args, QTextStream &out, QTextStream &err);

// Helpers shared by the commands (cli_support.cpp).

// Loads a settings file into a start-up editor as the main window's "Чтение файла" does.
// On failure writes the message to `err` and returns false.
bool loadEditor(Editor &ed, const QString &path, QTextStream &err);
// Why a file whose last save was cut off is refused, and the two commands that settle it.
void explainInterruptedSave(const InterruptedSaveError &e, QTextStream &err);

// Runs the data check as "Контроль" does (cmd_check.cpp); `message` gets what the operator
// would have seen: the success text, the failing rule's message or the conversion error.
bool runCheckCommand(Editor &ed, QString &message);

// Loads FILE and runs the check, as "Чтение файла" then "Контроль". Returns false, after writing
// why to `err` (a file that cannot be read, *exitCode 2) or the check's message to `out` (*exitCode
// 1), when the command should end.
bool loadAndCheck(Editor &ed, const QString &file, int &exitCode, QTextStream &out, QTextStream &err);

// The band item of a model number of the model table, 0 for any other text.
int bandOfModel(const QString &text);
// The same for the --model option's value; an unknown model is complained of on `err` and gives 0.
int bandOfModelOption(const QString &model, QTextStream &err);

// True when both names reach one file: the same path, or two names of one existing file.
bool sameFile(const QString &a, const QString &b);

// A JSON string literal, quotes included.
QString jsonString(const QString &text);

} // namespace tolvin::cli
