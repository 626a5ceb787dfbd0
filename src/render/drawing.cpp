#include "render/drawing.h"

#include "core/numeric.h"
#include "core/text.h"
#include "jws/imagetext.h"
#include "jws/jwsdata.h"
#include "jws/writtenattr.h"
#include "render/palette.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <unordered_map>

namespace pravelot {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// Coordinates beyond this are no drawing anyone made; they are left out rather than
// let them stretch the picture or overflow a renderer.
constexpr double kFar = 1e12;
// The extents keep within ±1e8; so do the text boxes added to them.
constexpr double kViewLimit = 1e8;

bool usable(double v) { return std::isfinite(v) && std::fabs(v) <= kFar; }
bool usable(Vec2 p) { return usable(p.x) && usable(p.y); }
template <class... T> bool allUsable(T... v) { return (usable(v) && ...); }

// A block instance's placement: a point (u, v) of its definition lies at
// (x + r1·u + r2·v, y + r3·u + r4·v).
struct Place {
    double x = 0, y = 0, r1 = 1, r2 = 0, r3 = 0, r4 = 1;
    Vec2 point(double u, double v) const { return {x + r1 * u + r2 * v, y + r3 * u + r4 * v}; }
    Vec2 vec(double u, double v) const { return {r1 * u + r2 * v, r3 * u + r4 * v}; }
};

Vec2 plus(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
Vec2 times(Vec2 a, double k) { return {a.x * k, a.y * k}; }

// Whether segments p-q and r-s cross at a point inside both.
bool crosses(Vec2 p, Vec2 q, Vec2 r, Vec2 s)
{
    auto side = [](Vec2 a, Vec2 b, Vec2 c) {
        return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    };
    const double d1 = side(p, q, r), d2 = side(p, q, s), d3 = side(r, s, p), d4 = side(r, s, q);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

// Characters of a text in units of the full width, and how many there are.
struct TextRun {
    double cells = 0;
    std::size_t chars = 0;
};

TextRun measure(std::u16string_view s)
{
    TextRun r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF)
            ++i;
        // Half-width: what code page 932 holds in one byte.
        const bool half = c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);
        r.cells += half ? 0.5 : 1.0;
        ++r.chars;
    }
    return r;
}

// What every placement of one text record shares: its cleaned string and measures.
struct TextInfo {
    bool drawn = false;
    bool image = false;
    std::uint32_t string = 0, font = 0;
    TextRun run;
    ImageTextFields picture;
};

// The box around start and the points of d, within ±1e8 as extents are.
Box boundsOf(const Drawing &d, Box b);

class Builder {
public:
    Builder(const TJwsData &doc, Drawing &out, const std::atomic<bool> *cancel, DrawingKeep keep)
        : m_out(out), m_cancel(cancel), m_ver(writtenVersion(doc.Enthd.jwVer)),
          m_frameOnly(keep == DrawingKeep::FrameOnly)
    {
        const Vec2 base{doc.Enthd.BasePoint_x, doc.Enthd.BasePoint_y};
        const Vec2 start = usable(base) ? base : Vec2{};
        m_drawn = {start.x, start.y, start.x, start.y};
    }

    bool stopped() const { return m_out.truncated || m_out.cancelled; }
    const Box &textBox() const { return m_textBox; }
    bool anyText() const { return m_anyText; }
    // The box around the base point and every point drawn, within ±1e8.
    Box drawnBox() const { return m_frameOnly ? m_drawn : boundsOf(m_out, m_drawn); }

    void line(const TEntJwwLine &e, const Place &p, std::int32_t kind = kEntLine)
    {
        const Vec2 a = p.point(e.start_x, e.start_y), b = p.point(e.end_x, e.end_y);
        if (!usable(a) || !usable(b))
            return;
        m_out.lines.push_back({a, b, pen(e.att, kind)});
        added();
    }

    void arc(const TEntJwwEnko &e, const Place &p)
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
        a.pen = pen(e.att, kEntEnko);
        m_out.arcs.push_back(a);
        added();
    }

    void point(const TEntJwwTen &e, const Place &p)
    {
        const Vec2 at = p.point(e.start_x, e.start_y);
        if (!usable(at))
            return;
        m_out.points.push_back({at, pen(e.att, kEntTen).rgb, e.bKariten != 0});
        added();
    }

    // A text that lives only for this call: what it shares with other placements of
    // the same record is not kept.
    void passingText(const TEntJwwMoji &e)
    {
        text(e, Place{});
        m_texts.erase(&e);
    }

    // The entities of one order list (kinds 1–6; references are expanded by the tree).
    void list(ConstEntityLists lists, std::span<const TEntJwwNo> order, std::int32_t n,
              const Place &p)
    {
        const std::size_t end =
            std::min(order.size(), static_cast<std::size_t>(std::max(n, std::int32_t{0})));
        for (std::size_t k = 0; k < end && !stopped(); ++k) {
            const TEntJwwNo &e = order[k];
            if (!lists.valid(e))
                continue;
            const auto i = static_cast<std::size_t>(e.EntNo);
            switch (e.EntType) {
            case kEntLine:
                line(lists.line[i], p);
                break;
            case kEntEnko:
                arc(lists.enko[i], p);
                break;
            case kEntTen:
                point(lists.ten[i], p);
                break;
            case kEntMoji:
                text(lists.moji[i], p);
                break;
            case kEntSunpo:
                dimension(lists.sunpo[i], p);
                break;
            case kEntSolid:
                solid(lists.solid[i], p);
                break;
            default:
                break;
            }
        }
    }

private:
    Pen pen(const TEntJwwAttr &att, std::int32_t kind) const
    {
        const TEntJwwAttr a = writtenAttr(att, kind, m_ver);
        return {penRgb(a.nPenColor), a.nPenStyle, a.nPenWidth};
    }

    // Counts the primitive just drawn; when only the frame is kept, takes its points
    // into the frame and lets it go.
    void added()
    {
        if (m_frameOnly) {
            m_drawn = boundsOf(m_out, m_drawn);
            m_out.solids.clear();
            m_out.lines.clear();
            m_out.arcs.clear();
            m_out.images.clear();
            m_out.points.clear();
            m_out.texts.clear();
        }
        if (++m_count >= kDrawingBudget)
            m_out.truncated = true;
        if (m_cancel && (m_count & 1023) == 0 && m_cancel->load(std::memory_order_relaxed))
            m_out.cancelled = true;
    }

    std::uint32_t intern(std::u16string s)
    {
        if (m_frameOnly)
            return 0;
        auto [it, fresh] =
            m_strings.try_emplace(s, static_cast<std::uint32_t>(m_out.strings.size()));
        if (fresh)
            m_out.strings.push_back(std::move(s));
        return it->second;
    }

    const TextInfo &info(const TEntJwwMoji &e)
    {
        auto [it, fresh] = m_texts.try_emplace(&e);
        TextInfo &t = it->second;
        if (!fresh)
            return t;
        // The strings a written file carries.
        std::u16string s = TextOutClean(e.str);
        if (s.empty() || s == u" ")
            return t;
        t.drawn = true;
        t.image = isImageText(s);
        if (t.image) {
            t.picture = ParseImageText(s);
            t.string = intern(t.picture.FileName);
        } else {
            t.run = measure(s);
            t.string = intern(std::move(s));
            t.font = intern(TextOutClean(e.strFontName));
        }
        return t;
    }

    void text(const TEntJwwMoji &e, const Place &p)
    {
        const TextInfo &t = info(e);
        if (!t.drawn || !allUsable(e.start_x, e.start_y))
            return;
        const std::uint32_t rgb = pen(e.att, kEntMoji).rgb;
        if (t.image) {
            picture(e, t, p);
            return;
        }
        DrawnText d;
        const double angle = e.degKakudo * std::numbers::pi / 180;
        if (!std::isfinite(angle) || !usable(e.dKankaku))
            return;
        const double c = std::cos(angle), s = std::sin(angle);
        d.origin = p.point(e.start_x, e.start_y);
        d.ex = p.vec(c, s);
        d.ey = p.vec(-s, c);
        d.width = writtenTextSize(e.dSizeX);
        d.height = writtenTextSize(e.dSizeY);
        d.spacing = e.dKankaku;
        d.length = d.width * t.run.cells + d.spacing * (static_cast<double>(t.run.chars) - 1);
        d.string = t.string;
        d.font = t.font;
        d.rgb = rgb;
        const Vec2 along = plus(d.origin, times(d.ex, d.length));
        const Vec2 up = times(d.ey, d.height);
        const Vec2 corners[4] = {d.origin, along, plus(along, up), plus(d.origin, up)};
        for (const Vec2 &q : corners)
            if (!usable(q))
                return;
        for (const Vec2 &q : corners)
            widenText(q);
        m_out.texts.push_back(d);
        added();
    }

    void picture(const TEntJwwMoji &e, const TextInfo &t, const Place &p)
    {
        const double w = t.picture.Width, h = t.picture.Height;
        const double angle = t.picture.Angle * std::numbers::pi / 180;
        if (!allUsable(w, h) || !std::isfinite(angle))
            return;
        const double c = std::cos(angle), s = std::sin(angle);
        auto corner = [&](double u, double v) {
            return p.point(e.start_x + u * c - v * s, e.start_y + u * s + v * c);
        };
        DrawnImage img{{corner(0, 0), corner(w, 0), corner(w, h), corner(0, h)}, t.string};
        for (const Vec2 &q : img.corners)
            if (!usable(q))
                return;
        m_out.images.push_back(img);
        added();
    }

    void dimension(const TEntJwwSunpo &e, const Place &p)
    {
        line(e.Sen, p);
        if (!stopped())
            text(e.Moji, p);
        if (m_ver >= 420 && e.bSxfMode != 0) {
            const TEntJwwSunpoExt x = e.ext();
            if (!stopped())
                line(x.Ho1, p);
            if (!stopped())
                line(x.Ho2, p);
        }
    }

    void solid(const TEntJwwSolid &e, const Place &p)
    {
        const TEntJwwAttr a = writtenAttr(e.att, kEntSolid, m_ver);
        DrawnSolid s;
        s.rgb = a.nPenColor == 10 ? explicitRgb(e.Color) : penRgb(a.nPenColor);
        if (e.att.nPenStyle < 101) {
            s.outline = {p.point(e.start_x, e.start_y), p.point(e.end_x, e.end_y),
                         p.point(e.DPoint2_x, e.DPoint2_y), p.point(e.DPoint3_x, e.DPoint3_y)};
            // Corners given in crossing order still mean the quadrilateral they span.
            auto &o = s.outline;
            if ((crosses(o[0], o[1], o[2], o[3]) || crosses(o[1], o[2], o[3], o[0])) &&
                !crosses(o[0], o[1], o[3], o[2]) && !crosses(o[1], o[3], o[2], o[0]))
                std::swap(o[2], o[3]);
        } else if (!arcSolid(e, p, s.outline)) {
            return;
        }
        for (const Vec2 &q : s.outline)
            if (!usable(q))
                return;
        m_out.solids.push_back(std::move(s));
        added();
    }

    // The outline of an arc-shaped solid: the arc, closed through the centre (a sector),
    // through the meeting point of its end tangents, or by its chord.
    static bool arcSolid(const TEntJwwSolid &e, const Place &p, std::vector<Vec2> &out)
    {
        const int style = e.att.nPenStyle;
        const double cx = e.start_x, cy = e.start_y, r = e.end_x, f = e.end_y;
        const double tilt = e.DPoint2_x, start = e.DPoint2_y, mode = e.DPoint3_y;
        double sweep = e.DPoint3_x;
        if (!allUsable(cx, cy, r, r * f, start, sweep) || !std::isfinite(tilt) ||
            !std::isfinite(mode))
            return false;
        if ((style == 101 || style == 111) && std::fabs(mode - 100) <= 1e-12)
            sweep = kTwoPi;
        sweep = std::clamp(sweep, -kTwoPi, kTwoPi);
        const int steps =
            std::clamp(static_cast<int>(std::ceil(std::fabs(sweep) / kTwoPi * 128)), 8, 128);
        const double c = std::cos(tilt), s = std::sin(tilt);
        out.reserve(static_cast<std::size_t>(steps) + 2);
        for (int k = 0; k <= steps; ++k) {
            const double t = start + sweep * k / steps;
            const double lx = r * std::cos(t), ly = r * f * std::sin(t);
            out.push_back(p.point(cx + lx * c - ly * s, cy + lx * s + ly * c));
        }
        if (style == 101 && std::fabs(mode) <= 1e-12) {
            out.push_back(p.point(cx, cy));
        } else if (style == 101 && std::fabs(mode + 1) <= 1e-12) {
            double sx = 0, sy = 0, ex = 0, ey = 0, ix = 0, iy = 0;
            ArcTangentCorner(cx, cy, r, f, start, sweep, tilt, sx, sy, ex, ey, ix, iy);
            out.push_back(p.point(ix, iy));
        }
        return true;
    }

    void widenText(Vec2 q)
    {
        q.x = std::clamp(q.x, -kViewLimit, kViewLimit);
        q.y = std::clamp(q.y, -kViewLimit, kViewLimit);
        if (!m_anyText) {
            m_textBox = {q.x, q.y, q.x, q.y};
            m_anyText = true;
            return;
        }
        m_textBox.minX = std::min(m_textBox.minX, q.x);
        m_textBox.minY = std::min(m_textBox.minY, q.y);
        m_textBox.maxX = std::max(m_textBox.maxX, q.x);
        m_textBox.maxY = std::max(m_textBox.maxY, q.y);
    }

    Drawing &m_out;
    const std::atomic<bool> *m_cancel;
    std::int32_t m_ver;
    bool m_frameOnly;
    std::size_t m_count = 0;
    // What was drawn so far, when the primitives themselves are not kept.
    Box m_drawn;
    std::unordered_map<std::u16string, std::uint32_t> m_strings;
    std::unordered_map<const TEntJwwMoji *, TextInfo> m_texts;
    Box m_textBox;
    bool m_anyText = false;
};

// Entities the extents would measure: the top level's and every instance's members.
std::uint64_t extentsWork(const TJwsData &doc)
{
    auto size = [](ConstEntityLists l) {
        return static_cast<std::uint64_t>(l.line.size()) + l.enko.size() + l.ten.size() +
               l.moji.size() + l.sunpo.size() + l.solid.size();
    };
    std::uint64_t work = size(doc.topLists());
    for (const TEntJwwBlockTree &t : doc.EntBlockTree)
        if (t.defno >= 0 && t.defno < doc.EntBlockDefN())
            work += size(listsOf(doc.EntBlockDef[static_cast<std::size_t>(t.defno)]));
    return work;
}

Box boundsOf(const Drawing &d, Box b)
{
    auto add = [&](Vec2 p) {
        b.minX = std::min(b.minX, p.x), b.maxX = std::max(b.maxX, p.x);
        b.minY = std::min(b.minY, p.y), b.maxY = std::max(b.maxY, p.y);
    };
    for (const DrawnLine &l : d.lines)
        add(l.a), add(l.b);
    for (const DrawnArc &a : d.arcs) {
        const double rx = std::hypot(a.u.x, a.v.x), ry = std::hypot(a.u.y, a.v.y);
        add({a.centre.x - rx, a.centre.y - ry});
        add({a.centre.x + rx, a.centre.y + ry});
    }
    for (const DrawnPoint &p : d.points)
        add(p.at);
    for (const DrawnSolid &s : d.solids)
        for (const Vec2 &p : s.outline)
            add(p);
    for (const DrawnImage &img : d.images)
        for (const Vec2 &p : img.corners)
            add(p);
    for (const DrawnText &t : d.texts)
        add(t.origin);
    b.minX = std::clamp(b.minX, -kViewLimit, kViewLimit);
    b.minY = std::clamp(b.minY, -kViewLimit, kViewLimit);
    b.maxX = std::clamp(b.maxX, -kViewLimit, kViewLimit);
    b.maxY = std::clamp(b.maxY, -kViewLimit, kViewLimit);
    return b;
}

} // namespace

namespace {

// The view box: the extents and the boxes of the texts, uncrossed.
Box viewBoxOf(const Box &e, const Builder &b)
{
    Box v = e;
    if (b.anyText()) {
        const Box &t = b.textBox();
        v = {std::min(e.minX, t.minX), std::min(e.minY, t.minY), std::max(e.maxX, t.maxX),
             std::max(e.maxY, t.maxY)};
    }
    // Extents from a base point far out can come back crossed.
    if (v.minX > v.maxX)
        std::swap(v.minX, v.maxX);
    if (v.minY > v.maxY)
        std::swap(v.minY, v.maxY);
    return v;
}

// Draws the top-level entities a producer hands over, and measures their extents as a
// document holding them would be measured.
class DrawingSink : public EntitySink {
public:
    DrawingSink(Builder &b, const TJwsData &header) : m_b(b) { header.startExtents(m_extents); }

    void line(const TEntJwwLine &e) override
    {
        measure(e, &ConstEntityLists::line);
        if (!m_b.stopped())
            m_b.line(e, Place{});
    }
    void arc(const TEntJwwEnko &e) override
    {
        measure(e, &ConstEntityLists::enko);
        if (!m_b.stopped())
            m_b.arc(e, Place{});
    }
    void text(TEntJwwMoji &&e) override
    {
        measure(e, &ConstEntityLists::moji);
        if (!m_b.stopped())
            m_b.passingText(e);
    }
    void point(const TEntJwwTen &e) override
    {
        measure(e, &ConstEntityLists::ten);
        if (!m_b.stopped())
            m_b.point(e, Place{});
    }

    std::uint64_t entities() const { return m_entities; }
    Box extents()
    {
        Box e;
        ExtentFinish(m_extents, e.minX, e.minY, e.maxX, e.maxY);
        return e;
    }

private:
    template <class T> void measure(const T &e, std::span<const T> ConstEntityLists::*list)
    {
        ++m_entities;
        ConstEntityLists one{};
        one.*list = std::span<const T>(&e, 1);
        addListExtents(one, m_extents);
    }

    Builder &m_b;
    ExtentAccumulator m_extents;
    std::uint64_t m_entities = 0;
};

} // namespace

Drawing makeDrawing(const TJwsData &doc, const std::atomic<bool> *cancel, DrawingKeep keep)
{
    Drawing out;
    Builder b(doc, out, cancel, keep);
    b.list(doc.topLists(), doc.EntNo, doc.Enthd.n1, Place{});
    // The tree holds every placed instance with its placement composed, nested ones
    // included, and is bounded against definitions that reach themselves.
    for (const TEntJwwBlockTree &t : doc.EntBlockTree) {
        if (b.stopped())
            break;
        if (t.defno < 0 || t.defno >= doc.EntBlockDefN())
            continue;
        const TEntJwwBlockDef &def = doc.EntBlockDef[static_cast<std::size_t>(t.defno)];
        b.list(listsOf(def), def.mNo(), def.N, Place{t.x, t.y, t.r1, t.r2, t.r3, t.r4});
    }

    out.basePoint = {doc.Enthd.BasePoint_x, doc.Enthd.BasePoint_y};
    Box &e = out.extents;
    if (b.stopped() || extentsWork(doc) > kDrawingBudget) {
        // The extents would measure every instance the nesting holds, past what the
        // drawing's budget allows: the picture shows what was drawn.
        e = b.drawnBox();
    } else {
        doc.measureExtents(e.minX, e.minY, e.maxX, e.maxY);
    }
    out.viewBox = viewBoxOf(e, b);
    return out;
}

Drawing makeDrawing(const TJwsData &header, const MemberProducer &produce,
                    const std::atomic<bool> *cancel, DrawingKeep keep)
{
    Drawing out;
    Builder b(header, out, cancel, keep);
    DrawingSink sink(b, header);
    produce(sink);
    out.basePoint = {header.Enthd.BasePoint_x, header.Enthd.BasePoint_y};
    out.extents = b.stopped() || sink.entities() > kDrawingBudget ? b.drawnBox() : sink.extents();
    out.viewBox = viewBoxOf(out.extents, b);
    return out;
}

} // namespace pravelot
