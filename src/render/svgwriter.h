// A drawing as an SVG picture: lines, arcs and filled areas as paths, texts as text
// (any language kept, UTF-8), pictures referred to by texts as framed placeholders.
#pragma once

#include "render/drawing.h"

#include <string>

namespace pravelot {

// The SVG document of the whole drawing (its view box) in a picture whose longer side
// is longSide pixels. Line widths and dash patterns are in pixels of that picture.
std::string drawingToSvg(const Drawing &d, int longSide);

} // namespace pravelot
