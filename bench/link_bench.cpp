// One byte there and back through a pseudo-terminal and tolvin-sim (no line-rate pacing): what
// the port and WaitReply add to every byte of an exchange. Reports the median and the 99th
// percentile of single round trips as counters.
#include "station_link/image_streams.h"
#include "station_link/link.h"
#include "station_link/posix_serial_port.h"
#include "station_link/station_memory.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

// tolvin-sim started for the benchmark and stopped by its process id.
class Sim {
public:
    Sim() {
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        char *argv[] = {const_cast<char *>(TOLVIN_SIM_PATH), nullptr};
        if (posix_spawn(&m_pid, TOLVIN_SIM_PATH, &fa, nullptr, argv, environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        char c;
        while (m_pid > 0 && ::read(out[0], &c, 1) == 1 && c != '\n')
            m_path += c;
        ::close(out[0]);
    }
    ~Sim() {
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

void BM_RoundTripOneByte(benchmark::State &state) {
    Sim sim;
    if (sim.path().empty()) {
        state.SkipWithError("tolvin-sim did not start");
        return;
    }
    tolvin::PosixSerialPort port;
    port.open(QString::fromStdString(sim.path()));
    NoObserver observer;
    tolvin::Link link{port, observer};
    // A full 99-channel write, over and over: every byte of it is acknowledged.
    tolvin::StreamImage image = tolvin::defaultStationMemory(0);
    image.image.header[tolvin::HeaderByte::ChannelCount] = 99;
    const QByteArray cycle = tolvin::openingSequence(0) + tolvin::encodeWriteStream(image);

    std::vector<double> micros;
    micros.reserve(1 << 16);
    qsizetype i = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        port.SendByte(uint8_t(cycle[i]));
        if (!tolvin::WaitReply(link)) {
            state.SkipWithError("no reply");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
        i = (i + 1) % cycle.size();
    }
    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    state.counters["max_us"] = micros.back();
}
BENCHMARK(BM_RoundTripOneByte)->UseRealTime()->MinTime(2.0);

} // namespace
