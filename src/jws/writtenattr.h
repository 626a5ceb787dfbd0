// What the writer makes of a record's attribute and text sizes: the values a written
// file carries, and so the values a reader of that file sees.
#pragma once

#include "jws/jwwtype.h"

#include <cstdint>

namespace pravelot {

// The version a file asked for in version ver is written in: 230 for 230 and below,
// 351 for 300, else ver itself.
std::int32_t writtenVersion(std::int32_t ver);

// The attribute as written for an entity of the given kind (1–7, or 8 for a block
// definition) in a file of version ver (as writtenVersion gives it): line styles and
// colours that version cannot hold are mapped to ones it can, invalid values become
// the defaults, layers above 15 become 0, widths above 30000 become 0.
TEntJwwAttr writtenAttr(TEntJwwAttr a, std::int32_t kind, std::int32_t ver);

// A text's width or height as written: its magnitude, within 1e-10 … 1e10.
double writtenTextSize(double v);

} // namespace pravelot
