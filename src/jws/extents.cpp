// TJwsData::GetMinMaxZahyo: the extents of everything a JWS document draws.
#include "core/numeric.h"
#include "jws/arcsolid.h"
#include "jws/blocknumberindex.h"
#include "jws/imagetext.h"
#include "jws/jwsdata.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pravelot {

namespace {

constexpr int kArcSteps = 72;

// Adds the points of one entity list to the accumulator through Add(x, y), which either
// adds them as they are (top level) or maps them through a block instance's placement.
template <class Add> class ListExtents {
public:
    explicit ListExtents(Add add) : m_add(add) {}

    void lists(ConstEntityLists l)
    {
        for (const TEntJwwLine &e : l.line)
            line(e);
        for (const TEntJwwEnko &e : l.enko)
            enko(e);
        for (const TEntJwwTen &e : l.ten)
            m_add(e.start_x, e.start_y);
        for (const TEntJwwMoji &e : l.moji)
            moji(e);
        for (const TEntJwwSunpo &e : l.sunpo)
            sunpo(e);
        for (const TEntJwwSolid &e : l.solid)
            solid(e);
    }

private:
    void line(const TEntJwwLine &e)
    {
        m_add(e.start_x, e.start_y);
        m_add(e.end_x, e.end_y);
    }

    // The tilt's cosine and sine, taken once for all the points of one ellipse.
    struct Tilt {
        explicit Tilt(double a) : c(std::cos(a)), s(std::sin(a)) {}
        double c, s;
    };

    void ellipsePoint(double cx, double cy, double a, double f, Tilt tilt, double theta)
    {
        const double lx = a * std::cos(theta);
        const double ly = a * f * std::sin(theta);
        // RotateX and RotateY about the origin, term by term.
        const double rx = (0.0 + lx * tilt.c) - ly * tilt.s;
        const double ry = (0.0 + lx * tilt.s) + ly * tilt.c;
        m_add(cx + rx, cy + ry);
    }

    void arcSamples(double cx, double cy, double a, double f, double tilt, double start,
                    double step)
    {
        const Tilt t(tilt);
        for (int k = 0; k <= kArcSteps; ++k)
            ellipsePoint(cx, cy, a, f, t, start + k * step);
    }

    void enko(const TEntJwwEnko &e)
    {
        if (e.bZenEnFlg != 0) {
            // A whole circle or ellipse counts by its four axis points only.
            const Tilt t(e.radKatamukiKaku);
            for (int q = 0; q < 4; ++q)
                ellipsePoint(e.start_x, e.start_y, e.dHankei, e.dHenpeiRitsu, t,
                             q * (std::numbers::pi / 2));
            return;
        }
        arcSamples(e.start_x, e.start_y, e.dHankei, e.dHenpeiRitsu, e.radKatamukiKaku,
                   e.radKaishiKaku, e.radEnkoKaku / kArcSteps);
    }

    void moji(const TEntJwwMoji &e)
    {
        if (SamePoint(e.start_x, e.start_y, e.end_x, e.end_y))
            return;
        // Nor does a text whose base line runs from (0, 0) to (0.01, 0.01).
        if (SamePoint(e.start_x, e.start_y, 0, 0) && SamePoint(e.end_x, e.end_y, 0.01, 0.01))
            return;
        m_add(e.start_x, e.start_y);
        m_add(e.end_x, e.end_y);
        if (isImageText(e.str)) {
            const ImageTextFields img = ParseImageText(e.str);
            m_add(e.start_x + img.Width, e.start_y + img.Height);
        }
    }

    void sunpo(const TEntJwwSunpo &e)
    {
        line(e.Sen);
        m_add(e.Moji.start_x, e.Moji.start_y);
        m_add(e.Moji.end_x, e.Moji.end_y);
        if (e.bSxfMode != 0) {
            const TEntJwwSunpoExt x = e.ext();
            line(x.Ho1);
            line(x.Ho2);
        }
    }

    void solid(const TEntJwwSolid &e)
    {
        if (!isArcSolid(e)) {
            m_add(e.start_x, e.start_y);
            m_add(e.end_x, e.end_y);
            m_add(e.DPoint2_x, e.DPoint2_y);
            m_add(e.DPoint3_x, e.DPoint3_y);
            return;
        }
        const ArcSolid a = arcSolidOf(e);
        arcSamples(a.cx, a.cy, a.r, a.f, a.tilt, a.start, a.turn() / kArcSteps);
        if (a.closing == ArcSolid::Closing::Centre) {
            m_add(a.cx, a.cy);
        } else if (a.closing == ArcSolid::Closing::TangentCorner) {
            double sx = 0, sy = 0, ex = 0, ey = 0, ix = 0, iy = 0;
            ArcTangentCorner(a.cx, a.cy, a.r, a.f, a.start, a.sweep, a.tilt, sx, sy, ex, ey, ix,
                             iy);
            m_add(ix, iy);
        }
    }

    Add m_add;
};

template <class Add> void addLists(ConstEntityLists lists, Add add)
{
    ListExtents<Add>(add).lists(lists);
}

// The points that measuring one list adds at most: the work it costs.
std::uint64_t pointsOf(ConstEntityLists l)
{
    std::uint64_t n = 2 * l.line.size() + l.ten.size() + 3 * l.moji.size() + 8 * l.sunpo.size();
    for (const TEntJwwEnko &e : l.enko)
        n += e.bZenEnFlg != 0 ? 4 : kArcSteps + 1;
    for (const TEntJwwSolid &e : l.solid)
        n += isArcSolid(e) ? kArcSteps + 2 : 4;
    return n;
}

} // namespace

void addListExtents(ConstEntityLists lists, ExtentAccumulator &acc)
{
    addLists(lists, [&acc](double x, double y) { ExtentAdd(acc, x, y, 1); });
}

void TJwsData::GetMinMaxZahyo() { measureExtents(myMinWx, myMinWy, myMaxWx, myMaxWy); }

ExtentsCut TJwsData::measureExtents(double &minX, double &minY, double &maxX, double &maxY) const
{
    ExtentAccumulator acc;
    const ExtentsCut cut = measureInto(acc);
    ExtentFinish(acc, minX, minY, maxX, maxY);
    return cut;
}

void TJwsData::startExtents(ExtentAccumulator &acc) const
{
    // A base point outside the guard cannot start the extents: such a figure starts from
    // the origin.
    if (ExtentInGuard(Enthd.BasePoint_x, Enthd.BasePoint_y))
        ExtentStart(acc, Enthd.BasePoint_x, Enthd.BasePoint_y, 1);
    else
        ExtentStart(acc, 0, 0, 1);
}

ExtentsCut TJwsData::measureInto(ExtentAccumulator &acc) const
{
    startExtents(acc);
    addListExtents(topLists(), acc);

    // The tree holds one entry per placed instance at every depth, with its placement
    // already composed, so the definitions' own references need no visit here. Every
    // instance costs the points of its definition's members: past a budget of points (a
    // small file can place a large definition a hundred thousand times) the extents stay
    // those of the instances measured so far.
    std::uint64_t budget = kExtentsPointBudget;
    // Measures one instance of definition defno; false once the budget is spent.
    auto measure = [&](std::int32_t defno, const TEntJwwBlockTree &t) {
        if (defno < 0 || defno >= EntBlockDefN())
            return true;
        const TEntJwwBlockDef &def = EntBlockDef[static_cast<std::size_t>(defno)];
        const std::uint64_t points = pointsOf(listsOf(def));
        if (points > budget)
            return false;
        budget -= points;
        addLists(listsOf(def), [&acc, &t](double x, double y) {
            ExtentAddMapped(acc, x, y, t.x, t.y, t.r1, t.r2, t.r3, t.r4, 1);
        });
        return true;
    };
    for (const TEntJwwBlockTree &t : EntBlockTree)
        if (!measure(t.defno, t))
            return ExtentsCut::Points;
    ExtentsCut cut = m_nestedLeftOut ? ExtentsCut::Instances : ExtentsCut::None;
    // Top-level references past the tree's ceiling are measured each at its own
    // placement, as the tree would have placed them (what they nest lies past the ceiling
    // as well).
    const std::size_t inTree = std::min(EntBlock.size(), std::size_t{kBlockTreeCeiling});
    if (inTree < EntBlock.size()) {
        const BlockNumberIndex index(EntBlockDef);
        for (std::size_t j = inTree; j < EntBlock.size(); ++j) {
            const TEntJwwBlock &b = EntBlock[j];
            TEntJwwBlockTree t;
            t.x = b.DPKijunTen_x;
            t.y = b.DPKijunTen_y;
            const double c = std::cos(b.radKaitenKaku), s = std::sin(b.radKaitenKaku);
            t.r1 = c * b.dBairitsuX;
            t.r2 = -s * b.dBairitsuY;
            t.r3 = s * b.dBairitsuX;
            t.r4 = c * b.dBairitsuY;
            const std::int32_t defno = index.find(b.nNumber);
            if (!measure(defno, t))
                return ExtentsCut::Points;
            if (defno >= 0 && !EntBlockDef[static_cast<std::size_t>(defno)].mBlock().empty())
                cut = ExtentsCut::Instances;
        }
    }
    return cut;
}

} // namespace pravelot
