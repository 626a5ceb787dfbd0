#include "render/primitiveout.h"

#include "render/place.h"

#include <algorithm>
#include <cmath>

namespace pravelot {

PrimitiveOut::PrimitiveOut(Drawing &out, const std::atomic<bool> *cancel, DrawingKeep keep,
                           Vec2 start, PrimitiveSink *sink)
    : m_out(out), m_cancel(cancel), m_frameOnly(keep == DrawingKeep::FrameOnly),
      m_sink(m_frameOnly ? sink : nullptr), m_drawn{start.x, start.y, start.x, start.y}
{
}

void PrimitiveOut::added()
{
    if (m_frameOnly) {
        if (m_sink) {
            m_sink->take(m_out);
            m_out.strings.clear();
        }
        m_drawn = boundsOf(m_out, m_drawn);
        m_out.solids.clear();
        m_out.lines.clear();
        m_out.arcs.clear();
        m_out.images.clear();
        m_out.points.clear();
        m_out.texts.clear();
    }
    if (++m_count >= kDrawingBudget)
        m_out.cut = DrawingCut::Primitives;
    if (m_cancel && (m_count & 1023) == 0 && m_cancel->load(std::memory_order_relaxed))
        m_out.cancelled = true;
}

Box PrimitiveOut::drawnBox() const { return m_frameOnly ? m_drawn : boundsOf(m_out, m_drawn); }

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

} // namespace pravelot
