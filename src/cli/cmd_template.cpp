// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli template: "Создать шаблон" and "Ok" for a model's band, then "Запись в файл".
#include "cli/arguments.h"
#include "cli/commands.h"

#include "common/operator.h"
#include "layout/station_models.h"
#include "settings_file/settings_file.h"
#include "table/bands.h"
#include "table/editor.h"
#include "table/template.h"

namespace tolvin::cli {

int bandOfModel(const QString &text) {
    for (const StationModelRow &m : StationModels)
        if (text == QString::number(m.modelNumber))
            return m.band;
    return 0;
}

int bandOfModelOption(const QString &model, QTextStream &err) {
    const int band = bandOfModel(model);
    if (band == 0)
        err << QStringLiteral("Неизвестная модель: %1 (допустимы %2)").arg(model, modelNumbers(QStringLiteral(", ")))
            << Qt::endl;
    return band;
}

int cmdTemplate(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("template"),
                {{"--model", Option::Value, Required}, {"--count", Option::Value, Required},
                 {"--start", Option::Value, Required}, {"--step", Option::Value, Required}, {"-o", Option::Value, Required}},
                0, 0);
    if (!a.read(args, out, err))
        return a.exitCode();
    const int band = bandOfModelOption(a.value("--model"), err);
    if (band == 0)
        return ExitUsage;

    // The band item, then the template panel with the three fields as given, then "Ok".
    Editor ed;
    selectBand(ed, band);
    ed.templ = {a.value("--count"), a.value("--start"), a.value("--step")};
    BatchOperator op;
    bool created = false;
    runAction(op, [&] { created = createTemplate(ed, op); });
    if (!created) {
        out << op.lastMessage() << '\n';
        return ExitFailed;
    }
    if (ed.table.channelCount() == 0) {
        out << noChannelRowsMessage() << '\n';
        return ExitFailed;
    }
    saveSettingsFile(ed, a.value("-o"));
    return ExitOk;
}

} // namespace tolvin::cli
