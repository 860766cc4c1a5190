// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs part of a test as an ordinary user. Permission bits do not stop root, and CI runs as
// root: a test of a read-only file or folder run there directly would prove nothing. Under
// root the body runs in a forked child that has dropped to user and group 65534 (nobody);
// otherwise it runs as it is. The body uses the usual EXPECT and ASSERT macros; the child prints
// its failures and the parent fails the test when the child did.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tolvin::test {

constexpr uid_t UnprivilegedId = 65534;

inline bool runningAsRoot() { return ::geteuid() == 0; }

inline void runUnprivileged(const std::function<void()> &body) {
    if (!runningAsRoot()) {
        body();
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const bool failedBefore = ::testing::Test::HasFailure();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0) << "fork";
    if (pid == 0) {
        int code = 3;
        if (::setgroups(0, nullptr) == 0 && ::setresgid(UnprivilegedId, UnprivilegedId, UnprivilegedId) == 0 &&
            ::setresuid(UnprivilegedId, UnprivilegedId, UnprivilegedId) == 0) {
            body();
            code = ::testing::Test::HasFailure() && !failedBefore ? 1 : 0;
        } else {
            std::fprintf(stderr, "could not become user %u\n", unsigned(UnprivilegedId));
        }
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the part run as user " << UnprivilegedId << " failed (its messages are above)";
}

} // namespace tolvin::test
