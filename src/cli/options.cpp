#include "cli/options.h"

#include "cli/clitexts.h"

#include <ostream>

namespace pravelot {

namespace {

const CliOption *findOption(std::span<const CliOption> options, std::string_view name)
{
    for (const CliOption &o : options)
        if (name == o.shortName || name == o.longName)
            return &o;
    return nullptr;
}

} // namespace

std::optional<std::vector<std::string>> parseArguments(std::string_view command,
                                                       std::span<const CliOption> options,
                                                       const std::vector<std::string> &args,
                                                       std::ostream &err)
{
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--") {
            operands.insert(operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                            args.end());
            break;
        }
        if (a.size() < 2 || a[0] != '-') {
            operands.push_back(a);
            continue;
        }
        // --name=value: only long names take their value in the same argument.
        const std::size_t equals = a.starts_with("--") ? a.find('=') : std::string::npos;
        const std::string_view name = std::string_view(a).substr(0, equals);
        const CliOption *o = findOption(options, name);
        if (!o || (equals != std::string::npos && !o->takesValue)) {
            err << cliText(CliText::UnknownOption, {command, a}) << "\n";
            return std::nullopt;
        }
        if (!o->takesValue) {
            o->apply({});
        } else if (equals != std::string::npos) {
            o->apply(a.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            o->apply(args[++i]);
        } else {
            err << cliText(CliText::NeedsValue, {command, a}) << "\n";
            return std::nullopt;
        }
    }
    return operands;
}

} // namespace pravelot
