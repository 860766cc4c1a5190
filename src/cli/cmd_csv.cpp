// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli import-csv and export-csv: channel lists to and from CHIRP's CSV.
#include "cli/command_help.h"
#include "cli/commands.h"

#include "common/errors.h"
#include "common/file_io.h"
#include "settings_file/settings_file.h"
#include "table/chirp_csv.h"
#include "table/editor.h"

namespace tolvin::cli {

int cmdImportCsv(const QStringList &args, QTextStream &out, QTextStream &err) {
    const QString usage =
        QStringLiteral("tolvin-cli import-csv CSV -o ФАЙЛ --model %1").arg(QString::fromUtf16(ModelChoice.text));
    QMap<QString, QString> values;
    QStringList rest;
    if (!takeValueOptions(args, {QStringLiteral("-o"), QStringLiteral("--model")}, values, rest, usage, err))
        return ExitUsage;
    QString csv;
    int code = ExitOk;
    if (!takeFileArgument(rest, usage, csv, code, out, err))
        return code;
    if (!requireOptions(values, {QStringLiteral("-o"), QStringLiteral("--model")}, usage, err))
        return ExitUsage;
    const int band = bandOfModelOption(values.value(QStringLiteral("--model")), err);
    if (band == 0)
        return ExitUsage;
    try {
        Editor ed;
        selectBand(ed, band);
        const CsvImport import = importChirpCsv(QString::fromUtf8(readSavedFileBytes(csv)), ed.state.bandSettings);
        if (import.rows.isEmpty()) {
            err << import.nothingTaken(band) << Qt::endl
                << QStringLiteral("Файл %1 не записан").arg(values.value(QStringLiteral("-o"))) << Qt::endl;
            return ExitFailed;
        }
        err << import.summary() << Qt::endl;
        applyCsvImport(ed, import);
        saveSettingsFile(ed, values.value(QStringLiteral("-o")));
    } catch (const InterruptedSaveError &e) {
        explainInterruptedSave(e, err);
        return ExitUsage;
    } catch (const AppError &e) {
        err << e.message() << Qt::endl;
        return ExitUsage;
    }
    return ExitOk;
}

int cmdExportCsv(const QStringList &args, QTextStream &out, QTextStream &err) {
    const QString usage = QStringLiteral("tolvin-cli export-csv ФАЙЛ -o CSV");
    QMap<QString, QString> values;
    QStringList rest;
    if (!takeValueOptions(args, {QStringLiteral("-o")}, values, rest, usage, err))
        return ExitUsage;
    QString file;
    int code = ExitOk;
    if (!takeFileArgument(rest, usage, file, code, out, err))
        return code;
    if (!requireOptions(values, {QStringLiteral("-o")}, usage, err))
        return ExitUsage;
    Editor ed;
    if (!loadEditor(ed, file, err))
        return ExitUsage;
    const CsvExport exported = exportChirpCsv(ed.table);
    try {
        writeFileAtomically(values.value(QStringLiteral("-o")), exported.csv);
    } catch (const AppError &e) {
        err << e.message() << Qt::endl;
        return ExitUsage;
    }
    if (!exported.summary().isEmpty())
        err << exported.summary() << Qt::endl;
    return ExitOk;
}

} // namespace tolvin::cli
