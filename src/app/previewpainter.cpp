#include "app/previewpainter.h"

#include "render/palette.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace pravelot {

namespace {

QColor colorOf(std::uint32_t rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb | 0xFF000000u)); }

// The part of segment a–b inside r (Liang–Barsky); false when none is.
bool clipSegment(Vec2 &a, Vec2 &b, const QRectF &r)
{
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - r.left(), r.right() - a.x, a.y - r.top(), r.bottom() - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const Vec2 a0 = a;
    a = {a0.x + t0 * dx, a0.y + t0 * dy};
    b = {a0.x + t1 * dx, a0.y + t1 * dy};
    return true;
}

// A polygon cut to the rectangle r (Sutherland–Hodgman), so that no coordinate handed
// to the rasteriser lies far outside the picture.
QPolygonF clipPolygon(const std::vector<Vec2> &in, const QRectF &r)
{
    std::vector<Vec2> poly = in, next;
    auto edge = [&](auto inside, auto cross) {
        next.clear();
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const Vec2 a = poly[i], b = poly[(i + 1) % poly.size()];
            const bool ia = inside(a), ib = inside(b);
            if (ia)
                next.push_back(a);
            if (ia != ib)
                next.push_back(cross(a, b));
        }
        poly.swap(next);
    };
    auto atX = [](double x) {
        return [x](Vec2 a, Vec2 b) {
            const double t = (x - a.x) / (b.x - a.x);
            return Vec2{x, a.y + t * (b.y - a.y)};
        };
    };
    auto atY = [](double y) {
        return [y](Vec2 a, Vec2 b) {
            const double t = (y - a.y) / (b.y - a.y);
            return Vec2{a.x + t * (b.x - a.x), y};
        };
    };
    edge([&](Vec2 v) { return v.x >= r.left(); }, atX(r.left()));
    edge([&](Vec2 v) { return v.x <= r.right(); }, atX(r.right()));
    edge([&](Vec2 v) { return v.y >= r.top(); }, atY(r.top()));
    edge([&](Vec2 v) { return v.y <= r.bottom(); }, atY(r.bottom()));
    QPolygonF out;
    out.reserve(static_cast<qsizetype>(poly.size()));
    for (const Vec2 &v : poly)
        out.append(QPointF(v.x, v.y));
    return out;
}

class Painter {
public:
    Painter(QPainter &p, const Drawing &d, const Viewport &vp, const QRectF &area,
            const std::atomic<bool> *cancel)
        : m_p(p), m_d(d), m_vp(vp), m_area(area), m_cancel(cancel),
          // Lines a little outside still show their width or dashes at the border.
          m_clip(area.adjusted(-64, -64, 64, 64))
    {
    }

    bool paint()
    {
        m_p.fillRect(m_area, Qt::white);
        m_p.setRenderHint(QPainter::Antialiasing, true);
        m_p.setRenderHint(QPainter::TextAntialiasing, true);
        m_p.setPen(Qt::NoPen);
        for (const DrawnSolid &s : m_d.solids) {
            if (stop())
                return false;
            solid(s);
        }
        for (const DrawnImage &img : m_d.images)
            image(img);
        for (const DrawnLine &l : m_d.lines) {
            if (stop())
                return false;
            usePen(l.pen);
            segment(m_vp.toPixel(l.a), m_vp.toPixel(l.b));
        }
        for (const DrawnArc &a : m_d.arcs) {
            if (stop())
                return false;
            arc(a);
        }
        flush();
        m_p.setPen(Qt::NoPen);
        for (const DrawnPoint &pt : m_d.points) {
            const Vec2 c = m_vp.toPixel(pt.at);
            if (m_area.adjusted(-2, -2, 2, 2).contains(c.x, c.y))
                m_p.fillRect(QRectF(c.x - 1.5, c.y - 1.5, 3, 3), colorOf(pt.rgb));
        }
        for (const DrawnText &t : m_d.texts) {
            if (stop())
                return false;
            text(t);
        }
        return !stop();
    }

private:
    bool stop()
    {
        return m_cancel && (++m_count & 255) == 0 && m_cancel->load(std::memory_order_relaxed);
    }

    // Lines of one pen are gathered and drawn together.
    void usePen(const Pen &pen)
    {
        if (m_havePen && pen == m_pen)
            return;
        flush();
        m_pen = pen;
        m_havePen = true;
        const double width = penPixels(pen.width, m_vp.scale());
        QPen qpen(colorOf(pen.rgb), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        const auto pattern = linePattern(pen.style);
        if (!pattern.empty()) {
            // Qt counts dashes in pen widths.
            QList<qreal> dashes;
            for (double v : pattern)
                dashes.append(v / width);
            qpen.setDashPattern(dashes);
        }
        m_p.setPen(qpen);
    }

    void flush()
    {
        if (!m_batch.isEmpty())
            m_p.drawLines(m_batch);
        m_batch.clear();
    }

    void segment(Vec2 a, Vec2 b)
    {
        if (!clipSegment(a, b, m_clip))
            return;
        m_batch.append(QLineF(a.x, a.y, b.x, b.y));
        if (m_batch.size() >= 4096)
            flush();
    }

    void arc(const DrawnArc &a)
    {
        // Whole arcs far outside the picture are skipped before they are flattened.
        const Vec2 c = m_vp.toPixel(a.centre);
        const double reach = m_vp.scale() * (std::hypot(a.u.x, a.u.y) + std::hypot(a.v.x, a.v.y));
        if (!QRectF(c.x - reach, c.y - reach, 2 * reach, 2 * reach).intersects(m_clip))
            return;
        usePen(a.pen);
        arcPixels(a, m_vp, m_arcPoints);
        for (std::size_t k = 1; k < m_arcPoints.size(); ++k)
            segment(m_arcPoints[k - 1], m_arcPoints[k]);
    }

    void solid(const DrawnSolid &s)
    {
        std::vector<Vec2> px;
        px.reserve(s.outline.size());
        double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
        for (const Vec2 &v : s.outline) {
            const Vec2 q = m_vp.toPixel(v);
            px.push_back(q);
            minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
            minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
        }
        if (maxX < m_clip.left() || minX > m_clip.right() || maxY < m_clip.top() ||
            minY > m_clip.bottom())
            return;
        m_p.setBrush(colorOf(s.rgb));
        m_p.drawPolygon(clipPolygon(px, m_clip));
        m_p.setBrush(Qt::NoBrush);
    }

    void image(const DrawnImage &img)
    {
        QPen frame(QColor(0xA0, 0xA0, 0xA0), 1);
        m_p.setPen(frame);
        Vec2 c[4];
        for (int k = 0; k < 4; ++k)
            c[k] = m_vp.toPixel(img.corners[k]);
        for (int k = 0; k < 4; ++k) {
            Vec2 a = c[k], b = c[(k + 1) % 4];
            if (clipSegment(a, b, m_clip))
                m_p.drawLine(QLineF(a.x, a.y, b.x, b.y));
        }
        for (int k = 0; k < 2; ++k) {
            Vec2 a = c[k], b = c[k + 2];
            if (clipSegment(a, b, m_clip))
                m_p.drawLine(QLineF(a.x, a.y, b.x, b.y));
        }
        m_p.setPen(Qt::NoPen);
        m_havePen = false;
    }

    const QFont &fontOf(std::uint32_t index)
    {
        auto it = m_fonts.find(index);
        if (it != m_fonts.end())
            return it->second;
        QFont f;
        QStringList families;
        const std::u16string &name = m_d.strings[index];
        if (!name.empty())
            families << QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size()));
        families << QStringLiteral("IPAGothic") << QStringLiteral("IPAexGothic")
                 << QStringLiteral("Noto Sans CJK JP") << QStringLiteral("sans-serif");
        f.setFamilies(families);
        f.setPixelSize(kEm);
        f.setHintingPreference(QFont::PreferNoHinting);
        return m_fonts.emplace(index, f).first->second;
    }

    void text(const DrawnText &t)
    {
        const double s = m_vp.scale();
        // The text's box in pixels: origin, along the base line, and up.
        const Vec2 o = m_vp.toPixel(t.origin);
        const Vec2 along{s * t.ex.x * t.length, -s * t.ex.y * t.length};
        const Vec2 up{s * t.ey.x * t.height, -s * t.ey.y * t.height};
        const double minX = o.x + std::min(0.0, along.x) + std::min(0.0, up.x);
        const double maxX = o.x + std::max(0.0, along.x) + std::max(0.0, up.x);
        const double minY = o.y + std::min(0.0, along.y) + std::min(0.0, up.y);
        const double maxY = o.y + std::max(0.0, along.y) + std::max(0.0, up.y);
        if (!QRectF(QPointF(minX, minY), QPointF(maxX, maxY)).intersects(m_area))
            return;
        const double heightPx = std::hypot(up.x, up.y);
        if (heightPx < 2 || heightPx > 20000) {
            // Too small to read: a line where the text stands. Too large: only its
            // border region could show, and font engines do not take such sizes.
            if (heightPx < 2) {
                m_p.setPen(QPen(colorOf(t.rgb), 1));
                m_havePen = false;
                Vec2 a{o.x + up.x / 2, o.y + up.y / 2}, b{a.x + along.x, a.y + along.y};
                if (clipSegment(a, b, m_clip))
                    m_p.drawLine(QLineF(a.x, a.y, b.x, b.y));
            }
            return;
        }
        const QFont &font = fontOf(t.font);
        auto adv = m_advance.find(t.string);
        if (adv == m_advance.end()) {
            const std::u16string &str = m_d.text(t);
            adv = m_advance
                      .emplace(t.string, QFontMetricsF(font).horizontalAdvance(QString::fromUtf16(
                                             str.data(), static_cast<qsizetype>(str.size()))))
                      .first;
        }
        if (adv->second <= 0 || t.length <= 0)
            return;
        // Text space: x along the base line, y down, one unit a millimetre of the text.
        const QTransform toPixel(s * t.ex.x, -s * t.ex.y, -s * t.ey.x, s * t.ey.y, o.x, o.y);
        // The em box of the font fills the character height, its base line a little
        // above the bottom so that descenders stay inside; the run is stretched to the
        // text's laid-out length.
        const QTransform glyphs =
            QTransform::fromScale(t.length / adv->second, t.height / kEm) * toPixel;
        m_p.save();
        m_p.setTransform(glyphs, true);
        m_p.setFont(font);
        m_p.setPen(colorOf(t.rgb));
        const std::u16string &str = m_d.text(t);
        m_p.drawText(QPointF(0, -kDescent),
                     QString::fromUtf16(str.data(), static_cast<qsizetype>(str.size())));
        m_p.restore();
        m_havePen = false;
    }

    static constexpr int kEm = 100;
    static constexpr double kDescent = 12;

    QPainter &m_p;
    const Drawing &m_d;
    const Viewport &m_vp;
    QRectF m_area;
    const std::atomic<bool> *m_cancel;
    QRectF m_clip;
    std::uint32_t m_count = 0;
    Pen m_pen;
    bool m_havePen = false;
    QList<QLineF> m_batch;
    std::vector<Vec2> m_arcPoints;
    std::unordered_map<std::uint32_t, QFont> m_fonts;
    std::unordered_map<std::uint32_t, qreal> m_advance;
};

} // namespace

bool paintDrawing(QPainter &p, const Drawing &d, const Viewport &vp, const QRectF &area,
                  const std::atomic<bool> *cancel)
{
    return Painter(p, d, vp, area, cancel).paint();
}

QImage renderDrawing(const Drawing &d, const Viewport &vp, QSize size, qreal dpr,
                     const std::atomic<bool> *cancel)
{
    QImage img(size, QImage::Format_RGB32);
    img.setDevicePixelRatio(dpr);
    QPainter p(&img);
    const bool done = paintDrawing(p, d, vp, QRectF(QPointF(0, 0), QSizeF(size) / dpr), cancel);
    p.end();
    return done ? img : QImage();
}

QImage drawingPicture(const Drawing &d, int longSide)
{
    int width = 0, height = 0;
    pictureSize(d.viewBox, longSide, width, height);
    const double margin = std::max(8.0, 0.02 * std::max(width, height));
    return renderDrawing(d, Viewport::fit(d.viewBox, width, height, margin), QSize(width, height));
}

} // namespace pravelot
