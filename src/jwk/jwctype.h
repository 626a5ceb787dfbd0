// Records of the JWK figure model and the default text types.
// Coordinates and measures are single-precision values, angles in degrees.
#pragma once

#include "jws/jwwtype.h"

#include <array>
#include <cstdint>
#include <string>

namespace pravelot {

struct TEntJwkHeader {
    std::u16string jwID;
    std::u16string comment1;
    std::u16string comment2;
    std::int32_t lineCount = 0;
    std::int32_t arcCount = 0;
    std::int32_t tenCount = 0;
    std::int32_t mojiCount = 0;
    float org_x = 0; // kept, not used
    float org_y = 0;
    float dispScale = 1;       // kept, not used
    std::int32_t strSpace = 0; // bytes of the string pool
    float scale = 1;           // coordinates are divided by it; above 1e-14 after reading
    bool operator==(const TEntJwkHeader &) const = default;
};

// lay: low four bits the layer, high four bits the layer group.
struct TEntJwcLine {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::uint8_t typ = 0, col = 0, lay = 0, flg1 = 0, flg2 = 0, flg3 = 0;
    bool operator==(const TEntJwcLine &) const = default;
};

// An elliptic arc from st to et (increasing), the second semi-axis being r × h.
struct TEntJwcArc2 {
    float x = 0, y = 0, r = 0, h = 0, st = 0, et = 0, tt = 0;
    std::uint8_t typ = 0, col = 0, lay = 0, flg1 = 0, flg2 = 0, flg3 = 0;
    bool operator==(const TEntJwcArc2 &) const = default;
};

struct TEntJwcTen {
    float x = 0, y = 0;
    std::uint8_t lay = 0, col = 0, flg1 = 0, flg2 = 0;
    bool operator==(const TEntJwcTen &) const = default;
};

// The text's string s is not held here: many texts may begin at the same bytes of the
// pool, so each keeps where its string lies there, and TJwkData::stringOf decodes it.
struct TEntJwcMoji2 {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::int32_t p = 0;  // offset of the string in the pool
    std::uint8_t no = 0; // text-type number
    std::uint8_t lay = 0, flg1 = 0, flg2 = 0;
    std::uint32_t sLen = 0; // bytes of the string in the pool, from p
    bool operator==(const TEntJwcMoji2 &) const = default;
};

// Sizes in tenths of a millimetre.
struct TEntJwcMojiType {
    std::uint16_t penNo = 0, width = 0, height = 0, dist = 0;
    bool operator==(const TEntJwcMojiType &) const = default;
};

// The default text types 1 … 10 (DefaultMojiType[k − 1] is type k): width, height and
// spacing in millimetres, and colour. Every JWK document and translator reads them.
inline constexpr std::array<TEntJwwMojiType, 10> DefaultMojiType = {{
    {2.0, 2.0, 0.0, 1},
    {2.5, 2.5, 0.5, 1},
    {3.0, 3.0, 0.5, 2},
    {4.0, 4.0, 0.5, 2},
    {5.0, 5.0, 1.0, 3},
    {6.0, 6.0, 1.0, 3},
    {7.0, 7.0, 1.0, 4},
    {8.0, 8.0, 1.0, 4},
    {9.0, 9.0, 1.0, 5},
    {10.0, 10.0, 1.0, 5},
}};

// Number of entries of a JWK text-type table; entries 0 and 11 are all zero.
inline constexpr std::size_t kJwcMojiTypeCount = 12;
using JwcMojiTypeTable = std::array<TEntJwcMojiType, kJwcMojiTypeCount>;

// The text-type table built from DefaultMojiType: colour, and sizes in tenths rounded
// to the nearest integer.
constexpr JwcMojiTypeTable makeJwcMojiTypeTable()
{
    // Every size is positive: its whole tenths, one more from a half up.
    auto tenths = [](double mm) {
        const double t = mm * 10;
        const auto whole = static_cast<std::uint16_t>(t);
        return static_cast<std::uint16_t>(t - whole >= 0.5 ? whole + 1 : whole);
    };
    JwcMojiTypeTable table{};
    for (std::size_t k = 0; k < DefaultMojiType.size(); ++k) {
        const TEntJwwMojiType &d = DefaultMojiType[k];
        table[k + 1] = {static_cast<std::uint16_t>(d.anMojiCol), tenths(d.adMojiX),
                        tenths(d.adMojiY), tenths(d.adMojiD)};
    }
    return table;
}
inline constexpr JwcMojiTypeTable kJwcMojiTypes = makeJwcMojiTypeTable();

} // namespace pravelot
