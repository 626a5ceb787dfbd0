#include "cli/commands.h"

#include <ostream>

namespace pravelot {

int runInfo(const std::vector<std::string> &, std::ostream &, std::ostream &err)
{
    err << "pravelot-cli info: not available yet\n";
    return 2;
}

} // namespace pravelot
