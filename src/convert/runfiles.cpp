#include "convert/runfiles.h"

#include "convert/conversionpool.h"
#include "convert/datacheck.h"
#include "convert/outputname.h"
#include "core/path.h"

#include <algorithm>
#include <deque>
#include <future>
#include <memory>
#include <ostream>
#include <thread>

namespace pravelot {

unsigned RunOptions::defaultThreads() { return ConversionPool::defaultWorkers(); }

namespace {

// One row on its way through the run: converted (or being converted) into a file
// without a name, then named and told in its turn.
struct Pending {
    std::size_t row = 0;
    // The name its output wants before any branch number.
    std::u16string wanted;
    // Why the output's folder could not be made; the row is then not converted.
    std::error_code folderError;
    std::future<ConversionOutcome> converting;
    ConversionOutcome outcome;
    // A .jwk source's: the translator's curve-group counter before it was converted, set
    // when its conversion starts.
    std::shared_ptr<std::optional<std::int32_t>> curveBefore;
};

class Run {
public:
    Run(std::span<const SourceRow> rows, const std::optional<std::u16string> &destFolder,
        Converter &conv, RunHost &host, const RunOptions &options, std::ostream *verbose)
        : m_rows(rows), m_dest(destFolder), m_host(host), m_options(options), m_verbose(verbose),
          m_kept(conv.loadedFile() ? std::optional(*conv.loadedFile()) : std::nullopt),
          m_pool(rows.size() > 1 ? options.threads : 0, conv)
    {
    }

    RunSummary go(std::u16string_view escapeLine);
    // Waits for the conversions still running; then the curve-group counter that conv
    // should have after the rows told, when rows dropped by Escape moved it on.
    std::optional<std::int32_t> finish();

private:
    bool mustNameFirst(std::size_t row) const;
    void start(std::size_t row);
    void takeNext();
    bool nameBatch();
    void tell(Pending &p, const std::error_code &flushError);
    void name(Pending &p, const std::optional<std::u16string> &out,
              const std::error_code &flushError);

    std::span<const SourceRow> m_rows;
    const std::optional<std::u16string> &m_dest;
    RunHost &m_host;
    const RunOptions &m_options;
    std::ostream *m_verbose;
    // The file the check left loaded in conv, which conv converts.
    const std::optional<std::u16string> m_kept;
    TakenNames m_names;
    // The output folder made last.
    std::u16string m_madeFolder;
    // Rows started, in order, and rows converted that wait for their batch's names.
    std::deque<Pending> m_started;
    std::vector<Pending> m_batch;
    std::uint64_t m_batchBytes = 0;
    int m_told = 0;
    // Escape came while the lines were told: the rows not yet told are dropped.
    bool m_stoppedTelling = false;
    // The counter of the first .jwk row dropped.
    std::shared_ptr<std::optional<std::int32_t>> m_curveDropped;
    RunSummary m_summary;
    // Destroyed first: its threads end before what their jobs refer to goes.
    ConversionPool m_pool;
};

RunSummary Run::go(std::u16string_view escapeLine)
{
    const std::size_t window = std::max<std::size_t>(m_options.batchFiles, 1);
    std::size_t next = 0;
    bool stopped = false;
    for (;;) {
        // Conversions run ahead of the names by at most one batch, which bounds the
        // files held open.
        while (!stopped && next < m_rows.size() && m_started.size() < window) {
            stopped = m_host.escapePressed();
            if (stopped)
                break;
            if (mustNameFirst(next)) {
                while (!m_started.empty())
                    takeNext();
                if (!nameBatch())
                    break;
            }
            start(next++);
        }
        if (m_started.empty())
            break;
        takeNext();
        const bool last = m_started.empty() && (stopped || next == m_rows.size());
        if (last || m_batch.size() >= window || m_batchBytes >= m_options.batchBytes)
            stopped = !nameBatch() || stopped;
        if (m_stoppedTelling)
            break;
    }
    if (stopped) {
        m_host.appendLogLine(std::u16string(escapeLine));
        m_summary.interrupted = true;
    }
    m_host.progress(m_told + (stopped ? 1 : 0), static_cast<int>(m_rows.size()));
    return std::move(m_summary);
}

// Whether the folders that row's output needs, made now, could take a name that a row
// before it is still to get: a folder whose name ends in ".jws" (in any letter case) that
// does not stand there yet. Those rows are named first, as one file after another would
// have named them before the folder was made.
bool Run::mustNameFirst(std::size_t row) const
{
    const SourceRow &r = m_rows[row];
    if (!m_dest || r.outputFolder.empty() || (m_started.empty() && m_batch.empty()))
        return false;
    const std::u16string folded = foldedName(r.outputFolder);
    bool jwsFolder = false;
    for (std::size_t at = folded.find(u".JWS"); at != std::u16string::npos && !jwsFolder;
         at = folded.find(u".JWS", at + 1)) {
        const std::size_t end = at + 4;
        jwsFolder = end == folded.size() || folded[end] == u'/' || folded[end] == kPathDelim;
    }
    return jwsFolder &&
           !folderExistsSafe(folderOf(wantedOutputPath(r.file, m_dest, r.outputFolder)));
}

void Run::start(std::size_t row)
{
    const SourceRow &r = m_rows[row];
    Pending p;
    p.row = row;
    p.wanted = wantedOutputPath(r.file, m_dest, r.outputFolder);
    // The output's folder below the destination is made first; when it cannot be, the
    // file fails with the system's reason.
    // Rows of one folder follow each other: it is made (or found) once for them.
    if (m_dest && !r.outputFolder.empty() && folderOf(p.wanted) != m_madeFolder) {
        p.folderError = makeOutputFolder(folderOf(p.wanted));
        m_madeFolder = p.folderError ? std::u16string() : folderOf(p.wanted);
    }
    if (!p.folderError) {
        NewFile dst{p.wanted, {}, {}, {}};
        dst.leaveUnnamed = true;
        const bool jwk = FileExtLower(r.file) == u".jwk";
        if (jwk)
            p.curveBefore = std::make_shared<std::optional<std::int32_t>>();
        p.converting = m_pool.submit<ConversionOutcome>(
            [dst = std::move(dst), file = r.file, bn = r.name,
             before = p.curveBefore](Converter &c) {
                if (before)
                    *before = c.JWT.curveNo;
                return c.convert(file, dst, bn);
            },
            jwk || m_kept == r.file);
    }
    m_started.push_back(std::move(p));
}

void Run::takeNext()
{
    Pending p = std::move(m_started.front());
    m_started.pop_front();
    if (p.converting.valid())
        p.outcome = p.converting.get();
    else
        p.outcome.failure = ConversionFailure{ConversionFailure::Step::Create, p.folderError};
    m_batchBytes += p.outcome.bytes;
    m_batch.push_back(std::move(p));
}

// Flushes the batch, then names and tells each row in order; false when Escape stopped
// it before a row, which drops that row and every row after it (converted, perhaps, but
// without a name: as if never started).
bool Run::nameBatch()
{
    std::vector<UnnamedFile *> files;
    for (const Pending &p : m_batch)
        if (p.outcome.unnamed)
            files.push_back(p.outcome.unnamed.get());
    const std::error_code flushError = files.empty() ? std::error_code() : m_options.flush(files);
    for (Pending &p : m_batch) {
        m_stoppedTelling = m_stoppedTelling || m_host.escapePressed();
        if (m_stoppedTelling && p.curveBefore && !m_curveDropped)
            m_curveDropped = p.curveBefore;
        if (!m_stoppedTelling)
            tell(p, flushError);
    }
    m_batch.clear();
    m_batchBytes = 0;
    if (!m_stoppedTelling)
        return true;
    m_pool.dropQueued();
    for (const Pending &p : m_started)
        if (p.curveBefore && !m_curveDropped)
            m_curveDropped = p.curveBefore;
    m_started.clear();
    return false;
}

std::optional<std::int32_t> Run::finish()
{
    m_pool.join();
    // A dropped .jwk row that never started moved nothing, nor did any after it.
    return m_curveDropped ? *m_curveDropped : std::nullopt;
}

// Gives a converted row's output its name, as a run of one file after another would
// have chosen it at this row: every earlier row is named by now.
void Run::name(Pending &p, const std::optional<std::u16string> &out,
               const std::error_code &flushError)
{
    ConversionOutcome &o = p.outcome;
    o.output.clear();
    if (flushError) {
        o.failure = ConversionFailure{ConversionFailure::Step::Write, flushError};
        return;
    }
    // Should another program take the name meanwhile, the file takes the next free
    // branch number instead.
    NewFile file{
        *out, [&](const std::u16string &) { return branchNumberPath(p.wanted, m_names); }, {}, {}};
    if (nameNewFile(*o.unnamed, file))
        o.output = std::move(file.path);
    else
        o.failure = ConversionFailure{ConversionFailure::Step::Place, file.error};
}

void Run::tell(Pending &p, const std::error_code &flushError)
{
    const SourceRow &row = m_rows[p.row];
    m_host.progress(m_told++, static_cast<int>(m_rows.size()));
    // When every branch number is taken there is no name to write to: the file fails,
    // and what was written goes.
    const std::optional<std::u16string> out =
        p.folderError ? std::optional(p.wanted) : branchNumberPath(p.wanted, m_names);
    ConversionOutcome &o = p.outcome;
    if (!out)
        o = ConversionOutcome{{}, ConversionFailure{ConversionFailure::Step::Name, {}}, {}};
    m_host.appendLogLine(row.file);
    if (std::ostream *verbose = m_verbose)
        tellReadProblem(*verbose, row.file, o.readProblem);
    if (o.done())
        name(p, out, flushError);
    o.unnamed.reset();
    m_host.appendLogLine(u"→ " + (o.output.empty() ? out.value_or(u"") : o.output));
    if (!o.readProblem.empty()) {
        m_host.appendRunWarning(row.file + std::u16string(kIncompleteWarning));
        m_summary.warnedRows.push_back(p.row);
    }
    m_host.appendLogLine(u"　…… " + std::u16string(o.done() ? kResultDone : kResultFailed));
    if (o.done()) {
        m_names.placed(o.output);
        ++m_summary.converted;
        m_summary.outputs.emplace_back(row.file, o.output);
    } else {
        ++m_summary.failed;
        m_host.fileFailed(row.file, out.value_or(p.wanted), *o.failure);
    }
    m_host.processEvents();
}

} // namespace

RunSummary runFiles(std::span<const SourceRow> rows,
                    const std::optional<std::u16string> &destFolder, Converter &conv, RunHost &host,
                    std::u16string_view escapeLine, const RunOptions &options)
{
    // Where reading stopped is told with each file's lines, from this thread, not by conv
    // as it reads on another.
    struct VerboseAside {
        Converter &conv;
        std::ostream *verbose = conv.verbose();
        ~VerboseAside() { conv.setVerbose(verbose); }
    } aside{conv};
    conv.setVerbose(nullptr);
    Run run(rows, destFolder, conv, host, options, aside.verbose);
    RunSummary summary = run.go(escapeLine);
    // The files dropped by Escape are as if never converted: the counter goes on from
    // the last one told, as in a run that stopped before them.
    if (const std::optional<std::int32_t> curve = run.finish())
        conv.JWT.curveNo = *curve;
    return summary;
}

} // namespace pravelot
