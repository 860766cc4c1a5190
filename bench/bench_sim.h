// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// tolvin-sim for a benchmark: started with its options, stopped by its process id.
#include "station_link/link.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

class BenchSim {
public:
    explicit BenchSim(std::vector<std::string> args = {}) {
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<char *> argv{const_cast<char *>(TOLVIN_SIM_PATH)};
        for (std::string &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, TOLVIN_SIM_PATH, &fa, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        char c;
        while (m_pid > 0 && ::read(out[0], &c, 1) == 1 && c != '\n')
            m_path += c;
        ::close(out[0]);
    }
    ~BenchSim() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string &path() const { return m_path; }

private:
    pid_t m_pid = -1;
    std::string m_path;
};

struct NoObserver : tolvin::LinkObserver {
    void status(const QString &) override {}
    void gauge(int) override {}
    void buttonsEnabled(bool) override {}
};
