#include "core/numeric.h"
#include "jws/jwsdata.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

namespace pravelot {
namespace {

constexpr double kPi = std::numbers::pi;

struct Box {
    double minX, minY, maxX, maxY;
};

void expectBox(const TJwsData &d, const Box &b, double tol = 1e-9)
{
    EXPECT_NEAR(d.myMinWx, b.minX, tol);
    EXPECT_NEAR(d.myMinWy, b.minY, tol);
    EXPECT_NEAR(d.myMaxWx, b.maxX, tol);
    EXPECT_NEAR(d.myMaxWy, b.maxY, tol);
}

TEntJwwLine line(double x1, double y1, double x2, double y2)
{
    TEntJwwLine l;
    l.start_x = x1;
    l.start_y = y1;
    l.end_x = x2;
    l.end_y = y2;
    return l;
}

TEntJwwEnko enko(double cx, double cy, double r, double f, double start, double sweep, double tilt,
                 bool whole)
{
    TEntJwwEnko e;
    e.start_x = cx;
    e.start_y = cy;
    e.dHankei = r;
    e.dHenpeiRitsu = f;
    e.radKaishiKaku = start;
    e.radEnkoKaku = sweep;
    e.radKatamukiKaku = tilt;
    e.bZenEnFlg = whole ? 1 : 0;
    return e;
}

TEntJwwTen ten(double x, double y, std::uint32_t kariten = 0)
{
    TEntJwwTen t;
    t.start_x = x;
    t.start_y = y;
    t.bKariten = kariten;
    return t;
}

TEntJwwMoji moji(double x1, double y1, double x2, double y2, const std::u16string &s = u"A")
{
    TEntJwwMoji m;
    m.start_x = x1;
    m.start_y = y1;
    m.end_x = x2;
    m.end_y = y2;
    m.str = s;
    return m;
}

// An arc-shaped solid: centre, radius 10, flattening 1, tilt 0, start, sweep and mode.
TEntJwwSolid arcSolid(std::uint8_t style, double cx, double cy, double start, double sweep,
                      double mode)
{
    TEntJwwSolid s;
    s.att.nPenStyle = style;
    s.start_x = cx;
    s.start_y = cy;
    s.end_x = 10;
    s.end_y = 1;
    s.DPoint2_x = 0;
    s.DPoint2_y = start;
    s.DPoint3_x = sweep;
    s.DPoint3_y = mode;
    return s;
}

struct Case {
    const char *name;
    std::function<void(TJwsData &)> build;
    Box expected;
};

void runCases(const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TJwsData d;
        c.build(d);
        d.GetMinMaxZahyo();
        expectBox(d, c.expected);
    }
}

TEST(JwsExtentsTest, TopLevelEntities)
{
    const double h = 10 / std::sqrt(2.0);
    runCases({
        {"empty figure: the base point widened by 10",
         [](TJwsData &d) {
             d.Enthd.BasePoint_x = 100;
             d.Enthd.BasePoint_y = 200;
         },
         {90, 190, 110, 210}},
        {"a flat result in one direction is not widened",
         [](TJwsData &d) { d.EntLine.push_back(line(0, 0, 50, 0)); },
         {0, 0, 50, 0}},
        {"whole circle: only the four tilted axis points",
         [](TJwsData &d) { d.EntEnko.push_back(enko(0, 0, 10, 1, 0.3, 0, kPi / 4, true)); },
         {-h, -h, h, h}},
        {"whole ellipse ignores its start angle",
         [](TJwsData &d) { d.EntEnko.push_back(enko(0, 0, 10, 0.5, 1.0, 0, 0, true)); },
         {-10, -5, 10, 5}},
        {"quarter arc: first and last samples",
         [](TJwsData &d) { d.EntEnko.push_back(enko(0, 0, 10, 1, 0, kPi / 2, 0, false)); },
         {0, 0, 10, 10}},
        {"half arc samples its top",
         [](TJwsData &d) { d.EntEnko.push_back(enko(0, 0, 10, 1, 0, kPi, 0, false)); },
         {-10, 0, 10, 10}},
        {"far point ignored, temporary point counts",
         [](TJwsData &d) {
             d.EntTen.push_back(ten(1e12, 0));
             d.EntTen.push_back(ten(-3e8, 2e8, 1));
         },
         {-1e8, 0, 0, 1e8}},
        {"base point beyond the clamp is kept as the minimum",
         [](TJwsData &d) { d.Enthd.BasePoint_x = 2e8; },
         {2e8, 0, 1e8, 0}},
        {"dimension: line and text ends, extension lines only in SXF mode",
         [](TJwsData &d) {
             TEntJwwSunpo s;
             s.Sen = line(0, 0, 10, 0);
             s.Moji = moji(1, 1, 1, 1);
             s.editExt().Ho1 = line(-5, -5, 0, 0);
             s.editExt().Te1 = ten(99, 99);
             s.editExt().Kt2 = ten(-99, -99);
             d.EntSunpo.push_back(s);
             s = TEntJwwSunpo{};
             s.Sen = line(0, 0, 10, 0);
             s.bSxfMode = 1;
             s.editExt().Ho2 = line(0, 0, 12, -3);
             d.EntSunpo.push_back(s);
         },
         {0, -3, 12, 1}},
        {"plain solid adds its four corners",
         [](TJwsData &d) {
             TEntJwwSolid s;
             s.att.nPenStyle = 1;
             s.start_x = 1, s.start_y = 2, s.end_x = 3, s.end_y = -4;
             s.DPoint2_x = -5, s.DPoint2_y = 6, s.DPoint3_x = 7, s.DPoint3_y = 8;
             d.EntSolid.push_back(s);
         },
         {-5, -4, 7, 8}},
    });
}

TEST(JwsExtentsTest, TextsCountTheirBaseLineAndImageCorner)
{
    // The base point (−1, −1) starts the extents; a text that counts nothing leaves them a
    // single point, which is widened by 10.
    auto withText = [](const TEntJwwMoji &m) {
        return [m](TJwsData &d) {
            d.Enthd.BasePoint_x = -1;
            d.Enthd.BasePoint_y = -1;
            d.EntMoji.push_back(m);
        };
    };
    runCases({
        {"coincident ends count nothing", withText(moji(5, 5, 5, 5)), {-11, -11, 9, 9}},
        {"the (0, 0)–(0.01, 0.01) text counts nothing",
         withText(moji(0, 0, 0.01, 0.01)),
         {-11, -11, 9, 9}},
        {"(0, 0)–(0.01, 0.02) counts both ends",
         withText(moji(0, 0, 0.01, 0.02)),
         {-1, -1, 0.01, 0.02}},
        {"image text adds start + (width, height)",
         withText(moji(10, 20, 30, 20, u"^@BMpic.bmp,100,50")),
         {-1, -1, 110, 70}},
        {"image text with width only",
         withText(moji(10, 20, 30, 20, u"^@BMpic.bmp,100")),
         {-1, -1, 110, 120}},
        {"no marker at the start: plain text",
         withText(moji(10, 20, 30, 20, u" ^@BMpic.bmp,100,50")),
         {-1, -1, 30, 20}},
    });
}

TEST(JwsExtentsTest, ArcSolidModes)
{
    auto with = [](TEntJwwSolid s) {
        return [s](TJwsData &d) {
            d.Enthd.BasePoint_x = 105;
            d.Enthd.BasePoint_y = 105;
            d.EntSolid.push_back(s);
        };
    };
    const double c45 = 10 * std::cos(kPi / 4);
    const double c60 = 10 * std::cos(kPi / 3);
    runCases({
        {"style 101, mode 0 adds the centre",
         with(arcSolid(101, 100, 100, kPi / 4, kPi / 12, 0)),
         {100, 100, 100 + c45, 100 + 10 * std::sin(kPi / 3)}},
        {"mode 5 does not",
         with(arcSolid(101, 100, 100, kPi / 4, kPi / 12, 5)),
         {100 + c60, 105, 100 + c45, 100 + 10 * std::sin(kPi / 3)}},
        {"style 101, mode −1 adds the tangent corner",
         with(arcSolid(101, 100, 100, kPi / 4, kPi / 2, -1)),
         {100 - c45, 105, 100 + c45, 100 + 10 * std::sqrt(2.0)}},
        {"style 111, mode 100 samples a whole turn",
         with(arcSolid(111, 100, 100, 0, 0.1, 100)),
         {90, 90, 110, 110}},
        {"style 102 ignores mode 100",
         with(arcSolid(102, 100, 100, 0, kPi / 2, 100)),
         {100, 100, 110, 110}},
        {"style 111 does not add the centre for mode 0",
         with(arcSolid(111, 100, 100, kPi / 4, kPi / 12, 0)),
         {100 + c60, 105, 100 + c45, 100 + 10 * std::sin(kPi / 3)}},
    });
}

TEST(JwsExtentsTest, BlockMembersAreMappedThroughTheirTreeEntry)
{
    auto lineBlock = [](TJwsData &d) {
        TEntJwwBlockDef def;
        def.nNumber = 1;
        def.members.edit().line.push_back(line(0, 0, 10, 0));
        // Tested on the member's own coordinates, so it counts nothing after mapping too.
        def.members.edit().moji.push_back(moji(0, 0, 0.01, 0.01));
        d.EntBlockDef.push_back(def);
    };
    auto place = [](double x, double y, double scale, double rot, std::uint32_t number) {
        TEntJwwBlock b;
        b.DPKijunTen_x = x;
        b.DPKijunTen_y = y;
        b.dBairitsuX = b.dBairitsuY = scale;
        b.radKaitenKaku = rot;
        b.nNumber = number;
        return b;
    };
    runCases({
        {"placed at (100, 100), scale 2, turned a quarter",
         [&](TJwsData &d) {
             d.Enthd.BasePoint_x = 100;
             d.Enthd.BasePoint_y = 100;
             lineBlock(d);
             d.EntBlock.push_back(place(100, 100, 2, kPi / 2, 1));
             d.MakeBlockTree();
         },
         {100, 100, 100, 120}},
        {"nested instance uses the composed placement",
         [&](TJwsData &d) {
             lineBlock(d);
             TEntJwwBlockDef outer;
             outer.nNumber = 2;
             outer.members.edit().block.push_back(place(1, 1, 1, kPi / 2, 1));
             d.EntBlockDef.push_back(outer);
             d.EntBlock.push_back(place(10, 0, 2, 0, 2));
             d.MakeBlockTree();
         },
         // The nested line runs from (12, 2) to (12, 22).
         {0, 0, 12, 22}},
        {"entries without a definition are skipped",
         [&](TJwsData &d) {
             lineBlock(d);
             TEntJwwBlockTree t;
             t.defno = -1;
             t.x = 500;
             d.EntBlockTree.push_back(t);
             t.defno = 7;
             d.EntBlockTree.push_back(t);
         },
         {-10, -10, 10, 10}},
    });
}

TEST(JwsExtentsTest, BasePointOutsideTheGuardStartsFromTheOrigin)
{
    const double kNaN = std::numeric_limits<double>::quiet_NaN();
    const double bases[][2] = {{6e11, 0}, {0, -6e11}, {kNaN, 0}};
    for (const auto &b : bases) {
        SCOPED_TRACE(testing::Message() << b[0] << ", " << b[1]);
        TJwsData d;
        d.Enthd.BasePoint_x = b[0];
        d.Enthd.BasePoint_y = b[1];
        d.EntLine.push_back(line(1, 1, 3, 4));
        d.GetMinMaxZahyo();
        expectBox(d, {0, 0, 3, 4});
        EXPECT_EQ(d.Enthd.BasePoint_y, b[1]);
    }
}

TEST(JwsExtentsTest, ClearingTheDocumentKeepsTheExtents)
{
    TJwsData d;
    d.EntLine.push_back(line(1, 2, 3, 4));
    d.GetMinMaxZahyo();
    d.DataFree();
    expectBox(d, {0, 0, 3, 4});
}

} // namespace
} // namespace pravelot
