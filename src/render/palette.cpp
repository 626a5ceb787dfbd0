#include "render/palette.h"

#include "jws/writtenattr.h"

#include <algorithm>
#include <array>
#include <vector>

namespace pravelot {

namespace {

// Pen colours 1–9 of the CAD program, toned for a white background: its cyan and
// yellow are darkened so that they read on white.
constexpr std::array<std::uint32_t, 10> kPenColors = {
    0x000000, // (no pen 0)
    0x0096C8, // 1 水色
    0x000000, // 2 黒
    0x00A000, // 3 緑
    0xC8A000, // 4 黄
    0xE000E0, // 5 ピンク
    0x0000FF, // 6 青
    0x006E6E, // 7 青緑
    0xFF0000, // 8 赤
    0x909090, // 9 補助線色
};

// The SXF standard colours 101–116, white drawn black as on paper.
constexpr std::array<std::uint32_t, 16> kSxfColors = {
    0x000000, // 101 black
    0xFF0000, // 102 red
    0x00FF00, // 103 green
    0x0000FF, // 104 blue
    0xFFFF00, // 105 yellow
    0xFF00FF, // 106 magenta
    0x00FFFF, // 107 cyan
    0x000000, // 108 white
    0xC00080, // 109 deeppink
    0xC08040, // 110 brown
    0xFF8000, // 111 orange
    0x80C080, // 112 lightgreen
    0x0080FF, // 113 lightblue
    0x8040FF, // 114 lavender
    0xC0C0C0, // 115 lightgray
    0x808080, // 116 darkgray
};

// Line styles 1–9: solid, three dotted, two chain and two double-chain lines, and the
// auxiliary line. Styles 11–19 are the same patterns at double length; the SXF styles
// 31–45 draw as the styles an older file keeps them as, 46–62 (user-defined) solid.
const std::array<std::vector<double>, 10> kPatterns = {{
    {},
    {},
    {6, 3},
    {3, 3},
    {1, 2},
    {12, 3, 2, 3},
    {18, 3, 2, 3},
    {12, 3, 2, 3, 2, 3},
    {18, 3, 2, 3, 2, 3},
    {2, 2},
}};

std::array<std::vector<double>, 10> doubled()
{
    std::array<std::vector<double>, 10> d = kPatterns;
    for (auto &p : d)
        for (double &v : p)
            v *= 2;
    return d;
}

constexpr std::uint8_t kSxfStyles[15] = {1, 4, 3, 6, 8, 8, 2, 5, 7, 6, 6, 8, 8, 17, 17};

} // namespace

std::uint32_t penRgb(std::uint16_t color)
{
    if (color >= 1 && color <= 9)
        return kPenColors[color];
    if (color >= 101 && color <= 116)
        return kSxfColors[static_cast<std::size_t>(color - 101)];
    return kPenColors[1];
}

std::uint32_t explicitRgb(std::uint32_t colorref)
{
    return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

std::span<const double> linePattern(std::uint8_t style)
{
    static const std::array<std::vector<double>, 10> kDoubled = doubled();
    if (style >= 31 && style <= 45)
        style = kSxfStyles[style - 31];
    if (style >= 1 && style <= 9)
        return kPatterns[style];
    if (style >= 11 && style <= 19)
        return kDoubled[style - 10];
    return {};
}

double penPixels(std::uint16_t width, double pxPerMm)
{
    return std::clamp(width / 100.0 * pxPerMm, 1.0, 64.0);
}

Pen penOf(const TEntJwwAttr &att, std::int32_t kind, std::int32_t ver)
{
    const TEntJwwAttr a = writtenAttr(att, kind, ver);
    return {penRgb(a.nPenColor), a.nPenStyle, a.nPenWidth};
}

} // namespace pravelot
