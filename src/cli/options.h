// The one option parser of every command: each command gives a table of its options.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pravelot {

struct CliOption {
    // "-o", "--json" …; either may be empty, not both.
    std::string_view shortName;
    std::string_view longName;
    bool takesValue = false;
    // Called for each occurrence, in order, with the value (empty for a flag).
    std::function<void(const std::string &value)> apply;
};

// Sorts args (the arguments after the command word) into options and operands:
// - "--" ends the options: every argument after it is an operand;
// - "-" alone is an operand (the standard output or input, where a command takes that);
// - an option's value is the next argument, whatever it is (as getopt takes it), or,
//   for a long name, follows "=" in the same argument (--size=512);
// - any other argument that begins with "-" must be an option of the table.
// Returns the operands in order; nullopt after a usage error (an unknown option, a value
// missing at the end), which is written to err in the user's language, naming command.
std::optional<std::vector<std::string>> parseArguments(std::string_view command,
                                                       std::span<const CliOption> options,
                                                       const std::vector<std::string> &args,
                                                       std::ostream &err);

} // namespace pravelot
