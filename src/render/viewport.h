// The mapping between the figure (millimetres, y up) and a picture (pixels, y down):
// uniform scale, no rotation.
#pragma once

#include "render/drawing.h"

#include <vector>

namespace pravelot {

class Viewport {
public:
    Viewport() = default;
    // pixel = (offsetX + scale·x, offsetY − scale·y)
    Viewport(double scale, double offsetX, double offsetY)
        : m_scale(scale), m_offsetX(offsetX), m_offsetY(offsetY)
    {
    }

    // The whole of box, as large as fits into a width × height picture with margin
    // pixels left on every side, centred. A box without width or height is given some.
    static Viewport fit(const Box &box, double width, double height, double margin);

    double scale() const { return m_scale; } // pixels per millimetre
    Vec2 toPixel(Vec2 w) const { return {m_offsetX + m_scale * w.x, m_offsetY - m_scale * w.y}; }
    Vec2 toWorld(Vec2 p) const
    {
        return {(p.x - m_offsetX) / m_scale, (m_offsetY - p.y) / m_scale};
    }

    // Zooms by factor, keeping the figure's point under pixel p where it is. The scale
    // stays within 1e-9 … 1e9 pixels per millimetre.
    void zoomAbout(Vec2 p, double factor);
    void pan(double dx, double dy)
    {
        m_offsetX += dx;
        m_offsetY += dy;
    }
    bool operator==(const Viewport &) const = default;

private:
    double m_scale = 1;
    double m_offsetX = 0;
    double m_offsetY = 0;
};

// Pixel points along an arc, close enough (within a quarter pixel) to the curve at
// the viewport's scale; at most a few thousand. out is replaced.
void arcPixels(const DrawnArc &a, const Viewport &vp, std::vector<Vec2> &out);

// The pixel size of a picture of a drawing whose longer side is longSide pixels, with
// the sides in the proportions of the view box (at most 1 : 16).
void pictureSize(const Box &viewBox, int longSide, int &width, int &height);

} // namespace pravelot
