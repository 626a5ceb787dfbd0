// The text face of both windows.
#pragma once

#include <QFont>

namespace pravelot {

// The Japanese fixed-pitch system face "ＭＳ ゴシック" at 13 pixels, or the nearest
// Japanese fixed-pitch face installed, or the system's fixed-pitch face.
QFont windowFont(int pixelSize = 13);

} // namespace pravelot
