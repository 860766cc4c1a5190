// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli import-csv and export-csv: channel lists to and from CHIRP's CSV.
#include "cli/arguments.h"
#include "cli/commands.h"

#include "common/file_io.h"
#include "settings_file/settings_file.h"
#include "table/chirp_csv.h"
#include "table/editor.h"

namespace tolvin::cli {

int cmdImportCsv(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("import-csv"), {{"-o", Option::Value, Required}, {"--model", Option::Value, Required}});
    if (!a.read(args, out, err))
        return a.exitCode();
    const int band = bandOfModelOption(a.value("--model"), err);
    if (band == 0)
        return ExitUsage;
    Editor ed;
    selectBand(ed, band);
    const CsvImport import = importChirpCsv(QString::fromUtf8(readSavedFileBytes(a.file())), ed.state.bandSettings);
    if (import.rows.isEmpty()) {
        err << import.nothingTaken(band) << Qt::endl << QStringLiteral("Файл %1 не записан").arg(a.value("-o")) << Qt::endl;
        return ExitFailed;
    }
    err << import.summary() << Qt::endl;
    applyCsvImport(ed, import);
    saveSettingsFile(ed, a.value("-o"));
    return ExitOk;
}

int cmdExportCsv(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("export-csv"), {{"-o", Option::Value, Required}});
    if (!a.read(args, out, err))
        return a.exitCode();
    Editor ed;
    if (!loadEditor(ed, a.file(), err))
        return ExitUsage;
    const CsvExport exported = exportChirpCsv(ed.table);
    writeFileAtomically(a.value("-o"), exported.csv);
    if (!exported.summary().isEmpty())
        err << exported.summary() << Qt::endl;
    return ExitOk;
}

} // namespace tolvin::cli
