#include "jws/arcsolid.h"

#include <cmath>
#include <numbers>

namespace pravelot {

double ArcSolid::turn() const { return wholeTurn ? 2 * std::numbers::pi : sweep; }

ArcSolid arcSolidOf(const TEntJwwSolid &e)
{
    ArcSolid a;
    a.cx = e.start_x;
    a.cy = e.start_y;
    a.r = e.end_x;
    a.f = e.end_y;
    a.tilt = e.DPoint2_x;
    a.start = e.DPoint2_y;
    a.sweep = e.DPoint3_x;
    a.mode = e.DPoint3_y;
    const int style = e.att.nPenStyle;
    a.wholeTurn = (style == 101 || style == 111) && std::fabs(a.mode - 100) <= 1e-12;
    if (style == 101 && std::fabs(a.mode) <= 1e-12)
        a.closing = ArcSolid::Closing::Centre;
    else if (style == 101 && std::fabs(a.mode + 1) <= 1e-12)
        a.closing = ArcSolid::Closing::TangentCorner;
    return a;
}

} // namespace pravelot
