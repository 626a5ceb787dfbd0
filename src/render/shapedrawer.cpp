#include "render/shapedrawer.h"

#include "core/numeric.h"
#include "jws/arcsolid.h"
#include "jws/writtenattr.h"
#include "render/palette.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pravelot {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// Whether segments p-q and r-s cross at a point inside both.
bool crosses(Vec2 p, Vec2 q, Vec2 r, Vec2 s)
{
    auto side = [](Vec2 a, Vec2 b, Vec2 c) {
        return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    };
    const double d1 = side(p, q, r), d2 = side(p, q, s), d3 = side(r, s, p), d4 = side(r, s, q);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

} // namespace

void ShapeDrawer::line(const TEntJwwLine &e, const Place &p)
{
    const Vec2 a = p.point(e.start_x, e.start_y), b = p.point(e.end_x, e.end_y);
    if (!usable(a) || !usable(b))
        return;
    m_out.add(DrawnLine{a, b, penOf(e.att, kEntLine, m_ver)});
}

void ShapeDrawer::arc(const TEntJwwEnko &e, const Place &p)
{
    const double r = e.dHankei, f = e.dHenpeiRitsu, tilt = e.radKatamukiKaku;
    if (!allUsable(e.start_x, e.start_y, r, r * f, e.radKaishiKaku, e.radEnkoKaku) ||
        !std::isfinite(tilt))
        return;
    DrawnArc a;
    a.centre = p.point(e.start_x, e.start_y);
    const double c = std::cos(tilt), s = std::sin(tilt);
    a.u = p.vec(r * c, r * s);
    a.v = p.vec(-r * f * s, r * f * c);
    if (e.bZenEnFlg != 0) {
        a.start = 0;
        a.sweep = kTwoPi;
    } else {
        a.start = std::fmod(e.radKaishiKaku, kTwoPi);
        a.sweep = std::clamp(e.radEnkoKaku, -kTwoPi, kTwoPi);
    }
    if (!usable(a.centre) || !usable(a.u) || !usable(a.v))
        return;
    a.pen = penOf(e.att, kEntEnko, m_ver);
    m_out.add(a);
}

void ShapeDrawer::point(const TEntJwwTen &e, const Place &p)
{
    const Vec2 at = p.point(e.start_x, e.start_y);
    if (!usable(at))
        return;
    m_out.add(DrawnPoint{at, penOf(e.att, kEntTen, m_ver).rgb, e.bKariten != 0});
}

void ShapeDrawer::solid(const TEntJwwSolid &e, const Place &p)
{
    const TEntJwwAttr a = writtenAttr(e.att, kEntSolid, m_ver);
    DrawnSolid s;
    s.rgb = a.nPenColor == 10 ? explicitRgb(e.Color) : penRgb(a.nPenColor);
    if (!isArcSolid(e)) {
        s.outline = {p.point(e.start_x, e.start_y), p.point(e.end_x, e.end_y),
                     p.point(e.DPoint2_x, e.DPoint2_y), p.point(e.DPoint3_x, e.DPoint3_y)};
        // Corners given in crossing order still mean the quadrilateral they span.
        auto &o = s.outline;
        if ((crosses(o[0], o[1], o[2], o[3]) || crosses(o[1], o[2], o[3], o[0])) &&
            !crosses(o[0], o[1], o[3], o[2]) && !crosses(o[1], o[3], o[2], o[0]))
            std::swap(o[2], o[3]);
    } else if (!arcOutline(e, p, s.outline)) {
        return;
    }
    for (const Vec2 &q : s.outline)
        if (!usable(q))
            return;
    m_out.add(std::move(s));
}

bool ShapeDrawer::arcOutline(const TEntJwwSolid &e, const Place &p, std::vector<Vec2> &out)
{
    const ArcSolid a = arcSolidOf(e);
    if (!allUsable(a.cx, a.cy, a.r, a.r * a.f, a.start, a.sweep) || !std::isfinite(a.tilt) ||
        !std::isfinite(a.mode))
        return false;
    const double sweep = std::clamp(a.turn(), -kTwoPi, kTwoPi);
    const int steps =
        std::clamp(static_cast<int>(std::ceil(std::fabs(sweep) / kTwoPi * 128)), 8, 128);
    const double c = std::cos(a.tilt), s = std::sin(a.tilt);
    out.reserve(static_cast<std::size_t>(steps) + 2);
    for (int k = 0; k <= steps; ++k) {
        const double t = a.start + sweep * k / steps;
        const double lx = a.r * std::cos(t), ly = a.r * a.f * std::sin(t);
        out.push_back(p.point(a.cx + lx * c - ly * s, a.cy + lx * s + ly * c));
    }
    if (a.closing == ArcSolid::Closing::Centre) {
        out.push_back(p.point(a.cx, a.cy));
    } else if (a.closing == ArcSolid::Closing::TangentCorner) {
        double sx = 0, sy = 0, ex = 0, ey = 0, ix = 0, iy = 0;
        ArcTangentCorner(a.cx, a.cy, a.r, a.f, a.start, sweep, a.tilt, sx, sy, ex, ey, ix, iy);
        out.push_back(p.point(ix, iy));
    }
    return true;
}

} // namespace pravelot
