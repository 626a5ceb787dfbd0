// The checks before a conversion run, and the listing of block definitions in files.
#pragma once

#include "convert/converter.h"
#include "convert/runhost.h"

#include <span>
#include <string>

namespace pravelot {

struct CheckOutcome {
    bool interrupted = false;
    bool error = false;
    bool warning = false;
    // Among the errors: a row's block name is already a block name in its file.
    bool nameInUse = false;
    // The run may start: no error and no interruption (warnings do not stop it).
    bool runMayStart() const { return !interrupted && !error; }
};

// The warning, after the file's path, that a file could be read only in part.
inline constexpr std::u16string_view kIncompleteWarning =
    u" -- ファイルデータが欠落しています(データ変換は行われます)";

// A file cell with nothing but spaces, ideographic spaces and control characters.
bool IsBlankCell(std::u16string_view file);

// Reads every row's file once and appends a line for each problem found (selected, so
// the list follows it). Asks the host about Escape before every row.
CheckOutcome DataCheck(std::span<const SourceRow> rows, Converter &conv, RunHost &host);

// The status text after DataCheck over rowCount rows.
std::u16string CheckStatusText(const CheckOutcome &outcome, int rowCount);

// Appends the listing of one file's block definitions; a name that equals the block
// name of any row is marked "◆".
void Data1Check(const std::u16string &fn, std::span<const SourceRow> rows, Converter &conv,
                RunHost &host);

} // namespace pravelot
