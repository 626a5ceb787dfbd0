// PrimitiveOut: where the primitives of a drawing go as they are made.
#pragma once

#include "render/drawing.h"

#include <atomic>
#include <cstddef>

namespace pravelot {

// Keeps each primitive in the drawing, or, for a drawing of its frame only, takes its
// points into the frame and lets it go. Counts the primitives against the drawing's
// budget, and polls cancel (every 1024 primitives).
class PrimitiveOut {
public:
    // start: where the box of what is drawn starts (the base point).
    PrimitiveOut(Drawing &out, const std::atomic<bool> *cancel, DrawingKeep keep, Vec2 start);

    void add(const DrawnLine &p);
    void add(const DrawnArc &p);
    void add(const DrawnPoint &p);
    void add(DrawnSolid &&p);
    void add(const DrawnImage &p);
    void add(const DrawnText &p);

    bool frameOnly() const { return m_frameOnly; }
    // The budget was spent (the drawing is cut) or building was cancelled: nothing more
    // is drawn.
    bool stopped() const { return m_out.cut == DrawingCut::Primitives || m_out.cancelled; }
    // The box around the start and every point drawn, within ±1e8.
    Box drawnBox() const;

private:
    // Counts the primitive just added, and lets it go when only the frame is kept.
    void added();

    Drawing &m_out;
    const std::atomic<bool> *m_cancel;
    bool m_frameOnly;
    std::size_t m_count = 0;
    // What was drawn so far, when the primitives themselves are not kept.
    Box m_drawn;
};

// The box b widened by the points of d's primitives, within ±1e8.
Box boundsOf(const Drawing &d, Box b);

} // namespace pravelot
