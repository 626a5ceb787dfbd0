#include "core/text.h"

#include <gtest/gtest.h>

using namespace pravelot;

TEST(Text, SubstringsAndSearch)
{
    EXPECT_EQ(StrIndexOf(u"@@SFIGORGFLAG@@", StrUpper(u"door@@sfigorgflag@@4")), 4);
    EXPECT_EQ(StrIndexOf(u"@@SFIGORGFLAG@@", u"door@@sfigorgflag@@4"), -1);
    EXPECT_EQ(StrSub(u"abc", 0, 0), u"");
    EXPECT_EQ(StrSub(u"abc", 2, 1), u"c");
    EXPECT_EQ(StrSub(u"abc", 1, 99), u"bc");
    EXPECT_EQ(StrSub(u"", 0, 1), u"");
    EXPECT_EQ(StrSubFrom(u"abc", 1), u"bc");
    EXPECT_EQ(StrSubFrom(u"abc", 5), u"");
}

TEST(Text, CaseMappingKeepsLength)
{
    EXPECT_EQ(StrUpper(u"abcＡｂｃäß"), u"ABCＡＢＣÄß");
    EXPECT_EQ(StrLower(u"A.JWS"), u"a.jws");
}

TEST(Text, ShiftJisRoundTrip)
{
    const std::u16string s = u"図形A";
    const Bytes b = TextToAnsiBytes(s);
    EXPECT_EQ(b.size(), 5u);
    EXPECT_EQ(AnsiByteLength(s), 5);
    EXPECT_EQ(AnsiBytesToText(b), s);
    const Bytes withNul = {0x41, 0x42, 0x00, 0x43};
    EXPECT_EQ(AnsiBytesToText(withNul), u"AB");
    EXPECT_EQ(ZeroTermLength(withNul), 2);
    // Half-width katakana and the yen/backslash byte keep their code page 932 meaning.
    const Bytes kana = {0xB1, 0x5C};
    EXPECT_EQ(AnsiBytesToText(kana), u"ｱ\\");
    // A character code page 932 cannot hold becomes "?".
    EXPECT_EQ(TextToAnsiBytes(u"é"), Bytes{'?'});
}

TEST(Text, Utf16Bytes)
{
    const Bytes b = {0x41, 0x00, 0x42, 0x00, 0x43};
    EXPECT_EQ(Utf16BytesToText(b), u"AB");
    const Bytes withNul = {0x41, 0x00, 0x00, 0x00, 0x43, 0x00};
    EXPECT_EQ(Utf16BytesToText(withNul), u"A");
    EXPECT_EQ(TextToUtf16Bytes(u"図"), (Bytes{0xF3, 0x56}));
}

TEST(Text, Cleaning)
{
    struct Case {
        std::u16string in, out;
    } cases[] = {
        {u"a^mb", u"ab"}, {u"a\\n", u"a"},    {u"a\\nb", u"ab"}, {u"\t", u" "},
        {u"", u""},       {u"a^Mb", u"a^Mb"}, {u"A\tB", u"AB"},  {u"^", u"^"},
        {u"\\", u"\\"},   {u"^m", u" "},      {u"x^", u"x^"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(ToUtf8(c.in));
        EXPECT_EQ(TextOutClean(c.in), c.out);
    }
    EXPECT_EQ(TextInClean(u"A\tB\r\n"), u"AB");
}

TEST(Text, Utf8Edges)
{
    EXPECT_EQ(FromUtf8("図形 a.jws"), u"図形 a.jws");
    EXPECT_EQ(ToUtf8(u"図形"), "図形");
    EXPECT_EQ(FromUtf8("\xff"), u"\uFFFD");
    EXPECT_EQ(ToUtf8(FromUtf8("😀")), "😀");
}
