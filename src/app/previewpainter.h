// Paints a drawing with QPainter: the preview's picture, its PNG export, and the
// pictures the tests compare.
#pragma once

#include "render/drawing.h"
#include "render/viewport.h"

#include <QImage>
#include <QRectF>

#include <atomic>

class QPainter;

namespace pravelot {

// Paints what of d falls into area (pixels) at the viewport's placement, on a white
// background. Texts smaller than two pixels are drawn as a line where they stand.
// Returns false when cancel was raised before it finished.
bool paintDrawing(QPainter &p, const Drawing &d, const Viewport &vp, const QRectF &area,
                  const std::atomic<bool> *cancel = nullptr);

// The same into a new image of the given size (in device pixels for the ratio dpr); a
// null image when cancelled. May run on any thread.
QImage renderDrawing(const Drawing &d, const Viewport &vp, QSize size, qreal dpr = 1,
                     const std::atomic<bool> *cancel = nullptr);

// The whole drawing in a picture whose longer side is longSide pixels.
QImage drawingPicture(const Drawing &d, int longSide);

} // namespace pravelot
