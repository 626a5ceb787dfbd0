// The conversion run over a list of sources.
#pragma once

#include "convert/converter.h"
#include "convert/runhost.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <system_error>
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

// How a run converts and writes.
struct RunOptions {
    // Threads that convert at once, each with a converter of its own; 0: every file on
    // the calling thread. A run of one file never starts one.
    unsigned threads = defaultThreads();
    // Outputs are written without names and flushed to the disk together, a batch at a
    // time, before each gets its name: at most this many files, and a batch is closed
    // once its outputs reach this many bytes. They bound the files held open and what a
    // flush has to write, not the memory, which the page cache holds.
    std::size_t batchFiles = 128;
    std::uint64_t batchBytes = std::uint64_t{64} << 20;
    // Flushes a batch to the disk (syncFiles); a failure fails every file of the batch.
    std::function<std::error_code(std::span<UnnamedFile *const>)> flush = syncFiles;

    // One for each processor.
    static unsigned defaultThreads();
};

// Converts every row into destFolder (a folder text ending in a separator) followed by
// the row's output folder, or beside each source when destFolder is nullopt, on
// options.threads threads: .jws sources anywhere, .jwk sources one after another on
// conv, whose translator's curve-group counter goes on from file to file as in a run on
// one thread (so does a file conv holds loaded from the check). Every output, its name
// and every line come out as a run of one file after another gives them: per file the
// log gets the source path, "→ " and the output path, and "　…… " and the result, in the
// order of the rows; a source read only in part adds the check's warning line as a run
// warning before the result, and a failed file is told to the host with its reason.
// The lines of a file come once its batch has its names. An output gets its name only
// once its bytes are on the disk; a batch whose flush fails fails whole, and none of its
// files gets a name. Before each file is started the host is asked about Escape;
// escapeLine is then logged after the files started before, and the run stops.
RunSummary runFiles(std::span<const SourceRow> rows,
                    const std::optional<std::u16string> &destFolder, Converter &conv, RunHost &host,
                    std::u16string_view escapeLine = kEscapeLogLine,
                    const RunOptions &options = {});

} // namespace pravelot
