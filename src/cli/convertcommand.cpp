#include "cli/clihost.h"
#include "cli/clitexts.h"
#include "cli/commands.h"
#include "cli/failuretexts.h"
#include "cli/options.h"
#include "convert/datacheck.h"
#include "convert/outputname.h"
#include "convert/runfiles.h"
#include "convert/sourcetree.h"
#include "core/path.h"
#include "core/termination.h"
#include "core/text.h"

#ifdef _WIN32
#include "core/widepath.h"
#endif

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <set>

namespace pravelot {

namespace {

const char *const kCommand = "pravelot-cli convert";

// The result of a source left out because its output exists: like "変換完了" and
// "変換失敗", the same in every language.
constexpr std::u16string_view kResultSkipped = u"スキップ(出力ファイルが既にあります)";

struct ConvertOptions {
    std::optional<std::u16string> outDir;
    bool beside = false;
    std::optional<std::u16string> name;
    bool verbose = false;
    bool recursive = false;
    bool skipExisting = false;
    std::vector<std::u16string> files;
};

// nullopt after a usage error has been reported.
std::optional<ConvertOptions> parse(const std::vector<std::string> &args, std::ostream &err)
{
    ConvertOptions o;
    const CliOption options[] = {
        {"-o", "", true, [&](const std::string &v) { o.outDir = fromUtf8(v); }},
        {"", "--beside", false, [&](const std::string &) { o.beside = true; }},
        {"-n", "", true, [&](const std::string &v) { o.name = fromUtf8(v); }},
        {"", "--verbose", false, [&](const std::string &) { o.verbose = true; }},
        {"-r", "--recursive", false, [&](const std::string &) { o.recursive = true; }},
        {"", "--skip-existing", false, [&](const std::string &) { o.skipExisting = true; }},
    };
    const std::optional<std::vector<std::string>> files =
        parseArguments(kCommand, options, args, err);
    if (!files)
        return std::nullopt;
    for (const std::string &f : *files)
        o.files.push_back(fromUtf8(f));
    if (o.beside && o.outDir) {
        err << cliText(CliText::OutAndBeside, {kCommand}) << "\n";
        return std::nullopt;
    }
    // No block can be named with nothing; the name given is the same for every file.
    if (o.name && isBlankCell(*o.name)) {
        err << cliText(CliText::BlankName, {kCommand}) << "\n";
        return std::nullopt;
    }
    if (o.files.empty()) {
        err << cliText(CliText::NoFiles, {kCommand}) << "\n";
        return std::nullopt;
    }
    return o;
}

// The current folder as a folder text; "./" when no text names it again (a Linux folder
// whose name is not UTF-8).
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
    const std::u16string name = fromUtf8(folder.native());
    return toUtf8(name) == folder.native() ? AddPathDelim(name) : here;
#endif
}

bool isFolder(const std::u16string &f) { return !f.empty() && folderExistsSafe(f); }

// The rows of the run: each file given, and with -r each figure file below each folder
// given, its output to go into the same folder below the destination.
struct Sources {
    std::vector<SourceRow> rows;
    bool unreadableFolder = false;
    bool stopped = false;
};

std::u16string textOf(const std::filesystem::path &p)
{
#ifdef _WIN32
    return fromWide(p.native());
#else
    return fromUtf8(p.native());
#endif
}

// Where the outputs of the tree below folder go, when that lies inside the tree itself
// (-o parts/out parts): the beginning of the paths of the sources found there, which
// are outputs of earlier runs. Empty when the outputs go elsewhere.
std::u16string outputsInside(const std::u16string &folder,
                             const std::optional<std::u16string> &dest)
{
    if (!dest)
        return {};
    std::error_code e1, e2;
    const std::filesystem::path tree = std::filesystem::weakly_canonical(nativePath(folder), e1);
    const std::filesystem::path out =
        std::filesystem::weakly_canonical(nativePath(*dest + ownFolderPart(folder)), e2);
    if (e1 || e2)
        return {};
    const std::filesystem::path below = out.lexically_relative(tree).lexically_normal();
    if (below.empty() || *below.begin() == "..")
        return {};
    // Outputs mirrored onto the tree itself (cd parts; convert -r .) lie beside their
    // sources: nothing tells them apart.
    if (below == ".")
        return {};
    std::filesystem::path preferred = below;
    return AddPathDelim(AddPathDelim(folder) + textOf(preferred.make_preferred()));
}

void addTree(const ConvertOptions &o, const std::u16string &folder,
             const std::optional<std::u16string> &dest, Sources &s, std::ostream &err)
{
    const SourceTree tree = findSources(folder, [] { return interruptRequested(); });
    s.stopped = tree.stopped;
    // Like cp -r, a run never takes in its own outputs.
    const std::u16string outputs = outputsInside(folder, dest);
    for (const FoundSource &f : tree.sources)
        if (outputs.empty() || !f.path.starts_with(outputs))
            s.rows.push_back(
                {f.path, o.name ? *o.name : ChangeExtSafe(FileNameOf(f.path), u""), f.folder});
    for (const SourceTree::Unreadable &u : tree.unreadable)
        err << folderUnreadableText(u.folder, u.error) << "\n";
    s.unreadableFolder = s.unreadableFolder || !tree.unreadable.empty();
    if (!o.verbose)
        return;
    for (const std::u16string &f : tree.notFollowed)
        err << cliText(CliText::NotFollowed, {kCommand, toUtf8(f)}) << "\n";
    if (!outputs.empty())
        err << cliText(CliText::OutputsNotTaken, {kCommand, toUtf8(outputs)}) << "\n";
    if (tree.otherFiles > 0)
        err << cliText(CliText::OtherFiles,
                       {kCommand, std::to_string(tree.otherFiles), toUtf8(folder)})
            << "\n";
}

Sources gatherSources(const ConvertOptions &o, const std::optional<std::u16string> &dest,
                      std::ostream &err)
{
    Sources s;
    for (const std::u16string &f : o.files) {
        if (o.recursive && isFolder(f))
            addTree(o, f, dest, s, err);
        else
            s.rows.push_back({f, o.name ? *o.name : ChangeExtSafe(FileNameOf(f), u"")});
        if (s.stopped)
            break;
    }
    return s;
}

// The name the output of row takes when nothing else stands in its way: its wanted name,
// or, when that is the source itself (a .jws beside itself), the first branch number.
std::u16string firstChoiceOutput(const SourceRow &row, const std::optional<std::u16string> &dest)
{
    std::u16string wanted = wantedOutputPath(row.file, dest, row.outputFolder);
    const std::optional<FileIdentity> self = fileIdentityOf(row.file);
    if (self && fileIdentityOf(wanted) == self)
        return ChangeExtSafe(wanted, u"") + u"~1" + FileExtLower(wanted);
    return wanted;
}

// Leaves out of rows every source whose first-choice output is taken (as the branch
// number rule counts names taken), logging it as skipped; returns how many.
int leaveOutExisting(std::vector<SourceRow> &rows, const std::optional<std::u16string> &dest,
                     RunHost &log)
{
    TakenNames names;
    std::vector<SourceRow> kept;
    int skipped = 0;
    for (SourceRow &row : rows) {
        const std::u16string first = firstChoiceOutput(row, dest);
        if (!names.taken(first)) {
            kept.push_back(std::move(row));
            continue;
        }
        log.appendLogLine(row.file);
        log.appendLogLine(u"→ " + first);
        log.appendLogLine(u"　…… " + std::u16string(kResultSkipped));
        ++skipped;
    }
    rows = std::move(kept);
    return skipped;
}

// What the run did, for its last line and its exit status.
struct Tally {
    int converted = 0, failed = 0, skipped = 0;
    std::set<std::size_t> warned; // rows, by their index in the checked list
    bool unreadableFolder = false;
};

int finish(const Tally &t, std::ostream &out)
{
    out << cliText(CliText::Summary, {std::to_string(t.converted), std::to_string(t.failed),
                                      std::to_string(t.skipped), std::to_string(t.warned.size())})
        << "\n"
        << std::flush;
    // Ctrl-C asked the run to stop: it did, once the file in progress was done (or that
    // was the last one).
    if (interruptRequested())
        return 130;
    return t.failed > 0 || t.unreadableFolder ? 1 : 0;
}

// The rows without those at the given indices (ascending); original receives the index
// each kept row had.
std::vector<SourceRow> without(const std::vector<SourceRow> &rows,
                               const std::vector<std::size_t> &indices,
                               std::vector<std::size_t> &original)
{
    std::vector<SourceRow> kept;
    auto next = indices.begin();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (next != indices.end() && *next == i) {
            ++next;
            continue;
        }
        kept.push_back(rows[i]);
        original.push_back(i);
    }
    return kept;
}

// Checks the rows, then converts those that may be; the tally gets their counts.
void checkAndRun(const ConvertOptions &o, const std::vector<SourceRow> &rows,
                 const std::optional<std::u16string> &dest, Tally &t, std::ostream &out,
                 std::ostream &err)
{
    CliHost host(out, err);
    Converter conv;
    const CheckOutcome check = DataCheck(rows, conv, host);
    const std::string stopped = cliText(CliText::Stopped);
    t.warned.insert(check.warningRows.begin(), check.warningRows.end());
    t.failed = static_cast<int>(check.errorRows.size());
    if (check.interrupted) {
        err << stopped << "\n";
        return;
    }
    if (check.error && !o.recursive)
        err << toUtf8(checkStatusText(check, static_cast<int>(rows.size()))) << "\n";
    else if (check.error)
        err << cliText(CliText::PassedOver, {kCommand, std::to_string(check.errorRows.size()),
                                             std::to_string(rows.size())})
            << "\n";
    if (check.nameInUse)
        err << cliText(CliText::AnotherName) << "\n";
    // Without -r an error stops everything; with it, only the files with errors are
    // passed over, so that one damaged part cannot stop a library of thousands.
    if (check.error && !o.recursive)
        return;
    if (o.verbose)
        conv.setVerbose(&err);
    std::vector<std::size_t> original;
    const std::vector<SourceRow> runRows = without(rows, check.errorRows, original);
    const RunSummary run = runFiles(runRows, dest, conv, host, fromUtf8(stopped));
    out.flush();
    t.converted = run.converted;
    t.failed += run.failed;
    for (std::size_t r : run.warnedRows)
        t.warned.insert(original[r]);
}

} // namespace

int runConvert(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    const std::optional<ConvertOptions> o = parse(args, err);
    if (!o)
        return 2;
    // A folder is no source: without -r that is said before anything else is done.
    if (!o->recursive)
        for (const std::u16string &f : o->files)
            if (isFolder(f)) {
                err << cliText(CliText::FolderNeedsRecursive, {kCommand, toUtf8(f)}) << "\n";
                return 2;
            }

    std::optional<std::u16string> dest;
    if (!o->beside) {
        dest = o->outDir ? AddPathDelim(*o->outDir) : currentFolder();
        if (!folderExistsSafe(*dest)) {
            err << cliText(CliText::FolderNotFound) << "\n" << toUtf8(*dest) << "\n";
            return 1;
        }
    }

    catchInterrupt();
    Tally t;
    Sources sources = gatherSources(*o, dest, err);
    t.unreadableFolder = sources.unreadableFolder;
    if (sources.stopped) {
        err << cliText(CliText::Stopped) << "\n";
        return finish(t, out);
    }
    if (o->skipExisting) {
        CliHost log(out, err);
        t.skipped = leaveOutExisting(sources.rows, dest, log);
    }
    if (!sources.rows.empty())
        checkAndRun(*o, sources.rows, dest, t, out, err);
    return finish(t, out);
}

} // namespace pravelot
