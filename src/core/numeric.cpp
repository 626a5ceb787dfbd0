#include "core/numeric.h"

#include "core/text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace pravelot {

namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

std::u16string asciiToText(std::string_view s) { return std::u16string(s.begin(), s.end()); }

} // namespace

// From here on a long double has no fractional digits, and rounding could only push a
// value past the double range.
constexpr long double kNoFraction = 18446744073709551616.0L; // 2^64

float toSingle(double v)
{
    // 2^128 − 2^103: from here on the nearest single is infinity.
    constexpr double kOverflow = 0x1.ffffffp127;
    if (std::isnan(v))
        return std::numeric_limits<float>::quiet_NaN();
    if (v >= kOverflow)
        return std::numeric_limits<float>::infinity();
    if (v <= -kOverflow)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
}

double RoundTo12Places(double x)
{
    const long double m = std::fabs(static_cast<long double>(x)) / 1e-12L + 0.5L;
    if (!(m < kNoFraction))
        return x;
    const auto r = static_cast<double>(std::trunc(m) * 1e-12L);
    return x < 0 ? -r : r;
}

double RoundToPlaces(std::int32_t n, std::int32_t mode, double x)
{
    static constexpr std::array<long double, 10> kFactors = {1e0L, 1e1L, 1e2L, 1e3L, 1e4L,
                                                             1e5L, 1e6L, 1e7L, 1e8L, 1e9L};
    const long double f = (n >= 0 && n <= 9) ? kFactors[static_cast<std::size_t>(n)] : 1.0L;
    const long double m = std::fabs(static_cast<long double>(x)) * f;
    const long double add = mode == 0 ? 0.0L : mode == 1 ? 0.9999999999L : 0.5L;
    if (!(m + add < kNoFraction))
        return x;
    const auto r = static_cast<double>(std::trunc(m + add) / f);
    return x < 0 ? -r : r;
}

double roundToUnit(double v, double unit, long double add)
{
    const long double m = std::fabs(static_cast<long double>(v)) * unit + add;
    if (!(m < kNoFraction))
        return v;
    // When m is a double as well (its usual case), truncating it as a double gives the
    // same integer without the slow extended-precision rounding; the division stays
    // extended.
    const auto md = static_cast<double>(m);
    const long double t = static_cast<long double>(md) == m
                              ? static_cast<long double>(std::trunc(md))
                              : std::trunc(m);
    const auto r = static_cast<double>(t / unit);
    if (r == 0)
        return 0.0;
    return v > 0 ? r : -r;
}

double wrapAngleDegrees(double v)
{
    if (!std::isfinite(v))
        return v;
    if (std::fabs(v) > 3600)
        v = std::fmod(v, 360);
    while (v < 0)
        v += 360;
    while (v >= 360)
        v -= 360;
    return v;
}

namespace {

// Moves i past leading spaces and an optional sign; true when the sign is "-".
bool skipSpacesAndSign(std::u16string_view s, std::size_t &i)
{
    while (i < s.size() && s[i] == u' ')
        ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        return s[i++] == u'-';
    return false;
}

} // namespace

double TextToFloat(std::u16string_view s)
{
    std::size_t i = 0;
    const std::size_t n = s.size();
    const bool negative = skipSpacesAndSign(s, i);
    // The checked number goes into an ASCII buffer that from_chars reads exactly.
    std::string buf;
    buf.reserve(n - i);
    std::size_t digits = 0;
    for (; i < n && isDigit(s[i]); ++i, ++digits)
        buf.push_back(static_cast<char>(s[i]));
    if (i < n && s[i] == u'.') {
        buf.push_back('.');
        for (++i; i < n && isDigit(s[i]); ++i, ++digits)
            buf.push_back(static_cast<char>(s[i]));
    }
    if (digits == 0)
        return 0;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        buf.push_back('e');
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-'))
            buf.push_back(static_cast<char>(s[i++]));
        std::size_t expDigits = 0;
        for (; i < n && isDigit(s[i]); ++i, ++expDigits)
            buf.push_back(static_cast<char>(s[i]));
        if (expDigits == 0)
            return 0;
    }
    if (i != n)
        return 0;
    double v = 0;
    auto [end, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), v);
    if (ec != std::errc() || end != buf.data() + buf.size())
        return 0;
    return negative ? -v : v;
}

std::u16string FloatToText(double x)
{
    if (std::isnan(x))
        return u"NAN";
    if (std::isinf(x))
        return x > 0 ? u"INF" : u"-INF";
    if (x == 0)
        return u"0";
    // d.dddddddddddddde±X: the 15 significant digits, correctly rounded, and the exponent.
    std::array<char, 40> buf{};
    const int len = std::snprintf(buf.data(), buf.size(), "%.14e", std::fabs(x));
    const std::string_view printed(buf.data(), static_cast<std::size_t>(len));
    const std::size_t ePos = printed.find('e');
    std::string digits;
    digits.push_back(printed[0]);
    digits.append(printed.substr(2, ePos - 2));
    int exponent = 0;
    std::from_chars(printed.data() + ePos + (printed[ePos + 1] == '+' ? 2 : 1),
                    printed.data() + printed.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out;
    if (x < 0)
        out.push_back('-');
    if (exponent < -5 || exponent > 14) {
        out.push_back(digits[0]);
        if (digits.size() > 1) {
            out.push_back('.');
            out.append(digits, 1);
        }
        out.push_back('E');
        out.append(std::to_string(exponent));
    } else if (exponent >= 0) {
        const auto intLen = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intLen) {
            out.append(digits);
            out.append(intLen - digits.size(), '0');
        } else {
            out.append(digits, 0, intLen);
            out.push_back('.');
            out.append(digits, intLen);
        }
    } else {
        out.append("0.");
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(digits);
    }
    return asciiToText(out);
}

std::int32_t TextToInt(std::u16string_view s)
{
    std::size_t i = 0;
    const std::size_t n = s.size();
    const bool negative = skipSpacesAndSign(s, i);
    int base = 10;
    if (i < n && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    // The magnitude stops growing once it is past the 32-bit range, so it cannot wrap.
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; i < n; ++i, ++digits) {
        const int d = base == 16 ? hexValue(s[i]) : (isDigit(s[i]) ? s[i] - u'0' : -1);
        if (d < 0)
            break;
        if (value <= kLimit)
            value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    if (digits == 0 || i != n)
        return 0;
    if (negative)
        return value <= kLimit ? static_cast<std::int32_t>(-static_cast<std::int64_t>(value)) : 0;
    return value < kLimit ? static_cast<std::int32_t>(value) : 0;
}

std::u16string IntToText(std::int32_t i) { return asciiToText(std::to_string(i)); }

bool TextToBool(std::u16string_view s)
{
    static constexpr std::array<std::u16string_view, 10> kTrue = {
        u"T", u"TR", u"TRU", u"TRUE", u"1", u"１", u"○", u"ON", u"真", u"正"};
    const std::u16string upper = StrUpper(s);
    for (std::u16string_view t : kTrue)
        if (upper == t)
            return true;
    return false;
}

std::u16string BoolToText(bool b) { return b ? u"1" : u"0"; }

double RotateX(double x, double y, double cx, double cy, double a)
{
    return cx + (x - cx) * std::cos(a) - (y - cy) * std::sin(a);
}

double RotateY(double x, double y, double cx, double cy, double a)
{
    return cy + (x - cx) * std::sin(a) + (y - cy) * std::cos(a);
}

double DirectionAngle(double dx, double dy)
{
    if (std::fabs(dx) < 1e-14 && std::fabs(dy) < 1e-14)
        return 0;
    double a = std::atan2(dy, dx);
    if (a < 0)
        a += 2 * std::numbers::pi;
    return a;
}

bool SamePoint(double x1, double y1, double x2, double y2)
{
    return std::fabs(x2 - x1) <= 1e-12 && std::fabs(y2 - y1) <= 1e-12;
}

bool SegmentProjection(double x1, double y1, double x2, double y2, double px, double py,
                       double &dist)
{
    const double theta = DirectionAngle(x2 - x1, y2 - y1);
    const double u = RotateX(px, py, x1, y1, -theta);
    const double ub = RotateX(x2, y2, x1, y1, -theta);
    dist = RotateY(px, py, x1, y1, -theta) - y1;
    return x1 - 1e-12 <= u && u <= ub + 1e-12;
}

std::int32_t IntersectLines(double x1, double y1, double x2, double y2, double x3, double y3,
                            double x4, double y4, double &ix, double &iy)
{
    const bool vertical1 = std::fabs(x2 - x1) <= 1e-10;
    const bool vertical2 = std::fabs(x4 - x3) <= 1e-10;
    double px = 0;
    double py = 0;
    if (vertical1 && vertical2)
        return 0;
    if (vertical1) {
        const double m2 = (y4 - y3) / (x4 - x3);
        px = x1;
        py = (x1 - x3) * m2 + y3;
    } else if (vertical2) {
        const double m1 = (y2 - y1) / (x2 - x1);
        px = x3;
        py = (x3 - x1) * m1 + y1;
    } else {
        const double m1 = (y2 - y1) / (x2 - x1);
        const double m2 = (y4 - y3) / (x4 - x3);
        if (std::fabs(m1 - m2) <= 1e-10)
            return 0;
        const double b1 = y1 - m1 * x1;
        const double b2 = y3 - m2 * x3;
        px = (b2 - b1) / (m1 - m2);
        py = m1 * px + b1;
    }
    ix = px;
    iy = py;
    double dist = 0;
    if (SegmentProjection(x1, y1, x2, y2, px, py, dist) &&
        SegmentProjection(x3, y3, x4, y4, px, py, dist))
        return 1;
    return 2;
}

void ArcTangentCorner(double cx, double cy, double r, double f, double t0, double sweep,
                      double tilt, double &sx, double &sy, double &ex, double &ey, double &ix,
                      double &iy)
{
    constexpr double kQuarter = std::numbers::pi / 2;
    auto lx = [&](double t) { return r * std::cos(t); };
    auto ly = [&](double t) { return r * f * std::sin(t); };
    const double t1 = t0 + sweep;
    const double x0 = lx(t0), y0 = ly(t0);
    const double x1 = lx(t1), y1 = ly(t1);

    sx = cx + RotateX(x0, y0, 0, 0, tilt);
    sy = cy + RotateY(x0, y0, 0, 0, tilt);
    ex = cx + RotateX(x1, y1, 0, 0, tilt);
    ey = cy + RotateY(x1, y1, 0, 0, tilt);

    double px = 0;
    double py = 0;
    if (IntersectLines(x0, y0, x0 + lx(t0 + kQuarter), y0 + ly(t0 + kQuarter), x1, y1,
                       x1 + lx(t1 - kQuarter), y1 + ly(t1 - kQuarter), px, py) == 0) {
        px = 0;
        py = 0;
    }
    ix = cx + RotateX(px, py, 0, 0, tilt);
    iy = cy + RotateY(px, py, 0, 0, tilt);
}

bool ExtentInGuard(double x, double y)
{
    return x >= -5e11 && x <= 5e11 && y >= -5e11 && y <= 5e11;
}

namespace {

void clampExtents(ExtentAccumulator &acc)
{
    // Written so that a minimum that is not a number is raised too.
    if (!(acc.MinX >= -1e8))
        acc.MinX = -1e8;
    if (!(acc.MinY >= -1e8))
        acc.MinY = -1e8;
    if (acc.MaxX > 1e8)
        acc.MaxX = 1e8;
    if (acc.MaxY > 1e8)
        acc.MaxY = 1e8;
}

void widen(ExtentAccumulator &acc, double x, double y)
{
    if (x < acc.MinX)
        acc.MinX = x;
    if (y < acc.MinY)
        acc.MinY = y;
    if (x > acc.MaxX)
        acc.MaxX = x;
    if (y > acc.MaxY)
        acc.MaxY = y;
    clampExtents(acc);
}

} // namespace

void ExtentStart(ExtentAccumulator &acc, double x, double y, double d)
{
    if (!ExtentInGuard(x, y))
        return;
    acc.MinX = acc.MaxX = x / d;
    acc.MinY = acc.MaxY = y / d;
    clampExtents(acc);
}

void ExtentAdd(ExtentAccumulator &acc, double x, double y, double d)
{
    if (!ExtentInGuard(x, y))
        return;
    widen(acc, x / d, y / d);
}

void ExtentAddMapped(ExtentAccumulator &acc, double x, double y, double tx, double ty, double m11,
                     double m12, double m21, double m22, double d)
{
    if (!ExtentInGuard(x, y))
        return;
    widen(acc, (m11 * x + m12 * y + tx) / d, (m21 * x + m22 * y + ty) / d);
}

void ExtentFinish(ExtentAccumulator &acc, double &minX, double &minY, double &maxX, double &maxY)
{
    if (SamePoint(acc.MinX, acc.MinY, acc.MaxX, acc.MaxY)) {
        acc.MinX -= 10;
        acc.MinY -= 10;
        acc.MaxX += 10;
        acc.MaxY += 10;
    }
    minX = acc.MinX;
    minY = acc.MinY;
    maxX = acc.MaxX;
    maxY = acc.MaxY;
}

} // namespace pravelot
