// SPDX-License-Identifier: GPL-3.0-or-later
// tolvin-cli image FILE [-o OUT.bin]: the bytes "Запись данных " would send for a settings file.
#include "cli/arguments.h"
#include "cli/commands.h"

#include "common/file_io.h"
#include "image/image_streams.h"
#include "table/bands.h"
#include "table/editor.h"

namespace tolvin::cli {
namespace {

QString hexLine(const QByteArray &bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

int cmdImage(const QStringList &args, QTextStream &out, QTextStream &err) {
    Arguments a(commandHelp("image"), {{"-o"}});
    if (!a.read(args, out, err))
        return a.exitCode();
    Editor ed;
    int code = ExitOk;
    if (!loadAndCheck(ed, a.file(), code, out, err))
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
    if (a.value("-o").isEmpty()) {
        out << hexLine(opening) << '\n' << hexLine(stream) << '\n';
        return ExitOk;
    }
    writeFileAtomically(a.value("-o"), opening + stream);
    return ExitOk;
}

} // namespace tolvin::cli
