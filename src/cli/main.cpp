// pravelot-cli: converts Jw_cad figure files from the command line.

#include "cli/clihost.h"
#include "cli/clitexts.h"
#include "cli/commandline.h"
#include "cli/commands.h"
#include "core/console.h"
#include "core/termination.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

using namespace pravelot;

int main(int argc, char **argv)
{
    useConsoleForText();
    setUserLanguage(userLanguageFromEnvironment());
    const std::string usage = cliText(CliText::Usage);
    const std::vector<std::string> args = commandLineArguments(argc, argv);
    if (args.empty()) {
        std::cerr << usage;
        return 2;
    }
    const std::string &cmd = args.front();
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::cout << usage;
        return 0;
    }
    if (cmd == "--version") {
        std::cout << "pravelot-cli " << PRAVELOT_VERSION << "\n";
        return 0;
    }
    // An output being written when the program is told to end is never left behind.
    guardWritesAgainstSignals();
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (cmd == "convert")
        return runConvert(rest, std::cout, std::cerr);
    if (cmd == "info")
        return runInfo(rest, std::cout, std::cerr);
    if (cmd == "render")
        return runRender(rest, std::cout, std::cerr);
    std::cerr << cliText(CliText::UnknownCommand, {cmd}) << "\n\n" << usage;
    return 2;
}
