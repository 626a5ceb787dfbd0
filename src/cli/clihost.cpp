#include "cli/clihost.h"

#include "core/text.h"

#include <csignal>
#include <ostream>

namespace pravelot {

namespace {
volatile std::sig_atomic_t g_interrupted = 0;

void onInterrupt(int) { g_interrupted = 1; }
} // namespace

void CliHost::appendCheckLine(const std::u16string &line, bool)
{
    m_findings << ToUtf8(line) << '\n' << std::flush;
}

void CliHost::appendLogLine(const std::u16string &line) { m_log << ToUtf8(line) << '\n'; }

bool CliHost::escapePressed() { return interrupted(); }

void CliHost::catchInterrupt()
{
#ifdef _WIN32
    // Windows resets the handler before calling it: the second Ctrl-C ends the program.
    std::signal(SIGINT, onInterrupt);
#else
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sa.sa_flags = static_cast<int>(SA_RESETHAND);
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
#endif
}

bool CliHost::interrupted() { return g_interrupted != 0; }

} // namespace pravelot
