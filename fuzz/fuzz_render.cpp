// The drawing of a .jws file and its SVG picture: whatever the file holds, building
// them ends, stays within the drawing's budget, and every coordinate drawn is a number;
// the reading for a drawing, which reads past what nothing draws, draws the same and
// finds the same problem.

#include "jws/jwsdata.h"
#include "jws/jwsreader.h"
#include "render/drawing.h"
#include "render/svgwriter.h"

#include <cmath>
#include <cstdlib>

using namespace pravelot;

namespace {

void finite(Vec2 p)
{
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (!FileCheck(std::span(data, size)))
        return 0;
    const JwsReading whole = readJws(std::span(data, size));
    const Drawing d = makeDrawing(whole.doc);
    if (d.primitiveCount() > kDrawingBudget)
        std::abort();
    for (const DrawnLine &l : d.lines)
        finite(l.a), finite(l.b);
    for (const DrawnArc &a : d.arcs)
        finite(a.centre), finite(a.u), finite(a.v), finite({a.start, a.sweep});
    for (const DrawnText &t : d.texts)
        finite(t.origin), finite(t.ex), finite(t.ey), finite({t.length, t.height});
    for (const DrawnSolid &s : d.solids)
        for (const Vec2 &p : s.outline)
            finite(p);
    finite({d.viewBox.minX, d.viewBox.minY});
    finite({d.viewBox.maxX, d.viewBox.maxY});
    const std::string svg = drawingToSvg(d, 256);
    if (svg.empty())
        std::abort();

    const JwsReading drawn = readJws(std::span(data, size), {JwsMembers::Drawn});
    const Drawing e = makeDrawing(drawn.doc);
    if (drawn.problem.text() != whole.problem.text() || e.primitiveCount() != d.primitiveCount() ||
        drawingToSvg(e, 256) != svg)
        std::abort();
    return 0;
}
