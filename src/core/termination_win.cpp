// The Windows side of termination.h: Ctrl-C in a console arrives as SIGINT; there is no
// SIGHUP, SIGXFSZ or SIGTERM from outside to guard against.
#include "core/termination.h"

#include <csignal>

namespace pravelot {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void onInterrupt(int sig)
{
    if (g_interrupted) {
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    g_interrupted = 1;
    // Windows resets the handler before calling it.
    std::signal(sig, onInterrupt);
}

} // namespace

void guardWritesAgainstSignals() {}

void catchInterrupt() { std::signal(SIGINT, onInterrupt); }

bool interruptRequested() { return g_interrupted != 0; }

} // namespace pravelot
