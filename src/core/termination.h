// How the program ends when it is told to from outside while it writes an output: never
// with a part of a file left behind.
#pragma once

namespace pravelot {

// Call once at start, before any output is written. Every signal that ends a program by
// default and can be caught (SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM,
// SIGUSR1, SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF) then first removes the temporary files
// of outputs being written (see removeUnfinishedFiles) and ends the program as it would
// have; SIGXFSZ (a file-size limit reached) is ignored, so that the write fails and the
// next file goes on. A signal that was ignored when the program started (nohup, a
// background job) stays ignored.
void guardWritesAgainstSignals();

// From now on the first SIGINT (Ctrl-C) only asks the loops to stop before the next
// file (interruptRequested()); a second one removes the temporary file of an output
// being written and ends the program at once.
void catchInterrupt();
bool interruptRequested();

} // namespace pravelot
