#include "jwk/jwtrans.h"

#include "core/numeric.h"
#include "jwk/jwkbuilder.h"
#include "jwk/jwkdata.h"
#include "jws/jwsdata.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace pravelot {
namespace {

using test::JwkBuilder;

constexpr double kPi = std::numbers::pi;
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Reads the bytes, measures them and translates them with the conversion's settings.
TJwsData translate(const JwkBuilder &file, TJwTrans &t, int lenZero = 0, int marume = 0)
{
    TJwkData k;
    k.FileInBytes(file.bytes());
    k.GetMinMaxZahyo();
    TJwsData s;
    t.SetKeta(6);
    t.SetMarume(marume);
    t.SetLenZero(lenZero);
    t.SetSeido(6);
    t.P_JWK = &k;
    t.P_JWS = &s;
    t.JWKtoJWSobj();
    t.P_JWK = nullptr;
    t.P_JWS = nullptr;
    return s;
}

TJwsData translate(const JwkBuilder &file, int lenZero = 0, int marume = 0)
{
    TJwTrans t;
    return translate(file, t, lenZero, marume);
}

TEST(JwTransSettingsTest, AFreshTranslatorRoundsToThreePlacesAndSettingsAreClamped)
{
    TJwTrans t;
    EXPECT_EQ(t.RoundKeta(1.23456f), 1.235);
    EXPECT_EQ(t.RoundKeta(-1.23456f), -1.235);

    t.SetKeta(9);
    EXPECT_EQ(t.RoundKeta(1.23456789f), 1.234568);
    t.SetKeta(-3);
    EXPECT_EQ(t.RoundKeta(1.5f), 2);
    t.SetMarume(5);
    EXPECT_EQ(t.RoundKeta(1.9f), 1);
    EXPECT_EQ(t.RoundKeta(-1.9f), -1);
    t.SetSeido(0);
    EXPECT_EQ(t.seido, 1 + 1e-12);
    t.SetSeido(10);
    EXPECT_EQ(t.seido, 1e-6 + 1e-12);
    t.SetLenZero(-1);
    EXPECT_TRUE(t.lzero);
}

TEST(JwTransRoundingTest, RoundKetaWorksOnTheSingleAndNeverGivesNegativeZero)
{
    struct Case {
        const char *name;
        int keta;
        bool marume;
        float v;
        double expected;
    };
    const Case cases[] = {
        {"half away from zero", 6, false, 1.5e-6f, 2e-6},
        {"negative half away from zero", 6, false, -1.5e-6f, -2e-6},
        {"the single just below a half rounds down", 6, false, 5e-7f, 0},
        {"six places", 6, false, -1.2345674f, -1.234567},
        {"cut toward zero", 6, true, 1.9999996f, 1.999999},
        {"cut toward zero, negative", 6, true, -1.9999996f, -1.999999},
        {"whole units", 0, false, 2.5f, 3},
        {"whole units, negative", 0, false, -2.5f, -3},
        {"tiny negative rounds to +0", 6, false, -1e-7f, 0},
        {"negative zero becomes +0", 6, false, -0.0f, 0},
        {"too large to have fractional digits: kept", 6, false, 1e30f, double{1e30f}},
        {"infinity passes through", 6, false, kInf, std::numeric_limits<double>::infinity()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TJwTrans t;
        t.SetKeta(c.keta);
        t.SetMarume(c.marume ? 1 : 0);
        const double r = t.RoundKeta(c.v);
        EXPECT_EQ(r, c.expected);
        EXPECT_FALSE(std::signbit(r) && r == 0);
    }
    EXPECT_EQ(TJwTrans::RoundFactor(1966081 / 65536.0f, 1000000), 30.000015);
    EXPECT_EQ(TJwTrans::RoundFactor(-1e-9f, 1000000), 0);
    EXPECT_FALSE(std::signbit(TJwTrans::RoundFactor(-1e-9f, 1000000)));
}

TEST(JwTransLineTest, LinesAreScaledRoundedStraightenedOrDropped)
{
    struct Case {
        const char *name;
        JwkBuilder file;
        int lenZero;
        bool kept;
        double x1, y1, x2, y2;
    };
    const Case cases[] = {
        {"nearly horizontal becomes horizontal", JwkBuilder().line(0, 0, 100, 0.0000009f), 0, true,
         0, 0, 100, 0},
        {"nearly vertical becomes vertical", JwkBuilder().line(5, 0, 5.0000005f, 100), 0, true, 5,
         0, 5, 100},
        {"short but not vanishing", JwkBuilder().line(0, 0, 0.0000008f, 0), 0, true, 0, 0, 0.000001,
         0},
        {"vanishing line dropped", JwkBuilder().line(0.001f, 0.001f, 0.0010001f, 0.0010002f), 0,
         false, 0, 0, 0, 0},
        {"vanishing line kept at 12 places",
         JwkBuilder().line(0.001f, 0.001f, 0.0010001f, 0.0010002f), 1, true,
         RoundTo12Places(0.001f), RoundTo12Places(0.001f), RoundTo12Places(0.0010001f),
         RoundTo12Places(0.0010002f)},
        {"scale 100 divides", JwkBuilder().line(0, 0, 1000, 2000).scale("100"), 0, true, 0, 0, 10,
         20},
        {"scaled single is rounded", JwkBuilder().line(1, 2, 3, -4).scale("3"), 0, true, 0.333333,
         0.666667, 1, -1.333333},
        {"not a number dropped", JwkBuilder().line(0, 0, kNaN, 1), 0, false, 0, 0, 0, 0},
        {"infinite dropped even when kept otherwise", JwkBuilder().line(0, 0, kInf, 1), 1, false, 0,
         0, 0, 0},
        {"infinite after scaling dropped", JwkBuilder().line(0, 0, 1e36f, 1).scale("0.001"), 0,
         false, 0, 0, 0, 0},
        {"too large to round: kept as it is", JwkBuilder().line(0, 0, 1e30f, 1), 0, true, 0, 0,
         double{1e30f}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TJwsData s = translate(c.file, c.lenZero);
        ASSERT_EQ(s.EntLineN(), c.kept ? 1 : 0);
        EXPECT_EQ(s.Enthd.n1, c.kept ? 1 : 0);
        if (!c.kept)
            continue;
        const TEntJwwLine &l = s.EntLine[0];
        EXPECT_EQ(l.start_x, c.x1);
        EXPECT_EQ(l.start_y, c.y1);
        EXPECT_EQ(l.end_x, c.x2);
        EXPECT_EQ(l.end_y, c.y2);
    }
}

TEST(JwTransLineTest, CutRoundingAndItsVanishingTest)
{
    // Cut toward zero, 0.0000009 rounds to 0, yet it is not below half a unit: kept exact.
    const TJwsData s = translate(JwkBuilder().line(1.9999996f, 0, 0.0000009f, 0), 0, 1);
    ASSERT_EQ(s.EntLineN(), 1);
    EXPECT_EQ(s.EntLine[0].start_x, 1.999999);
    const TJwsData v = translate(JwkBuilder().line(0, 0, 0.0000009f, 0), 0, 1);
    ASSERT_EQ(v.EntLineN(), 1);
    EXPECT_EQ(v.EntLine[0].end_x, RoundTo12Places(0.0000009f));
    EXPECT_FALSE(std::signbit(translate(JwkBuilder().line(-1e-7f, 5, 10, 5)).EntLine[0].start_x));
}

TEST(JwTransArcTest, ArcsGetRadiansWholeFlagAndScaledMeasures)
{
    struct Case {
        const char *name;
        JwkBuilder file;
        int lenZero;
        bool kept;
        double cx, cy, r, startDeg, sweepDeg, tiltDeg, flat;
        std::uint32_t whole;
    };
    const Case cases[] = {
        {"equal angles make a whole circle", JwkBuilder().arc(0, 0, 5, 30, 30), 0, true, 0, 0, 5,
         30, 360, 0, 1, 1},
        {"crossing 0°", JwkBuilder().arc(0, 0, 5, 350, 10), 0, true, 0, 0, 5, 350, 20, 0, 1, 0},
        {"negative start", JwkBuilder().arc(0, 0, 5, -90, 0), 0, true, 0, 0, 5, -90, 90, 0, 1, 0},
        {"a full turn apart is whole", JwkBuilder().arc(0, 0, 5, 0, 360), 0, true, 0, 0, 5, 0, 360,
         0, 1, 1},
        {"scaled centre and radius, tilt and flattening",
         JwkBuilder().arcRaw(200, 400, 100, 5000, 0, 90 * 65536, 45 * 65536).scale("100"), 0, true,
         2, 4, 1, 0, 90, 45, 0.5, 0},
        {"fixed-point angle rounded to millionths",
         JwkBuilder().arcRaw(0, 0, 1, 10000, 1966081, 90 * 65536, 0), 0, true, 0, 0, 1, 30.000015,
         59.999985, 0, 1, 0},
        {"radius rounding to 0 dropped", JwkBuilder().arc(1, 1, 0.0000004f, 0, 90), 0, false, 0, 0,
         0, 0, 0, 0, 0, 0},
        {"radius rounding to 0 kept exact", JwkBuilder().arc(1, 1, 0.0000004f, 0, 90), 1, true, 1,
         1, double{0.0000004f}, 0, 90, 0, 1, 0},
        {"not a number dropped", JwkBuilder().arc(kNaN, 0, 5, 0, 90), 0, false, 0, 0, 0, 0, 0, 0, 0,
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TJwsData s = translate(c.file, c.lenZero);
        ASSERT_EQ(s.EntEnkoN(), c.kept ? 1 : 0);
        if (!c.kept)
            continue;
        const TEntJwwEnko &e = s.EntEnko[0];
        EXPECT_EQ(e.start_x, c.cx);
        EXPECT_EQ(e.start_y, c.cy);
        EXPECT_EQ(e.dHankei, c.r);
        EXPECT_DOUBLE_EQ(e.radKaishiKaku, c.startDeg / 180 * kPi);
        EXPECT_DOUBLE_EQ(e.radEnkoKaku, c.sweepDeg / 180 * kPi);
        EXPECT_DOUBLE_EQ(e.radKatamukiKaku, c.tiltDeg / 180 * kPi);
        EXPECT_EQ(e.dHenpeiRitsu, c.flat);
        EXPECT_EQ(e.bZenEnFlg, c.whole);
    }
}

TEST(JwTransTextTest, DirectionSizesAndColourOfTexts)
{
    struct Case {
        const char *name;
        float x2, y2;
        std::uint8_t no;
        double deg, sizeX, sizeY, spacing;
        std::uint16_t color;
    };
    const Case cases[] = {
        {"to the left", -10, 0, 1, 180, 2, 2, 0, 1},
        {"downward", 0, -10, 2, 270, 2.5, 2.5, 0.5, 1},
        {"diagonal", 10, 10, 3, 45, 3, 3, 0.5, 2},
        {"359.996° is stored as 0", 100, -0.00698f, 10, 0, 10, 10, 1, 5},
        {"rounded to two places", 100, 0.0349f, 5, 0.02, 5, 5, 1, 3},
        {"type 0: the all-zero entry", 10, 0, 0, 0, 0, 0, 0, 1},
        {"type 11: the all-zero entry", 10, 0, 11, 0, 0, 0, 0, 1},
        {"type 12: past the table, all zero", 10, 0, 12, 0, 0, 0, 0, 1},
        {"type 200: past the table, all zero", 10, 0, 200, 0, 0, 0, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TJwsData s = translate(JwkBuilder().moji(0, 0, c.x2, c.y2, "t", c.no).scale("10"));
        ASSERT_EQ(s.EntMojiN(), 1);
        const TEntJwwMoji &m = s.EntMoji[0];
        EXPECT_DOUBLE_EQ(m.degKakudo, c.deg);
        EXPECT_EQ(m.nMojiShu, c.no);
        // Sizes are not divided by the scale.
        EXPECT_EQ(m.dSizeX, c.sizeX);
        EXPECT_EQ(m.dSizeY, c.sizeY);
        EXPECT_EQ(m.dKankaku, c.spacing);
        EXPECT_EQ(m.att.nPenColor, c.color);
        EXPECT_EQ(m.att.nPenStyle, 1);
        EXPECT_EQ(m.att.nPenWidth, 1);
        EXPECT_EQ(m.strFontName, u"ＭＳ ゴシック");
        EXPECT_EQ(m.str, u"t");
    }
}

TEST(JwTransTextTest, TextsStraightenAndVanishLikeLines)
{
    const TJwsData s = translate(JwkBuilder()
                                     .moji(0, 0, 100, 0.0000009f, "flat")
                                     .moji(1, 1, 1.0000001f, 1, "gone")
                                     .moji(kNaN, 0, 1, 1, "nan"));
    ASSERT_EQ(s.EntMojiN(), 1);
    EXPECT_EQ(s.EntMoji[0].end_y, 0);
    EXPECT_EQ(s.EntMoji[0].degKakudo, 0);
    EXPECT_EQ(s.EntMoji[0].str, u"flat");
}

TEST(JwTransTextTest, ImageTextsLoseTheBoundPrefixAndAreScaled)
{
    struct Case {
        const char *name;
        std::string text;
        const char *scale;
        std::u16string expected;
    };
    const Case cases[] = {
        {"bound picture", "^@BM%temp%pic.bmp,100,50", "10", u"^@BMpic.bmp,10,5"},
        {"values after the second kept", "^@BMa.bmp,100,50,1,2", "2", u"^@BMa.bmp,50,25,1,2"},
        {"width only", "^@BMa.bmp,100", "2", u"^@BMa.bmp,50"},
        {"no comma: unchanged", "^@BMa.bmp", "2", u"^@BMa.bmp"},
        {"unreadable number becomes 0", "^@BMa.bmp,x,50", "2", u"^@BMa.bmp,0,25"},
        {"shortest form", "^@BMa.bmp,1,2", "3", u"^@BMa.bmp,0.333333333333333,0.666666666666667"},
        {"empty values", "^@BMa.bmp,,", "2", u"^@BMa.bmp,0,0"},
        {"bound prefix alone", "^@BM%temp%", "1", u"^@BM"},
        {"not an image", "note,100,50", "2", u"note,100,50"},
        {"marker not at the start", " ^@BMa.bmp,100", "2", u" ^@BMa.bmp,100"},
        {"prefix only in capitals is not the bound one", "^@BM%TEMP%a.bmp,4", "2",
         u"^@BM%TEMP%a.bmp,2"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TJwsData s = translate(JwkBuilder().moji(0, 0, 100, 0, c.text).scale(c.scale));
        ASSERT_EQ(s.EntMojiN(), 1);
        EXPECT_EQ(s.EntMoji[0].str, c.expected);
    }
}

TEST(JwTransAttrTest, ColoursLayersAndFlags)
{
    struct Case {
        std::uint8_t col;
        std::uint16_t expected;
    };
    const Case colours[] = {{0, 1}, {1, 1}, {2, 2}, {6, 6}, {7, 9}, {8, 1}, {255, 1}};
    for (const Case &c : colours) {
        SCOPED_TRACE(static_cast<int>(c.col));
        const TJwsData s = translate(JwkBuilder().ten(1, 1, 0, c.col));
        ASSERT_EQ(s.EntTenN(), 1);
        EXPECT_EQ(s.EntTen[0].att.nPenColor, c.expected);
    }

    const TJwsData s =
        translate(JwkBuilder()
                      .line(0, 0, 1, 1, 31, 7, 0x2A, 0xFF, 0x20, 0xFF)
                      .arcRaw(0, 0, 1, 10000, 0, 90 * 65536, 0, 62, 3, 0xF1, 0xFF, 0xFF, 0xFF)
                      .ten(1, 1, 0x2A, 4, 0xFF, 0xFF)
                      .moji(0, 0, 1, 0, "m", 1, 0xFF, 0xFF, 0xAB));
    ASSERT_EQ(s.EntLineN(), 1);
    ASSERT_EQ(s.EntEnkoN(), 1);
    ASSERT_EQ(s.EntTenN(), 1);
    ASSERT_EQ(s.EntMojiN(), 1);
    const TEntJwwAttr &l = s.EntLine[0].att;
    EXPECT_EQ(l.nPenStyle, 31);
    EXPECT_EQ(l.nPenColor, 9);
    EXPECT_EQ(l.nPenWidth, 0);
    EXPECT_EQ(l.nLayer, 10);
    EXPECT_EQ(l.nGLayer, 2);
    EXPECT_EQ(l.sFlg, 0xB820);
    EXPECT_EQ(l.lGroup, 0u);
    const TEntJwwAttr &a = s.EntEnko[0].att;
    EXPECT_EQ(a.nPenStyle, 62);
    EXPECT_EQ(a.nPenColor, 3);
    EXPECT_EQ(a.nLayer, 1);
    EXPECT_EQ(a.nGLayer, 15);
    EXPECT_EQ(a.sFlg, 0xF0);
    const TEntJwwTen &t = s.EntTen[0];
    EXPECT_EQ(t.att.nPenStyle, 1);
    EXPECT_EQ(t.att.nPenColor, 4);
    EXPECT_EQ(t.att.nLayer, 10);
    EXPECT_EQ(t.att.nGLayer, 2);
    EXPECT_EQ(t.att.sFlg, 0xF0);
    EXPECT_EQ(t.bKariten, 0u);
    EXPECT_EQ(t.nCode, 0u);
    EXPECT_EQ(t.radKaitenKaku, 0);
    EXPECT_EQ(t.dBairitsu, 1);
    const TEntJwwAttr &m = s.EntMoji[0].att;
    EXPECT_EQ(m.nLayer, 15);
    EXPECT_EQ(m.nGLayer, 15);
    EXPECT_EQ(m.sFlg, 0xABF0);
}

TEST(JwTransCurveTest, CurveGroupsCountOnAcrossFiles)
{
    TJwTrans t;
    const TJwsData first = translate(JwkBuilder()
                                         .line(0, 0, 1, 0, 1, 1, 0, 0, 0x40)
                                         .line(0, 0, 2, 0, 1, 1, 0, 0, 0x80)
                                         .line(0, 0, 3, 0, 1, 1, 0, 0, 0x00)
                                         .line(0, 0, 4, 0, 1, 1, 0, 0, 0x40),
                                     t);
    ASSERT_EQ(first.EntLineN(), 4);
    const std::uint32_t expected[] = {1, 1, 0, 2};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(first.EntLine[static_cast<std::size_t>(i)].att.lGroup, expected[i]) << i;

    const TJwsData second = translate(JwkBuilder().line(0, 0, 1, 0, 1, 1, 0, 0, 0x40), t);
    EXPECT_EQ(second.EntLine[0].att.lGroup, 3u);

    // A dropped line moves the counter on too.
    const TJwsData third = translate(
        JwkBuilder().line(0, 0, 0, 0, 1, 1, 0, 0, 0x40).line(0, 0, 1, 0, 1, 1, 0, 0, 0x40), t);
    ASSERT_EQ(third.EntLineN(), 1);
    EXPECT_EQ(third.EntLine[0].att.lGroup, 5u);

    const TJwsData fresh = translate(JwkBuilder().line(0, 0, 1, 0, 1, 1, 0, 0, 0x80));
    EXPECT_EQ(fresh.EntLine[0].att.lGroup, 1u);

    TJwTrans full;
    full.curveNo = 4999;
    EXPECT_EQ(full.CurveGroupNo(0x40), 5000u);
    EXPECT_EQ(full.CurveGroupNo(0x40), 5000u);
    EXPECT_EQ(full.CurveGroupNo(0xC0), 5000u);
    EXPECT_EQ(full.CurveGroupNo(0x3F), 0u);
}

TEST(JwTransDocumentTest, HeaderLayerGroupsAndOrderList)
{
    TJwkData k;
    ASSERT_TRUE(k.FileInBytes(JwkBuilder()
                                  .ten(50, 60)
                                  .line(0, 0, 1000, 2000)
                                  .line(0, 0, 0, 0)
                                  .line(-100, 0, 0, 0)
                                  .arc(0, 0, 100, 0, 90)
                                  .moji(0, 0, 100, 0, "x")
                                  .scale("100")
                                  .bytes()));
    k.GetMinMaxZahyo();
    TJwsData s;
    // Whatever the document held before is gone.
    s.EntBlockDef.emplace_back();
    s.EntLine.emplace_back();
    s.Enthd.BasePoint_x = 7;
    TJwTrans t;
    t.SetKeta(6);
    t.SetSeido(6);
    t.P_JWK = &k;
    t.P_JWS = &s;
    t.JWKtoJWSobj();

    EXPECT_EQ(s.Enthd.jwID, u"JwsData");
    EXPECT_EQ(s.Enthd.jwVer, 420);
    EXPECT_EQ(s.Enthd.BasePoint_x, 0);
    EXPECT_EQ(s.Enthd.BasePoint_y, 0);
    EXPECT_EQ(s.Enthd.Mx1, -1);
    EXPECT_EQ(s.Enthd.My1, 0);
    EXPECT_EQ(s.Enthd.Mx2, 10);
    EXPECT_EQ(s.Enthd.My2, 20);
    EXPECT_EQ(s.Enthd.n2, 0);
    EXPECT_TRUE(s.EntBlockDef.empty());
    EXPECT_TRUE(s.EntMoj.empty());
    ASSERT_EQ(s.EntLgrp.size(), 16u);
    for (const TEntJwwLayerGroup &g : s.EntLgrp) {
        EXPECT_EQ(g.adScale, 100);
        EXPECT_EQ(g.anGLay, 0);
        EXPECT_TRUE(g.aStrGLayName.empty());
    }

    // Lines, arcs, texts, then points; the vanished line has no entry.
    EXPECT_EQ(s.EntLineN(), 2);
    EXPECT_EQ(s.Enthd.n1, 5);
    const std::vector<TEntJwwNo> order = {{1, 0}, {1, 1}, {2, 0}, {4, 0}, {3, 0}};
    EXPECT_EQ(s.EntNo, order);
    EXPECT_EQ(s.EntLine[1].start_x, -1);
    EXPECT_EQ(s.EntTen[0].start_x, 0.5);
    EXPECT_EQ(s.EntEnko[0].dHankei, 1);
}

TEST(JwTransDocumentTest, WalksNoFurtherThanCountsAndArraysAgree)
{
    TJwkData k;
    k.EntLine.resize(2, TEntJwcLine{0, 0, 1, 1, 1, 1, 0, 0, 0, 0});
    k.Enthd.lineCount = 5;
    k.EntTen.resize(3, TEntJwcTen{1, 1, 0, 1, 0, 0});
    k.Enthd.tenCount = 1;
    k.EntArc.resize(1, TEntJwcArc2{0, 0, 1, 1, 0, 90, 0, 1, 1, 0, 0, 0, 0});
    k.Enthd.arcCount = -4;
    TJwsData s;
    TJwTrans t;
    t.P_JWK = &k;
    t.P_JWS = &s;
    t.JWKtoJWSobj();
    EXPECT_EQ(s.EntLineN(), 2);
    EXPECT_EQ(s.EntTenN(), 1);
    EXPECT_EQ(s.EntEnkoN(), 0);
    EXPECT_EQ(s.Enthd.n1, 3);
}

TEST(JwTransDocumentTest, PointsAreDroppedOnlyWhenNotFinite)
{
    const TJwsData s =
        translate(JwkBuilder().ten(0, 0).ten(kNaN, 1).ten(1, kInf).ten(1e36f, 0).scale("0.001"));
    ASSERT_EQ(s.EntTenN(), 1);
    EXPECT_EQ(s.EntTen[0].start_x, 0);
    EXPECT_EQ(s.Enthd.n1, 1);
}

} // namespace
} // namespace pravelot
