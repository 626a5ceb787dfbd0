// Window position and outer size (frame included), as the settings file keeps them.
#pragma once

#include <QRect>

class QWidget;

namespace pravelot {

// Places the window with its frame at outer. A size beyond the desktop is cut to it, and
// a window that would lie on no screen is brought back to (50, 50), so that a damaged
// settings file cannot lose the window or exhaust memory. Before the window is first
// shown its frame is unknown; fitOuterSize then corrects the size.
void setOuterGeometry(QWidget &window, const QRect &outer);

// To be called when the window is shown: once the frame is known, gives the window the
// outer size setOuterGeometry asked for.
void fitOuterSize(QWidget &window);

// The window's position and size with its frame.
QRect outerGeometry(const QWidget &window);

} // namespace pravelot
