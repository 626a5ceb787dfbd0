#include "core/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

namespace pravelot {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string narrow(const std::u16string &s) { return std::string(s.begin(), s.end()); }

TEST(RoundingTest, RoundTo12PlacesRoundsHalvesAwayFromZero)
{
    struct Case {
        double x, expected;
    };
    const Case cases[] = {
        {2.6e-12, 3e-12},
        {-2.6e-12, -3e-12},
        {2.4e-12, 2e-12},
        {0.1234567890123456, 0.123456789012},
        {-0.1234567890123456, -0.123456789012},
        {5.0, 5.0},
        {0.0, 0.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(RoundTo12Places(c.x), c.expected);
    }
}

TEST(RoundingTest, RoundToPlacesWorksOnTheStoredDoubleInExtendedPrecision)
{
    struct Case {
        const char *name;
        std::int32_t n, mode;
        double x, expected;
    };
    const Case cases[] = {
        {"cut", 2, 0, 1.239, 1.23},
        {"up in magnitude", 2, 1, 1.231, 1.24},
        {"up stays when already there", 2, 1, 1.23, 1.23},
        {"up, negative", 2, 1, -1.231, -1.24},
        {"half up", 2, 2, 1.235, 1.24},
        {"half up, negative", 2, 2, -1.235, -1.24},
        {"double nearest 2.675 lies below it", 2, 2, 2.675, 2.67},
        {"cut, negative", 3, 0, -1.2349, -1.234},
        {"n above 9 uses factor 1", 12, 2, 1.5, 2},
        {"negative n uses factor 1", -1, 2, 2.5, 3},
        {"mode 7 rounds half away", 0, 7, 2.5, 3},
        {"nine places", 9, 2, 0.1234567894, 0.123456789},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RoundToPlaces(c.n, c.mode, c.x), c.expected);
    }
}

TEST(RoundingTest, ToSingleRoundsAndOverflowsToInfinity)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kMax = std::numeric_limits<float>::max();
    struct Case {
        double v;
        float expected;
    };
    const Case cases[] = {
        {1.0 / 3, 0.333333343f},
        {1e39, kInf},
        {-1e39, -kInf},
        {double{kMax}, kMax},
        {0x1.fffffefffffffp127, kMax},
        {0x1.ffffffp127, kInf},
        {std::numeric_limits<double>::infinity(), kInf},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.v);
        // Kept out of reach of constant folding, so the conversion itself is tested.
        volatile double v = c.v;
        EXPECT_EQ(toSingle(v), c.expected);
    }
    EXPECT_TRUE(std::isnan(toSingle(kNaN)));
}

TEST(RoundingTest, HugeValuesAreReturnedUnrounded)
{
    const double values[] = {1e300, -std::numeric_limits<double>::max(), 3e19};
    for (double v : values) {
        SCOPED_TRACE(v);
        EXPECT_EQ(RoundTo12Places(v), v);
        EXPECT_EQ(RoundToPlaces(2, 2, v), v);
    }
    EXPECT_TRUE(std::isinf(RoundTo12Places(-std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(RoundToPlaces(2, 2, kNaN)));
}

TEST(RoundingTest, RoundToUnitCutsOrRoundsHalvesAwayFromZero)
{
    struct Case {
        const char *name;
        double v, unit;
        long double add;
        double expected;
    };
    const Case cases[] = {
        {"cut to thousandths", 1.2349, 1000, 0.0L, 1.234},
        {"cut, negative", -1.2349, 1000, 0.0L, -1.234},
        {"half away from zero", 2.5, 1, 0.5L, 3},
        {"half away from zero, negative", -2.5, 1, 0.5L, -3},
        {"below half", 0.0049, 100, 0.5L, 0},
        {"millionths", 12.3456784, 1e6, 0.5L, 12.345678},
        {"beyond the last digit comes back as it is", 3e19, 1, 0.5L, 3e19},
        {"negative beyond the last digit", -1e300, 1000, 0.5L, -1e300},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(roundToUnit(c.v, c.unit, c.add), c.expected);
    }
    // Rounded to nothing, a negative value gives +0, not −0.
    EXPECT_FALSE(std::signbit(roundToUnit(-0.0004, 1000, 0.0L)));
    EXPECT_FALSE(std::signbit(roundToUnit(-0.0004, 1000, 0.5L)));
    EXPECT_TRUE(std::isnan(roundToUnit(kNaN, 1000, 0.5L)));
}

TEST(GeometryTest, WrapDegreesBringsAnglesIntoZeroTo360)
{
    struct Case {
        const char *name;
        double v, expected;
    };
    const Case cases[] = {
        {"inside stays", 123.5, 123.5},
        {"zero stays", 0, 0},
        {"360 is 0", 360, 0},
        {"720 is 0", 720, 0},
        {"just below 360 stays", 359.75, 359.75},
        {"negative", -90, 270},
        {"minus 360 is 0", -360, 0},
        {"several turns", 1000, 280},
        {"several turns, negative", -1000, 80},
        {"far outside, reduced in one step", 3600.5 + 360 * 1000, 0.5},
        {"far outside, negative", -(360.0 * 100000 + 10), 350},
        // Added to 360, a tiny negative angle rounds to 360 itself: it wraps on to 0.
        {"tiny negative", -1e-20, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const double w = wrapAngleDegrees(c.v);
        EXPECT_EQ(w, c.expected);
        EXPECT_GE(w, 0);
        EXPECT_LT(w, 360);
    }
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(wrapAngleDegrees(inf), inf);
    EXPECT_EQ(wrapAngleDegrees(-inf), -inf);
    EXPECT_TRUE(std::isnan(wrapAngleDegrees(kNaN)));
}

TEST(TextNumberTest, TextToFloatAcceptsOnlyAWholeNumber)
{
    struct Case {
        std::u16string s;
        double expected;
    };
    const Case cases[] = {
        {u"12.5", 12.5},  {u" 12.5", 12.5}, {u"12.5 ", 0}, {u"1,5", 0},   {u"", 0},
        {u"-3e2", -300},  {u"+4", 4},       {u".5", 0.5},  {u"5.", 5},    {u"-.25", -0.25},
        {u"1E-3", 0.001}, {u"2e+2", 200},   {u".", 0},     {u"-", 0},     {u"e5", 0},
        {u"1e", 0},       {u"1e+", 0},      {u"0x10", 0},  {u"1e400", 0}, {u"INF", 0},
        {u"nan", 0},      {u"\t1", 0},      {u"１", 0},    {u"1.2.3", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(narrow(c.s));
        EXPECT_EQ(TextToFloat(c.s), c.expected);
    }
}

TEST(TextNumberTest, FloatToTextWritesTheShortestGeneralForm)
{
    struct Case {
        double x;
        const char16_t *expected;
    };
    const Case cases[] = {
        {0, u"0"},
        {1.5, u"1.5"},
        {-2, u"-2"},
        {100, u"100"},
        {0.1, u"0.1"},
        {10.000000000000002, u"10"},
        {1.0 / 3, u"0.333333333333333"},
        {2.0 / 3, u"0.666666666666667"},
        {123456.789, u"123456.789"},
        {0.00001, u"0.00001"},
        {0.0000123, u"0.0000123"},
        {0.0000099, u"9.9E-6"},
        {1.5e-7, u"1.5E-7"},
        {-1.5e-7, u"-1.5E-7"},
        {999999999999999, u"999999999999999"},
        {1e15, u"1E15"},
        {1e20, u"1E20"},
        {1.25e300, u"1.25E300"},
        {9.9999999999999999e-6, u"0.00001"},
        {std::numeric_limits<double>::infinity(), u"INF"},
        {kNaN, u"NAN"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(FloatToText(c.x), c.expected);
    }
}

TEST(TextNumberTest, FloatToTextReadsBackToFifteenDigits)
{
    const double values[] = {3.14159265358979, -2.5e-9, 7.77e13, 1e-5, 123.456e20, 42};
    for (double v : values) {
        SCOPED_TRACE(v);
        const double back = TextToFloat(FloatToText(v));
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14);
    }
}

TEST(TextNumberTest, TextToIntAcceptsDecimalAndHexWithinThirtyTwoBits)
{
    struct Case {
        std::u16string s;
        std::int32_t expected;
    };
    const Case cases[] = {
        {u"42", 42},
        {u"  -42", -42},
        {u"+7", 7},
        {u"$1F", 31},
        {u"0x10", 16},
        {u"0X10", 16},
        {u"x1f", 31},
        {u"X10", 16},
        {u"-$10", -16},
        {u"12a", 0},
        {u"12 ", 0},
        {u"", 0},
        {u"-", 0},
        {u"$", 0},
        {u"0x", 0},
        {u"2147483647", 2147483647},
        {u"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {u"2147483648", 0},
        {u"4294967296", 0},
        {u"99999999999999999999999", 0},
        {u"$7FFFFFFF", 2147483647},
        {u"$80000000", 0},
        {u"$FFFFFFFF", 0},
        {u"-$80000000", std::numeric_limits<std::int32_t>::min()},
        {u"1.0", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(narrow(c.s));
        EXPECT_EQ(TextToInt(c.s), c.expected);
    }
}

TEST(TextNumberTest, IntAndBoolTexts)
{
    EXPECT_EQ(IntToText(-2147483647 - 1), u"-2147483648");
    EXPECT_EQ(IntToText(0), u"0");
    EXPECT_EQ(BoolToText(true), u"1");
    EXPECT_EQ(BoolToText(false), u"0");

    struct Case {
        std::u16string s;
        bool expected;
    };
    const Case cases[] = {
        {u"tru", true},  {u"True", true}, {u"t", true},   {u"on", true}, {u"1", true},
        {u"１", true},   {u"○", true},    {u"真", true},  {u"正", true}, {u"True ", false},
        {u"yes", false}, {u"", false},    {u" 1", false}, {u"0", false}, {u"TRUEX", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(narrow(c.s));
        EXPECT_EQ(TextToBool(c.s), c.expected);
    }
}

TEST(GeometryTest, DirectionAngleIsInZeroToTwoPi)
{
    struct Case {
        double dx, dy, expected;
    };
    const Case cases[] = {
        {0, 0, 0},
        {1e-15, -1e-15, 0},
        {1, 0, 0},
        {0, 1, kPi / 2},
        {-1, 0, kPi},
        {0, -1, 3 * kPi / 2},
        {1, -1, 7 * kPi / 4},
        {-1e-13, 0, kPi},
        {1e-15, 1, kPi / 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << ", " << c.dy);
        EXPECT_DOUBLE_EQ(DirectionAngle(c.dx, c.dy), c.expected);
    }
}

TEST(GeometryTest, RotationTurnsCounterClockwiseAboutTheCentre)
{
    EXPECT_NEAR(RotateX(2, 1, 1, 1, kPi / 2), 1, 1e-15);
    EXPECT_NEAR(RotateY(2, 1, 1, 1, kPi / 2), 2, 1e-15);
    EXPECT_NEAR(RotateX(3, 4, 0, 0, kPi), -3, 1e-14);
    EXPECT_NEAR(RotateY(3, 4, 0, 0, kPi), -4, 1e-14);
}

TEST(GeometryTest, SamePointAllowsOneTwelfthPlace)
{
    EXPECT_TRUE(SamePoint(0, 0, 1e-12, 0));
    EXPECT_TRUE(SamePoint(0, 5, 0, 5 - 5e-13));
    EXPECT_FALSE(SamePoint(0, 0, 2e-12, 0));
    EXPECT_FALSE(SamePoint(0, 0, 0, -2e-12));
    EXPECT_FALSE(SamePoint(kNaN, 0, kNaN, 0));
    EXPECT_FALSE(SamePoint(0, 0, 0, kNaN));
}

TEST(GeometryTest, SegmentProjectionTellsTheSideAndWhetherTheFootIsOnTheSegment)
{
    struct Case {
        const char *name;
        double x1, y1, x2, y2, px, py;
        bool on;
        double dist;
    };
    const Case cases[] = {
        {"left of a horizontal segment", 0, 0, 10, 0, 5, 3, true, 3},
        {"right of it", 0, 0, 10, 0, 5, -3, true, -3},
        {"past the end", 0, 0, 10, 0, 11, 0, false, 0},
        {"before the start", 0, 0, 10, 0, -1, 2, false, 2},
        {"at the end within tolerance", 0, 0, 10, 0, 10 + 1e-13, 0, true, 0},
        {"downward segment, left side", 0, 0, 0, -10, 2, -5, true, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        double dist = 99;
        EXPECT_EQ(SegmentProjection(c.x1, c.y1, c.x2, c.y2, c.px, c.py, dist), c.on);
        EXPECT_NEAR(dist, c.dist, 1e-12);
    }
}

TEST(GeometryTest, IntersectLinesTellsWhereAndWhetherOnBothSegments)
{
    struct Case {
        const char *name;
        double x1, y1, x2, y2, x3, y3, x4, y4;
        std::int32_t result;
        double ix, iy;
    };
    const Case cases[] = {
        {"crossing diagonals", 0, 0, 1, 1, 0, 1, 1, 0, 1, 0.5, 0.5},
        {"parallel", 0, 0, 1, 1, 2, 0, 3, 1, 0, -7, -7},
        {"vertical beyond the first segment", 0, 0, 1, 0, 5, -1, 5, 1, 2, 5, 0},
        {"first vertical", 2, -1, 2, 1, 0, 0, 4, 2, 1, 2, 1},
        {"both vertical", 1, 0, 1, 1, 2, 0, 2, 1, 0, -7, -7},
        {"nearly vertical counts as vertical", 1, 0, 1 + 1e-11, 1, 0, 0.5, 2, 0.5, 1, 1, 0.5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        double ix = -7, iy = -7;
        EXPECT_EQ(IntersectLines(c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.x4, c.y4, ix, iy), c.result);
        EXPECT_NEAR(ix, c.ix, 1e-12);
        EXPECT_NEAR(iy, c.iy, 1e-12);
    }
}

TEST(GeometryTest, ArcTangentCornerMeetsTheEndTangents)
{
    struct Case {
        const char *name;
        double cx, cy, r, f, t0, sweep, tilt;
        double sx, sy, ex, ey, ix, iy;
    };
    const Case cases[] = {
        {"quarter circle", 0, 0, 10, 1, 0, kPi / 2, 0, 10, 0, 0, 10, 10, 10},
        {"half circle: parallel tangents give the centre", 0, 0, 10, 1, 0, kPi, 0, 10, 0, -10, 0, 0,
         0},
        {"shifted and tilted", 5, 5, 10, 1, 0, kPi / 2, kPi / 2, 5, 15, -5, 5, -5, 15},
        {"flattened quarter", 0, 0, 10, 0.5, 0, kPi / 2, 0, 10, 0, 0, 5, 10, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        double sx, sy, ex, ey, ix, iy;
        ArcTangentCorner(c.cx, c.cy, c.r, c.f, c.t0, c.sweep, c.tilt, sx, sy, ex, ey, ix, iy);
        EXPECT_NEAR(sx, c.sx, 1e-9);
        EXPECT_NEAR(sy, c.sy, 1e-9);
        EXPECT_NEAR(ex, c.ex, 1e-9);
        EXPECT_NEAR(ey, c.ey, 1e-9);
        EXPECT_NEAR(ix, c.ix, 1e-9);
        EXPECT_NEAR(iy, c.iy, 1e-9);
    }
}

TEST(ExtentsTest, GuardIgnoresFarPointsAndClampKeepsWithinOneHundredMillion)
{
    struct Case {
        const char *name;
        double x, y;
        ExtentAccumulator expected;
    };
    const Case cases[] = {
        {"inside", 3, -4, {0, -4, 3, 0}},
        {"at the guard: accepted, then clamped", 5e11, 0, {0, 0, 1e8, 0}},
        {"beyond the guard: ignored", 5.0000001e11, 0, {0, 0, 0, 0}},
        {"far negative y: ignored", 0, -6e11, {0, 0, 0, 0}},
        {"not a number: ignored", kNaN, 1, {0, 0, 0, 0}},
        {"below the clamp", -3e8, 2e8, {-1e8, 0, 0, 1e8}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ExtentAccumulator acc;
        ExtentStart(acc, 0, 0, 1);
        ExtentAdd(acc, c.x, c.y, 1);
        EXPECT_EQ(acc.MinX, c.expected.MinX);
        EXPECT_EQ(acc.MinY, c.expected.MinY);
        EXPECT_EQ(acc.MaxX, c.expected.MaxX);
        EXPECT_EQ(acc.MaxY, c.expected.MaxY);
    }
}

TEST(ExtentsTest, StartDividesAndAnOutOfGuardStartChangesNothing)
{
    ExtentAccumulator acc{1, 2, 3, 4};
    ExtentStart(acc, 6e11, 0, 1);
    EXPECT_EQ(acc.MinX, 1);
    EXPECT_EQ(acc.MaxY, 4);

    ExtentStart(acc, 200, -100, 100);
    EXPECT_EQ(acc.MinX, 2);
    EXPECT_EQ(acc.MaxX, 2);
    EXPECT_EQ(acc.MinY, -1);
    EXPECT_EQ(acc.MaxY, -1);

    // The upper bound is only lowered and the lower one only raised.
    ExtentStart(acc, 2e8, 0, 1);
    EXPECT_EQ(acc.MinX, 2e8);
    EXPECT_EQ(acc.MaxX, 1e8);

    // A minimum that is not a number becomes the clamp value.
    ExtentStart(acc, 0, 0, 0);
    EXPECT_EQ(acc.MinX, -1e8);
    EXPECT_EQ(acc.MinY, -1e8);
}

TEST(ExtentsTest, AddMappedGuardsTheUntransformedPoint)
{
    ExtentAccumulator acc;
    ExtentStart(acc, 0, 0, 1);
    // (1, 2) through x' = 2x + 100, y' = 3y − 50, divided by 2.
    ExtentAddMapped(acc, 1, 2, 100, -50, 2, 0, 0, 3, 2);
    EXPECT_EQ(acc.MaxX, 51);
    EXPECT_EQ(acc.MinY, -22);
    // Mapping would bring it near, but the point itself is outside the guard.
    ExtentAddMapped(acc, 1e12, 0, 0, 0, 1e-9, 0, 0, 1, 1);
    EXPECT_EQ(acc.MaxX, 51);
    // A point inside the guard that maps far out is added and clamped.
    ExtentAddMapped(acc, 1e11, 0, 0, 0, 10, 0, 0, 1, 1);
    EXPECT_EQ(acc.MaxX, 1e8);
}

} // namespace
} // namespace pravelot
