// A drawing as an SVG picture: lines, arcs and filled areas as paths, texts as text
// (any language kept, UTF-8), pictures referred to by texts as framed placeholders.
#pragma once

#include "render/drawing.h"
#include "render/figuredrawing.h"

#include <functional>
#include <string>
#include <string_view>

namespace pravelot {

// A path element holds at most this many lines, arcs or points; a pen with more has more
// path elements, one after another (an attribute of many megabytes is more than XML
// readers take by default).
inline constexpr std::size_t kPathPieces = 10000;

// Takes a picture's bytes, piece after piece.
using SvgSink = std::function<void(std::string_view)>;

// Writes the SVG document of drawingToSvg into sink as it is made, in pieces of some tens
// of kilobytes: the picture is never whole in memory. Lines and arcs of one pen, and
// points of one colour, share a path element of at most ten thousand of them.
void writeSvg(const Drawing &d, int longSide, const SvgSink &sink);

// Draws a figure once more, handing each primitive to the sink as it is made.
using DrawAgain = std::function<void(PrimitiveSink &)>;

// Writes a picture of a drawing too large to hold into sink, drawing it once for each
// layer of the picture (filled areas, picture frames, lines, arcs, points, texts) and
// writing each primitive as it comes: frame is the drawing's frame (DrawingKeep::
// FrameOnly). The same picture as writeSvg's of the whole drawing, but for the order of
// lines (and arcs, and points) of different pens: here they stay in the drawing's order,
// a path element going on while the pen does. With one pen, the same bytes.
void writeSvgInPasses(const Drawing &frame, int longSide, const DrawAgain &draw,
                      const SvgSink &sink);

// A drawing of at most this many primitives is held whole for its picture.
inline constexpr std::size_t kHeldPrimitives = std::size_t{1} << 16;

// Writes the picture of a figure into sink, drawing it with draw as often as needed: its
// frame first, then held whole for writeSvg when it has at most kHeldPrimitives
// primitives, else in passes (writeSvgInPasses). Returns the frame, which says what the
// drawing leaves out.
Drawing writeFigureSvg(const FigureDrawer &draw, int longSide, const SvgSink &sink);

// The SVG document of the whole drawing (its view box) in a picture whose longer side
// is longSide pixels. Line widths and dash patterns are in pixels of that picture.
std::string drawingToSvg(const Drawing &d, int longSide);

} // namespace pravelot
