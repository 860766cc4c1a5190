// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli show FILE: the configuration a settings file gives the editor, as JSON.
#include "cli/arguments.h"
#include "cli/commands.h"

#include "table/editor.h"

namespace tolvin::cli {
namespace {

QString stringArray(const QStringList &texts) {
    QStringList items;
    for (const QString &t : texts)
        items << jsonString(t);
    return QLatin1Char('[') + items.join(QStringLiteral(", ")) + QLatin1Char(']');
}

// Written as it goes: a file of tens of thousands of tiny sections is a table of as many rows,
// and its text is never held twice.
void showJson(const Editor &ed, QTextStream &out) {
    const ChannelTable &t = ed.table;
    QStringList headers;
    for (int c = 0; c < ColumnCount; ++c)
        headers << t.cell(c, 0);
    const EditorState &s = ed.state;
    out << QStringLiteral("{\n");
    out << QStringLiteral("  \"title\": %1,\n").arg(jsonString(s.title));
    out << QStringLiteral("  \"station_type\": %1,\n").arg(s.StationType);
    out << QStringLiteral("  \"module_type\": %1,\n").arg(s.ModuleType);
    out << QStringLiteral("  \"band_low\": %1,\n").arg(s.bandSettings.BandLow);
    out << QStringLiteral("  \"band_high\": %1,\n").arg(s.bandSettings.BandHigh);
    out << QStringLiteral("  \"memo\": %1,\n").arg(stringArray(ed.memo));
    out << QStringLiteral("  \"headers\": %1,\n").arg(stringArray(headers));
    if (t.rowCount() <= 1) {
        out << QStringLiteral("  \"rows\": []\n}\n");
        return;
    }
    out << QStringLiteral("  \"rows\": [\n");
    QString row;
    for (int r = 1; r < t.rowCount(); ++r) {
        row = QStringLiteral("    [");
        for (int c = 0; c < ColumnCount; ++c) {
            if (c > 0)
                row += QStringLiteral(", ");
            row += isCheckboxColumn(c) ? QString::fromLatin1(t.flag(c, r) ? "true" : "false") : jsonString(t.cell(c, r));
        }
        row += r + 1 < t.rowCount() ? QStringLiteral("],\n") : QStringLiteral("]\n");
        out << row;
    }
    out << QStringLiteral("  ]\n}\n");
}

} // namespace

int cmdShow(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("show"), {});
    if (!a.read(args, out, err))
        return a.exitCode();
    Editor ed; // start-up state: band 1, station type 1, no module
    if (!loadEditor(ed, a.file(), err))
        return ExitUsage;
    showJson(ed, out);
    return ExitOk;
}

} // namespace tolvin::cli
