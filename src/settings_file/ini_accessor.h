// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The INI file accessor on one path. Every operation works on the file as it is on disk now:
// the accessor keeps a parsed copy only while the file provably has not changed, so text
// written to the file by other means is seen by the next operation. Writes go to disk at once
// (whole file, safely replaced); Flush drops the copy. Reading never fails: a missing or
// unreadable file reads as empty and every lookup gives its default.
#include "settings_file/ini_document.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace tolvin {

class IniAccessor {
public:
    // What says whether a file changed since the accessor last read it.
    struct Stamp {
        bool exists = false;
        quint64 dev = 0, inode = 0;
        qint64 size = 0, mtimeNs = 0, ctimeNs = 0;
        bool operator==(const Stamp &) const = default;
    };
    using StampReader = Stamp (*)(const QString &path);
    // The file system's own: stat(), times to the nanosecond where the file system keeps them.
    static Stamp fileStamp(const QString &path);

    // The file layer's whole-file read (nothing when it cannot be read) and safe write.
    static std::optional<QByteArray> readFile(const QString &path);
    static void writeFile(const QString &path, const QByteArray &bytes);
    // What the accessor does to its file goes through these: the program's are the file
    // system's; the fuzzer keeps its files in memory, so an input runs the accessor's own logic
    // without a disk in the way.
    struct Files {
        StampReader stamp = fileStamp;
        std::optional<QByteArray> (*read)(const QString &path) = readFile;
        void (*write)(const QString &path, const QByteArray &bytes) = writeFile;
    };

    // Tests stand in a file system that keeps coarse times (whole seconds; FAT keeps two) by a
    // stamp reader of their own.
    explicit IniAccessor(QString path, StampReader stamp = fileStamp)
        : IniAccessor(std::move(path), Files{stamp}) {}
    IniAccessor(QString path, Files files) : m_path(std::move(path)), m_files(files) {}

    QString ReadText(const QString &section, const QString &key, const QString &def);
    int32_t ReadNumber(const QString &section, const QString &key, int32_t def);
    bool HasSection(const QString &section);
    // A write the system refuses raises the safe write's IoError, "Не удалось записать файл
    // <path>: <reason>"; a write into an existing file that cannot be read, which would
    // otherwise replace its content, raises one of the same form.
    void WriteText(const QString &section, const QString &key, const QString &value);
    void WriteNumber(const QString &section, const QString &key, int32_t value);
    void Flush();

    const QString &path() const { return m_path; }

private:
    const IniDocument &current();

    QString m_path;
    Files m_files;
    bool m_loaded = false;
    bool m_unreadable = false; // the file exists but its content could not be read
    Stamp m_stamp;
    qint64 m_checkedAtNs = 0; // wall clock when the copy was last known to match the disk
    QByteArray m_bytes;
    IniDocument m_doc;
};

} // namespace tolvin
