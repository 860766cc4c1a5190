// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The disk failing late, at one of the calls the file layer makes: the call does its work (a
// descriptor is closed even when close reports an error, a write puts part of its bytes down)
// and then reports `err`. Calls are counted from 1; calls `from` to `until` fail.
#include "common/file_io.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvin::test {

class LateDiskFault {
public:
    // Rename and Link are one step: the new name given to a finished file, whichever way.
    enum Call { Write, Fsync, Close, Rename };
    LateDiskFault(Call call, int from, int until, int err) : m_saved(fileCalls()) {
        s_call = call;
        s_from = from;
        s_until = until;
        s_err = err;
        s_count = 0;
        fileCalls().write = [](int fd, const void *d, size_t n) -> ssize_t {
            if (fails(Write)) {
                // Part of it reaches the file, then the disk is full.
                if (n > 1)
                    (void)::write(fd, d, n / 2);
                return -1;
            }
            return ::write(fd, d, n);
        };
        fileCalls().fsync = [](int fd) { return !isFolder(fd) && fails(Fsync) ? -1 : ::fsync(fd); };
        fileCalls().close = [](int fd) {
            ::close(fd);
            return fails(Close) ? -1 : 0;
        };
        fileCalls().rename = [](const char *from, const char *to) { return fails(Rename) ? -1 : ::rename(from, to); };
        fileCalls().link = [](const char *from, const char *to) { return fails(Rename) ? -1 : ::link(from, to); };
    }
    ~LateDiskFault() { fileCalls() = m_saved; }
    LateDiskFault(const LateDiskFault &) = delete;
    LateDiskFault &operator=(const LateDiskFault &) = delete;

    // How many calls of the kind were made: a fault that never came tests nothing.
    static int calls() { return s_count; }

private:
    // A folder's fsync only makes a new name durable and is not counted.
    static bool isFolder(int fd) {
        struct stat st {};
        return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    }
    static bool fails(Call c) {
        if (c != s_call)
            return false;
        ++s_count;
        if (s_count < s_from || s_count > s_until)
            return false;
        errno = s_err;
        return true;
    }
    static inline Call s_call = Write;
    static inline int s_from = 0, s_until = 0, s_err = 0, s_count = 0;
    FileCalls m_saved;
};

} // namespace tolvin::test
