#include "cli/commandline.h"

namespace pravelot {

std::vector<std::string> commandLineArguments(int argc, char **argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

} // namespace pravelot
