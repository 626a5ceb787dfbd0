#include "render/svgwriter.h"

#include "core/text.h"
#include "render/palette.h"
#include "render/viewport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <numbers>
#include <tuple>

namespace pravelot {

namespace {

class SvgOut {
public:
    explicit SvgOut(std::string &s) : m_s(s) {}

    SvgOut &operator<<(std::string_view v)
    {
        m_s += v;
        return *this;
    }
    // Pixel coordinates: two decimals are a hundredth of a pixel. Most of a picture is
    // coordinates, so they are written by hand rather than by the general formatting.
    SvgOut &operator<<(double v)
    {
        char buf[40];
        char *end = pixels(v, buf);
        m_s.append(buf, static_cast<std::size_t>(end - buf));
        return *this;
    }
    // Scales and sizes in the figure's millimetres: six significant digits.
    SvgOut &precise(double v) { return number(v, std::chars_format::general, 6); }
    SvgOut &operator<<(Vec2 p)
    {
        char buf[80];
        char *end = pixels(p.x, buf);
        *end++ = ',';
        end = pixels(p.y, end);
        m_s.append(buf, static_cast<std::size_t>(end - buf));
        return *this;
    }
    SvgOut &rgb(std::uint32_t c)
    {
        static const char *hex = "0123456789abcdef";
        m_s += '#';
        for (int shift = 20; shift >= 0; shift -= 4)
            m_s += hex[(c >> shift) & 0xF];
        return *this;
    }
    SvgOut &escaped(const std::u16string &t)
    {
        for (char c : toUtf8(t)) {
            switch (c) {
            case '&':
                m_s += "&amp;";
                break;
            case '<':
                m_s += "&lt;";
                break;
            case '>':
                m_s += "&gt;";
                break;
            case '"':
                m_s += "&quot;";
                break;
            default:
                m_s += c;
            }
        }
        return *this;
    }

private:
    // v with at most two decimals, without trailing zeros, into out (at least 40 bytes);
    // returns the end.
    static char *pixels(double v, char *out)
    {
        if (!(std::fabs(v) < 1e12)) {
            const auto r = std::to_chars(out, out + 39, std::isfinite(v) ? v : 0.0,
                                         std::chars_format::fixed, 2);
            return r.ec == std::errc{} ? r.ptr : out;
        }
        const long long n = std::llround(v * 100);
        if (n < 0)
            *out++ = '-';
        const auto hundredths = static_cast<unsigned long long>(n < 0 ? -n : n);
        out = std::to_chars(out, out + 24, hundredths / 100).ptr;
        const auto f = static_cast<unsigned>(hundredths % 100);
        if (f != 0) {
            *out++ = '.';
            *out++ = static_cast<char>('0' + f / 10);
            if (f % 10 != 0)
                *out++ = static_cast<char>('0' + f % 10);
        }
        return out;
    }

    SvgOut &number(double v, std::chars_format format, int precision)
    {
        char buf[400];
        auto [end, ec] =
            std::to_chars(buf, buf + sizeof buf, std::isfinite(v) ? v : 0.0, format, precision);
        if (ec != std::errc{})
            return *this << std::string_view("0");
        std::string_view n(buf, static_cast<std::size_t>(end - buf));
        // Trailing zeros of a fraction say nothing.
        if (format == std::chars_format::fixed && n.find('.') != std::string_view::npos) {
            while (n.back() == '0')
                n.remove_suffix(1);
            if (n.back() == '.')
                n.remove_suffix(1);
        }
        if (n == "-0")
            n = "0";
        m_s += n;
        return *this;
    }

    std::string &m_s;
};

// Principal radii and the angle of the first axis of the ellipse c + u·cos t + v·sin t.
void axes(Vec2 u, Vec2 v, double &rx, double &ry, double &angle)
{
    const double a = u.x * u.x + v.x * v.x, b = u.x * u.y + v.x * v.y, d = u.y * u.y + v.y * v.y;
    const double mean = (a + d) / 2, diff = std::hypot((a - d) / 2, b);
    rx = std::sqrt(std::max(mean + diff, 0.0));
    ry = std::sqrt(std::max(mean - diff, 0.0));
    angle = 0.5 * std::atan2(2 * b, a - d) * 180 / std::numbers::pi;
}

// The XML declaration, the root element of a picture width × height and its white ground.
void writeHead(SvgOut &o, int width, int height)
{
    o << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << double(width) << "\" height=\""
      << double(height) << "\" viewBox=\"0 0 " << double(width) << " " << double(height)
      << "\" text-rendering=\"geometricPrecision\">\n<rect width=\"100%\" height=\"100%\" "
         "fill=\"#ffffff\"/>\n";
}

void writeSolids(SvgOut &o, const Drawing &d, const Viewport &vp)
{
    for (const DrawnSolid &a : d.solids) {
        o << "<path fill=\"";
        o.rgb(a.rgb) << "\" d=\"";
        for (std::size_t i = 0; i < a.outline.size(); ++i)
            o << (i == 0 ? "M" : "L") << vp.toPixel(a.outline[i]);
        o << "Z\"/>\n";
    }
}

// Pictures are not drawn: a grey frame with its diagonals stands where each would be.
void writeImages(SvgOut &o, const Drawing &d, const Viewport &vp)
{
    if (d.images.empty())
        return;
    o << "<g fill=\"none\" stroke=\"#a0a0a0\" stroke-width=\"1\">\n";
    for (const DrawnImage &img : d.images) {
        Vec2 c[4];
        for (int k = 0; k < 4; ++k)
            c[k] = vp.toPixel(img.corners[k]);
        o << "<path d=\"M" << c[0] << "L" << c[1] << "L" << c[2] << "L" << c[3] << "ZM" << c[0]
          << "L" << c[2] << "M" << c[1] << "L" << c[3] << "\"/>\n";
    }
    o << "</g>\n";
}

// Appends the arc to the path data p: a move to its start, then one or two arc commands.
void appendArc(SvgOut &p, const DrawnArc &a, const Viewport &vp)
{
    const double s = vp.scale();
    const Vec2 u{s * a.u.x, -s * a.u.y}, v{s * a.v.x, -s * a.v.y};
    double rx = 0, ry = 0, angle = 0;
    axes(u, v, rx, ry, angle);
    const bool clockwise = (u.x * v.y - u.y * v.x) * a.sweep > 0;
    auto at = [&](double t) {
        return vp.toPixel({a.centre.x + a.u.x * std::cos(t) + a.v.x * std::sin(t),
                           a.centre.y + a.u.y * std::cos(t) + a.v.y * std::sin(t)});
    };
    auto arcTo = [&](double t, bool large) {
        p << "A" << rx << "," << ry << " " << angle << " " << (large ? "1" : "0") << " "
          << (clockwise ? "1" : "0") << " " << at(t);
    };
    p << "M" << at(a.start);
    if (std::fabs(a.sweep) >= 2 * std::numbers::pi - 1e-9) {
        // A whole turn cannot be one arc command: two halves.
        arcTo(a.start + a.sweep / 2, false);
        arcTo(a.start + a.sweep, false);
    } else {
        arcTo(a.start + a.sweep, std::fabs(a.sweep) > std::numbers::pi);
    }
}

// Lines and arcs, one path for each pen.
void writeStrokes(SvgOut &o, const Drawing &d, const Viewport &vp)
{
    using PenKey = std::tuple<std::uint32_t, std::uint8_t, std::uint16_t>;
    std::map<PenKey, std::string> paths;
    auto pathOf = [&](const Pen &p) -> std::string & { return paths[{p.rgb, p.style, p.width}]; };
    for (const DrawnLine &l : d.lines) {
        std::string &path = pathOf(l.pen);
        SvgOut(path) << "M" << vp.toPixel(l.a) << "L" << vp.toPixel(l.b);
    }
    for (const DrawnArc &a : d.arcs) {
        SvgOut p(pathOf(a.pen));
        appendArc(p, a, vp);
    }
    for (const auto &[key, path] : paths) {
        const auto &[rgb, style, penWidth] = key;
        o << "<path fill=\"none\" stroke=\"";
        o.rgb(rgb) << "\" stroke-width=\"" << penPixels(penWidth, vp.scale()) << "\"";
        const auto pattern = linePattern(style);
        if (!pattern.empty()) {
            o << " stroke-dasharray=\"";
            for (std::size_t i = 0; i < pattern.size(); ++i)
                o << (i ? " " : "") << pattern[i];
            o << "\"";
        }
        o << " d=\"" << path << "\"/>\n";
    }
}

// Points as small squares, one path for each colour.
void writePoints(SvgOut &o, const Drawing &d, const Viewport &vp)
{
    std::map<std::uint32_t, std::string> dots;
    for (const DrawnPoint &pt : d.points) {
        const Vec2 c = vp.toPixel(pt.at);
        SvgOut(dots[pt.rgb]) << "M" << Vec2{c.x - 1.5, c.y - 1.5} << "h3v3h-3z";
    }
    for (const auto &[rgb, path] : dots) {
        o << "<path fill=\"";
        o.rgb(rgb) << "\" d=\"" << path << "\"/>\n";
    }
}

void writeText(SvgOut &o, const Drawing &d, const DrawnText &t, const Viewport &vp)
{
    const double s = vp.scale();
    const Vec2 at = vp.toPixel(t.origin);
    // The em box fills the character height, the base line a little above the
    // bottom so that descenders stay inside.
    o << "<text y=\"";
    o.precise(-0.12 * t.height) << "\" transform=\"matrix(";
    o.precise(s * t.ex.x) << " ";
    o.precise(-s * t.ex.y) << " ";
    o.precise(-s * t.ey.x) << " ";
    o.precise(s * t.ey.y) << " " << at.x << " " << at.y << ")\" font-size=\"";
    o.precise(t.height) << "\" textLength=\"";
    o.precise(t.length) << "\" lengthAdjust=\"spacingAndGlyphs\" fill=\"";
    o.rgb(t.rgb) << "\" font-family=\"";
    const std::u16string &font = d.strings[t.font];
    if (!font.empty())
        o.escaped(u"'" + font + u"', ");
    o << "'IPAGothic', 'IPAexGothic', 'Noto Sans CJK JP', sans-serif\">";
    o.escaped(d.text(t)) << "</text>\n";
}

} // namespace

std::string drawingToSvg(const Drawing &d, int longSide)
{
    int width = 0, height = 0;
    pictureSize(d.viewBox, longSide, width, height);
    const double margin = std::max(8.0, 0.02 * std::max(width, height));
    const Viewport vp = Viewport::fit(d.viewBox, width, height, margin);

    std::string svg;
    svg.reserve(1024 + 48 * d.primitiveCount());
    SvgOut o(svg);
    writeHead(o, width, height);
    writeSolids(o, d, vp);
    writeImages(o, d, vp);
    writeStrokes(o, d, vp);
    writePoints(o, d, vp);
    for (const DrawnText &t : d.texts)
        writeText(o, d, t, vp);
    o << "</svg>\n";
    return svg;
}

} // namespace pravelot
