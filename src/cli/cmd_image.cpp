// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli image FILE [-o OUT.bin]: the bytes "Запись данных " would send for a settings file.
#include "cli/commands.h"

#include "common/errors.h"
#include "common/file_io.h"
#include "image/image_streams.h"
#include "table/bands.h"
#include "table/editor.h"

namespace tolvin::cli {
namespace {

const QString Usage = QStringLiteral("tolvin-cli image ФАЙЛ [-o ВЫХОД.bin]");

QString hexLine(const QByteArray &bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

int cmdImage(const QStringList &args, QTextStream &out, QTextStream &err) {
    // "-o OUT" may stand anywhere before "--"; the rest is the one FILE.
    QStringList rest;
    QString output;
    bool optionsEnd = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (!optionsEnd && a == QLatin1String("--"))
            optionsEnd = true;
        if (!optionsEnd && a == QLatin1String("-o")) {
            if (i + 1 >= args.size() || !output.isEmpty()) {
                err << (output.isEmpty() ? QStringLiteral("После -o не указан выходной файл")
                                         : QStringLiteral("Параметр -o указан дважды"))
                    << Qt::endl << QStringLiteral("Использование: ") << Usage << Qt::endl;
                return ExitUsage;
            }
            output = args.at(++i);
            continue;
        }
        rest << a;
    }
    QString file;
    int code = ExitOk;
    if (!takeFileArgument(rest, Usage, file, code, out, err))
        return code;

    Editor ed;
    if (!loadAndCheck(ed, file, code, out, err))
        return code;
    const uint8_t type = ed.state.StationType;
    const QByteArray opening = openingSequence(type);
    if (opening.isEmpty()) {
        out << QStringLiteral("Тип радиостанции %1 неизвестен (допустимы %2): при записи в станцию "
                              "ничего не будет передано").arg(QString::number(type), knownTypeCodes())
            << '\n';
        return ExitFailed;
    }
    const QByteArray stream = encodeWriteStream({ed.state.image, ed.state.ModuleType, type});
    if (output.isEmpty()) {
        out << hexLine(opening) << '\n' << hexLine(stream) << '\n';
        return ExitOk;
    }
    try {
        writeFileAtomically(output, opening + stream);
    } catch (const AppError &e) {
        err << e.message() << Qt::endl;
        return ExitUsage;
    }
    return ExitOk;
}

} // namespace tolvin::cli
