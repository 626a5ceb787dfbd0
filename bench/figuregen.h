// Deterministic generators of large, realistic figure files for benchmarks.
#pragma once

#include "core/text.h"
#include "jws/jwsdata.h"

#include <cstdint>

namespace pravelot::bench {

// A .jws document of about `entities` top-level entities in plausible proportions
// (lines, arcs, texts in Shift_JIS, points, dimensions, solids, block references),
// with `blocks` nested block definitions of `members` entities each. The same arguments
// give the same document.
TJwsData generateJws(std::int64_t entities, std::int32_t version, std::uint32_t seed = 1,
                     std::uint32_t blocks = 20, int members = 50);

// The bytes of a .jwk file with about `entities` lines, arcs, points and texts.
Bytes generateJwk(std::int64_t entities, std::uint32_t seed = 1);

} // namespace pravelot::bench
