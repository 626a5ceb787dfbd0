// The command line as the program sees it on every system.
#pragma once

#include <string>
#include <vector>

namespace pravelot {

// The arguments after the program's name, in UTF-8. On Windows they are read from the
// system's wide-character command line, so that any file name comes through whole
// (argv holds them in the ANSI code page there), and a name with "*" or "?" in its last
// part becomes the files it matches, as a POSIX shell would have done.
std::vector<std::string> commandLineArguments(int argc, char **argv);

} // namespace pravelot
