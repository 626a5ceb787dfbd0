// ArcSolid: what the eight values of an arc-shaped solid mean.
#pragma once

#include "jws/jwwtype.h"

namespace pravelot {

// From pen style 101 on, a solid is a filled elliptic arc: its values are the centre
// (start_x, start_y), the radius (end_x), the flattening (end_y), the tilt (DPoint2_x),
// the parametric start (DPoint2_y) and sweep (DPoint3_x) in radians, and a mode
// (DPoint3_y) that says how much of the ellipse it takes and how it is closed.
struct ArcSolid {
    // How the arc's ends are joined.
    enum class Closing {
        Chord,         // straight from end to end
        Centre,        // through the centre: a sector (style 101, mode 0)
        TangentCorner, // through the meeting point of the end tangents (style 101, mode −1)
    };

    double cx = 0, cy = 0, r = 0, f = 0, tilt = 0, start = 0;
    double sweep = 0; // as stored
    double mode = 0;
    // Styles 101 and 111 with mode 100 take the whole ellipse, whatever the sweep.
    bool wholeTurn = false;
    Closing closing = Closing::Chord;

    // The sweep drawn: a whole turn (2π) or the sweep as stored.
    double turn() const;
};

// Whether e is an arc-shaped solid rather than one of four corners.
inline bool isArcSolid(const TEntJwwSolid &e) { return e.att.nPenStyle >= 101; }

// The arc of an arc-shaped solid; mode tests are made within 1e-12.
ArcSolid arcSolidOf(const TEntJwwSolid &e);

} // namespace pravelot
