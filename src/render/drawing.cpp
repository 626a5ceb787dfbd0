#include "render/drawing.h"

#include "core/numeric.h"
#include "jws/jwsdata.h"
#include "jws/writtenattr.h"
#include "render/place.h"
#include "render/primitiveout.h"
#include "render/shapedrawer.h"
#include "render/textlayout.h"

#include <algorithm>
#include <span>

namespace pravelot {

namespace {

// Draws the entities of a document's lists: each kind by the part of the drawing that
// knows its shape, all of them into one PrimitiveOut.
class Builder {
public:
    Builder(const TJwsData &doc, Drawing &out, const std::atomic<bool> *cancel, DrawingKeep keep,
            PrimitiveSink *sink)
        : m_out(out, cancel, keep, startOf(doc), sink), m_ver(writtenVersion(doc.Enthd.jwVer)),
          m_shapes(m_out, m_ver), m_texts(m_out, out, m_ver)
    {
    }

    bool stopped() const { return m_out.stopped(); }
    const TextBounds &textBounds() const { return m_texts.bounds(); }
    Box drawnBox() const { return m_out.drawnBox(); }
    ShapeDrawer &shapes() { return m_shapes; }
    TextLayout &texts() { return m_texts; }

    // The entities of one order list (kinds 1–6; references are expanded by the tree).
    // The top level's texts are placed once: nothing of them is kept for another placing.
    void list(ConstEntityLists lists, std::span<const TEntJwwNo> order, std::int32_t n,
              const Place &p, bool topLevel = false)
    {
        m_topLevel = topLevel;
        const std::size_t end =
            std::min(order.size(), static_cast<std::size_t>(std::max(n, std::int32_t{0})));
        for (std::size_t k = 0; k < end && !stopped(); ++k)
            forEntry(lists, order[k], [&](const auto &e) { draw(e, p); });
        m_topLevel = false;
    }

private:
    // The box of what is drawn starts at the base point, or at the origin for one that
    // is not usable.
    static Vec2 startOf(const TJwsData &doc)
    {
        const Vec2 base{doc.Enthd.BasePoint_x, doc.Enthd.BasePoint_y};
        return usable(base) ? base : Vec2{};
    }

    void draw(const TEntJwwLine &e, const Place &p) { m_shapes.line(e, p); }
    void draw(const TEntJwwEnko &e, const Place &p) { m_shapes.arc(e, p); }
    void draw(const TEntJwwTen &e, const Place &p) { m_shapes.point(e, p); }
    void draw(const TEntJwwMoji &e, const Place &p) { text(e, p); }
    void text(const TEntJwwMoji &e, const Place &p)
    {
        if (m_topLevel)
            m_texts.passingText(e);
        else
            m_texts.text(e, p);
    }
    void draw(const TEntJwwSunpo &e, const Place &p)
    {
        m_shapes.line(e.Sen, p);
        if (!stopped())
            text(e.Moji, p);
        if (m_ver >= 420 && e.bSxfMode != 0) {
            const TEntJwwSunpoExt x = e.ext();
            if (!stopped())
                m_shapes.line(x.Ho1, p);
            if (!stopped())
                m_shapes.line(x.Ho2, p);
        }
    }
    void draw(const TEntJwwSolid &e, const Place &p) { m_shapes.solid(e, p); }
    void draw(const TEntJwwBlock &, const Place &) {}

    PrimitiveOut m_out;
    std::int32_t m_ver;
    ShapeDrawer m_shapes;
    TextLayout m_texts;
    bool m_topLevel = false;
};

// Entities the extents would measure: the top level's and every instance's members.
std::uint64_t extentsWork(const TJwsData &doc)
{
    auto size = [](ConstEntityLists l) {
        return static_cast<std::uint64_t>(l.line.size()) + l.enko.size() + l.ten.size() +
               l.moji.size() + l.sunpo.size() + l.solid.size();
    };
    std::uint64_t work = size(doc.topLists());
    for (const TEntJwwBlockTree &t : doc.EntBlockTree)
        if (t.defno >= 0 && t.defno < doc.EntBlockDefN())
            work += size(listsOf(doc.EntBlockDef[static_cast<std::size_t>(t.defno)]));
    return work;
}

// The view box: the extents and the boxes of the texts, uncrossed.
Box viewBoxOf(const Box &e, const Builder &b)
{
    Box v = e;
    if (b.textBounds().any()) {
        const Box &t = b.textBounds().box();
        v = {std::min(e.minX, t.minX), std::min(e.minY, t.minY), std::max(e.maxX, t.maxX),
             std::max(e.maxY, t.maxY)};
    }
    // Extents from a base point far out can come back crossed.
    if (v.minX > v.maxX)
        std::swap(v.minX, v.maxX);
    if (v.minY > v.maxY)
        std::swap(v.minY, v.maxY);
    return v;
}

// Draws the top-level entities a producer hands over, and measures their extents as a
// document holding them would be measured.
class DrawingSink : public EntitySink {
public:
    DrawingSink(Builder &b, const TJwsData &header) : m_b(b) { header.startExtents(m_extents); }

    void line(const TEntJwwLine &e) override
    {
        measure(e, &ConstEntityLists::line);
        if (!m_b.stopped())
            m_b.shapes().line(e, Place{});
    }
    void arc(const TEntJwwEnko &e) override
    {
        measure(e, &ConstEntityLists::enko);
        if (!m_b.stopped())
            m_b.shapes().arc(e, Place{});
    }
    void text(TEntJwwMoji &&e) override
    {
        measure(e, &ConstEntityLists::moji);
        if (!m_b.stopped())
            m_b.texts().passingText(e);
    }
    void point(const TEntJwwTen &e) override
    {
        measure(e, &ConstEntityLists::ten);
        if (!m_b.stopped())
            m_b.shapes().point(e, Place{});
    }

    std::uint64_t entities() const { return m_entities; }
    Box extents()
    {
        Box e;
        ExtentFinish(m_extents, e.minX, e.minY, e.maxX, e.maxY);
        return e;
    }

private:
    template <class T> void measure(const T &e, std::span<const T> ConstEntityLists::*list)
    {
        ++m_entities;
        ConstEntityLists one{};
        one.*list = std::span<const T>(&e, 1);
        addListExtents(one, m_extents);
    }

    Builder &m_b;
    ExtentAccumulator m_extents;
    std::uint64_t m_entities = 0;
};

Drawing drawDocument(const TJwsData &doc, const std::atomic<bool> *cancel, DrawingKeep keep,
                     PrimitiveSink *sink)
{
    Drawing out;
    Builder b(doc, out, cancel, keep, sink);
    b.list(doc.topLists(), doc.EntNo, doc.Enthd.n1, Place{}, true);
    // The tree holds every placed instance with its placement composed, nested ones
    // included, and is bounded against definitions that reach themselves.
    for (const TEntJwwBlockTree &t : doc.EntBlockTree) {
        if (b.stopped())
            break;
        if (t.defno < 0 || t.defno >= doc.EntBlockDefN())
            continue;
        const TEntJwwBlockDef &def = doc.EntBlockDef[static_cast<std::size_t>(t.defno)];
        b.list(listsOf(def), def.mNo(), def.N, Place{t.x, t.y, t.r1, t.r2, t.r3, t.r4});
    }
    if (out.cut == DrawingCut::None && !doc.blockTreeWhole())
        out.cut = DrawingCut::Instances;

    out.basePoint = {doc.Enthd.BasePoint_x, doc.Enthd.BasePoint_y};
    Box &e = out.extents;
    if (b.stopped() || extentsWork(doc) > kDrawingBudget) {
        // The extents would measure every instance the nesting holds, past what the
        // drawing's budget allows: the picture shows what was drawn.
        e = b.drawnBox();
    } else {
        doc.measureExtents(e.minX, e.minY, e.maxX, e.maxY);
    }
    out.viewBox = viewBoxOf(e, b);
    return out;
}

} // namespace

Drawing makeDrawing(const TJwsData &doc, const std::atomic<bool> *cancel, DrawingKeep keep)
{
    return drawDocument(doc, cancel, keep, nullptr);
}

Drawing makeDrawing(const TJwsData &doc, PrimitiveSink &sink)
{
    return drawDocument(doc, nullptr, DrawingKeep::FrameOnly, &sink);
}

Drawing makeDrawing(const TJwsData &header, const MemberProducer &produce,
                    const std::atomic<bool> *cancel, DrawingKeep keep, PrimitiveSink *sink)
{
    Drawing out;
    Builder b(header, out, cancel, keep, sink);
    DrawingSink entities(b, header);
    produce(entities);
    out.basePoint = {header.Enthd.BasePoint_x, header.Enthd.BasePoint_y};
    out.extents =
        b.stopped() || entities.entities() > kDrawingBudget ? b.drawnBox() : entities.extents();
    out.viewBox = viewBoxOf(out.extents, b);
    return out;
}

} // namespace pravelot
