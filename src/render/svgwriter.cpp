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

// The picture's bytes, handed to the sink in pieces of about kPiece bytes as they are
// made, so that a picture of any size takes no more memory than a piece.
class SvgOut {
public:
    explicit SvgOut(const SvgSink &sink) : m_sink(sink) { m_s.reserve(kPiece + 4096); }

    // Hands over what is not handed over yet.
    void flush()
    {
        if (!m_s.empty())
            m_sink(m_s);
        m_s.clear();
    }
    // Hands over a full piece; called between the parts of the picture.
    void flushFull()
    {
        if (m_s.size() >= kPiece)
            flush();
    }

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
            if (m_s.size() >= kPiece)
                flush();
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

    static constexpr std::size_t kPiece = 1 << 16;
    const SvgSink &m_sink;
    std::string m_s;
};

// Indices 0 … n − 1 in the order of their keys, equal keys in their own order.
template <class KeyOf> std::vector<std::uint32_t> keyOrder(std::size_t n, KeyOf keyOf)
{
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return keyOf(a) < keyOf(b); });
    return order;
}

// Calls write(first, last) for each run of order whose keys are equal, cut into runs of
// at most kPathPieces.
template <class KeyOf, class Write>
void forEachPath(const std::vector<std::uint32_t> &order, KeyOf keyOf, Write write)
{
    std::size_t first = 0;
    while (first < order.size()) {
        std::size_t last = first + 1;
        while (last < order.size() && last - first < kPathPieces &&
               keyOf(order[last]) == keyOf(order[first]))
            ++last;
        write(first, last);
        first = last;
    }
}

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

void writeSolid(SvgOut &o, const DrawnSolid &a, const Viewport &vp)
{
    o << "<path fill=\"";
    o.rgb(a.rgb) << "\" d=\"";
    for (std::size_t i = 0; i < a.outline.size(); ++i)
        o << (i == 0 ? "M" : "L") << vp.toPixel(a.outline[i]);
    o << "Z\"/>\n";
    o.flushFull();
}

// Pictures are not drawn: a grey frame with its diagonals stands where each would be,
// inside a group that these start and end.
constexpr std::string_view kImagesStart =
    "<g fill=\"none\" stroke=\"#a0a0a0\" stroke-width=\"1\">\n";
constexpr std::string_view kImagesEnd = "</g>\n";

void writeImage(SvgOut &o, const DrawnImage &img, const Viewport &vp)
{
    Vec2 c[4];
    for (int k = 0; k < 4; ++k)
        c[k] = vp.toPixel(img.corners[k]);
    o << "<path d=\"M" << c[0] << "L" << c[1] << "L" << c[2] << "L" << c[3] << "ZM" << c[0] << "L"
      << c[2] << "M" << c[1] << "L" << c[3] << "\"/>\n";
    o.flushFull();
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

using PenKey = std::tuple<std::uint32_t, std::uint8_t, std::uint16_t>;

PenKey keyOf(const Pen &p) { return {p.rgb, p.style, p.width}; }

// The start of a path of lines and arcs drawn with the pen key, up to its path data.
void startStrokes(SvgOut &o, const PenKey &key, const Viewport &vp)
{
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
    o << " d=\"";
}

void startPoints(SvgOut &o, std::uint32_t rgb)
{
    o << "<path fill=\"";
    o.rgb(rgb) << "\" d=\"";
}

constexpr std::string_view kPathEnd = "\"/>\n";

void appendLine(SvgOut &o, const DrawnLine &l, const Viewport &vp)
{
    o << "M" << vp.toPixel(l.a) << "L" << vp.toPixel(l.b);
    o.flushFull();
}

void appendPoint(SvgOut &o, const DrawnPoint &pt, const Viewport &vp)
{
    const Vec2 c = vp.toPixel(pt.at);
    o << "M" << Vec2{c.x - 1.5, c.y - 1.5} << "h3v3h-3z";
    o.flushFull();
}

// Lines and arcs, one path for each pen (lines first, each in its order).
void writeStrokes(SvgOut &o, const Drawing &d, const Viewport &vp)
{
    const std::size_t lines = d.lines.size();
    auto penOf = [&](std::uint32_t i) {
        return keyOf(i < lines ? d.lines[i].pen : d.arcs[i - lines].pen);
    };
    const std::vector<std::uint32_t> order = keyOrder(lines + d.arcs.size(), penOf);
    forEachPath(order, penOf, [&](std::size_t first, std::size_t last) {
        startStrokes(o, penOf(order[first]), vp);
        for (std::size_t k = first; k < last; ++k) {
            const std::uint32_t i = order[k];
            if (i < lines) {
                appendLine(o, d.lines[i], vp);
            } else {
                appendArc(o, d.arcs[i - lines], vp);
                o.flushFull();
            }
        }
        o << kPathEnd;
    });
}

// Points as small squares, one path for each colour.
void writePoints(SvgOut &o, const Drawing &d, const Viewport &vp)
{
    auto rgbOf = [&](std::uint32_t i) { return d.points[i].rgb; };
    const std::vector<std::uint32_t> order = keyOrder(d.points.size(), rgbOf);
    forEachPath(order, rgbOf, [&](std::size_t first, std::size_t last) {
        startPoints(o, rgbOf(order[first]));
        for (std::size_t k = first; k < last; ++k)
            appendPoint(o, d.points[order[k]], vp);
        o << kPathEnd;
    });
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

// The layers of a picture, from the bottom up.
enum class Layer { Solids, Images, Lines, Arcs, Points, Texts };
constexpr Layer kLayers[] = {Layer::Solids, Layer::Images, Layer::Lines,
                             Layer::Arcs,   Layer::Points, Layer::Texts};

// Writes the primitives of a layer as a drawing hands them over, one at a time. A path
// element goes on while the pen (or the colour of points) stays the same, up to
// kPathPieces pieces, from the lines on into the arcs as a whole drawing's does.
class LayerWriter : public PrimitiveSink {
public:
    LayerWriter(SvgOut &o, const Viewport &vp) : m_o(o), m_vp(vp) {}

    // Ends the layer before, unless the arcs follow the lines.
    void startLayer(Layer layer)
    {
        if (!(m_layer == Layer::Lines && layer == Layer::Arcs))
            finish();
        m_layer = layer;
    }

    void take(const Drawing &d) override
    {
        switch (m_layer) {
        case Layer::Solids:
            for (const DrawnSolid &a : d.solids)
                writeSolid(m_o, a, m_vp);
            break;
        case Layer::Images:
            for (const DrawnImage &img : d.images) {
                if (!m_open)
                    m_o << kImagesStart;
                m_open = true;
                writeImage(m_o, img, m_vp);
            }
            break;
        case Layer::Lines:
            for (const DrawnLine &l : d.lines) {
                path(keyOf(l.pen));
                appendLine(m_o, l, m_vp);
            }
            break;
        case Layer::Arcs:
            for (const DrawnArc &a : d.arcs) {
                path(keyOf(a.pen));
                appendArc(m_o, a, m_vp);
                m_o.flushFull();
            }
            break;
        case Layer::Points:
            for (const DrawnPoint &pt : d.points) {
                path(PenKey{pt.rgb, 0, 0});
                appendPoint(m_o, pt, m_vp);
            }
            break;
        case Layer::Texts:
            for (const DrawnText &t : d.texts) {
                writeText(m_o, d, t, m_vp);
                m_o.flushFull();
            }
            break;
        }
    }
    // Ends what the layer left open.
    void finish()
    {
        if (m_open)
            m_o << (m_layer == Layer::Images ? kImagesEnd : kPathEnd);
        m_open = false;
    }

private:
    // Goes on with the path element at hand, or starts one for key.
    void path(const PenKey &key)
    {
        if (m_open && key == m_key && m_pieces < kPathPieces) {
            ++m_pieces;
            return;
        }
        finish();
        if (m_layer == Layer::Points)
            startPoints(m_o, std::get<0>(key));
        else
            startStrokes(m_o, key, m_vp);
        m_open = true;
        m_key = key;
        m_pieces = 1;
    }

    SvgOut &m_o;
    const Viewport &m_vp;
    Layer m_layer = Layer::Solids;
    bool m_open = false;
    PenKey m_key{};
    std::size_t m_pieces = 0;
};

// The viewport of a picture of the drawing whose frame is d, and its size.
Viewport pictureViewport(const Drawing &d, int longSide, int &width, int &height)
{
    pictureSize(d.viewBox, longSide, width, height);
    const double margin = std::max(8.0, 0.02 * std::max(width, height));
    return Viewport::fit(d.viewBox, width, height, margin);
}

} // namespace

void writeSvg(const Drawing &d, int longSide, const SvgSink &sink)
{
    int width = 0, height = 0;
    const Viewport vp = pictureViewport(d, longSide, width, height);
    SvgOut o(sink);
    writeHead(o, width, height);
    for (const DrawnSolid &a : d.solids)
        writeSolid(o, a, vp);
    if (!d.images.empty()) {
        o << kImagesStart;
        for (const DrawnImage &img : d.images)
            writeImage(o, img, vp);
        o << kImagesEnd;
    }
    writeStrokes(o, d, vp);
    writePoints(o, d, vp);
    for (const DrawnText &t : d.texts) {
        writeText(o, d, t, vp);
        o.flushFull();
    }
    o << "</svg>\n";
    o.flush();
}

void writeSvgInPasses(const Drawing &frame, int longSide, const DrawAgain &draw,
                      const SvgSink &sink)
{
    int width = 0, height = 0;
    const Viewport vp = pictureViewport(frame, longSide, width, height);
    SvgOut o(sink);
    writeHead(o, width, height);
    LayerWriter w(o, vp);
    for (const Layer layer : kLayers) {
        w.startLayer(layer);
        draw(w);
    }
    w.finish();
    o << "</svg>\n";
    o.flush();
}

Drawing writeFigureSvg(const FigureDrawer &draw, int longSide, const SvgSink &sink)
{
    struct Counter : PrimitiveSink {
        void take(const Drawing &) override { ++primitives; }
        std::size_t primitives = 0;
    } counter;
    Drawing frame = draw(DrawingKeep::FrameOnly, &counter);
    if (counter.primitives <= kHeldPrimitives) {
        writeSvg(draw(DrawingKeep::Everything, nullptr), longSide, sink);
        return frame;
    }
    writeSvgInPasses(
        frame, longSide, [&draw](PrimitiveSink &s) { draw(DrawingKeep::FrameOnly, &s); }, sink);
    return frame;
}

std::string drawingToSvg(const Drawing &d, int longSide)
{
    std::string svg;
    writeSvg(d, longSide, [&svg](std::string_view piece) { svg += piece; });
    return svg;
}

} // namespace pravelot
