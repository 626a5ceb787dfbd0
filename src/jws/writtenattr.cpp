#include "jws/writtenattr.h"

#include <cmath>

namespace pravelot {

namespace {

constexpr std::uint8_t kLineStyleBelow420[15] = {1, 4, 3, 6, 8, 8, 2, 5, 7, 6, 6, 8, 8, 17, 17};
constexpr std::uint16_t kColorBelow420[16] = {2, 8, 3, 6, 4, 5, 1, 2, 5, 8, 4, 3, 6, 5, 2, 2};

bool inRange(unsigned v, unsigned lo, unsigned hi) { return v >= lo && v <= hi; }

} // namespace

std::int32_t writtenVersion(std::int32_t ver)
{
    if (ver <= 230)
        return 230;
    if (ver == 300)
        return 351;
    return ver;
}

TEntJwwAttr writtenAttr(TEntJwwAttr a, std::int32_t kind, std::int32_t ver)
{
    unsigned style = a.nPenStyle;
    unsigned color = a.nPenColor;
    const bool lineKind = kind == kEntLine || kind == kEntEnko;
    const bool entityKind = kind >= kEntLine && kind <= kEntSolid;
    if (ver < 420) {
        if (lineKind && inRange(style, 31, 45))
            style = kLineStyleBelow420[style - 31];
        else if (lineKind && inRange(style, 46, 62))
            style = DefaultPenStyle;
        if (entityKind && inRange(color, 101, 116))
            color = kColorBelow420[color - 101];
        else if (entityKind && inRange(color, 117, 356))
            color = DefaultPenColor;
    }
    if (lineKind && !(inRange(style, 1, 9) || inRange(style, 11, 19) || inRange(style, 31, 62)))
        style = DefaultPenStyle;
    if (kind == kEntTen && style != 1 && style != 100)
        style = 1;
    if (kind == kEntMoji && !inRange(style, 1, 9))
        style = 1;
    if (kind >= kEntLine && kind <= kEntSunpo &&
        !(inRange(color, 1, 9) || inRange(color, 101, 356)))
        color = DefaultPenColor;
    if (kind == kEntSolid && !(inRange(color, 1, 10) || inRange(color, 101, 356)))
        color = DefaultPenColor;
    a.nPenStyle = static_cast<std::uint8_t>(style);
    a.nPenColor = static_cast<std::uint16_t>(color);
    if (a.nLayer > 15)
        a.nLayer = 0;
    if (a.nGLayer > 15)
        a.nGLayer = 0;
    if (a.nPenWidth > 30000)
        a.nPenWidth = 0;
    return a;
}

double writtenTextSize(double v)
{
    const double a = std::fabs(v);
    if (a < 1e-10)
        return 1e-10;
    if (a > 1e10)
        return 1e10;
    return a;
}

} // namespace pravelot
