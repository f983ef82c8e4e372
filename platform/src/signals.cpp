#include "platform/signals.h"

#include <initializer_list>

namespace platform {

void ignoreFileSizeSignal() { ::signal(SIGXFSZ, SIG_IGN); }

HeldSignals::HeldSignals() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&held, signal);
    held_ = ::pthread_sigmask(SIG_BLOCK, &held, &previous_) == 0;
}

// A signal that came meanwhile is delivered here, as the mask is given back.
HeldSignals::~HeldSignals() {
    if (held_) ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace platform
