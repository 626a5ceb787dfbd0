#include "convert/runfiles.h"

#include "convert/datacheck.h"
#include "convert/outputname.h"
#include "core/path.h"

namespace pravelot {

RunSummary runFiles(std::span<const SourceRow> rows,
                    const std::optional<std::u16string> &destFolder, Converter &conv, RunHost &host,
                    std::u16string_view escapeLine)
{
    RunSummary summary;
    TakenNames names;
    int done = 0;
    for (const SourceRow &row : rows) {
        host.progress(done++, static_cast<int>(rows.size()));
        if (host.escapePressed()) {
            host.appendLogLine(std::u16string(escapeLine));
            summary.interrupted = true;
            break;
        }
        // When every branch number is taken there is no name to write to: the file fails
        // and nothing is touched.
        const std::u16string wanted = wantedOutputPath(row.file, destFolder, row.outputFolder);
        // The output's folder below the destination is made first; when it cannot be,
        // the file fails with the system's reason.
        const std::error_code folderError = destFolder && !row.outputFolder.empty()
                                                ? makeOutputFolder(folderOf(wanted))
                                                : std::error_code();
        const std::optional<std::u16string> out =
            folderError ? std::optional<std::u16string>(wanted) : branchNumberPath(wanted, names);
        host.appendLogLine(row.file);
        ConversionOutcome outcome;
        if (folderError) {
            outcome.failure = ConversionFailure{ConversionFailure::Step::Create, folderError};
        } else if (out) {
            // Should another run take the name before the file is complete, the file
            // takes the next free branch number instead.
            NewFile dst{*out,
                        [&](const std::u16string &) { return branchNumberPath(wanted, names); },
                        {},
                        {}};
            outcome = conv.convert(row.file, std::move(dst), row.name);
        } else {
            outcome.failure = ConversionFailure{ConversionFailure::Step::Name, {}};
        }
        host.appendLogLine(u"→ " + (outcome.output.empty() ? out.value_or(u"") : outcome.output));
        if (!outcome.readProblem.empty()) {
            host.appendRunWarning(row.file + std::u16string(kIncompleteWarning));
            summary.warnedRows.push_back(static_cast<std::size_t>(done - 1));
        }
        host.appendLogLine(u"　…… " + std::u16string(outcome.done() ? kResultDone : kResultFailed));
        if (outcome.done()) {
            names.placed(outcome.output);
            ++summary.converted;
            summary.outputs.emplace_back(row.file, outcome.output);
        } else {
            ++summary.failed;
            host.fileFailed(row.file, out.value_or(wanted), *outcome.failure);
        }
        host.processEvents();
    }
    host.progress(done, static_cast<int>(rows.size()));
    return summary;
}

} // namespace pravelot
