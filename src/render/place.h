// Place: where a block instance puts its definition's points, and what a drawing takes
// as a usable coordinate.
#pragma once

#include "render/drawing.h"

#include <cmath>

namespace pravelot {

// A block instance's placement: a point (u, v) of its definition lies at
// (x + r1·u + r2·v, y + r3·u + r4·v). The default places the top level as it is.
struct Place {
    double x = 0, y = 0, r1 = 1, r2 = 0, r3 = 0, r4 = 1;
    Vec2 point(double u, double v) const { return {x + r1 * u + r2 * v, y + r3 * u + r4 * v}; }
    Vec2 vec(double u, double v) const { return {r1 * u + r2 * v, r3 * u + r4 * v}; }
};

// Coordinates beyond this are no drawing anyone made; they are left out rather than
// let them stretch the picture or overflow a renderer.
inline constexpr double kFar = 1e12;
// The extents keep within ±1e8; so do the boxes a drawing adds to them.
inline constexpr double kViewLimit = 1e8;

inline bool usable(double v) { return std::isfinite(v) && std::fabs(v) <= kFar; }
inline bool usable(Vec2 p) { return usable(p.x) && usable(p.y); }
template <class... T> bool allUsable(T... v) { return (usable(v) && ...); }

inline Vec2 plus(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 times(Vec2 a, double k) { return {a.x * k, a.y * k}; }

} // namespace pravelot
