// The command line and the console as the program sees them on every system.
#pragma once

#include <string>
#include <vector>

namespace pravelot {

// The arguments after the program's name, in UTF-8. On Windows they are read from the
// system's wide-character command line, so that any file name comes through whole
// (argv holds them in the ANSI code page there), and a name with "*" or "?" in its last
// part becomes the files it matches, as a POSIX shell would have done.
std::vector<std::string> commandLineArguments(int argc, char **argv);

// Lets the console show the program's UTF-8 output for as long as it runs (Windows; the
// console's own code page comes back at exit). Output into a file or a pipe is UTF-8
// anyway.
void useUtf8Console();

} // namespace pravelot
