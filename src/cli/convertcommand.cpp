#include "cli/clihost.h"
#include "cli/clitexts.h"
#include "cli/commands.h"
#include "cli/failuretexts.h"
#include "convert/datacheck.h"
#include "convert/runfiles.h"
#include "core/path.h"
#include "core/termination.h"
#include "core/text.h"

#ifdef _WIN32
#include "core/widepath.h"
#endif

#include <filesystem>
#include <optional>
#include <ostream>

namespace pravelot {

namespace {

const char *const kCommand = "pravelot-cli convert";

struct ConvertOptions {
    std::optional<std::u16string> outDir;
    bool beside = false;
    std::optional<std::u16string> name;
    bool verbose = false;
    std::vector<std::u16string> files;
};

// nullopt after a usage error has been reported.
std::optional<ConvertOptions> parse(const std::vector<std::string> &args, std::ostream &err)
{
    ConvertOptions o;
    bool filesOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (!filesOnly && (a == "-o" || a == "-n")) {
            if (i + 1 == args.size()) {
                err << cliText(CliText::NeedsValue, {kCommand, a}) << "\n";
                return std::nullopt;
            }
            // A folder's name is taken as its bytes; a block name is text.
            const std::string &v = args[++i];
            if (a == "-o")
                o.outDir = fromNativePath(v);
            else
                o.name = fromUtf8(v);
        } else if (!filesOnly && a == "--beside") {
            o.beside = true;
        } else if (!filesOnly && a == "--verbose") {
            o.verbose = true;
        } else if (!filesOnly && a == "--") {
            filesOnly = true;
        } else if (!filesOnly && a.size() > 1 && a[0] == '-') {
            err << cliText(CliText::UnknownOption, {kCommand, a}) << "\n";
            return std::nullopt;
        } else {
            o.files.push_back(fromNativePath(a));
        }
    }
    if (o.beside && o.outDir) {
        err << cliText(CliText::OutAndBeside, {kCommand}) << "\n";
        return std::nullopt;
    }
    if (o.files.empty()) {
        err << cliText(CliText::NoFiles, {kCommand}) << "\n";
        return std::nullopt;
    }
    return o;
}

// The current folder as a folder text; "./" when the system cannot tell it.
std::u16string currentFolder()
{
    std::u16string here = std::u16string(u".") + kPathDelim;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::current_path(ec);
    if (ec)
        return here;
#ifdef _WIN32
    return AddPathDelim(fromWide(folder.native()));
#else
    return AddPathDelim(fromNativePath(folder.native()));
#endif
}

} // namespace

int runConvert(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    const std::optional<ConvertOptions> o = parse(args, err);
    if (!o)
        return 2;

    // A folder is no source: it is said so here, rather than by the check's words for a
    // missing file or a bad extension, and stops the run like any check error.
    std::vector<SourceRow> rows;
    rows.reserve(o->files.size());
    bool folderGiven = false;
    for (const std::u16string &f : o->files) {
        if (!f.empty() && folderExistsSafe(f)) {
            err << folderSourceText(f) << "\n";
            folderGiven = true;
            continue;
        }
        rows.push_back({f, o->name ? *o->name : ChangeExtSafe(FileNameOf(f), u"")});
    }

    std::optional<std::u16string> dest;
    if (!o->beside) {
        dest = o->outDir ? AddPathDelim(*o->outDir) : currentFolder();
        if (!folderExistsSafe(*dest)) {
            err << toUtf8(u"指定したフォルダが見つかりません。") << "\n"
                << printableUtf8(*dest) << "\n";
            return 1;
        }
    }

    catchInterrupt();
    CliHost host(out, err);
    Converter conv;
    CheckOutcome check = DataCheck(rows, conv, host);
    const std::string stopped = cliText(CliText::Stopped);
    if (check.interrupted) {
        err << stopped << "\n";
        return 130;
    }
    check.error = check.error || folderGiven;
    if (check.error) {
        err << toUtf8(checkStatusText(check, static_cast<int>(o->files.size()))) << "\n";
        if (check.nameInUse)
            err << cliText(CliText::AnotherName) << "\n";
        return 1;
    }
    if (o->verbose)
        conv.setVerbose(&err);
    const RunSummary run = runFiles(rows, dest, conv, host, fromUtf8(stopped));
    // A log that did not get to its stream (a full disk) fails the run.
    const int status = host.logWatch().finish(out, err, kCommand, run.failed == 0 ? 0 : 1);
    return run.interrupted ? 130 : status;
}

} // namespace pravelot
