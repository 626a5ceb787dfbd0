// Number, text-to-number and plane-geometry helpers, and the extents accumulator
// shared by every extents computation. Coordinates are millimetres; angles are
// radians unless a routine says degrees. Everything here is a pure function of its
// arguments except the extents routines, which update the accumulator they are given.
#pragma once

#include <cstdint>
#include <numbers>
#include <string>
#include <string_view>

namespace pravelot {

// v rounded to the nearest single. A value beyond the single range becomes the infinity
// of its sign (a plain conversion is undefined there, and compilers exploit that).
float toSingle(double v);

// x rounded to a multiple of 1e-12, halves away from zero (computed in long double). A
// value too large to have digits left to round comes back as it is.
double RoundTo12Places(double x);

// x rounded to n decimal places (n outside 0 … 9 rounds to whole units). mode 0 cuts
// toward zero, mode 1 rounds up in magnitude (adding 0.9999999999 before cutting),
// any other mode rounds halves away from zero. Computed in long double; a value too
// large to have digits left to round comes back as it is.
double RoundToPlaces(std::int32_t n, std::int32_t mode, double x);

// |v| · unit + add cut toward zero, divided by unit again, with the sign of v: add 0
// cuts, add 0.5 rounds halves away from zero. A result of zero is +0 whatever the sign
// of v. Computed in long double; a value too large to have digits left to round comes
// back as it is.
double roundToUnit(double v, double unit, long double add);

// An angle in degrees brought into 0 … 360, 360 excluded. A value far outside is
// reduced in one step first; a value that is not finite stays as it is.
double wrapAngleDegrees(double v);

// Degrees in radians, in the order of operations of the figure formats: d / 180 × π.
// (d × (π / 180) differs in the last bits, which a radius then multiplies.)
inline double degToRad(double d) { return d / 180 * std::numbers::pi; }

// Locale-independent reading of a decimal real: leading spaces, an optional sign,
// digits with an optional point (".5" and "5." included) and an optional exponent.
// Anything else anywhere in s, or a value beyond the range of a double, gives 0.
double TextToFloat(std::u16string_view s);

// Up to 15 significant digits, no trailing zeros and no bare point, "." as decimal
// separator. Magnitudes below 0.00001 and values of more than 15 integer digits are
// written as mantissa, "E" and exponent: "1.5E-7", "1E20". Non-finite values give
// "NAN", "INF" or "-INF".
std::u16string FloatToText(double x);

// Leading spaces, an optional sign, then decimal digits or hexadecimal digits after
// "$", "x", "X", "0x" or "0X". Anything else, or a value outside the signed 32-bit
// range (hexadecimal included), gives 0.
std::int32_t TextToInt(std::u16string_view s);
std::u16string IntToText(std::int32_t i);

// True when s, upper-cased, is one of "T", "TR", "TRU", "TRUE", "1", "１", "○", "ON",
// "真", "正" (no trimming).
bool TextToBool(std::u16string_view s);
// "1" or "0".
std::u16string BoolToText(bool b);

// (x, y) rotated counter-clockwise by a radians about (cx, cy): its x and its y.
double RotateX(double x, double y, double cx, double cy, double a);
double RotateY(double x, double y, double cx, double cy, double a);

// Direction of the vector (dx, dy) in [0, 2π); 0 for a vector shorter than 1e-14 in
// both coordinates.
double DirectionAngle(double dx, double dy);

// Both coordinates within 1e-12; false whenever a coordinate is not a number.
bool SamePoint(double x1, double y1, double x2, double y2);

// dist := signed distance of P from the line A→B (positive on its left). True when
// the foot of P lies on the segment AB (with a tolerance of 1e-12 at the ends).
bool SegmentProjection(double x1, double y1, double x2, double y2, double px, double py,
                       double &dist);

// Intersection (ix, iy) of the line through (x1, y1), (x2, y2) with the line through
// (x3, y3), (x4, y4). Returns 0 when the lines are parallel (both vertical included;
// ix and iy are then left alone), 1 when the point lies on both segments, 2 otherwise.
std::int32_t IntersectLines(double x1, double y1, double x2, double y2, double x3, double y3,
                            double x4, double y4, double &ix, double &iy);

// For the elliptic arc with centre (cx, cy), radius r, flattening f, parametric start
// t0, sweep and tilt: its start point, its end point, and the point where the tangents
// at its two ends meet (the centre when they are parallel).
void ArcTangentCorner(double cx, double cy, double r, double f, double t0, double sweep,
                      double tilt, double &sx, double &sy, double &ex, double &ey, double &ix,
                      double &iy);

// Running axis-aligned extents. After every update MinX, MinY ≥ -1e8 and
// MaxX, MaxY ≤ 1e8; MinX ≤ MaxX is not enforced.
struct ExtentAccumulator {
    double MinX = 0;
    double MinY = 0;
    double MaxX = 0;
    double MaxY = 0;
};

// A point with a coordinate beyond ±5e11, or not a number, is outside the guard: the
// routines below then change nothing at all. Extents taken from a base point use this
// to decide where to start.
bool ExtentInGuard(double x, double y);

// Starts the extents at (x/d, y/d).
void ExtentStart(ExtentAccumulator &acc, double x, double y, double d);
// Widens the extents by (x/d, y/d).
void ExtentAdd(ExtentAccumulator &acc, double x, double y, double d);
// Widens the extents by (m11·x + m12·y + tx, m21·x + m22·y + ty) / d; the guard applies
// to the untransformed x and y.
void ExtentAddMapped(ExtentAccumulator &acc, double x, double y, double tx, double ty, double m11,
                     double m12, double m21, double m22, double d);

// Ends an extents computation: extents that are a single point (both spans within
// 1e-12) are widened by 10 on every side (extents degenerate in one direction only are
// left as they are), then copied out.
void ExtentFinish(ExtentAccumulator &acc, double &minX, double &minY, double &maxX, double &maxY);

} // namespace pravelot
