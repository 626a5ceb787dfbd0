#include "jwk/jwkdata.h"

#include "core/numeric.h"
#include "core/text.h"
#include "jwk/jwkbuilder.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

namespace pravelot {
namespace {

using test::JwkBuilder;
using Bytes = std::vector<std::uint8_t>;

Bytes toBytes(const std::string &s) { return Bytes(s.begin(), s.end()); }

// Arrays and counts agree, and no more records were read than the header promises.
void expectConsistent(const TJwkData &k)
{
    const TEntJwkHeader &h = k.Enthd;
    EXPECT_GE(h.lineCount, 0);
    EXPECT_EQ(k.EntLine.size(), static_cast<std::size_t>(h.lineCount));
    EXPECT_EQ(k.EntArc.size(), static_cast<std::size_t>(h.arcCount));
    EXPECT_EQ(k.EntTen.size(), static_cast<std::size_t>(h.tenCount));
    EXPECT_EQ(k.EntMoji.size(), static_cast<std::size_t>(h.mojiCount));
    EXPECT_LE(k.lineN, h.lineCount);
    EXPECT_LE(k.arcN, h.arcCount);
    EXPECT_LE(k.tenN, h.tenCount);
    EXPECT_LE(k.mojiN, h.mojiCount);
    EXPECT_GT(h.scale, 1e-14);
    EXPECT_TRUE(std::isfinite(h.scale));
    EXPECT_EQ(k.EntMjtp.size(), 12u);
}

TEST(JwkFileCheckTest, RecognisesTheIdentificationText)
{
    struct Case {
        const char *name;
        std::string bytes;
        bool expected;
    };
    const Case cases[] = {
        {"exactly the text", "jw_cad(c)sym........", true},
        {"whatever follows", std::string("jw_cad(c)sym........garbage\xff\x00", 29), true},
        {"capital letters", "JW_CAD(C)SYM........", false},
        {"19 bytes: last full stop missing", "jw_cad(c)sym.......", false},
        {"NUL inside", std::string("jw_cad(c)sym....\0...", 20), false},
        {"empty", "", false},
        {"a JWS file", "\x07JwsData", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TJwkData::FileCheckBytes(toBytes(c.bytes)), c.expected);
    }
}

TEST(JwkFileTest, FileVariantsReadRegularFilesOnly)
{
    test::TempDir dir;
    const Bytes bytes = JwkBuilder().line(1, 2, 3, 4).moji(0, 0, 5, 0, "abc").bytes();
    const std::u16string file = dir.file("図形.jwk");
    test::writeBytes(file, bytes);

    EXPECT_TRUE(TJwkData::FileCheck(file));
    TJwkData fromFile;
    ASSERT_TRUE(fromFile.FileIn(file));
    TJwkData fromBytes;
    ASSERT_TRUE(fromBytes.FileInBytes(bytes));
    EXPECT_EQ(fromFile.Enthd, fromBytes.Enthd);
    EXPECT_EQ(fromFile.EntLine, fromBytes.EntLine);
    EXPECT_EQ(fromFile.EntMoji, fromBytes.EntMoji);
    EXPECT_EQ(fromFile.stringOf(fromFile.EntMoji[0]), u"abc");

    for (const std::u16string &bad : {dir.file("missing.jwk"), test::text(dir.path())}) {
        SCOPED_TRACE(toUtf8(bad));
        EXPECT_FALSE(TJwkData::FileCheck(bad));
        TJwkData k;
        k.FileInBytes(bytes);
        EXPECT_FALSE(k.FileIn(bad));
        EXPECT_EQ(k.Enthd, TEntJwkHeader{});
        EXPECT_TRUE(k.EntLine.empty());
        EXPECT_FALSE(k.problem().empty());
    }
}

TEST(JwkHeaderTest, BlockBValuesEndAtACommaOrANul)
{
    struct Case {
        const char *name;
        std::string blockB;
        std::int32_t lineCount, arcCount, tenCount, mojiCount, strSpace;
        float dispScale, scale;
    };
    const Case cases[] = {
        {"nine values", "2,1,0,1,0,0,1,6,100", 2, 1, 0, 1, 6, 1, 100},
        {"a space after the scale", "2,1,0,1,0,0,1,6,100 ", 2, 1, 0, 1, 6, 1, 1},
        {"a line break after the scale", "2,1,0,1,0,0,1,6,100\r\n", 2, 1, 0, 1, 6, 1, 1},
        {"four values: the rest read as 0", "1,0,0,0", 1, 0, 0, 0, 0, 0, 1},
        {"space before a value", "1, 2,0,0", 1, 2, 0, 0, 0, 0, 1},
        {"space after a value", "1,2 ,0,0", 1, 0, 0, 0, 0, 0, 1},
        {"negative scale", "0,0,0,0,0,0,1,0,-5", 0, 0, 0, 0, 0, 1, 1},
        {"tiny scale", "0,0,0,0,0,0,1,0,1e-15", 0, 0, 0, 0, 0, 1, 1},
        {"scale too large for a single", "0,0,0,0,0,0,1,0,1e39", 0, 0, 0, 0, 0, 1, 1},
        {"the ninth value ends at the next comma", "0,0,0,0,0,0,2.5,0,0.5,77", 0, 0, 0, 0, 0, 2.5f,
         0.5f},
        {"hexadecimal count", "$2,0,0,0", 2, 0, 0, 0, 0, 0, 1},
        {"a comma after the last value", "1,0,0,0,0,0,1,0,3,", 1, 0, 0, 0, 0, 1, 3},
        {"a NUL ends the value", std::string("3\0x,0,0,0,0,0,1,0,4", 19), 3, 0, 0, 0, 0, 1, 4},
        {"a NUL ends the scale", std::string("0,0,0,0,0,0,1,0,4\0 x", 20), 0, 0, 0, 0, 0, 1, 4},
        {"only NUL bytes: every value 0, scale 1", std::string(1, '\0'), 0, 0, 0, 0, 0, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = JwkBuilder().blockB(c.blockB).bytes();
        // Enough bytes after the header to back every count of the table.
        bytes.resize(bytes.size() + 200, 0);
        TJwkData k;
        k.FileInBytes(bytes);
        EXPECT_EQ(k.Enthd.lineCount, c.lineCount);
        EXPECT_EQ(k.Enthd.arcCount, c.arcCount);
        EXPECT_EQ(k.Enthd.tenCount, c.tenCount);
        EXPECT_EQ(k.Enthd.mojiCount, c.mojiCount);
        EXPECT_EQ(k.Enthd.strSpace, c.strSpace);
        EXPECT_EQ(k.Enthd.dispScale, c.dispScale);
        EXPECT_EQ(k.Enthd.scale, c.scale);
    }
}

TEST(JwkHeaderTest, OriginAndComments)
{
    // "図形" in Shift_JIS, then a comment of exactly 32 bytes without a NUL.
    const std::string sjis = "\x90\x7d\x8c\x60";
    const std::string full(32, 'c');
    const Bytes bytes = JwkBuilder().blockB("0,0,0,0,1.5,-2.5,3,0,1").comments(sjis, full).bytes();
    TJwkData k;
    EXPECT_TRUE(k.FileInBytes(bytes));
    EXPECT_EQ(k.Enthd.jwID, u"jw_cad(c)sym........");
    EXPECT_EQ(k.Enthd.comment1, u"図形");
    EXPECT_EQ(k.Enthd.comment2, fromUtf8(full));
    EXPECT_EQ(k.Enthd.org_x, 1.5f);
    EXPECT_EQ(k.Enthd.org_y, -2.5f);
    EXPECT_EQ(k.Enthd.dispScale, 3.0f);
}

TEST(JwkRecordTest, RecordsAreDecodedFieldByField)
{
    const Bytes bytes = JwkBuilder()
                            .line(1.5f, -2, 3, 4e10f, 5, 6, 0x2A, 7, 8, 9)
                            .arcRaw(10, 20, 30, 10000, 90 * 65536, -90 * 65536, 0, 1, 2, 3, 4, 5, 6)
                            .arcRaw(0, 0, 1, 5000, 65536 / 2, 359 * 65536, 45 * 65536)
                            .ten(-1, -2, 0x31, 7, 0x10, 0x20)
                            .moji(1, 2, 3, 4, "x", 3, 0x12, 0x40, 0x80)
                            .bytes();
    TJwkData k;
    ASSERT_TRUE(k.FileInBytes(bytes));
    EXPECT_EQ(k.lineN, 1);
    EXPECT_EQ(k.arcN, 2);
    EXPECT_EQ(k.tenN, 1);
    EXPECT_EQ(k.mojiN, 1);
    EXPECT_EQ(k.EntLine[0], (TEntJwcLine{1.5f, -2, 3, 4e10f, 5, 6, 0x2A, 7, 8, 9}));
    EXPECT_EQ(k.EntArc[0], (TEntJwcArc2{10, 20, 30, 1, 90, -90, 0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(k.EntArc[1].h, 0.5f);
    EXPECT_EQ(k.EntArc[1].st, 0.5f);
    EXPECT_EQ(k.EntArc[1].et, 359.0f);
    EXPECT_EQ(k.EntArc[1].tt, 45.0f);
    EXPECT_EQ(k.EntTen[0], (TEntJwcTen{-1, -2, 0x31, 7, 0x10, 0x20}));
    const TEntJwcMoji2 &m = k.EntMoji[0];
    EXPECT_EQ(m.x1, 1);
    EXPECT_EQ(m.y2, 4);
    EXPECT_EQ(m.p, 0);
    EXPECT_EQ(m.no, 3);
    EXPECT_EQ(m.lay, 0x12);
    EXPECT_EQ(m.flg1, 0x40);
    EXPECT_EQ(m.flg2, 0x80);
    EXPECT_EQ(k.stringOf(m), u"x");
}

TEST(JwkRecordTest, TextStringsComeFromThePool)
{
    JwkBuilder b;
    b.pool(std::string("\0a\tb\nc\0\x93\xfa\x96\x7b\0tail", 16));
    b.mojiAt(0, 0, 1, 0, 0)     // at a NUL
        .mojiAt(0, 0, 1, 0, 1)  // control characters removed
        .mojiAt(0, 0, 1, 0, 3)  // from inside a string
        .mojiAt(0, 0, 1, 0, 7)  // Shift_JIS
        .mojiAt(0, 0, 1, 0, 12) // runs to the end of the pool
        .mojiAt(0, 0, 1, 0, 16) // just past the pool
        .mojiAt(0, 0, 1, 0, 60000);
    TJwkData k;
    ASSERT_TRUE(k.FileInBytes(b.bytes()));
    ASSERT_EQ(k.Enthd.strSpace, 16);
    const std::u16string expected[] = {u"", u"abc", u"bc", u"日本", u"tail", u"", u""};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(k.stringOf(k.EntMoji[i]), expected[i]);
    }
}

TEST(JwkRecordTest, NoPoolLeavesTextsEmpty)
{
    const Bytes bytes =
        JwkBuilder().mojiAt(0, 0, 1, 0, 0).mojiAt(0, 0, 1, 0, 5).mojiAt(0, 0, 2, 0, 9).bytes();
    TJwkData k;
    EXPECT_TRUE(k.FileInBytes(bytes));
    ASSERT_EQ(k.EntMoji.size(), 3u);
    for (const TEntJwcMoji2 &m : k.EntMoji)
        EXPECT_TRUE(k.stringOf(m).empty());
}

// Broken files, each named for its fault, with what reading must leave behind.
TEST(JwkRobustnessTest, BrokenFilesLoadOnlyWhatIsThere)
{
    const Bytes oneLine = JwkBuilder().line(1, 2, 3, 4).bytes();
    auto header = [](const std::string &blockB) { return JwkBuilder().blockB(blockB).bytes(); };
    auto cut = [](Bytes b, std::size_t n) {
        b.resize(n);
        return b;
    };
    auto grow = [](Bytes b, std::size_t n) {
        b.resize(b.size() + n, 0xAB);
        return b;
    };
    struct Case {
        const char *name;
        Bytes bytes;
        bool result;
        std::int32_t lines, arcs, tens, mojis, strSpace;
    };
    const Case cases[] = {
        {"empty file", {}, false, 0, 0, 0, 0, 0},
        {"block A cut short, no block B", cut(oneLine, 120), false, 0, 0, 0, 0, 0},
        {"block B cut short", cut(header("1,0,0,0,0,0,1,0,1"), 230), false, 0, 0, 0, 0, 0},
        {"header only, three lines promised", header("3,0,0,0"), false, 0, 0, 0, 0, 0},
        {"last line cut short still counts", grow(header("2,0,0,0"), 23), true, 2, 0, 0, 0, 0},
        {"huge line count", grow(header("2147483647,0,0,0"), 50), false, 3, 0, 0, 0, 0},
        {"arcs promised where only lines fit", grow(header("1,5,0,0"), 22 + 40), false, 1, 2, 0, 0,
         0},
        {"every count too large", grow(header("9,9,9,9"), 22 * 9 + 32 * 9 + 12 * 9 + 1), false, 9,
         9, 9, 1, 0},
        {"negative count loads nothing", grow(header("2,-1,3,0"), 500), false, 0, 0, 0, 0, 0},
        {"minimum count loads nothing", grow(header("0,0,0,-2147483648"), 500), false, 0, 0, 0, 0,
         0},
        {"pool larger than the file", grow(header("0,0,0,1,0,0,1,2000000000"), 30), false, 0, 0, 0,
         1, 6},
        {"negative pool size reads no pool", grow(header("0,0,0,1,0,0,1,-5"), 24), true, 0, 0, 0, 1,
         -5},
        {"bytes after the pool are ignored", grow(header("0,0,0,0,0,0,1,4"), 40), true, 0, 0, 0, 0,
         4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TJwkData k;
        EXPECT_EQ(k.FileInBytes(c.bytes), c.result);
        EXPECT_EQ(k.Enthd.lineCount, c.lines);
        EXPECT_EQ(k.Enthd.arcCount, c.arcs);
        EXPECT_EQ(k.Enthd.tenCount, c.tens);
        EXPECT_EQ(k.Enthd.mojiCount, c.mojis);
        EXPECT_EQ(k.Enthd.strSpace, c.strSpace);
        EXPECT_EQ(k.problem().empty(), c.result);
        expectConsistent(k);
        if (c.result) {
            EXPECT_EQ(k.lineN, c.lines);
            EXPECT_EQ(k.mojiN, c.mojis);
        }
    }
}

TEST(JwkRobustnessTest, ARecordCutShortReadsItsMissingBytesAsZero)
{
    Bytes bytes = JwkBuilder().line(1, 2, 3, 4, 5, 6, 7, 8, 9, 10).line(11, 12, 13, 14, 15).bytes();
    bytes.resize(bytes.size() - 16); // the second line keeps x1 and half of y1
    TJwkData k;
    EXPECT_TRUE(k.FileInBytes(bytes));
    ASSERT_EQ(k.EntLine.size(), 2u);
    EXPECT_EQ(k.EntLine[0], (TEntJwcLine{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(k.EntLine[1].x1, 11);
    EXPECT_EQ(k.EntLine[1].x2, 0);
    EXPECT_EQ(k.EntLine[1].typ, 0);
}

TEST(JwkRobustnessTest, EveryTruncationIsReadConsistently)
{
    const Bytes full = JwkBuilder()
                           .line(1, 2, 3, 4)
                           .line(5, 6, 7, 8)
                           .arc(0, 0, 5, 0, 90)
                           .ten(9, 9)
                           .moji(0, 0, 10, 0, "abc")
                           .moji(0, 0, 0, 10, "de")
                           .bytes();
    for (std::size_t n = 0; n <= full.size(); ++n) {
        SCOPED_TRACE(n);
        TJwkData k;
        const bool ok = k.FileInBytes(std::span(full.data(), n));
        // A file cut anywhere loses at least part of its string pool.
        EXPECT_EQ(ok, n == full.size());
        expectConsistent(k);
        k.GetMinMaxZahyo();
    }
}

TEST(JwkRobustnessTest, DamagedBytesNeverBreakTheReader)
{
    const Bytes valid = JwkBuilder()
                            .line(1, 2, 3, 4)
                            .arc(0, 0, 5, 350, 10)
                            .ten(9, 9)
                            .moji(0, 0, 10, 0, "abc")
                            .moji(0, 0, 0, 10, "de")
                            .bytes();
    std::mt19937 rng(12345);
    for (int round = 0; round < 2000; ++round) {
        Bytes b = valid;
        const int hits = 1 + static_cast<int>(rng() % 8);
        for (int h = 0; h < hits; ++h) {
            // Damage the header's count text more often than the rest.
            const std::size_t at = (rng() % 2) ? 200 + rng() % 40 : rng() % b.size();
            b[at] = static_cast<std::uint8_t>(rng());
        }
        if (rng() % 4 == 0)
            b.resize(rng() % b.size());
        SCOPED_TRACE(round);
        TJwkData k;
        k.FileInBytes(b);
        expectConsistent(k);
        k.GetMinMaxZahyo();
        EXPECT_GE(k.myMinWx, -1e8);
        EXPECT_LE(k.myMaxWx, 1e8 + 10);
        if (HasFailure())
            break;
    }
}

TEST(JwkTextTypeTest, TableComesFromTheDefaultTextTypes)
{
    TJwkData k;
    const TEntJwcMojiType expected[12] = {
        {0, 0, 0, 0},    {1, 20, 20, 0},  {1, 25, 25, 5},    {2, 30, 30, 5},
        {2, 40, 40, 5},  {3, 50, 50, 10}, {3, 60, 60, 10},   {4, 70, 70, 10},
        {4, 80, 80, 10}, {5, 90, 90, 10}, {5, 100, 100, 10}, {0, 0, 0, 0},
    };
    ASSERT_EQ(k.EntMjtp.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(k.EntMjtp[i], expected[i]);
    }
    k.DataFree();
    EXPECT_TRUE(k.EntMjtp.empty());
    EXPECT_TRUE(k.FileInBytes(JwkBuilder().bytes()));
    EXPECT_EQ(k.EntMjtp.size(), 12u);
}

TEST(JwkExtentsTest, ExtentsIncludeTheOriginAndAreDividedByTheScale)
{
    struct Case {
        const char *name;
        JwkBuilder file;
        double minX, minY, maxX, maxY;
    };
    const double s10 = 10 * std::sin(10 * std::numbers::pi / 180);
    const Case cases[] = {
        {"nothing: the origin widened", JwkBuilder(), -10, -10, 10, 10},
        {"line with scale 100", JwkBuilder().line(0, 0, 1000, 2000).scale("100"), 0, 0, 10, 20},
        {"one point: x span only, no widening", JwkBuilder().ten(500, 0), 0, 0, 500, 0},
        {"quarter arc", JwkBuilder().arc(0, 0, 10, 0, 90), 0, 0, 10, 10},
        {"arc across 0°", JwkBuilder().arc(0, 0, 10, 350, 10), 0, -s10, 10, s10},
        {"arc from 90° round to 0°", JwkBuilder().arc(0, 0, 10, 90, 0), -10, -10, 10, 10},
        {"whole circle", JwkBuilder().arc(100, 100, 50, 30, 30), 0, 0, 150, 150},
        {"whole ellipse, tilted a quarter",
         JwkBuilder().arcRaw(0, 0, 10, 5000, 0, 360 * 65536, 90 * 65536), -5, -10, 5, 10},
        {"point beyond the guard ignored", JwkBuilder().ten(6e11f, 0), -10, -10, 10, 10},
        {"guard is tested before dividing", JwkBuilder().ten(6e11f, 0).scale("10000"), -10, -10, 10,
         10},
        {"point past the clamp", JwkBuilder().ten(2e8f, 0), 0, 0, 1e8, 0},
        {"text with coincident ends skipped", JwkBuilder().moji(5, 5, 5, 5, "a"), -10, -10, 10, 10},
        {"text counts both ends", JwkBuilder().moji(1, 1, 3, -3, "a"), 0, -3, 3, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TJwkData k;
        ASSERT_TRUE(k.FileInBytes(c.file.bytes()));
        k.GetMinMaxZahyo();
        EXPECT_NEAR(k.myMinWx, c.minX, 1e-9);
        EXPECT_NEAR(k.myMinWy, c.minY, 1e-9);
        EXPECT_NEAR(k.myMaxWx, c.maxX, 1e-9);
        EXPECT_NEAR(k.myMaxWy, c.maxY, 1e-9);
    }
}

TEST(JwkExtentsTest, AnglesTurnIntoRadiansAsTheFormatComputesThem)
{
    // Degrees become radians as d / 180 × π: d × (π / 180) differs in the last bits,
    // which the radius, and a scale of 0.1, then carry into the extents.
    TJwkData k;
    ASSERT_TRUE(k.FileInBytes(JwkBuilder().arc(0, 0, 1000, 5, 6).scale("0.1").bytes()));
    k.GetMinMaxZahyo();
    const double s = k.Enthd.scale, r = 1000;
    const double start = 5.0 / 180 * std::numbers::pi, end = 6.0 / 180 * std::numbers::pi;
    // The origin, the start point (the largest x) and the end point (the largest y).
    EXPECT_EQ(k.myMinWx, 0);
    EXPECT_EQ(k.myMinWy, 0);
    EXPECT_EQ(k.myMaxWx, (0 + 1 * r * std::cos(start) - 0 * r * std::sin(start)) / s);
    EXPECT_EQ(k.myMaxWy, (0 + 0 * r * std::cos(end) + 1 * r * std::sin(end)) / s);
}

TEST(JwkRobustnessTest, ManyTextsMayShareOneString)
{
    // The cap on the bytes that shared strings take must leave ordinary files whole.
    JwkBuilder b;
    b.moji(0, 0, 1, 0, "W=900 H=2100");
    for (int i = 1; i < 200000; ++i)
        b.mojiAt(0, 0, 1, 0, 0);
    TJwkData k;
    ASSERT_TRUE(k.FileInBytes(b.bytes()));
    ASSERT_EQ(k.EntMoji.size(), 200000u);
    EXPECT_EQ(k.stringOf(k.EntMoji.back()), u"W=900 H=2100");
}

} // namespace
} // namespace pravelot
