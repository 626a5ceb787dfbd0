// The commands of pravelot-cli. Each takes its arguments (after the command word) and
// returns the exit status.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace pravelot {

int runConvert(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);
int runInfo(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);
int runRender(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

} // namespace pravelot
