// Hostile figure files whose cost once grew faster than their size: the worst cases of
// the size bound (time linear in the input plus the output, peak memory at most twice
// the input plus 64 MB). Written byte by byte, so that a file of any size is produced
// without holding it in memory.
#pragma once

#include "core/bytewriter.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace pravelot::bench {

struct CraftedShape {
    std::string_view name;
    std::string_view extension; // ".jws" or ".jwk"
    std::string_view what;
};

// Every shape, in a fixed order:
//   names       nested definitions (each holding two references to the next) with names
//               of 65,000 bytes (an eighth of the file when smaller): the tree once
//               copied a name into each of its entries
//   cycle       a chain of definitions, each holding a reference to the next, the last one
//               to the first: the tree's cycle guard once walked each entry's parents
//   arcs        a definition of arcs placed about 130,000 times through a second one:
//               the extents once counted members, not the 73 samples of an arc
//   shared      a .jwk whose texts all point at one string of its pool: each text once
//               held its own copy of the string
//   zeroref     lines and a reference to block 0 in a file without definitions: the new
//               block once took the number 0 and so contained itself
//   emptydefs   block definitions without members, names or references
//   dimensions  dimensions of a version-419 file (no extended part in the file)
//   references  top-level references to one definition
//   points      points of a version-350 file, the smallest records there are
//   texts       texts with a font name and a text of eight characters each
const std::vector<CraftedShape> &craftedShapes();

// Writes about `bytes` bytes of the named shape into w; false for an unknown shape.
bool writeCrafted(std::string_view shape, std::uint64_t bytes, ByteWriter &w);

} // namespace pravelot::bench
