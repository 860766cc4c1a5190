// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/interruption.h"

#include <atomic>
#include <csignal>

namespace tolvin::cli {
namespace {

constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};

// Lock-free atomics are the only state a signal handler may touch.
std::atomic<bool> stopRequested{false};
std::atomic<int> signalCaught{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

struct sigaction savedActions[std::size(Signals)];

extern "C" void onSignal(int sig) {
    int none = 0;
    signalCaught.compare_exchange_strong(none, sig);
    stopRequested.store(true);
}

} // namespace

Interruption::Interruption() {
    stopRequested.store(false);
    signalCaught.store(0);
    for (std::size_t i = 0; i < std::size(Signals); ++i) {
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        // No SA_RESTART: a wait for the station's reply wakes up at once. SA_RESETHAND: the
        // second signal is the system's again.
        sa.sa_flags = SA_RESETHAND;
        sigaction(Signals[i], &sa, &savedActions[i]);
    }
}

Interruption::~Interruption() {
    for (std::size_t i = 0; i < std::size(Signals); ++i)
        sigaction(Signals[i], &savedActions[i], nullptr);
}

StopFlag Interruption::flag() const {
    return &stopRequested;
}

int Interruption::signal() const {
    return signalCaught.load();
}

int Interruption::exitCode(int code) const {
    const int sig = signal();
    return sig == 0 ? code : 128 + sig;
}

} // namespace tolvin::cli
