// tolvin-cli show FILE: the configuration a settings file gives the editor, as JSON.
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

QString showJson(const Editor &ed) {
    const ChannelTable &t = ed.table;
    QStringList headers;
    for (int c = 0; c < ColumnCount; ++c)
        headers << t.cell(c, 0);
    QStringList rows;
    for (int r = 1; r < t.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < ColumnCount; ++c)
            cells << (isCheckboxColumn(c) ? QString::fromLatin1(t.flag(c, r) ? "true" : "false")
                                          : jsonString(t.cell(c, r)));
        rows << QStringLiteral("    [") + cells.join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    const EditorState &s = ed.state;
    QString json;
    json += QStringLiteral("{\n");
    json += QStringLiteral("  \"title\": %1,\n").arg(jsonString(s.title));
    json += QStringLiteral("  \"station_type\": %1,\n").arg(s.StationType);
    json += QStringLiteral("  \"module_type\": %1,\n").arg(s.ModuleType);
    json += QStringLiteral("  \"band_low\": %1,\n").arg(s.bandSettings.BandLow);
    json += QStringLiteral("  \"band_high\": %1,\n").arg(s.bandSettings.BandHigh);
    json += QStringLiteral("  \"memo\": %1,\n").arg(stringArray(ed.memo));
    json += QStringLiteral("  \"headers\": %1,\n").arg(stringArray(headers));
    json += rows.isEmpty() ? QStringLiteral("  \"rows\": []\n")
                           : QStringLiteral("  \"rows\": [\n") + rows.join(QStringLiteral(",\n")) +
                                 QStringLiteral("\n  ]\n");
    json += QStringLiteral("}\n");
    return json;
}

} // namespace

int cmdShow(const QStringList &args, QTextStream &out, QTextStream &err) {
    QString file;
    int code = ExitOk;
    if (!takeFileArgument(args, QStringLiteral("tolvin-cli show ФАЙЛ"), file, code, out, err))
        return code;
    Editor ed; // start-up state: band 1, station type 1, no module
    if (!loadEditor(ed, file, err))
        return ExitUsage;
    out << showJson(ed);
    return ExitOk;
}

} // namespace tolvin::cli
