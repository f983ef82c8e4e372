#include "platform/signals.h"

#include <array>
#include <mutex>

namespace platform {
namespace {

// The first signal caught while held (0: none).
volatile sig_atomic_t pendingSignal = 0;

extern "C" void noteSignal(int signal) {
    if (pendingSignal == 0) pendingSignal = signal;
}

// Holds may nest (a file appended to while a document is being replaced) and may be taken on
// several threads: the handling the process had is saved by the first hold and given back,
// with the signal caught meanwhile, by the last.
std::mutex holdMutex;
int holders = 0;
constexpr std::array<int, 4> kHeld{SIGINT, SIGTERM, SIGHUP, SIGQUIT};
std::array<struct sigaction, kHeld.size()> previous{};
std::array<bool, kHeld.size()> caught{};
// A message written to a terminal or pipe whose reader has gone (markwise -T page.html 2>&1 |
// head -1) fails instead of ending the program before the document is put back.
struct sigaction previousPipe {};
bool pipeIgnored = false;

}  // namespace

void ignoreFileSizeSignal() { ::signal(SIGXFSZ, SIG_IGN); }

HeldSignals::HeldSignals() {
    const std::lock_guard lock(holdMutex);
    if (holders++ > 0) return;
    pendingSignal = 0;
    struct sigaction noting {};
    noting.sa_handler = noteSignal;
    sigemptyset(&noting.sa_mask);
    noting.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kHeld.size(); ++i) {
        caught[i] = false;
        if (::sigaction(kHeld[i], nullptr, &previous[i]) != 0) continue;
        if (previous[i].sa_handler == SIG_IGN) continue;
        caught[i] = ::sigaction(kHeld[i], &noting, nullptr) == 0;
    }
    struct sigaction ignoring {};
    ignoring.sa_handler = SIG_IGN;
    sigemptyset(&ignoring.sa_mask);
    pipeIgnored = ::sigaction(SIGPIPE, &ignoring, &previousPipe) == 0;
}

bool HeldSignals::pending() { return pendingSignal != 0; }

HeldSignals::~HeldSignals() {
    int signal = 0;
    {
        const std::lock_guard lock(holdMutex);
        if (--holders > 0) return;
        for (std::size_t i = 0; i < kHeld.size(); ++i) {
            if (caught[i]) ::sigaction(kHeld[i], &previous[i], nullptr);
        }
        if (pipeIgnored) ::sigaction(SIGPIPE, &previousPipe, nullptr);
        signal = pendingSignal;
        pendingSignal = 0;
    }
    if (signal != 0) ::raise(signal);
}

}  // namespace platform
