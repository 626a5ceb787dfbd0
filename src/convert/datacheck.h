// The checks before a conversion run, and the listing of block definitions in files.
#pragma once

#include "convert/converter.h"
#include "convert/runhost.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pravelot {

struct CheckOutcome {
    bool interrupted = false;
    bool error = false;
    bool warning = false;
    // Among the errors: a row's block name is already a block name in its file.
    bool nameInUse = false;
    // The indices of the rows with an error and of those with a warning, ascending, so
    // that a front end can pass over or remove them.
    std::vector<std::size_t> errorRows;
    std::vector<std::size_t> warningRows;
    // The run may start: no error and no interruption (warnings do not stop it).
    bool runMayStart() const { return !interrupted && !error; }
};

// What keeps a figure file from being read whole. The check, the listing of a file's
// block names and `pravelot-cli info` find these the same way and tell them in the
// same words (figureProblemText).
enum class FigureProblem {
    None,
    BadExtension, // the name ends in neither .jws nor .jwk (in any letter case)
    Missing,      // no regular file of that name: nothing, a folder, a pipe or a device
    NotFigure,    // the content is not a figure file of its kind
    Incomplete,   // read only in part; what was read is converted
};

// The warning, after the file's path, that a file could be read only in part.
inline constexpr std::u16string_view kIncompleteWarning =
    u" -- ファイルデータが欠落しています(データ変換は行われます)";

// The words for a problem, without what goes before them (a path and " -- ", or an
// indent); empty for None. A bad extension is told with the kinds that are taken,
// "(※JWK/JWSのみ対応)"; the check before a run leaves that part out.
std::u16string_view figureProblemText(FigureProblem problem);
// A file that could not be read for lack of memory: it says nothing about the file.
inline constexpr std::u16string_view kOutOfMemoryText = u"メモリ不足のため読み込めません";

// BadExtension or Missing, as far as the name and the file system tell before the
// file is read; None otherwise.
FigureProblem precheckFigure(const std::u16string &file);

// A file cell with nothing but spaces, ideographic spaces and control characters.
bool isBlankCell(std::u16string_view file);

// Reads every row's file once and appends a line for each problem found (selected, so
// the list follows it). Asks the host about Escape before every row.
CheckOutcome DataCheck(std::span<const SourceRow> rows, Converter &conv, RunHost &host);

// The status text after DataCheck over rowCount rows.
std::u16string checkStatusText(const CheckOutcome &outcome, int rowCount);

// Appends the listing of one file's block definitions; a name that equals the block
// name of any row is marked "◆".
void Data1Check(const std::u16string &fn, std::span<const SourceRow> rows, Converter &conv,
                RunHost &host);

// How many of each kind of entity a figure file holds.
struct EntityCount {
    enum class Kind { Lines, Arcs, Points, Texts, Dimensions, Solids, BlockReferences };
    Kind kind;
    std::int64_t n;
};

// What a figure file holds, as a user wants to know it before converting it.
struct FigureInspection {
    // None when read whole; Incomplete when read in part (the rest describes what was
    // read); any other problem when nothing could be read (the rest is left empty).
    FigureProblem problem = FigureProblem::None;
    bool jwk = false;
    // Where reading stopped, for a log: empty when the file was read whole.
    std::string detail;
    std::int32_t version = 0; // .jws only
    double scale = 0;         // .jwk only
    double baseX = 0, baseY = 0;
    // Lines, arcs, points and texts; a .jws file also dimensions, solids and block
    // references.
    std::vector<EntityCount> counts;
    // The read .jws document, whose block definitions are listed from it: it may hold
    // millions of them, and a copy of each would double what the file takes in memory.
    // Null for a .jwk file.
    std::unique_ptr<TJwsData> jws;
    // The read .jwk document, from which its picture is drawn without reading the file
    // again. Null for a .jws file.
    std::unique_ptr<TJwkData> jwkDocument;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    // What the extents of a .jws file leave out, and why.
    ExtentsCut extentsCut = ExtentsCut::None;
};

// Reads file (a .jws or .jwk file, by its extension) and tells what it holds. Throws
// std::bad_alloc when memory runs out.
FigureInspection inspectFigure(const std::u16string &file);

// The entities a block definition holds directly, of every kind.
std::int32_t countMembers(const TEntJwwBlockDef &d);

} // namespace pravelot
