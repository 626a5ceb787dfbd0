// Window position and outer size (frame included), as the settings file keeps them.
#pragma once

#include <QList>
#include <QRect>

class QWidget;

namespace pravelot {

// Where a window asked for at outer goes: unchanged when it lies within the available
// area of one screen; otherwise moved, and cut where it is larger, so that it lies within
// the available area of the screen it overlaps most (or of the first screen, 50 pixels
// from its corner, when it overlaps none). areas are the screens' available areas, the
// primary screen's first; with none, outer is only given a size of at least 1 by 1.
QRect placeOnScreen(const QRect &outer, const QList<QRect> &areas);

// Where a window asked for at outer goes so as not to cover main (both outer rectangles):
// beside it on the right, its bottom level with main's, else on the left, below or above,
// each fitted to the screens (placeOnScreen); the place that covers least of both main
// and other (another window beside main; none when not valid), main counting twice, and
// outer itself when none covers less than it does.
QRect placeBeside(const QRect &outer, const QRect &main, const QList<QRect> &areas,
                  const QRect &other = {});

// The available areas of the screens, the primary screen's first.
QList<QRect> availableAreas();

// Places the window with its frame at outer, fitted to the screens (placeOnScreen), so
// that a damaged settings file or a smaller screen cannot lose the window. A window
// system may tell the frame only once the window is shown and framed; until then the
// window remembers outer and takes that place and size, frame included, as soon as the
// frame is known.
void setOuterGeometry(QWidget &window, const QRect &outer);

// Widens the window, keeping its place, until its client area is clientWidth wide or
// its frame reaches the right edge of its screen; a window not framed yet is widened
// once its frame is known. Never makes it narrower.
void widenTo(QWidget &window, int clientWidth);

// The window's position and size with its frame: what setOuterGeometry takes back.
QRect outerGeometry(const QWidget &window);

} // namespace pravelot
