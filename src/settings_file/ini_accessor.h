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

    // Tests stand in a file system that keeps coarse times (whole seconds; FAT keeps two) by a
    // stamp reader of their own.
    explicit IniAccessor(QString path, StampReader stamp = fileStamp)
        : m_path(std::move(path)), m_stampOf(stamp) {}

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
    StampReader m_stampOf;
    bool m_loaded = false;
    bool m_unreadable = false; // the file exists but its content could not be read
    Stamp m_stamp;
    qint64 m_checkedAtNs = 0; // wall clock when the copy was last known to match the disk
    QByteArray m_bytes;
    IniDocument m_doc;
};

} // namespace tolvin
