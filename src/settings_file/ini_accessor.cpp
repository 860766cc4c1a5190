// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_file/ini_accessor.h"

#include "common/errors.h"
#include "common/file_io.h"

#include <QFile>

#include <algorithm>

#include <sys/stat.h>
#include <time.h>

namespace tolvin {
namespace {

qint64 nowNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// File systems keep modification times coarsely (kernel ticks, whole seconds on some), so a
// file changed within this window of the last check may carry an unchanged stamp.
constexpr qint64 RacyWindowNs = 2'000'000'000;

} // namespace

IniAccessor::Stamp IniAccessor::fileStamp(const QString &path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    Stamp s;
    s.exists = true;
    s.dev = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

std::optional<QByteArray> IniAccessor::readFile(const QString &path) {
    return tryReadFileBytes(path);
}

void IniAccessor::writeFile(const QString &path, const QByteArray &bytes) {
    writeFileAtomically(path, bytes);
}

const IniDocument &IniAccessor::current() {
    const Stamp now = m_files.stamp(m_path);
    if (m_loaded && now == m_stamp) {
        if (!now.exists)
            return m_doc;
        // The stamp proves nothing while the file's times are this close to our last look;
        // compare the bytes then (the same way version-control tools treat "racy" files).
        if (std::max(now.mtimeNs, now.ctimeNs) + RacyWindowNs < m_checkedAtNs)
            return m_doc;
        const qint64 checkedAt = nowNs();
        const auto bytes = m_files.read(m_path);
        if (bytes && *bytes == m_bytes) {
            m_checkedAtNs = checkedAt;
            return m_doc;
        }
    }
    const qint64 checkedAt = nowNs();
    m_stamp = now;
    const auto bytes = now.exists ? m_files.read(m_path) : std::optional<QByteArray>(QByteArray());
    m_unreadable = !bytes;
    m_bytes = bytes.value_or(QByteArray());
    m_doc = IniDocument::fromBytes(m_bytes);
    m_checkedAtNs = checkedAt;
    m_loaded = true;
    return m_doc;
}

QString IniAccessor::ReadText(const QString &section, const QString &key, const QString &def) {
    return current().readText(section, key, def);
}

int32_t IniAccessor::ReadNumber(const QString &section, const QString &key, int32_t def) {
    return current().readNumber(section, key, def);
}

bool IniAccessor::HasSection(const QString &section) {
    return current().hasSection(section);
}

void IniAccessor::WriteText(const QString &section, const QString &key, const QString &value) {
    IniDocument doc = current();
    if (m_unreadable)
        throw IoError(QStringLiteral("Не удалось записать файл %1: его прежнее содержимое не удалось прочитать")
                          .arg(m_path));
    doc.writeText(section, key, value);
    const QByteArray bytes = doc.toBytes();
    try {
        m_files.write(m_path, bytes);
    } catch (const IoError &) {
        m_loaded = false;
        throw;
    }
    // Keep what the disk holds: a character outside the code page was stored as '?'.
    m_doc = IniDocument::fromBytes(bytes);
    m_bytes = bytes;
    m_stamp = m_files.stamp(m_path);
    m_checkedAtNs = nowNs();
    m_loaded = m_stamp.exists;
    m_unreadable = false;
}

void IniAccessor::WriteNumber(const QString &section, const QString &key, int32_t value) {
    WriteText(section, key, QString::number(value));
}

void IniAccessor::Flush() {
    // Writes are already on disk; only the copy goes, so the next read sees the file as it is.
    m_loaded = false;
    m_doc = IniDocument();
    m_bytes.clear();
}

} // namespace tolvin
