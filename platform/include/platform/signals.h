// The signals that would end a program in the middle of a write.
#pragma once

#include <signal.h>


namespace platform {

// A write past the user's file size limit (ulimit -f) then fails with "File too large", which
// the program reports and recovers from, instead of ending the program at once without a word
// and with a temporary file or a torn log entry left behind. Programs the process starts get
// the signal's default back.
void ignoreFileSizeSignal();

// While one is alive, an interrupt, a termination request, a hang-up or a quit waits: a file
// renamed away is put back, or its replacement committed, before the signal ends the program.
// The signals are caught for the whole process, whichever thread they reach, and the first
// one caught is raised again when the hold ends, with the handling it had before. A signal
// the process ignores stays ignored. A write to a pipe or socket whose reader has gone fails
// with EPIPE meanwhile, instead of ending the program. Holds nest, also across threads: the
// signals wait until the last one ends.
class HeldSignals {
public:
    HeldSignals();
    ~HeldSignals();
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

    // Whether a signal caught under the hold waits to be raised: long work under a hold can
    // then stop early and leave things as they were, rather than finish what the user stopped.
    static bool pending();
};

}  // namespace platform
