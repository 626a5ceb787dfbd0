#include "convert/runfiles.h"

#include "convert/outputname.h"

namespace pravelot {

RunSummary RunFiles(std::span<const SourceRow> rows,
                    const std::optional<std::u16string> &destFolder, Converter &conv, RunHost &host,
                    std::u16string_view escapeLine)
{
    RunSummary summary;
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
        const std::optional<std::u16string> out = OutputPathFor(row.file, destFolder);
        host.appendLogLine(row.file);
        host.appendLogLine(u"→ " + out.value_or(u""));
        const std::u16string result =
            out ? conv.RunProc1(row.file, *out, row.name) : std::u16string(kResultFailed);
        host.appendLogLine(u"　…… " + result);
        if (result == kResultDone) {
            ++summary.converted;
            summary.outputs.emplace_back(row.file, *out);
        } else {
            ++summary.failed;
        }
        host.processEvents();
    }
    host.progress(done, static_cast<int>(rows.size()));
    return summary;
}

} // namespace pravelot
