// The .jws byte layout, as written and as read back.

#include "core/bytereader.h"
#include "core/bytewriter.h"
#include "jws/jwsdata.h"
#include "support/allocfail.h"
#include "support/jwsfixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pravelot;
using namespace pravelot::test;

namespace {

// Bytes of a file built field by field.
struct FileBytes {
    ByteWriter w;
    explicit FileBytes(std::int32_t ver, const char *id = "JwsData")
    {
        w.put(std::span(reinterpret_cast<const std::uint8_t *>(id), 7));
        w.fill(0x2E, 193);
        w.i32(ver);
        w.fill(0, 452 - 204);
    }
    FileBytes &u8(std::uint8_t v) { return w.u8(v), *this; }
    FileBytes &u16(std::uint16_t v) { return w.u16(v), *this; }
    FileBytes &u32(std::uint32_t v) { return w.u32(v), *this; }
    FileBytes &f64(double v) { return w.f64(v), *this; }
    FileBytes &str(const char *s)
    {
        const auto n = std::strlen(s);
        w.u8(static_cast<std::uint8_t>(n));
        w.put(std::span(reinterpret_cast<const std::uint8_t *>(s), n));
        return *this;
    }
    FileBytes &newClass(const char *name, std::uint16_t schema = 600)
    {
        w.u16(0xFFFF);
        w.u16(schema);
        return w.u16(static_cast<std::uint16_t>(std::strlen(name))), raw(name);
    }
    FileBytes &raw(const char *s)
    {
        w.put(std::span(reinterpret_cast<const std::uint8_t *>(s), std::strlen(s)));
        return *this;
    }
    FileBytes &attr(std::uint8_t style = 1, std::uint16_t color = 1, bool wide = true)
    {
        w.u32(0);
        w.u8(style);
        w.u16(color);
        if (wide)
            w.u16(0);
        w.u16(0);
        w.u16(0);
        return w.u16(0), *this;
    }
    FileBytes &lineRecord(double x, bool wide = true)
    {
        attr(1, 1, wide);
        return f64(x).f64(0).f64(x + 1).f64(0);
    }
    Bytes take() { return w.release(); }
};

std::size_t recordSizeOf(std::int32_t ver, const auto &addEntity)
{
    TJwsData d = emptyDoc(ver);
    addEntity(d);
    return writeJws(d, {ver}).size() - 452 - 2 /*count*/ - 2 /*def count*/;
}

} // namespace

TEST(JwsFile, OneLineFileOf517Bytes)
{
    TJwsData d = emptyDoc(420);
    addTop(d, line(1, 2, 3, 4));
    const Bytes b = writeJws(d, {420});
    ASSERT_EQ(b.size(), 517u);
    EXPECT_EQ(std::memcmp(b.data(), "JwsData", 7), 0);
    EXPECT_EQ(b[7], 0x2E);
    EXPECT_EQ(b[199], 0x2E);
    const std::uint8_t body[] = {0x01, 0x00, 0xFF, 0xFF, 0xA4, 0x01, 0x08, 0x00,
                                 'C',  'D',  'a',  't',  'a',  'S',  'e',  'n'};
    EXPECT_EQ(std::memcmp(b.data() + 452, body, sizeof body), 0);
    EXPECT_EQ(b[515], 0);
    EXPECT_EQ(b[516], 0);
}

TEST(JwsFile, RecordSizesFollowVersionAndOptionalFields)
{
    auto ten = [](std::uint8_t style) {
        return [style](TJwsData &d) {
            TEntJwwTen t;
            t.att.nPenStyle = style;
            addTop(d, t);
        };
    };
    auto solid = [](std::uint16_t color) {
        return [color](TJwsData &d) {
            TEntJwwSolid s;
            s.att.nPenColor = color;
            addTop(d, s);
        };
    };
    auto sunpo = [](TJwsData &d) { addTop(d, TEntJwwSunpo{}); };
    const std::size_t tag = 2 + 2 + 2; // new-class tag, schema, name length
    struct Case {
        const char *what;
        std::int32_t ver;
        std::size_t size;
        std::function<void(TJwsData &)> add;
    } cases[] = {
        {"line 350", 350, 45 + tag + 8, [](TJwsData &d) { addTop(d, line(0, 0, 1, 1)); }},
        {"line 351", 351, 47 + tag + 8, [](TJwsData &d) { addTop(d, line(0, 0, 1, 1)); }},
        {"point style 100", 600, 55 + tag + 8, ten(100)},
        {"point style 1", 600, 35 + tag + 8, ten(1)},
        {"solid colour 10", 600, 83 + tag + 10, solid(10)},
        {"solid colour 1", 600, 79 + tag + 10, solid(1)},
        // attribute, line, text with two empty strings, and from 420 the extended part
        {"dimension 419", 419, 15 + 47 + 83 + 2 + tag + 11, sunpo},
        {"dimension 420", 420, 15 + 47 + 83 + 2 + 2 + 47 * 2 + 35 * 4 + tag + 11, sunpo},
        {"dimension 350", 350, 13 + 45 + 81 + 2 + tag + 11, sunpo},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(recordSizeOf(c.ver, c.add), c.size);
    }
}

TEST(JwsFile, VersionMappingOfTheWriter)
{
    struct Case {
        std::int32_t ver, written;
    } cases[] = {{100, 230}, {230, 230}, {300, 351}, {301, 301}, {700, 700}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.ver);
        TJwsData d = emptyDoc(600);
        addTop(d, line(0, 0, 1, 1));
        const Bytes b = writeJws(d, {c.ver});
        std::int32_t v;
        std::memcpy(&v, b.data() + 200, 4);
        EXPECT_EQ(v, c.written);
        EXPECT_EQ(b.size(), 452u + 2 + 14 + (c.written >= 351 ? 47u : 45u) + 2);
    }
}

namespace {

std::uint16_t u16At(const Bytes &b, std::size_t at)
{
    std::uint16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

std::uint32_t u32At(const Bytes &b, std::size_t at)
{
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

} // namespace

TEST(JwsFile, ClassReferencesOnBothSidesOfTheLongForm)
{
    // The line class takes index 1 and the lines 2 … n + 1, so after n lines the arc
    // class takes index n + 2 and the second arc refers to it.
    struct Case {
        std::uint32_t index;
        std::uint16_t tag;
        std::uint32_t longIndex; // the uint32 after a 0x7FFF tag
    } cases[] = {
        {0x7FFE, 0xFFFE, 0},
        {0x7FFF, 0x7FFF, 0x80007FFF}, // 0x8000 + 0x7FFF would be the new-class tag
        {0x8000, 0x7FFF, 0x80008000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        TJwsData d = emptyDoc(600);
        for (std::uint32_t i = 0; i + 2 < c.index; ++i)
            addTop(d, line(i, 0, i, 1));
        TEntJwwEnko arc;
        arc.att.nPenStyle = 1;
        arc.att.nPenColor = 1;
        addTop(d, arc);
        arc.dHankei = 2;
        addTop(d, arc);
        const Bytes b = writeJws(d, {600});
        const std::size_t tagSize = c.tag == 0x7FFF ? 6 : 2;
        const std::size_t tagAt = b.size() - 2 /*definition count*/ - 75 /*arc*/ - tagSize;
        EXPECT_EQ(u16At(b, tagAt), c.tag);
        if (c.tag == 0x7FFF) {
            EXPECT_EQ(u32At(b, tagAt + 2), c.longIndex);
        }

        TJwsData back;
        ReadProblem problem;
        ASSERT_TRUE(readInto(back, b, &problem)) << problem.text();
        ASSERT_EQ(back.EntEnkoN(), 2);
        EXPECT_TRUE(sameDocument(d, back));
    }
}

TEST(JwsFile, CountsOnBothSidesOfTheLongForm)
{
    // 0xFFFF is the escape of the long form, so it is the first count written long.
    struct Case {
        const char *list;
        std::uint32_t count;
        Bytes written;
    } cases[] = {
        {"top level", 0xFFFE, {0xFE, 0xFF}},
        {"top level", 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {"members", 0xFFFE, {0xFE, 0xFF}},
        {"members", 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.list << " " << c.count);
        const bool top = std::strcmp(c.list, "top level") == 0;
        TJwsData d = emptyDoc(600);
        std::size_t countAt = 452;
        if (top) {
            for (std::uint32_t i = 0; i < c.count; ++i)
                addTop(d, line(i, 0, i, 1));
        } else {
            TEntJwwBlockDef &def = addDef(d, 0, u"n");
            for (std::uint32_t i = 0; i < c.count; ++i)
                addMember(def, line(i, 0, i, 1));
            addTop(d, blockRef(0, 0, 0));
            d.MakeBlockTree();
            // count, "CDataBlock" tag, reference, definition count, "CDataList" tag,
            // fixed part, name "n"
            countAt = 452 + 2 + 16 + 59 + 2 + 15 + 27 + 2;
        }
        const Bytes b = writeJws(d, {600});
        ASSERT_GT(b.size(), countAt + c.written.size());
        EXPECT_TRUE(std::equal(c.written.begin(), c.written.end(),
                               b.begin() + static_cast<std::ptrdiff_t>(countAt)));

        TJwsData back;
        ReadProblem problem;
        ASSERT_TRUE(readInto(back, b, &problem)) << problem.text();
        if (top) {
            EXPECT_EQ(back.Enthd.n1, static_cast<std::int32_t>(c.count));
            EXPECT_EQ(back.EntLineN(), static_cast<std::int32_t>(c.count));
        } else {
            ASSERT_EQ(back.EntBlockDefN(), 1);
            EXPECT_EQ(back.EntBlockDef[0].N, static_cast<std::int32_t>(c.count));
            EXPECT_EQ(back.EntBlockDef[0].mLineN(), static_cast<std::int32_t>(c.count));
        }
    }
}

TEST(JwsFile, StringForms)
{
    struct Case {
        const char *what;
        std::u16string text;
        bool utf16;
        Bytes head; // bytes of the text string up to its characters
    } cases[] = {
        {"empty ANSI", u"", false, {0x00}},
        {"short ANSI", u"ab", false, {0x02}},
        {"254 ANSI bytes", std::u16string(254, u'x'), false, {0xFE}},
        {"255 ANSI bytes", std::u16string(255, u'x'), false, {0xFF, 0xFF, 0x00}},
        {"65533 ANSI bytes", std::u16string(65533, u'x'), false, {0xFF, 0xFD, 0xFF}},
        {"65535 ANSI bytes", std::u16string(65535, u'x'), false, {0xFF, 0xFF, 0xFF}},
        {"two-byte characters count as bytes", u"図形", false, {0x04}},
        {"short UTF-16", u"図形", true, {0xFF, 0xFE, 0xFF, 0x02}},
        {"254 UTF-16 units", std::u16string(254, u'x'), true, {0xFF, 0xFE, 0xFF, 0xFE}},
        {"255 UTF-16 units", std::u16string(255, u'x'), true, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
        {"65534 UTF-16 units",
         std::u16string(65534, u'x'),
         true,
         {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF}},
        {"65535 UTF-16 units",
         std::u16string(65535, u'x'),
         true,
         {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"empty UTF-16", u"", true, {0xFF, 0xFE, 0xFF, 0x00}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TJwsData d = emptyDoc(600);
        TEntJwwMoji t;
        t.att.nPenStyle = 1;
        t.att.nPenColor = 1;
        t.str = c.text;
        addTop(d, t);
        d.SetFileOutOption(c.utf16 ? 32 : 0);
        const Bytes b = writeJws(d, {600});
        const std::size_t fontName = 452 + 2 + 15 + 83;
        const std::size_t strAt = fontName + (c.utf16 ? 4 : 1);
        ASSERT_GE(b.size(), strAt + c.head.size());
        EXPECT_TRUE(std::equal(c.head.begin(), c.head.end(), b.begin() + static_cast<long>(strAt)));
        // The characters follow, then the definition count.
        const std::size_t chars = c.utf16 ? 2 * c.text.size() : TextToAnsiBytes(c.text).size();
        EXPECT_EQ(b.size(), strAt + c.head.size() + chars + 2);
        TJwsData back;
        ASSERT_TRUE(readInto(back, b));
        ASSERT_EQ(back.EntMojiN(), 1);
        EXPECT_EQ(back.EntMoji[0].str, c.text);
        EXPECT_EQ(back.MojiEncode, c.utf16);
    }
}

TEST(JwsFile, OverlongStringsAreCutToTheirForm)
{
    struct Case {
        const char *what;
        std::u16string text;
        bool utf16;
        std::size_t length;
    } cases[] = {
        {"ANSI of 65534 bytes would be the UTF-16 marker", std::u16string(65534, u'a'), false,
         65533},
        {"ANSI over the limit", std::u16string(70000, u'a'), false, 65535},
        {"a two-byte character is not split", u"a" + std::u16string(40000, u'図'), false, 65535},
        {"nor to reach 65534", u"aa" + std::u16string(40000, u'図'), false, 65532},
        {"UTF-16 over the limit", std::u16string(70000, u'a'), true, 65535},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TJwsData d = emptyDoc(600);
        TEntJwwMoji t;
        t.str = c.text;
        addTop(d, t);
        d.SetFileOutOption(c.utf16 ? 32 : 0);
        TJwsData back;
        ASSERT_TRUE(readInto(back, writeJws(d, {600})));
        const std::u16string s = back.EntMoji.at(0).str.str();
        const std::size_t units = c.utf16 ? s.size() : TextToAnsiBytes(s).size();
        EXPECT_EQ(units, c.length);
    }
    // A surrogate pair at the cut stays whole (dropped, not halved).
    std::u16string pairs(65534, u'a');
    pairs += u"😀😀";
    TJwsData d = emptyDoc(600);
    TEntJwwMoji t;
    t.str = pairs;
    addTop(d, t);
    d.SetFileOutOption(32);
    TJwsData back;
    ASSERT_TRUE(readInto(back, writeJws(d, {600})));
    EXPECT_EQ(back.EntMoji.at(0).str, std::u16string(65534, u'a'));
}

TEST(JwsFile, WriterCleansAndValidates)
{
    TJwsData d = emptyDoc(351);
    TEntJwwMoji t;
    t.att.nPenStyle = 12;  // text styles are 1–9
    t.att.nPenColor = 400; // out of range
    t.att.nLayer = 16;
    t.att.nGLayer = 99;
    t.att.nPenWidth = 30001;
    t.dSizeX = 0;
    t.dSizeY = -5;
    t.dKankaku = 1e12;
    t.str = u"A^mB\\nC\tD";
    t.strFontName = u"\x01\x02";
    addTop(d, t);
    addTop(d, line(0, 0, 1, 1, 35)); // style 35 maps to 8 below version 420
    TEntJwwTen p;
    p.att.nPenStyle = 5;
    addTop(d, p);
    TEntJwwSolid s;
    s.att.nPenColor = 110; // mapped below 420
    addTop(d, s);

    TJwsData back;
    ASSERT_TRUE(readInto(back, writeJws(d, {351})));
    const TEntJwwMoji &m = back.EntMoji.at(0);
    EXPECT_EQ(m.att.nPenStyle, 1);
    EXPECT_EQ(m.att.nPenColor, 1);
    EXPECT_EQ(m.att.nLayer, 0);
    EXPECT_EQ(m.att.nGLayer, 0);
    EXPECT_EQ(m.att.nPenWidth, 0);
    EXPECT_EQ(m.dSizeX, 1e-10);
    EXPECT_EQ(m.dSizeY, 5);
    EXPECT_EQ(m.dKankaku, 1e12); // spacing is not a size
    EXPECT_EQ(m.str, u"ABCD");
    EXPECT_EQ(m.strFontName, u" ");
    EXPECT_EQ(back.EntLine.at(0).att.nPenStyle, 8);
    EXPECT_EQ(back.EntTen.at(0).att.nPenStyle, 1);
    EXPECT_EQ(back.EntSolid.at(0).att.nPenColor, 8);
    // The document keeps its own values.
    EXPECT_EQ(d.EntMoji[0].dSizeX, 0);

    TJwsData v420;
    ASSERT_TRUE(readInto(v420, writeJws(d, {420})));
    EXPECT_EQ(v420.EntLine.at(0).att.nPenStyle, 35);
    EXPECT_EQ(v420.EntSolid.at(0).att.nPenColor, 110);
}

TEST(JwsFile, TextSizeLimits)
{
    struct Case {
        double in, out;
    } cases[] = {{0, 1e-10}, {-5, 5}, {1e12, 1e10}, {-1e-11, 1e-10}, {2.5, 2.5}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.in);
        TJwsData d = emptyDoc(600);
        TEntJwwSunpo s;
        s.Moji.dSizeX = c.in;
        addTop(d, s);
        TJwsData back;
        ASSERT_TRUE(readInto(back, writeJws(d, {600})));
        EXPECT_EQ(back.EntSunpo.at(0).Moji.dSizeX, c.out);
    }
}

TEST(JwsFile, OnlyReferencedDefinitionsAreWrittenAndRenumbered)
{
    TJwsData d = emptyDoc(600);
    addDef(d, 7, u"unused");
    TEntJwwBlockDef &used = addDef(d, 9, u"used");
    addMember(used, line(0, 0, 1, 1));
    addTop(d, blockRef(9, 5, 5));
    addTop(d, blockRef(9, 6, 6));
    addTop(d, blockRef(42, 0, 0)); // refers to no definition
    TJwsData &dd = d;
    dd.EntNo.push_back({kEntLine, 5}); // index past its kind: neither written nor counted
    dd.Enthd.n1 = static_cast<std::int32_t>(dd.EntNo.size());
    d.MakeBlockTree();
    EXPECT_EQ(d.EntBlockNum, 1);
    EXPECT_EQ(d.ChangeBlockNo(9), 0u);
    EXPECT_EQ(d.ChangeBlockNo(7), 7u);
    EXPECT_EQ(d.ChangeBlockNo(42), 1u);

    TJwsData back;
    ASSERT_TRUE(readInto(back, writeJws(d, {600})));
    EXPECT_EQ(back.Enthd.n1, 3);
    ASSERT_EQ(back.EntBlockDefN(), 1);
    EXPECT_EQ(back.EntBlockDef[0].strName, u"used");
    EXPECT_EQ(back.EntBlockDef[0].nNumber, 0u);
    EXPECT_EQ(back.EntBlock[0].nNumber, 0u);
    EXPECT_EQ(back.EntBlock[1].nNumber, 0u);
    // The reference to nothing still refers to nothing.
    EXPECT_EQ(back.EntBlock[2].nNumber, 1u);
    EXPECT_EQ(back.EntBlockTree[2].defno, -1);
}

TEST(JwsFile, SetFileOutOptionRange)
{
    TJwsData d;
    for (std::int32_t n : {64, -1, 1000}) {
        d.SetFileOutOption(32);
        d.SetFileOutOption(n);
        EXPECT_EQ(d.FileOutOpt, 0) << n;
    }
    d.SetFileOutOption(63);
    EXPECT_EQ(d.FileOutOpt, 63);
}

TEST(JwsFile, ImagePathOptions)
{
    TJwsData d = emptyDoc(600);
    TEntJwwMoji t;
    t.str = u"^@BM%temp%/tmp/pics/a.bmp,100,50";
    addTop(d, t);
    d.SetFileOutOption(8 | 1);
    TJwsData back;
    ASSERT_TRUE(readInto(back, writeJws(d, {600})));
    EXPECT_EQ(back.EntMoji.at(0).str, u"^@BMa.bmp,100,50");
}

TEST(JwsRead, FileCheckVersionsAndIdentification)
{
    struct Case {
        const char *id;
        std::int32_t ver;
        bool ok;
    } cases[] = {{"JwsData", 229, false}, {"JwsData", 230, true},  {"JwsData", 700, true},
                 {"JwsData", 701, false}, {"JwwData", 600, false}, {"JwsDat\0", 600, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.ver);
        FileBytes f(c.ver, c.id);
        f.u16(0).u16(0);
        const Bytes b = f.take();
        EXPECT_EQ(FileCheck(b), c.ok);
        TJwsData d;
        EXPECT_EQ(readInto(d, b), c.ok);
    }
    // Too short to hold the version.
    Bytes b = FileBytes(600).take();
    b.resize(203);
    EXPECT_FALSE(FileCheck(b));
}

TEST(JwsRead, OldAttributesAreWidened)
{
    FileBytes f(350);
    f.u16(1).newClass("CDataSen", 350);
    f.u32(7).u8(3).u16(4).u16(5).u16(6).u16(0xABCD); // 13-byte attribute
    f.f64(1).f64(2).f64(3).f64(4).u16(0);
    TJwsData d;
    ASSERT_TRUE(readInto(d, f.take()));
    ASSERT_EQ(d.EntLineN(), 1);
    const TEntJwwAttr expected{7, 3, 4, 0, 5, 6, 0xABCD};
    EXPECT_EQ(d.EntLine[0].att, expected);
    EXPECT_EQ(d.EntLine[0].end_y, 4);
}

TEST(JwsRead, TextRepairAndCleaning)
{
    FileBytes f(600);
    f.u16(1).newClass("CDataMoji");
    f.attr().f64(0).f64(0).f64(1).f64(0).u32(1);
    f.f64(std::numeric_limits<double>::quiet_NaN()).f64(std::numeric_limits<double>::quiet_NaN());
    f.f64(std::numeric_limits<double>::infinity()).f64(0);
    f.str("font").u8(5).raw("A\tB").u8(0).raw("C");
    f.u16(0);
    TJwsData d;
    ASSERT_TRUE(readInto(d, f.take()));
    const TEntJwwMoji &t = d.EntMoji.at(0);
    EXPECT_EQ(t.dSizeX, 3.0);
    EXPECT_EQ(t.dSizeY, 3.0);
    EXPECT_EQ(t.dKankaku, 0.0);
    EXPECT_EQ(t.str, u"AB"); // control character dropped, cut at the NUL
    EXPECT_FALSE(d.MojiEncode);
}

TEST(JwsRead, ClassReferencesAndTags)
{
    FileBytes f(600);
    f.u16(3).newClass("CDataSen").lineRecord(1); // class 1, object 2
    f.u16(0x8005);                               // no class 5 yet: skipped, not counted
    f.u16(0x7FFF).u32(0x80000001).lineRecord(2); // long form of class 1
    f.u16(0x8001).lineRecord(3);
    f.u16(0);
    TJwsData d;
    ASSERT_TRUE(readInto(d, f.take()));
    ASSERT_EQ(d.EntLineN(), 3);
    EXPECT_EQ(d.EntLine[2].start_x, 3);
    EXPECT_EQ(d.Enthd.n1, 3);
}

TEST(JwsRead, AListReadAgainKnowsTheClassesAsTheyWereWhereItStarts)
{
    // The first definition refers to the line class of the top level by its index; the
    // second, which the top level names, names the line class again (a new index) and
    // refers to the first, which a reading for a drawing has read past: reading it again
    // must find the index as it was there.
    FileBytes f(600);
    f.u16(2).newClass("CDataSen").lineRecord(0);                               // class 1, object 2
    f.newClass("CDataBlock").attr().f64(0).f64(0).f64(1).f64(1).f64(0).u32(2); // 3, 4
    f.u16(2);
    f.newClass("CDataList").attr().u32(1).u32(0).u32(0).str("a").u16(1); // 5, 6
    f.u16(0x8001).lineRecord(5);                                         // 7
    f.u16(0x8005).attr().u32(2).u32(0).u32(0).str("b").u16(2);           // 8
    f.newClass("CDataSen").lineRecord(6);                                // 9, 10
    f.u16(0x8003).attr().f64(0).f64(0).f64(1).f64(1).f64(0).u32(1);      // 11
    const Bytes bytes = f.take();
    const JwsReading whole = readJws(bytes);
    const JwsReading drawn = readJws(bytes, {JwsMembers::Drawn});
    ASSERT_EQ(whole.status, JwsReadStatus::Complete);
    ASSERT_EQ(drawn.status, JwsReadStatus::Complete);
    ASSERT_EQ(drawing(whole.doc).size(), 3u);
    EXPECT_TRUE(drawing(drawn.doc) == drawing(whole.doc));
}

TEST(JwsRead, ADrawingReadsPastThousandsOfDefinitionsNothingReaches)
{
    // Numbers spread over the whole range, a chain of forty reached from the top level:
    // the reading for a drawing finds them among the others, and still reads past
    // nearly all of those.
    std::mt19937 rng(5);
    constexpr std::uint32_t kDefs = 4000;
    std::vector<std::uint32_t> numbers(kDefs);
    for (std::uint32_t &n : numbers)
        n = static_cast<std::uint32_t>(rng());
    TJwsData d = emptyDoc(600);
    for (std::uint32_t i = 0; i < kDefs; ++i) {
        TEntJwwBlockDef &def = addDef(d, numbers[i], u"d");
        addMember(def, line(i, 0, i, 1));
        if (i % 100 == 0 && i + 100 < kDefs)
            addMember(def, blockRef(numbers[i + 100], 0, 1));
    }
    addTop(d, blockRef(numbers[0], 0, 0));
    d.MakeBlockTree();
    // All written, as real parts hold definitions that nothing names.
    std::int32_t written = 0;
    for (TEntJwwBlockDef &def : d.EntBlockDef) {
        def.ref_flag = true;
        def.ref_no = written++;
    }
    d.EntBlockNum = written;
    const Bytes bytes = writeJws(d, {600});
    const JwsReading whole = readJws(bytes);
    const JwsReading drawn = readJws(bytes, {JwsMembers::Drawn});
    ASSERT_EQ(drawn.status, JwsReadStatus::Complete);
    ASSERT_EQ(drawn.doc.EntBlockDefN(), static_cast<std::int32_t>(kDefs));
    ASSERT_EQ(drawing(whole.doc).size(), 40u);
    EXPECT_TRUE(drawing(drawn.doc) == drawing(whole.doc));
    std::size_t passed = 0;
    for (const TEntJwwBlockDef &def : drawn.doc.EntBlockDef)
        passed += def.mLine().empty();
    EXPECT_GT(passed, kDefs - 100);
}

TEST(JwsRead, UnknownClassEndsReadingKeepingWhatWasRead)
{
    FileBytes f(600);
    f.u16(2).newClass("CDataSen").lineRecord(1).newClass("CDataXyz").lineRecord(2).u16(0);
    const JwsReading r = readJws(f.take());
    EXPECT_EQ(r.status, JwsReadStatus::Incomplete);
    EXPECT_EQ(r.doc.EntLineN(), 1);
    EXPECT_FALSE(r.problem.empty());
}

TEST(JwsRead, BlockDefinitionDtimeAndTruncatedDefinitionList)
{
    FileBytes f(600);
    f.u16(1).newClass("CDataBlock").attr().f64(0).f64(0).f64(1).f64(1).f64(0).u32(3);
    f.u16(3);
    f.newClass("CDataList").attr().u32(3).u32(1).u32(0x80000001).u32(0).u32(0).str("door").u16(0);
    f.u16(0x8003).attr().u32(4).u32(0).u32(5).str("second").u16(0);
    // The third definition is missing.
    TJwsData d;
    EXPECT_FALSE(readInto(d, f.take()));
    ASSERT_EQ(d.EntBlockDefN(), 2);
    EXPECT_EQ(d.Enthd.n2, 2);
    EXPECT_EQ(d.EntBlockDef[0].dtime, 1u);
    EXPECT_EQ(d.EntBlockDef[0].strName, u"door");
    EXPECT_EQ(d.EntBlockDef[1].dtime, 5u);
    EXPECT_TRUE(d.EntBlockDef[0].ref_flag);
    EXPECT_EQ(d.EntBlockNum, 1);
}

TEST(JwsRead, StringFormsTheWriterDoesNotUse)
{
    // Long forms holding short lengths, and the ANSI length 0xFFFF.
    struct Case {
        const char *what;
        Bytes string;
        std::u16string text;
        bool utf16;
    } cases[] = {
        {"ANSI long form of 2 bytes", {0xFF, 0x02, 0x00, 'a', 'b'}, u"ab", false},
        {"UTF-16 long form of 1 unit", {0xFF, 0xFE, 0xFF, 0xFF, 0x01, 0x00, 'a', 0x00}, u"a", true},
        {"UTF-16 of 254 units, short form", {}, std::u16string(254, u'y'), true},
        {"ANSI of 65535 bytes", {}, std::u16string(65535, u'z'), false},
    };
    // The two long rows are written here field by field.
    cases[2].string = {0xFF, 0xFE, 0xFF, 0xFE};
    for (int i = 0; i < 254; ++i)
        cases[2].string.insert(cases[2].string.end(), {'y', 0});
    cases[3].string = {0xFF, 0xFF, 0xFF};
    cases[3].string.insert(cases[3].string.end(), 65535, 'z');
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FileBytes f(600);
        f.u16(1).newClass("CDataMoji").attr().f64(0).f64(0).f64(1).f64(0).u32(1);
        f.f64(1).f64(1).f64(0).f64(0).str("");
        f.w.put(std::span(c.string));
        f.u16(0);
        TJwsData d;
        ReadProblem problem;
        ASSERT_TRUE(readInto(d, f.take(), &problem)) << problem.text();
        ASSERT_EQ(d.EntMojiN(), 1);
        EXPECT_EQ(d.EntMoji[0].str, c.text);
        EXPECT_EQ(d.MojiEncode, c.utf16);
    }
}

namespace {

// Bytes the document's arrays hold, reserved or used.
std::size_t heldBytes(const TJwsData &d)
{
    std::size_t n = d.EntNo.capacity() * sizeof(TEntJwwNo) +
                    d.EntBlockDef.capacity() * sizeof(TEntJwwBlockDef) +
                    d.EntLine.capacity() * sizeof(TEntJwwLine) +
                    d.EntMoji.capacity() * sizeof(TEntJwwMoji);
    for (const TEntJwwBlockDef &def : d.EntBlockDef)
        n += def.mNo().size() * sizeof(TEntJwwNo) + def.mLine().size() * sizeof(TEntJwwLine);
    return n;
}

// A broken or boundary file, named for what it holds, with the problem reading it must
// report in its exact words: "" when the file is read whole.
struct BrokenCase {
    const char *name;
    Bytes bytes;
    const char *message;
    const char *where;
};

void add(std::vector<BrokenCase> &cases, const char *name, FileBytes &f, const char *message,
         const char *where)
{
    cases.push_back({name, f.take(), message, where});
}

// Counts at and beyond their escapes, and counts the file cannot back.
void addBrokenCounts(std::vector<BrokenCase> &cases)
{
    {
        FileBytes f(600);
        f.u16(0xFFFE).newClass("CDataSen").lineRecord(1);
        add(cases, "count 0xFFFE is a count, not the long form", f, "File I/O Error",
            "file ends in an object tag: top-level object 2 at byte 515");
    }
    {
        FileBytes f(600);
        f.u16(0xFFFF).u32(1).newClass("CDataSen").lineRecord(1).u16(0);
        add(cases, "count 0xFFFF announces the long form", f, "", "");
    }
    {
        FileBytes f(600);
        f.u16(0).u16(0xFFFE).newClass("CDataList").attr().u32(0).u32(0).u32(0).str("x").u16(0);
        add(cases, "definition count 0xFFFE", f, "File I/O Error",
            "file ends in a block definition tag: block definition object 2 at byte 502");
    }
    {
        FileBytes f(600);
        f.u16(0).u16(1).newClass("CDataList").attr().u32(0).u32(0).u32(0).str("x");
        f.u16(0xFFFE).newClass("CDataSen").lineRecord(1);
        add(cases, "member count 0xFFFE beyond the file", f, "File I/O Error",
            "file ends in an object tag: block member object 2 at byte 563");
    }
    {
        FileBytes f(600);
        f.u16(0xFFFF).u32(0x7FFFFFFF).newClass("CDataSen").lineRecord(1);
        add(cases, "top-level count far beyond the file", f, "File I/O Error",
            "file ends in an object tag: top-level object 2 at byte 519");
    }
    {
        FileBytes f(600);
        f.u16(0xFFFF).u32(0x80000000).newClass("CDataSen").lineRecord(1);
        add(cases, "count of 2^31", f, "File I/O Error",
            "the top-level count too large: top-level count object 1 at byte 452");
    }
    {
        FileBytes f(600);
        f.u16(0).u16(0xFFFF).u32(0x7FFFFFFF).newClass("CDataList").attr().u32(0).u32(0).u32(0);
        f.str("x").u16(0xFFFF).u32(0x7FFFFFFF);
        add(cases, "definition and member counts far beyond the file", f, "File I/O Error",
            "file ends in an object tag: block member object 1 at byte 510");
    }
}

// Class names at the work buffer's limit, strings and class references beyond the file.
void addBrokenNames(std::vector<BrokenCase> &cases)
{
    {
        FileBytes f(600);
        f.u16(1).u16(0xFFFF).u16(600).u16(2047);
        f.w.fill('x', 2047);
        add(cases, "class name of 2047 bytes is read, and unknown", f, "File I/O Error",
            "unknown class name: top-level object 1 at byte 454");
    }
    {
        FileBytes f(600);
        f.u16(1).u16(0xFFFF).u16(600).u16(2048);
        f.w.fill('x', 2048);
        add(cases, "class name of 2048 bytes does not fit the work buffer", f, "File I/O Error",
            "class name too long: top-level object 1 at byte 454");
    }
    {
        FileBytes f(600);
        f.u16(0).u16(1).u16(0xFFFF).u16(600).u16(2047);
        f.w.fill('x', 2047);
        f.attr().u32(0).u32(0).u32(0).str("x").u16(0);
        add(cases, "definition class name of 2047 bytes is not checked", f, "", "");
    }
    {
        FileBytes f(600);
        f.u16(0).u16(1).u16(0xFFFF).u16(600).u16(2048);
        f.w.fill('x', 2048);
        f.attr().u32(0).u32(0).u32(0).str("x").u16(0);
        add(cases, "definition class name of 2048 bytes", f, "File I/O Error",
            "class name too long: block definition object 1 at byte 456");
    }
    {
        FileBytes f(600);
        f.u16(1).newClass("CDataMoji").attr().f64(0).f64(0).f64(0).f64(0).u32(0);
        f.f64(1).f64(1).f64(0).f64(0).u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF);
        add(cases, "UTF-16 string longer than the file", f, "File I/O Error",
            "file ends in a string: top-level object 1 (CDataMoji) at byte 454");
    }
    {
        FileBytes f(600);
        for (int i = 0; i < 100; ++i)
            f.u16(0x8123);
        add(cases, "only unresolvable class references", f, "File I/O Error",
            "file ends in an object tag: top-level object 1 at byte 652");
    }
}

} // namespace

// Broken and boundary files with what reading must give: the problem in its exact
// words, and never memory that the file's size cannot back.
TEST(JwsRead, BrokenInputsAndTheirProblems)
{
    std::vector<BrokenCase> cases;
    addBrokenCounts(cases);
    addBrokenNames(cases);
    for (const BrokenCase &c : cases) {
        SCOPED_TRACE(c.name);
        JwsReading r;
        std::size_t largest = 0;
        {
            const test::FailAllocation counting(0);
            r = readJws(c.bytes);
            largest = counting.largest();
        }
        EXPECT_EQ(r.complete(), *c.message == 0);
        EXPECT_EQ(r.problem.message, c.message);
        EXPECT_EQ(r.problem.where, c.where);
        EXPECT_LE(heldBytes(r.doc), 16 * c.bytes.size());
        // Also what the reader frees again, such as the order list of a definition's
        // members before they are packed, is never more than the file can back.
        EXPECT_LE(largest, 16 * c.bytes.size());
    }
}

TEST(JwsRead, EveryTruncationEndsAndKeepsWhatWasRead)
{
    std::mt19937 rng(7);
    GenOptions opt;
    opt.version = 420;
    const TJwsData src = randomDoc(rng, opt);
    const Bytes full = writeJws(src, {420});
    for (std::size_t n = 0; n < full.size(); n += (n < 600 ? 1 : 7)) {
        SCOPED_TRACE(n);
        TJwsData d;
        const bool ok = readInto(d, std::span(full.data(), n));
        EXPECT_FALSE(ok);
        EXPECT_LE(d.EntLineN(), src.EntLineN());
        EXPECT_LE(d.EntBlockDefN(), src.EntBlockDefN());
    }
    TJwsData whole;
    EXPECT_TRUE(readInto(whole, full));
}
