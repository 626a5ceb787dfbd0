// The display model: what each kind of entity draws, with which colour, and how block
// placements and hostile documents are handled.

#include "jws/jwsdata.h"
#include "render/drawing.h"
#include "render/palette.h"
#include "render/svgwriter.h"
#include "support/jwsfixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

using namespace pravelot;
using namespace pravelot::test;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEntJwwAttr attr(std::uint8_t style, std::uint16_t color) { return {0, style, color, 0, 0, 0, 0}; }

Vec2 arcAt(const DrawnArc &a, double t)
{
    return {a.centre.x + a.u.x * std::cos(t) + a.v.x * std::sin(t),
            a.centre.y + a.u.y * std::cos(t) + a.v.y * std::sin(t)};
}

void expectNear(Vec2 p, double x, double y)
{
    EXPECT_NEAR(p.x, x, 1e-9);
    EXPECT_NEAR(p.y, y, 1e-9);
}

TEntJwwMoji text(double x, double y, double deg, const std::u16string &s, double w = 4,
                 double h = 5, double spacing = 1)
{
    TEntJwwMoji t;
    t.att = attr(1, 2);
    t.start_x = x;
    t.start_y = y;
    t.end_x = x + 10;
    t.end_y = y;
    t.dSizeX = w;
    t.dSizeY = h;
    t.dKankaku = spacing;
    t.degKakudo = deg;
    t.strFontName = u"ＭＳ ゴシック";
    t.str = s;
    return t;
}

// Forty to the sixth instances of a line: far past the drawing's budget.
TJwsData wideNesting()
{
    TJwsData wide = emptyDoc(600);
    for (std::uint32_t level = 0; level < 6; ++level) {
        TEntJwwBlockDef &def = addDef(wide, level, u"L");
        for (int k = 0; k < 40; ++k) {
            addMember(def, line(k, 0, k, 1));
            if (level < 5)
                addMember(def, blockRef(level + 1, k, 0));
        }
    }
    addTop(wide, blockRef(0, 0, 0));
    wide.MakeBlockTree();
    return wide;
}

void expectSameFrame(const Drawing &a, const Drawing &b)
{
    EXPECT_EQ(a.basePoint, b.basePoint);
    EXPECT_EQ(a.extents, b.extents);
    EXPECT_EQ(a.viewBox, b.viewBox);
    EXPECT_EQ(a.cut, b.cut);
}

} // namespace

TEST(Drawing, ColoursFollowWhatTheWriterKeeps)
{
    struct Case {
        const char *name;
        std::int32_t version;
        std::uint16_t color;
        std::uint32_t rgb;
    };
    const Case cases[] = {
        {"pen 2", 600, 2, penRgb(2)},
        {"pen 8 is red", 600, 8, 0xFF0000},
        {"SXF yellow kept from 420", 600, 105, 0xFFFF00},
        {"SXF yellow as pen 4 below 420", 351, 105, penRgb(4)},
        {"SXF white drawn black", 700, 108, 0x000000},
        {"SXF darkgray", 700, 116, 0x808080},
        {"extended colour below 420 is the default pen", 351, 200, penRgb(1)},
        {"extended colour from 420 draws as pen 1", 420, 200, penRgb(1)},
        {"no colour 0", 600, 0, penRgb(1)},
        {"beyond every range", 600, 9999, penRgb(1)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TJwsData d = emptyDoc(c.version);
        TEntJwwLine l = line(0, 0, 10, 0);
        l.att.nPenColor = c.color;
        addTop(d, l);
        const Drawing g = makeDrawing(d);
        ASSERT_EQ(g.lines.size(), 1u);
        EXPECT_EQ(g.lines[0].pen.rgb, c.rgb);
    }
}

TEST(Drawing, LineStylesBecomePatterns)
{
    // Style 35 is kept from version 420 on and mapped to style 8 below; 0 is no style.
    for (auto [version, style, kept] :
         {std::tuple{600, 35, 35}, {351, 35, 8}, {600, 0, 1}, {600, 12, 12}, {351, 47, 1}}) {
        SCOPED_TRACE(testing::Message() << version << " " << style);
        TJwsData d = emptyDoc(version);
        addTop(d, line(0, 0, 1, 1, static_cast<std::uint8_t>(style)));
        const Drawing g = makeDrawing(d);
        ASSERT_EQ(g.lines.size(), 1u);
        EXPECT_EQ(g.lines[0].pen.style, kept);
    }
    EXPECT_TRUE(linePattern(1).empty());
    EXPECT_FALSE(linePattern(2).empty());
    EXPECT_EQ(linePattern(12).size(), linePattern(2).size());
    EXPECT_EQ(linePattern(12)[0], 2 * linePattern(2)[0]);
    EXPECT_EQ(linePattern(35).data(), linePattern(8).data());
}

TEST(Drawing, ArcsKeepTiltFlatteningAndSweep)
{
    TJwsData d = emptyDoc(600);
    TEntJwwEnko e;
    e.att = attr(1, 2);
    e.start_x = 10;
    e.start_y = 20;
    e.dHankei = 4;
    e.dHenpeiRitsu = 0.5;
    e.radKatamukiKaku = kPi / 2;
    e.radKaishiKaku = 0;
    e.radEnkoKaku = kPi / 2;
    addTop(d, e);
    e.bZenEnFlg = 1;
    e.radKaishiKaku = 1;
    addTop(d, e);
    e.bZenEnFlg = 0;
    e.radEnkoKaku = 100; // more than a turn draws one turn
    addTop(d, e);
    const Drawing g = makeDrawing(d);
    ASSERT_EQ(g.arcs.size(), 3u);
    // The long axis (4) points up after a quarter-turn tilt, the short one (2) left.
    expectNear(arcAt(g.arcs[0], 0), 10, 24);
    expectNear(arcAt(g.arcs[0], kPi / 2), 8, 20);
    EXPECT_DOUBLE_EQ(g.arcs[0].sweep, kPi / 2);
    EXPECT_DOUBLE_EQ(g.arcs[1].sweep, 2 * kPi);
    EXPECT_DOUBLE_EQ(g.arcs[2].sweep, 2 * kPi);
}

TEST(Drawing, TextsAreLaidOutByCharacterWidths)
{
    TJwsData d = emptyDoc(600);
    // Two half-width characters and one full-width one: 2 + 2 + 4 wide, two gaps of 1.
    addTop(d, text(5, 6, 90, u"AB図"));
    // Control characters are dropped as the writer drops them.
    addTop(d, text(0, 0, 0, u"x\ty"));
    // Nothing to see: an empty text, and one that the writer writes as a space.
    addTop(d, text(0, 0, 0, u""));
    addTop(d, text(0, 0, 0, u"\n"));
    TEntJwwMoji negative = text(0, 0, 0, u"n", -3, -5);
    addTop(d, negative);
    const Drawing g = makeDrawing(d);
    ASSERT_EQ(g.texts.size(), 3u);
    const DrawnText &t = g.texts[0];
    EXPECT_EQ(g.text(t), u"AB図");
    EXPECT_EQ(g.strings[t.font], u"ＭＳ ゴシック");
    EXPECT_DOUBLE_EQ(t.length, 10);
    EXPECT_DOUBLE_EQ(t.height, 5);
    expectNear(t.origin, 5, 6);
    expectNear(t.ex, 0, 1);
    expectNear(t.ey, -1, 0);
    EXPECT_EQ(g.text(g.texts[1]), u"xy");
    EXPECT_DOUBLE_EQ(g.texts[2].height, 5);
    EXPECT_DOUBLE_EQ(g.texts[2].width, 3);
    // The view box holds the text's box, which reaches left of the extents.
    EXPECT_LE(g.viewBox.minX, 0);
    EXPECT_GE(g.viewBox.maxY, 16);
    // One string, however often it is drawn.
    EXPECT_EQ(std::count(g.strings.begin(), g.strings.end(), u"AB図"), 1);
}

TEST(Drawing, ImageTextsDrawTheirFrame)
{
    TJwsData d = emptyDoc(600);
    addTop(d, text(10, 20, 0, u"^@BMpic.bmp,100,50,0,0,1,90"));
    const Drawing g = makeDrawing(d);
    EXPECT_TRUE(g.texts.empty());
    ASSERT_EQ(g.images.size(), 1u);
    EXPECT_EQ(g.strings[g.images[0].file], u"pic.bmp");
    expectNear(g.images[0].corners[0], 10, 20);
    expectNear(g.images[0].corners[1], 10, 120); // turned by 90°
    expectNear(g.images[0].corners[2], -40, 120);
}

TEST(Drawing, SolidsAndArcSolids)
{
    TJwsData d = emptyDoc(600);
    TEntJwwSolid s;
    s.att = attr(1, 10);
    s.Color = 0x00336699; // blue 0x33, green 0x66, red 0x99
    // Corners given in crossing order.
    s.start_x = 0, s.start_y = 0, s.end_x = 10, s.end_y = 0;
    s.DPoint2_x = 0, s.DPoint2_y = 10, s.DPoint3_x = 10, s.DPoint3_y = 10;
    addTop(d, s);
    TEntJwwSolid sector;
    sector.att = attr(101, 3);
    sector.start_x = 50, sector.start_y = 50; // centre
    sector.end_x = 10, sector.end_y = 1;      // radius, flattening
    sector.DPoint2_x = 0, sector.DPoint2_y = 0, sector.DPoint3_x = kPi / 2;
    sector.DPoint3_y = 0; // mode 0: a sector
    addTop(d, sector);
    sector.DPoint3_y = 5; // a segment
    addTop(d, sector);
    const Drawing g = makeDrawing(d);
    ASSERT_EQ(g.solids.size(), 3u);
    EXPECT_EQ(g.solids[0].rgb, 0x996633u);
    const auto &q = g.solids[0].outline;
    ASSERT_EQ(q.size(), 4u);
    expectNear(q[2], 10, 10);
    expectNear(q[3], 0, 10);
    EXPECT_EQ(g.solids[1].rgb, penRgb(3));
    expectNear(g.solids[1].outline.front(), 60, 50);
    expectNear(g.solids[1].outline.back(), 50, 50);
    expectNear(g.solids[2].outline.back(), 50, 60);
}

TEST(Drawing, DimensionsDrawTheirLineTextAndExtensionLines)
{
    for (auto [version, sxf, lines] : {std::tuple{600, 1, 3u}, {600, 0, 1u}, {351, 1, 1u}}) {
        SCOPED_TRACE(testing::Message() << version << " " << sxf);
        TJwsData d = emptyDoc(version);
        TEntJwwSunpo s;
        s.att = attr(1, 2);
        s.Sen = line(0, 0, 100, 0);
        s.Moji = text(40, 1, 0, u"100");
        s.bSxfMode = static_cast<std::uint16_t>(sxf);
        s.editExt().Ho1 = line(0, -10, 0, 0);
        s.editExt().Ho2 = line(100, -10, 100, 0);
        addTop(d, s);
        const Drawing g = makeDrawing(d);
        EXPECT_EQ(g.lines.size(), lines);
        ASSERT_EQ(g.texts.size(), 1u);
        EXPECT_EQ(g.text(g.texts[0]), u"100");
    }
}

TEST(Drawing, BlockInstancesArePlacedThroughTheTree)
{
    TJwsData d = emptyDoc(600);
    TEntJwwBlockDef &inner = addDef(d, 1, u"inner");
    addMember(inner, line(0, 0, 10, 0));
    TEntJwwBlockDef &outer = addDef(d, 2, u"outer");
    addMember(outer, blockRef(1, 1, 1, 1, 1, kPi / 2));
    addTop(d, blockRef(1, 100, 100, 2, 2, kPi / 2));
    addTop(d, blockRef(2, 10, 0, 2, 2, 0));
    addTop(d, blockRef(99, 0, 0)); // no such definition: nothing drawn
    d.MakeBlockTree();
    const Drawing g = makeDrawing(d);
    ASSERT_EQ(g.lines.size(), 2u);
    expectNear(g.lines[0].a, 100, 100);
    expectNear(g.lines[0].b, 100, 120);
    expectNear(g.lines[1].a, 12, 2);
    expectNear(g.lines[1].b, 12, 22);
}

TEST(Drawing, WhatACutLeavesOutIsToldWithItsReason)
{
    const auto ceiling = static_cast<std::size_t>(TJwsData::kBlockTreeCeiling);
    TJwsData manyRoots = placedTimes(1, 0);
    for (std::size_t i = 0; i < ceiling + 10; ++i)
        addTop(manyRoots, blockRef(0, static_cast<double>(i), 0));
    manyRoots.MakeBlockTree();
    struct Case {
        const char *what;
        TJwsData doc;
        DrawingCut drawing;
        ExtentsCut extents;
    } cases[] = {
        {"a whole figure", placedTimes(10, 10), DrawingCut::None, ExtentsCut::None},
        {"more primitives than a drawing takes, nested nowhere",
         placedTimes(2000, static_cast<int>(kDrawingBudget / 2000 + 1)), DrawingCut::Primitives,
         ExtentsCut::None},
        {"blocks nested into more instances than the tree holds", doublingNesting(18),
         DrawingCut::Instances, ExtentsCut::Instances},
        {"more top-level references than the tree holds, nesting nothing", std::move(manyRoots),
         DrawingCut::Instances, ExtentsCut::None},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(makeDrawing(c.doc).cut, c.drawing);
        EXPECT_EQ(makeDrawing(c.doc, nullptr, DrawingKeep::FrameOnly).cut, c.drawing);
        double minX = 0, minY = 0, maxX = 0, maxY = 0;
        EXPECT_EQ(c.doc.measureExtents(minX, minY, maxX, maxY), c.extents);
    }
}

TEST(Drawing, HostileDocumentsStayBounded)
{
    // A definition that holds itself twice, and a fan-out to forty to the sixth
    // instances: the tree's bounds and the drawing's budget hold.
    TJwsData cyclic = emptyDoc(600);
    TEntJwwBlockDef &self = addDef(cyclic, 0, u"self");
    addMember(self, line(0, 0, 1, 0));
    addMember(self, blockRef(0, 1, 0));
    addMember(self, blockRef(0, 0, 1));
    addTop(cyclic, blockRef(0, 0, 0));
    cyclic.MakeBlockTree();
    const Drawing c = makeDrawing(cyclic);
    EXPECT_GE(c.lines.size(), 1u);
    EXPECT_LE(c.primitiveCount(), kDrawingBudget);

    const TJwsData wide = wideNesting();
    const Drawing w = makeDrawing(wide);
    EXPECT_EQ(w.cut, DrawingCut::Primitives);
    EXPECT_LE(w.primitiveCount(), kDrawingBudget);
    // Its picture shows what was drawn, without measuring every instance again.
    EXPECT_LE(w.viewBox.minX, 0);
    EXPECT_GE(w.viewBox.maxX, 39);
    EXPECT_GE(w.viewBox.maxY, 1);

    // Values that are no numbers, or far beyond any drawing, are left out.
    TJwsData bad = emptyDoc(600);
    addTop(bad, line(0, 0, kNaN, 1));
    addTop(bad, line(0, 0, kInf, 1));
    addTop(bad, line(0, 0, 1e300, 1));
    addTop(bad, line(0, 0, 1, 1));
    TEntJwwEnko e;
    e.dHankei = kInf;
    addTop(bad, e);
    TEntJwwMoji t = text(0, 0, kNaN, u"x");
    addTop(bad, t);
    const Drawing b = makeDrawing(bad);
    EXPECT_EQ(b.lines.size(), 1u);
    EXPECT_TRUE(b.arcs.empty());
    EXPECT_TRUE(b.texts.empty());
    EXPECT_TRUE(std::isfinite(b.viewBox.width()));

    std::atomic<bool> cancel{true};
    const Drawing stopped = makeDrawing(wide, &cancel);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_LT(stopped.primitiveCount(), 2048u);
}

TEST(Drawing, AFrameAloneIsTheFrameOfTheWholeDrawing)
{
    std::vector<TJwsData> docs;
    for (std::int32_t ver : {351, 420, 700})
        for (unsigned seed = 0; seed < 4; ++seed) {
            std::mt19937 rng(seed * 31 + static_cast<unsigned>(ver));
            docs.push_back(randomDoc(rng, {ver, false, seed % 2 == 0}));
        }
    docs.push_back(wideNesting());
    // A base point beyond the extents' guard starts them from the origin.
    docs.push_back(docs.front());
    docs.back().Enthd.BasePoint_x = 1e15;
    for (std::size_t k = 0; k < docs.size(); ++k) {
        SCOPED_TRACE(k);
        const Drawing whole = makeDrawing(docs[k]);
        const Drawing frame = makeDrawing(docs[k], nullptr, DrawingKeep::FrameOnly);
        expectSameFrame(frame, whole);
        EXPECT_EQ(frame.primitiveCount(), 0u);
        EXPECT_TRUE(frame.strings.empty());
    }
}

TEST(Drawing, EntitiesHandedOverOneByOneDrawAsTheDocumentHoldingThem)
{
    for (unsigned seed = 0; seed < 6; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const TJwsData source = randomDoc(rng, {420, false, true});
        // The kinds a producer hands over, as a document of their own.
        TJwsData doc = emptyDoc(420);
        for (const TEntJwwLine &e : source.EntLine)
            addTop(doc, e);
        for (const TEntJwwEnko &e : source.EntEnko)
            addTop(doc, e);
        for (const TEntJwwMoji &e : source.EntMoji)
            addTop(doc, e);
        for (const TEntJwwTen &e : source.EntTen)
            addTop(doc, e);
        auto produce = [&doc](EntitySink &sink) {
            for (const TEntJwwLine &e : doc.EntLine)
                sink.line(e);
            for (const TEntJwwEnko &e : doc.EntEnko)
                sink.arc(e);
            for (TEntJwwMoji e : doc.EntMoji)
                sink.text(std::move(e));
            for (const TEntJwwTen &e : doc.EntTen)
                sink.point(e);
        };
        const TJwsData header = emptyDoc(420);
        for (DrawingKeep keep : {DrawingKeep::Everything, DrawingKeep::FrameOnly}) {
            const Drawing held = makeDrawing(doc, nullptr, keep);
            const Drawing handed = makeDrawing(header, produce, nullptr, keep);
            expectSameFrame(handed, held);
            EXPECT_EQ(handed.lines.size(), held.lines.size());
            EXPECT_EQ(handed.arcs.size(), held.arcs.size());
            EXPECT_EQ(handed.texts.size(), held.texts.size());
            EXPECT_EQ(handed.points.size(), held.points.size());
            EXPECT_EQ(drawingToSvg(handed, 1024), drawingToSvg(held, 1024));
        }
    }
}
