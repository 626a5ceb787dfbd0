#include "jwk/jwctype.h"

#include <algorithm>
#include <cmath>

namespace pravelot {

namespace {

constexpr std::array<TEntJwwMojiType, 10> kDefaultMojiTypes = {{
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

std::uint16_t tenths(double mm)
{
    const double v = std::round(mm * 10);
    // A default edited to something unusable must not wrap around.
    if (!(v >= 0))
        return 0;
    return static_cast<std::uint16_t>(std::min(v, 65535.0));
}

} // namespace

// Set before any document exists, so that a table is complete even when nothing has
// called ResetJwcDefaults yet.
std::array<TEntJwwMojiType, 10> DefaultMojiType = kDefaultMojiTypes;

void ResetJwcDefaults() { DefaultMojiType = kDefaultMojiTypes; }

JwcMojiTypeTable makeJwcMojiTypeTable()
{
    JwcMojiTypeTable table{};
    for (std::size_t k = 0; k < DefaultMojiType.size(); ++k) {
        const TEntJwwMojiType &d = DefaultMojiType[k];
        const std::int32_t col = std::clamp<std::int32_t>(d.anMojiCol, 0, 65535);
        table[k + 1] = {static_cast<std::uint16_t>(col), tenths(d.adMojiX), tenths(d.adMojiY),
                        tenths(d.adMojiD)};
    }
    return table;
}

} // namespace pravelot
