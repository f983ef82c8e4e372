#include "platform/signals.h"

namespace platform {
namespace {

// The first signal caught while held (0: none).
volatile sig_atomic_t pendingSignal = 0;

extern "C" void noteSignal(int signal) {
    if (pendingSignal == 0) pendingSignal = signal;
}

}  // namespace

void ignoreFileSizeSignal() { ::signal(SIGXFSZ, SIG_IGN); }

HeldSignals::HeldSignals() {
    pendingSignal = 0;
    struct sigaction noting {};
    noting.sa_handler = noteSignal;
    sigemptyset(&noting.sa_mask);
    noting.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kHeld.size(); ++i) {
        if (::sigaction(kHeld[i], nullptr, &previous_[i]) != 0) continue;
        if (previous_[i].sa_handler == SIG_IGN) continue;
        caught_[i] = ::sigaction(kHeld[i], &noting, nullptr) == 0;
    }
}

HeldSignals::~HeldSignals() {
    for (std::size_t i = 0; i < kHeld.size(); ++i) {
        if (caught_[i]) ::sigaction(kHeld[i], &previous_[i], nullptr);
    }
    const int signal = pendingSignal;
    pendingSignal = 0;
    if (signal != 0) ::raise(signal);
}

}  // namespace platform
