// The POSIX side of termination.h: signal handlers.
#include "core/termination.h"

#include "core/file.h"
#include "core/terminationsignals.h"

#include <csignal>

namespace pravelot {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

bool ignoredAtStart(int sig)
{
    struct sigaction old {};
    return sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN;
}

void install(int sig, void (*handler)(int), int flags)
{
    struct sigaction sa {};
    sa.sa_handler = handler;
    sa.sa_flags = flags;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
}

// Runs with the signal blocked and its default action restored (SA_RESETHAND): the
// raised signal ends the program as soon as the handler returns.
void endAfterCleanUp(int sig)
{
    removeUnfinishedFiles(true);
    std::raise(sig);
}

void onInterrupt(int sig)
{
    if (!g_interrupted) {
        g_interrupted = 1;
        return;
    }
    removeUnfinishedFiles(true);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

} // namespace

void guardWritesAgainstSignals()
{
    std::signal(SIGXFSZ, SIG_IGN);
    for (int sig : kEndingSignals)
        if (!ignoredAtStart(sig))
            install(sig, endAfterCleanUp, static_cast<int>(SA_RESETHAND));
}

void catchInterrupt()
{
    struct sigaction old {};
    if (sigaction(SIGINT, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
        return;
    install(SIGINT, onInterrupt, 0);
}

bool interruptRequested() { return g_interrupted != 0; }

} // namespace pravelot
