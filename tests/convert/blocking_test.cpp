#include "convert/blocking.h"
#include "support/jwsfixture.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace pravelot;
using namespace pravelot::test;

TEST(Blocking, NameRule)
{
    struct Case {
        std::u16string in, stored, user;
    } cases[] = {
        {u"", u"@@SfigorgFlag@@4", u""},
        {u"abc", u"abc@@SfigorgFlag@@4", u"abc"},
        {u"abc@@sfigorgflag@@9", u"abc@@sfigorgflag@@9", u"abc"},
        {u"DOOR@@SFIGORGFLAG@@", u"DOOR@@SFIGORGFLAG@@", u"DOOR"},
        {u"扉 1", u"扉 1@@SfigorgFlag@@4", u"扉 1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(toUtf8(c.in));
        EXPECT_EQ(storedBlockName(c.in), c.stored);
        EXPECT_EQ(userBlockName(c.stored), c.user);
    }
}

TEST(Blocking, ANameTooLongForTheFileIsCutBeforeItsMarker)
{
    const std::u16string emoji = u"😀";
    std::u16string emojis;
    for (int i = 0; i < 40000; ++i)
        emojis += emoji;
    struct Case {
        const char *what;
        std::u16string in;
        std::size_t userKept; // code units of the user's part that stay
    } cases[] = {
        {"a name that fits", u"扉", 1},
        {"40,000 characters of two bytes each", std::u16string(40000, u'名'), 32758},
        {"70,000 ASCII characters", std::u16string(70000, u'a'), 65517},
        {"the marker written by the user at the end",
         std::u16string(70000, u'a') + u"@@sfigorgflag@@", 65518},
        {"characters that code page 932 does not hold", emojis, 65518},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::u16string stored = storedBlockName(c.in);
        EXPECT_EQ(userBlockName(stored), c.in.substr(0, c.userKept));
        EXPECT_LE(stored.size(), 65535u);
        EXPECT_LE(TextToAnsiBytes(stored).size(), 65533u);
        for (bool utf16 : {false, true}) {
            SCOPED_TRACE(utf16 ? "UTF-16" : "ANSI");
            TJwsData d = emptyDoc(600);
            addTop(d, line(0, 0, 1, 1));
            DataTransJWS(d, c.in);
            d.SetFileOutOption(utf16 ? 32 : 0);
            TJwsData back;
            ASSERT_TRUE(readInto(back, writeJws(d, {600})));
            const std::u16string name = back.EntBlockDef.at(0).strName.str();
            EXPECT_GE(StrIndexOf(kBlockNameMarkerUpper, StrUpper(name)), 0) << "the marker is lost";
            if (utf16) {
                EXPECT_EQ(name, stored);
            }
        }
    }
}

TEST(Blocking, NothingToDoLeavesTheDocumentAsLoaded)
{
    TJwsData empty = emptyDoc(600);
    DataTransJWS(empty, u"x");
    EXPECT_EQ(empty.EntBlockDefN(), 0);
    EXPECT_EQ(empty.Enthd.n1, 0);

    TJwsData one = emptyDoc(600);
    addDef(one, 3, u"inner");
    addTop(one, blockRef(3, 10, 10));
    one.MakeBlockTree();
    const TJwsData before = one;
    DataTransJWS(one, u"x");
    EXPECT_TRUE(sameDocument(before, one));
}

TEST(Blocking, MovesEveryKindRelativeToTheBasePoint)
{
    TJwsData d = emptyDoc(420);
    d.Enthd.BasePoint_x = 100;
    d.Enthd.BasePoint_y = 200;
    addTop(d, line(110, 220, 130, 240));
    TEntJwwEnko arc;
    arc.start_x = 150;
    arc.start_y = 250;
    arc.dHankei = 7;
    arc.radKaishiKaku = 1;
    addTop(d, arc);
    TEntJwwTen point;
    point.start_x = 105;
    point.start_y = 205;
    addTop(d, point);
    TEntJwwMoji text;
    text.start_x = 110;
    text.start_y = 210;
    text.end_x = 120;
    text.end_y = 215;
    text.str = u"扉";
    addTop(d, text);
    TEntJwwSolid flat, curved;
    flat.att.nPenStyle = 100;
    curved.att.nPenStyle = 101;
    for (TEntJwwSolid *s : {&flat, &curved}) {
        s->start_x = s->end_x = s->DPoint2_x = s->DPoint3_x = 101;
        s->start_y = s->end_y = s->DPoint2_y = s->DPoint3_y = 201;
        addTop(d, *s);
    }
    TEntJwwSunpo plain, sxf;
    sxf.bSxfMode = 1;
    for (TEntJwwSunpo *s : {&plain, &sxf}) {
        s->Sen = line(100, 200, 110, 200);
        s->Moji.start_x = 105;
        s->editExt().Ho1 = line(100, 200, 100, 210);
        s->editExt().Te1.start_x = 100;
        addTop(d, *s);
    }
    addTop(d, blockRef(9, 120, 230, 2, 3, 0.5));
    addDef(d, 9, u"inner");
    d.MakeBlockTree();

    DataTransJWS(d, u"part");

    ASSERT_EQ(d.EntBlockDefN(), 2);
    EXPECT_EQ(d.Enthd.n2, 2);
    EXPECT_EQ(d.Enthd.n1, 1);
    ASSERT_EQ(d.EntNo.size(), 1u);
    EXPECT_EQ(d.EntNo[0], (TEntJwwNo{kEntBlock, 0}));
    const TEntJwwBlockDef &def = d.EntBlockDef[1];
    EXPECT_EQ(def.strName, u"part@@SfigorgFlag@@4");
    EXPECT_EQ(def.nNumber, 10u);
    const TEntJwwAttr kNewAttr{0, 1, 2, 0, 0, 0, 0};
    EXPECT_EQ(def.att, kNewAttr);
    EXPECT_EQ(def.bRefferd, 1u);
    EXPECT_EQ(def.dtime, 0u);
    EXPECT_EQ(def.N, 9);
    EXPECT_EQ(def.mLine()[0], line(10, 20, 30, 40));
    EXPECT_EQ(def.mEnko()[0].start_x, 50);
    EXPECT_EQ(def.mEnko()[0].dHankei, 7);
    EXPECT_EQ(def.mTen()[0].start_x, 5);
    EXPECT_EQ(def.mTen()[0].start_y, 5);
    const TEntJwwMoji &moved = def.mMoji()[0];
    EXPECT_EQ(std::tie(moved.start_x, moved.start_y, moved.end_x, moved.end_y),
              std::make_tuple(10.0, 10.0, 20.0, 15.0));
    EXPECT_EQ(moved.str, u"扉");
    EXPECT_EQ(def.mSolid()[0].DPoint3_y, 1);
    EXPECT_EQ(def.mSolid()[1].start_x, 1);
    EXPECT_EQ(def.mSolid()[1].end_x, 101);
    EXPECT_EQ(def.mSunpo()[0].Sen.end_x, 10);
    EXPECT_EQ(def.mSunpo()[0].Moji.start_x, 5);
    EXPECT_EQ(def.mSunpo()[0].ext().Ho1.end_y, 210);
    EXPECT_EQ(def.mSunpo()[1].ext().Ho1.end_y, 10);
    EXPECT_EQ(def.mSunpo()[1].ext().Te1.start_x, 0);
    EXPECT_EQ(def.mBlock()[0].DPKijunTen_x, 20);
    EXPECT_EQ(def.mBlock()[0].dBairitsuY, 3);

    const TEntJwwBlock &ref = d.EntBlock.at(0);
    EXPECT_EQ(ref.att, kNewAttr);
    EXPECT_EQ(ref.DPKijunTen_x, 100);
    EXPECT_EQ(ref.DPKijunTen_y, 200);
    EXPECT_EQ(ref.dBairitsuX, 1.0);
    EXPECT_EQ(ref.radKaitenKaku, 0.0);
    EXPECT_EQ(ref.nNumber, 10u);
    EXPECT_EQ(d.EntBlockNum, 2);
    EXPECT_EQ(d.EntLineN() + d.EntTenN() + d.EntMojiN() + d.EntSunpoN() + d.EntSolidN(), 0);
}

TEST(Blocking, OlderDimensionsMoveOnlyLineAndText)
{
    TJwsData d = emptyDoc(419);
    d.Enthd.BasePoint_x = 100;
    TEntJwwSunpo s;
    s.bSxfMode = 1;
    s.editExt().Ho1 = line(100, 0, 100, 0);
    s.Sen = line(100, 0, 100, 0);
    addTop(d, s);
    DataTransJWS(d, u"x");
    EXPECT_EQ(d.EntBlockDef.at(0).mSunpo()[0].Sen.start_x, 0);
    EXPECT_EQ(d.EntBlockDef.at(0).mSunpo()[0].ext().Ho1.start_x, 100);
}

TEST(Blocking, newBlockNumber)
{
    struct Case {
        const char *what;
        std::vector<std::uint32_t> defs;
        std::vector<std::uint32_t> refs;       // at the top level
        std::vector<std::uint32_t> memberRefs; // inside the first definition
        std::uint32_t expected;
    } cases[] = {
        {"no definitions", {}, {}, {}, 0},
        {"one more than the largest", {3, 7, 5}, {7}, {}, 8},
        {"a reference to a missing definition holds the number", {3, 7}, {8}, {}, 9},
        {"so does one inside a definition", {3, 7}, {}, {8}, 9},
        {"and numbers after it", {3, 7}, {8}, {9, 10}, 11},
        {"wrapping past the largest number", {0xFFFFFFFF, 0, 1}, {}, {}, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TJwsData d = emptyDoc(600);
        for (std::uint32_t n : c.defs)
            addDef(d, n, u"d");
        for (std::uint32_t n : c.refs)
            addTop(d, blockRef(n, 0, 0));
        for (std::uint32_t n : c.memberRefs)
            addMember(d.EntBlockDef.at(0), blockRef(n, 0, 0));
        EXPECT_EQ(newBlockNumber(d), c.expected);
    }
}

TEST(Blocking, MovedContentNeverRefersToTheNewDefinition)
{
    // A reference to the missing definition 8 must not bind to the new one.
    TJwsData d = emptyDoc(600);
    addDef(d, 7, u"seven");
    addTop(d, blockRef(8, 0, 0));
    addTop(d, line(0, 0, 1, 1));
    d.MakeBlockTree();
    DataTransJWS(d, u"x");
    TJwsData back;
    ASSERT_TRUE(readInto(back, writeJws(d, {600})));
    ASSERT_EQ(back.EntBlockDefN(), 1);
    EXPECT_EQ(back.EntBlockDef[0].nNumber, 0u);
    EXPECT_EQ(back.EntBlock[0].nNumber, 0u);
    EXPECT_NE(back.EntBlockDef[0].mBlock()[0].nNumber, 0u);
    EXPECT_EQ(back.EntBlockTreeN(), 2);
}
