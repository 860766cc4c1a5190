// SPDX-License-Identifier: GPL-3.0-or-later
// The INI accessor on any file, through any sequence of its operations and of outside writes
// between them: every read agrees with the file as it is on disk at that moment, and a value
// written reads back.
#include "common/errors.h"
#include "common/text_encoding.h"
#include "fuzz_target.h"
#include "common/file_io.h"
#include "settings_file/ini_accessor.h"

#include <QDir>
#include <QFile>

namespace {

using namespace tolvin;

void putRaw(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

// The file as a fresh reader sees it.
IniDocument onDisk(const QString &path) {
    return IniDocument::fromBytes(tryReadFileBytes(path).value_or(QByteArray()));
}

QString withoutBlanks(const QString &s) {
    qsizetype b = 0, e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t'))
        ++b;
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t'))
        --e;
    return s.mid(b, e - b);
}

// A name from a small alphabet, so that operations meet each other's sections and keys.
QString name(fuzz::Input &in) {
    if (in.flag())
        return in.text(12);
    static const char16_t *const Names[] = {u"Общие установки", u"1", u"2", u"All", u"Тип", u"Rx", u"Port", u"a"};
    return QString::fromUtf16(Names[in.byte() % 8]);
}

} // namespace

TOLVIN_FUZZ_TARGET(ini_accessor) {
    // What reaches the disk is not the question here; waiting for it would slow every write to
    // the disk's pace.
    struct NoSync {
        FileCalls saved = fileCalls();
        NoSync() { fileCalls().fsync = [](int) { return 0; }; }
        ~NoSync() { fileCalls() = saved; }
    } noSync;
    fuzz::Input in(data, size);
    const QString path = fuzz::scratchFolder() + QStringLiteral("/a.ini");
    QFile::remove(path);
    QDir(path).removeRecursively();
    if (in.flag())
        putRaw(path, in.block());

    IniAccessor ini(path);
    const QString def = QStringLiteral("\x01нет");
    for (int op = 0; op < 48 && !in.empty(); ++op) {
        switch (in.byte() % 9) {
        case 0: {
            const QString s = name(in), k = name(in);
            FUZZ_REQUIRE(ini.ReadText(s, k, def) == onDisk(path).readText(s, k, def));
            break;
        }
        case 1: {
            const QString s = name(in), k = name(in);
            FUZZ_REQUIRE(ini.ReadNumber(s, k, -7) == onDisk(path).readNumber(s, k, -7));
            break;
        }
        case 2: {
            const QString s = name(in);
            FUZZ_REQUIRE(ini.HasSection(s) == onDisk(path).hasSection(s));
            break;
        }
        case 3:
        case 4: {
            const QString s = name(in), k = name(in);
            const bool number = in.flag();
            const int32_t n = int32_t(in.word()) - 30000;
            const QString v = number ? QString::number(n) : in.text(40);
            try {
                if (number)
                    ini.WriteNumber(s, k, n);
                else
                    ini.WriteText(s, k, v);
            } catch (const IoError &) {
                break; // the path is a folder, or the file cannot be read
            } catch (const AppError &) {
                break; // a name or value that would break the line structure
            }
            // A file of ours is code page 1251; whether its bytes also pass for UTF-8 is the
            // reader's guess (text_encoding.h), not the accessor's promise.
            const QByteArray now = tryReadFileBytes(path).value_or(QByteArray());
            if (!isMultiByteUtf8(now) && !now.startsWith("\xEF\xBB\xBF"))
                FUZZ_REQUIRE(ini.ReadText(s, k, def) == withoutBlanks(v));
            break;
        }
        case 5:
            ini.Flush();
            break;
        case 6:
            putRaw(path, in.block()); // the general settings block goes to disk this way
            break;
        case 7:
            QFile::remove(path);
            break;
        default:
            QFile::remove(path);
            QDir().mkdir(path);
            FUZZ_REQUIRE(ini.ReadText(QStringLiteral("a"), QStringLiteral("b"), def) == def);
            QDir().rmdir(path);
            break;
        }
    }
    QFile::remove(path);
    return 0;
}
