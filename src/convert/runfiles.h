// The conversion run over a list of sources.
#pragma once

#include "convert/converter.h"
#include "convert/runhost.h"

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace pravelot {

struct RunSummary {
    int converted = 0;
    int failed = 0;
    bool interrupted = false;
    // The rows whose source was read only in part, ascending.
    std::vector<std::size_t> warnedRows;
    // Each converted source with the file written from it, in run order.
    std::vector<std::pair<std::u16string, std::u16string>> outputs;
};

inline constexpr std::u16string_view kEscapeLogLine = u"[ESC]を押しましたので中断します。";

// Converts every row in order into destFolder (a folder text ending in a separator), or
// beside each source when destFolder is nullopt. Per file the log gets the source path,
// "→ " and the output path, and "　…… " and the result; a source read only in part adds
// the check's warning line as a run warning before the result, and a failed file is
// told to the host with its reason. Before each file the host is asked about Escape;
// escapeLine is then logged and the run stops.
RunSummary runFiles(std::span<const SourceRow> rows,
                    const std::optional<std::u16string> &destFolder, Converter &conv, RunHost &host,
                    std::u16string_view escapeLine = kEscapeLogLine);

} // namespace pravelot
