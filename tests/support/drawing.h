// What a figure document draws, for comparing two documents that should draw the same:
// used by the tests and by the fuzz targets (no test framework here).
#pragma once

#include "jws/jwsdata.h"

#include <string>
#include <vector>

namespace pravelot::test {

// One drawn primitive in top-level coordinates.
struct Primitive {
    std::int32_t kind = 0;
    TEntJwwAttr att;
    std::vector<double> v; // coordinates (mapped) and measures
    std::u16string text;
    bool operator==(const Primitive &) const = default;
};

// Everything the document draws: top-level entities, and the members of every block
// instance of the tree mapped by its placement. Sorted, for comparing.
std::vector<Primitive> drawing(const TJwsData &d);

} // namespace pravelot::test
