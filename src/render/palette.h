// Colours and line patterns of figure entities, as drawn on a white background. The
// one place where pen numbers become something to see.
#pragma once

#include "render/drawing.h"

#include <cstdint>
#include <span>

namespace pravelot {

// 0xRRGGBB of a pen colour number as the writer keeps it: 1–9 the ordinary pen
// colours, 101–116 the SXF standard colours; any other number draws as pen colour 1.
std::uint32_t penRgb(std::uint16_t color);

// The pen an entity of the given kind (1–7) draws with in a file of version ver: its
// attribute as the writer writes it (versions below 420 keep fewer colours and styles).
Pen penOf(const TEntJwwAttr &att, std::int32_t kind, std::int32_t ver);

// 0xRRGGBB of a solid's explicit colour, which the file stores as 0x00BBGGRR.
std::uint32_t explicitRgb(std::uint32_t colorref);

// The dash pattern of a line style as the writer keeps it, in pixels: lengths of
// drawn and skipped pieces in turn, starting with a drawn one. Empty for a solid line.
std::span<const double> linePattern(std::uint8_t style);

// Pixels a pen width (hundredths of a millimetre; 0 for the thinnest line) takes at
// pxPerMm pixels per millimetre: at least 1, at most 64.
double penPixels(std::uint16_t width, double pxPerMm);

} // namespace pravelot
