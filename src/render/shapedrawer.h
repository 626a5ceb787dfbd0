// ShapeDrawer: the lines, arcs, points and solids of a drawing.
#pragma once

#include "jws/jwwtype.h"
#include "render/place.h"
#include "render/primitiveout.h"

#include <cstdint>
#include <vector>

namespace pravelot {

// Draws the shape of each record at a placement, with the pen a file written in version
// ver carries. A record with a coordinate that is not usable is left out.
class ShapeDrawer {
public:
    ShapeDrawer(PrimitiveOut &out, std::int32_t ver) : m_out(out), m_ver(ver) {}

    void line(const TEntJwwLine &e, const Place &p);
    void arc(const TEntJwwEnko &e, const Place &p);
    void point(const TEntJwwTen &e, const Place &p);
    void solid(const TEntJwwSolid &e, const Place &p);

private:
    // The outline of an arc-shaped solid: the arc, closed through the centre (a sector),
    // through the meeting point of its end tangents, or by its chord. False when a value
    // is not usable.
    static bool arcOutline(const TEntJwwSolid &e, const Place &p, std::vector<Vec2> &out);

    PrimitiveOut &m_out;
    std::int32_t m_ver;
};

} // namespace pravelot
