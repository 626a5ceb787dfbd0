// PrimitiveOut: where the primitives of a drawing go as they are made.
#pragma once

#include "render/drawing.h"

#include <atomic>
#include <cstddef>
#include <utility>
#include <vector>

namespace pravelot {

// Keeps each primitive in the drawing, or, for a drawing of its frame only, takes its
// points into the frame and lets it go, after handing it to the sink if there is one.
// Counts the primitives against the drawing's budget, and polls cancel (every 1024
// primitives).
class PrimitiveOut {
public:
    // start: where the box of what is drawn starts (the base point). sink only with
    // DrawingKeep::FrameOnly.
    PrimitiveOut(Drawing &out, const std::atomic<bool> *cancel, DrawingKeep keep, Vec2 start,
                 PrimitiveSink *sink = nullptr);

    // Adds a DrawnLine, DrawnArc, DrawnPoint, DrawnSolid, DrawnImage or DrawnText.
    template <class P> void add(P &&p)
    {
        listOf(m_out, p).push_back(std::forward<P>(p));
        added();
    }

    bool frameOnly() const { return m_frameOnly; }
    // Each primitive goes to a sink: the strings of texts are needed, but only until then.
    bool handsOver() const { return m_sink != nullptr; }
    // The budget was spent (the drawing is cut) or building was cancelled: nothing more
    // is drawn.
    bool stopped() const { return m_out.cut == DrawingCut::Primitives || m_out.cancelled; }
    // The box around the start and every point drawn, within ±1e8.
    Box drawnBox() const;

private:
    static std::vector<DrawnLine> &listOf(Drawing &d, const DrawnLine &) { return d.lines; }
    static std::vector<DrawnArc> &listOf(Drawing &d, const DrawnArc &) { return d.arcs; }
    static std::vector<DrawnPoint> &listOf(Drawing &d, const DrawnPoint &) { return d.points; }
    static std::vector<DrawnSolid> &listOf(Drawing &d, const DrawnSolid &) { return d.solids; }
    static std::vector<DrawnImage> &listOf(Drawing &d, const DrawnImage &) { return d.images; }
    static std::vector<DrawnText> &listOf(Drawing &d, const DrawnText &) { return d.texts; }
    // Counts the primitive just added, and lets it go when only the frame is kept.
    void added();

    Drawing &m_out;
    const std::atomic<bool> *m_cancel;
    bool m_frameOnly;
    PrimitiveSink *m_sink;
    std::size_t m_count = 0;
    // What was drawn so far, when the primitives themselves are not kept.
    Box m_drawn;
};

// The box b widened by the points of d's primitives, within ±1e8.
Box boundsOf(const Drawing &d, Box b);

} // namespace pravelot
