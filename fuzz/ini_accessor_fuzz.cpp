// SPDX-License-Identifier: GPL-3.0-or-later
// The INI accessor on any file, through any sequence of its operations and of outside writes
// between them: every read agrees with the file as it is at that moment, and a value written
// reads back. The file lives in memory (IniAccessor::Files), kept the way a file system keeps
// one, so an input costs the accessor's work and no disk's.
#include "common/errors.h"
#include "common/file_io.h"
#include "common/text_encoding.h"
#include "fuzz_target.h"
#include "settings_file/ini_accessor.h"

#include <cerrno>
#include <time.h>

namespace {

using namespace tolvin;

// The accessor's file as a file system keeps it: a write sets both times to the clock's, cut to
// the file system's resolution (whole seconds on some, two on FAT, so that two writes within one
// tick leave equal stamps); a safe write renames a new file over it, with a new inode; an outside
// program rewrites it in place. Time passing is the file's times falling behind the clock.
struct MemoryFile {
    enum class Kind { Missing, File, Folder };
    Kind kind = Kind::Missing;
    QByteArray bytes;
    quint64 inode = 0;
    qint64 mtimeNs = 0, ctimeNs = 0;
    qint64 tickNs = 1;
    quint64 version = nextVersion(); // changes with the content, for a reader's cached parse

    static quint64 nextVersion() {
        static quint64 versions = 0;
        return ++versions;
    }

    qint64 now() const {
        timespec ts{};
        ::clock_gettime(CLOCK_REALTIME, &ts); // the accessor's clock
        const qint64 ns = qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
        return ns - ns % tickNs;
    }
    void touch(bool newInode) {
        static quint64 inodes = 0;
        if (newInode)
            inode = ++inodes;
        mtimeNs = ctimeNs = now();
        version = nextVersion();
    }
    void rewrite(const QByteArray &b) { // in place, as an editor or the general settings block
        if (kind == Kind::Folder)
            return;
        const bool created = kind == Kind::Missing;
        kind = Kind::File;
        bytes = b;
        touch(created);
    }
    void remove() {
        if (kind == Kind::File) {
            kind = Kind::Missing;
            version = nextVersion();
        }
    }
    void makeFolder() {
        if (kind == Kind::Missing) {
            kind = Kind::Folder;
            bytes.clear();
            touch(true);
        }
    }
    void removeFolder() {
        if (kind == Kind::Folder) {
            kind = Kind::Missing;
            version = nextVersion();
        }
    }
    void age(qint64 ns) {
        mtimeNs -= ns;
        ctimeNs -= ns;
    }
    // What a fresh reader gets: nothing from a missing file or a folder.
    QByteArray content() const { return kind == Kind::File ? bytes : QByteArray(); }
};

MemoryFile &file() {
    static MemoryFile f;
    return f;
}

const IniAccessor::Files InMemory{
    [](const QString &) {
        const MemoryFile &f = file();
        IniAccessor::Stamp s;
        if (f.kind == MemoryFile::Kind::Missing)
            return s;
        s.exists = true;
        s.dev = 1;
        s.inode = f.inode;
        s.size = f.kind == MemoryFile::Kind::File ? f.bytes.size() : 4096;
        s.mtimeNs = f.mtimeNs;
        s.ctimeNs = f.ctimeNs;
        return s;
    },
    [](const QString &) -> std::optional<QByteArray> {
        const MemoryFile &f = file();
        if (f.kind != MemoryFile::Kind::File || f.bytes.size() > MaxInputFileBytes)
            return std::nullopt;
        return f.bytes;
    },
    [](const QString &path, const QByteArray &bytes) {
        MemoryFile &f = file();
        if (f.kind == MemoryFile::Kind::Folder)
            throw IoError(QStringLiteral("Не удалось записать файл %1: %2").arg(path, describeErrno(EISDIR)));
        f.kind = MemoryFile::Kind::File;
        f.bytes = bytes;
        f.touch(true);
    },
};

// The file as a fresh reader sees it, parsed again only when it changed.
const IniDocument &onDisk() {
    static quint64 parsedVersion = 0;
    static IniDocument parsed;
    if (file().version != parsedVersion) {
        parsed = IniDocument::fromBytes(file().content());
        parsedVersion = file().version;
    }
    return parsed;
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
    static const QString Names[] = {QStringLiteral("Общие установки"), QStringLiteral("1"), QStringLiteral("2"),
                                    QStringLiteral("All"), QStringLiteral("Тип"), QStringLiteral("Rx"),
                                    QStringLiteral("Port"), QStringLiteral("a")};
    return Names[in.byte() % 8];
}

} // namespace

TOLVIN_FUZZ_TARGET(ini_accessor) {
    fuzz::Input in(data, size);
    // Bit 0: whether the file is there at the start; the next bits: the file system's clock tick.
    const uint8_t start = in.byte();
    MemoryFile &disk = file();
    disk = MemoryFile{};
    static constexpr qint64 Ticks[] = {1, 1000000000, 2000000000};
    disk.tickNs = Ticks[(start >> 1) % 3];
    if (start & 1)
        disk.rewrite(in.block());

    IniAccessor ini(QStringLiteral("/fuzz/a.ini"), InMemory);
    static const QString def = QStringLiteral("\x01нет");
    for (int op = 0; op < 48 && !in.empty(); ++op) {
        switch (in.byte() % 10) {
        case 0: {
            const QString s = name(in), k = name(in);
            FUZZ_REQUIRE(ini.ReadText(s, k, def) == onDisk().readText(s, k, def));
            break;
        }
        case 1: {
            const QString s = name(in), k = name(in);
            FUZZ_REQUIRE(ini.ReadNumber(s, k, -7) == onDisk().readNumber(s, k, -7));
            break;
        }
        case 2: {
            const QString s = name(in);
            FUZZ_REQUIRE(ini.HasSection(s) == onDisk().hasSection(s));
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
            const QByteArray now = disk.content();
            if (!isMultiByteUtf8(now) && !now.startsWith("\xEF\xBB\xBF"))
                FUZZ_REQUIRE(ini.ReadText(s, k, def) == withoutBlanks(v));
            break;
        }
        case 5:
            ini.Flush();
            break;
        case 6:
            disk.rewrite(in.block()); // the general settings block goes to disk this way
            break;
        case 7:
            disk.remove();
            break;
        case 8:
            disk.remove();
            disk.makeFolder();
            FUZZ_REQUIRE(ini.ReadText(QStringLiteral("a"), QStringLiteral("b"), def) == def);
            disk.removeFolder();
            break;
        default:
            // Seconds pass: the file's stamp is old enough for the accessor to trust it.
            disk.age(3'000'000'000LL);
            break;
        }
    }
    return 0;
}
