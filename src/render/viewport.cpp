#include "render/viewport.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pravelot {

Viewport Viewport::fit(const Box &box, double width, double height, double margin)
{
    double w = box.width(), h = box.height();
    // A line along an axis, or a single point, still gets a picture around it.
    const double least = std::max({w, h, 1e-6}) / 16;
    w = std::max(w, least);
    h = std::max(h, least);
    const double usableW = std::max(width - 2 * margin, 1.0);
    const double usableH = std::max(height - 2 * margin, 1.0);
    const double scale = std::clamp(std::min(usableW / w, usableH / h), 1e-9, 1e9);
    const double cx = (box.minX + box.maxX) / 2, cy = (box.minY + box.maxY) / 2;
    return {scale, width / 2 - scale * cx, height / 2 + scale * cy};
}

void Viewport::zoomAbout(Vec2 p, double factor)
{
    const Vec2 w = toWorld(p);
    m_scale = std::clamp(m_scale * factor, 1e-9, 1e9);
    m_offsetX = p.x - m_scale * w.x;
    m_offsetY = p.y + m_scale * w.y;
}

void arcPixels(const DrawnArc &a, const Viewport &vp, std::vector<Vec2> &out)
{
    out.clear();
    const double s = vp.scale();
    const double r = s * std::max(std::hypot(a.u.x, a.u.y), std::hypot(a.v.x, a.v.y));
    const double turn = 2 * std::numbers::pi;
    // The step whose chord stays within a quarter pixel of a circle of radius r.
    double step = r > 0.25 ? 2 * std::acos(1 - 0.25 / r) : turn / 8;
    step = std::max(step, turn / 4096);
    const int n = std::clamp(static_cast<int>(std::ceil(std::fabs(a.sweep) / step)), 2, 4096);
    out.reserve(static_cast<std::size_t>(n) + 1);
    for (int k = 0; k <= n; ++k) {
        const double t = a.start + a.sweep * k / n;
        const double c = std::cos(t), sn = std::sin(t);
        out.push_back(
            vp.toPixel({a.centre.x + a.u.x * c + a.v.x * sn, a.centre.y + a.u.y * c + a.v.y * sn}));
    }
}

void pictureSize(const Box &viewBox, int longSide, int &width, int &height)
{
    const double w = std::max(viewBox.width(), 1e-9), h = std::max(viewBox.height(), 1e-9);
    const double ratio = std::clamp(h / w, 1.0 / 16, 16.0);
    longSide = std::max(longSide, 16);
    if (ratio <= 1) {
        width = longSide;
        height = std::max(1, static_cast<int>(std::lround(longSide * ratio)));
    } else {
        height = longSide;
        width = std::max(1, static_cast<int>(std::lround(longSide / ratio)));
    }
}

} // namespace pravelot
