// pravelot-cli: converts Jw_cad figure files from the command line.

#include "cli/clihost.h"
#include "cli/commands.h"
#include "core/termination.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

using namespace pravelot;

namespace {

const char *const kUsage =
    "使い方 / usage:\n"
    "  pravelot-cli convert [-o DIR | --beside] [-n NAME] [--verbose] FILE...\n"
    "  pravelot-cli info [--json] FILE...\n"
    "  pravelot-cli render [--size PX] FILE -o OUT.svg\n"
    "  pravelot-cli --help | --version\n"
    "\n"
    "convert  Gathers the whole content of each .jws or .jwk figure file into one named\n"
    "         block and writes it as a new .jws file. Existing files are never\n"
    "         overwritten: a taken name gets a branch number (name~1.jws, name~2.jws ...).\n"
    "         Every file is checked first; an error stops the run before anything is\n"
    "         written, a warning (incomplete data) does not.\n"
    "  -o DIR     write the outputs into DIR (default: the current folder)\n"
    "  --beside   write each output beside its source\n"
    "  -n NAME    block name for every file (default: each file's own name)\n"
    "  --verbose  tell where reading stopped in a damaged file\n"
    "info     Shows kind, version, base point, entity counts, block definitions and\n"
    "         extents of each figure file (--json for scripts).\n"
    "render   Draws a figure file as an SVG picture (texts kept as text); -o - writes\n"
    "         it to the standard output. --size PX: its longer side (default 1024).\n"
    "\n"
    "Exit status: 0 every file converted, 1 a check error or a failed file,\n"
    "             2 usage error, 130 stopped with Ctrl-C.\n"
    "\n"
    "例 / example:\n"
    "  pravelot-cli convert -o ~/blocks parts/door-01.jws parts/window.jwk\n"
    "  pravelot-cli convert --beside -n DOOR parts/*.jws\n"
    "  pravelot-cli render parts/door-01.jws -o door-01.svg\n";

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string &cmd = args.front();
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::cout << kUsage;
        return 0;
    }
    if (cmd == "--version") {
        std::cout << "pravelot-cli " << PRAVELOT_VERSION << "\n";
        return 0;
    }
    // An output being written when the program is told to end is never left behind.
    GuardWritesAgainstSignals();
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (cmd == "convert")
        return runConvert(rest, std::cout, std::cerr);
    if (cmd == "info")
        return runInfo(rest, std::cout, std::cerr);
    if (cmd == "render")
        return runRender(rest, std::cout, std::cerr);
    std::cerr << "pravelot-cli: unknown command '" << cmd << "'\n\n" << kUsage;
    return 2;
}
