// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli template: "Создать шаблон" and "Ok" for a model's band, then "Запись в файл".
#include "cli/command_help.h"
#include "cli/commands.h"

#include "common/errors.h"
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
    const QString usage = QStringLiteral("tolvin-cli template --model %1 --count N --start F --step S -o ФАЙЛ")
                              .arg(QString::fromUtf16(ModelChoice.text));
    const QStringList names{QStringLiteral("--model"), QStringLiteral("--count"), QStringLiteral("--start"),
                            QStringLiteral("--step"), QStringLiteral("-o")};
    QMap<QString, QString> values;
    QStringList rest;
    if (!takeValueOptions(args, names, values, rest, usage, err))
        return ExitUsage;
    for (const QString &a : rest) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out << QStringLiteral("Использование: ") << usage << Qt::endl;
            return ExitOk;
        }
    }
    if (!rest.isEmpty()) {
        err << (rest.first().startsWith(QLatin1Char('-')) ? QStringLiteral("Неизвестный параметр: ")
                                                          : QStringLiteral("Лишний аргумент: "))
            << rest.first() << Qt::endl
            << QStringLiteral("Использование: ") << usage << Qt::endl;
        return ExitUsage;
    }
    if (!requireOptions(values, names, usage, err))
        return ExitUsage;
    const int band = bandOfModelOption(values.value(QStringLiteral("--model")), err);
    if (band == 0)
        return ExitUsage;

    // The band item, then the template panel with the three fields as given, then "Ok".
    Editor ed;
    selectBand(ed, band);
    ed.templ = {values.value(QStringLiteral("--count")), values.value(QStringLiteral("--start")),
                values.value(QStringLiteral("--step"))};
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
    try {
        saveSettingsFile(ed, values.value(QStringLiteral("-o")));
    } catch (const IoError &e) {
        err << e.message() << Qt::endl;
        return ExitUsage;
    }
    return ExitOk;
}

} // namespace tolvin::cli
