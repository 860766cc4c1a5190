// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole-file reads and safe whole-file writes with Russian reasons in their errors.
#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

#include <sys/types.h>

namespace tolvin {

// The largest file the program reads. A settings file of 99 channels is about 24 KB and a
// thousand full channel sections stay well below this; anything larger is not a file of ours,
// and refusing it keeps every load, check and save of an accepted file quick and small.
constexpr qint64 MaxInputFileBytes = 1024 * 1024;

// The program's folder under an XDG base directory: $VARIABLE/tolvin, else ~/homeFallback/tolvin
// (a relative XDG path is invalid by the base directory rules and is ignored).
QString userFolder(const char *variable, const QString &homeFallback);
// userFolder("XDG_DATA_HOME", ".local/share"): backups and the bench's journal.
QString dataFolder();
// userFolder("XDG_CONFIG_HOME", ".config"): the options file, tolvin.ini, window.ini.
QString configFolder();
// dataFolder()/backups: what a station held before a write, and what a cut-off save left.
QString backupFolder();

// The reason behind an errno value, in the words a technician reads in a message box.
QString describeErrno(int err);

// "1 МБ", "100 байт": a size limit as a message gives it.
QString sizeText(qint64 bytes);
// "файл слишком велик (больше 1 МБ)": the reason for a file past a size limit.
QString tooBigReason(qint64 maxBytes);

// Reads the whole file. Throws IoError "Не удалось прочитать файл <path>: <reason>" when it is
// missing, a folder, not readable, or larger than maxBytes.
QByteArray readFileBytes(const QString &path, qint64 maxBytes = MaxInputFileBytes);
// The same without the error: nothing when the file cannot be read.
std::optional<QByteArray> tryReadFileBytes(const QString &path, qint64 maxBytes = MaxInputFileBytes);

// Writes the whole file so that a failure at any step leaves the old content as it was, and
// keeps what the user relies on about the file:
// - Normally a temporary file in the target's folder is written, put on disk and renamed over
//   the target, with the old file's mode, owner and group.
// - Where a rename would change something, the file is rewritten in place instead, after a
//   whole copy of its old bytes has been put on disk: beside the file when only the folder's
//   owner may write there, else in the user's own cache folder ($XDG_CACHE_HOME/tolvin, made
//   0700; refused when another user owns it). The copy goes once the new content is on disk,
//   and stays, named in the error, only when the old content could not be put back. That is
//   the case for a file with other hard links (they would keep the old content), for a file
//   whose owner or group a new file of ours could not take, and for a writable file in a
//   folder we may not write.
// Once the new content is on disk, copies left by earlier saves of the file that were cut off
// move to dataFolder()/backups as "NAME-прерванная-запись-YYYYMMDD-HHMMSS.EXT", so the file
// loads again; the copy of a save still running in another process stays.
// A symbolic link is followed: the file it points to is written, the link stays. An existing
// file we may not write to is refused (the rename would get past its read-only mode).
// Throws IoError "Не удалось записать файл <path>: <reason>".
void writeFileAtomically(const QString &path, const QByteArray &bytes);

// Puts `bytes` on disk under the first of the names nameFor(1), nameFor(2), ... nameFor(tries)
// (all in one folder) that no file nor symbolic link has yet, and returns that name; empty when
// all are taken. The content goes to a temporary file first and is linked to its name at the
// end, so a name never shows half a file and two processes never both take one. Throws
// IoError "Не удалось записать файл <name>: <reason>" on any other failure, leaving nothing.
QString writeNewFile(const std::function<QString(int)> &nameFor, int tries, const QByteArray &bytes);

// The copy of the old bytes left by a write in place that never finished (the process was
// killed between the two), or an empty string. While there is one, the file may hold the new
// bytes up to where the write stopped and the old ones after that. Of several, the oldest: it
// holds the last whole content. Only the places a copy is ever put are looked at; a name in a
// folder other users may write is nobody's word.
QString interruptedWriteCopy(const QString &path);

// readFileBytes for the files the program saves itself (settings files, CSV): refuses a file
// whose last save in place was interrupted with InterruptedSaveError
// "Запись файла <path> была прервана; прежняя версия сохранена в <copy>".
QByteArray readSavedFileBytes(const QString &path);

// The system calls through which the file layer puts bytes on disk, where a full disk, a
// network share or a failing USB stick reports late. Tests put failing ones in their place.
struct FileCalls {
    ssize_t (*write)(int fd, const void *data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char *from, const char *to);
    int (*link)(const char *from, const char *to);
};
FileCalls &fileCalls();

} // namespace tolvin
