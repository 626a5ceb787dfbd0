// The signals that end a POSIX program by default and that it may catch: each first
// removes the temporary file of an output being written (termination.h). Their
// handlers and the code that makes and names temporary files agree on this one list.
#pragma once

#ifndef _WIN32

#include <csignal>

namespace pravelot {

inline constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGPIPE,   SIGALRM, SIGTERM,
                                         SIGUSR1, SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF};

} // namespace pravelot

#endif
