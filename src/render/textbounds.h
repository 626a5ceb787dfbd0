// TextBounds: the box of the texts of a drawing.
#pragma once

#include "render/drawing.h"
#include "render/place.h"

#include <algorithm>

namespace pravelot {

// The box around the corners of the texts drawn, each within ±1e8: what a picture of
// the whole figure shows besides its extents.
class TextBounds {
public:
    void widen(Vec2 q)
    {
        q.x = std::clamp(q.x, -kViewLimit, kViewLimit);
        q.y = std::clamp(q.y, -kViewLimit, kViewLimit);
        if (!m_any) {
            m_box = {q.x, q.y, q.x, q.y};
            m_any = true;
            return;
        }
        m_box.minX = std::min(m_box.minX, q.x);
        m_box.minY = std::min(m_box.minY, q.y);
        m_box.maxX = std::max(m_box.maxX, q.x);
        m_box.maxY = std::max(m_box.maxY, q.y);
    }
    // False while no text was drawn; box() is then meaningless.
    bool any() const { return m_any; }
    const Box &box() const { return m_box; }

private:
    Box m_box;
    bool m_any = false;
};

} // namespace pravelot
