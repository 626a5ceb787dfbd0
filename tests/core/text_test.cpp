#include "core/text.h"

#include <gtest/gtest.h>

#include <cstdio>

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

namespace {

// "U+FF5E ～" for the trace of a failing row, so that it names the character.
std::string named(std::u16string_view s)
{
    std::string out;
    for (char16_t c : s) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
        out += out.empty() ? "" : " ";
        out += buf;
    }
    return out + " " + toUtf8(s);
}

std::string hex(const Bytes &b)
{
    std::string out;
    for (std::uint8_t x : b) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02X", x);
        out += buf;
    }
    return out;
}

} // namespace

// Unicode's simple case mapping whatever the user's locale, through ICU on Linux and the
// Windows API on Windows: a row that fails names the system's odd character.
TEST(Text, CaseMappingKeepsLength)
{
    struct Case {
        std::u16string in, upper, lower;
    } cases[] = {
        {u"abcXYZ", u"ABCXYZ", u"abcxyz"},
        {u"@@SfigorgFlag@@4", u"@@SFIGORGFLAG@@4", u"@@sfigorgflag@@4"},
        {u"ａｂｃＡ", u"ＡＢＣＡ", u"ａｂｃａ"}, // full-width letters
        {u"äÄ", u"ÄÄ", u"ää"},
        {u"iI", u"II", u"ii"},                // no Turkish dotted capital, whatever the locale
        {u"ß", u"ß", u"ß"},                   // SS would be longer
        {u"ẞ", u"ẞ", u"ß"},                   // capital sharp s
        {u"ﬀ", u"ﬀ", u"ﬀ"},                   // FF would be longer
        {u"ς", u"Σ", u"ς"},                   // final sigma
        {u"ǆǅ", u"ǄǄ", u"ǆǆ"},                // the title-case digraph
        {u"ა", u"Ა", u"ა"},                 // Georgian Mtavruli
        {u"𐐨𐐀", u"𐐀𐐀", u"𐐨𐐨"},                // Deseret, beyond U+FFFF
        {u"図形ｱ１", u"図形ｱ１", u"図形ｱ１"}, // no case
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(named(c.in));
        EXPECT_EQ(StrUpper(c.in), c.upper) << named(StrUpper(c.in));
        EXPECT_EQ(StrLower(c.in), c.lower) << named(StrLower(c.in));
    }
    EXPECT_EQ(StrLower(u"A.JWS"), u"a.jws");
}

// Code page 932 reads and writes as Windows has it, on every system: the characters
// whose mapping differs between vendors' tables, the bytes Windows keeps as private-use
// characters, and what becomes of unassigned bytes and unmappable characters.
TEST(Text, CodePage932AsWindowsHasIt)
{
    // Both ways.
    struct Pair {
        Bytes bytes;
        std::u16string text;
    } pairs[] = {
        {{0x82, 0xA0}, u"あ"},
        {{0x88, 0x9F}, u"亜"},
        {{0x5C, 0x7E}, u"\\~"},                // ASCII, not yen and overline
        {{0x1A, 0x1C, 0x7F}, u"\x1A\x1C\x7F"}, // control codes stay themselves
        {{0xA1, 0xDF}, u"｡ﾟ"},                 // half-width katakana
        {{0x81, 0x45}, u"・"},
        {{0x81, 0x5F}, u"＼"},
        {{0x81, 0x60}, u"～"}, // FULLWIDTH TILDE, not WAVE DASH
        {{0x81, 0x61}, u"∥"},  // PARALLEL TO, not DOUBLE VERTICAL LINE
        {{0x81, 0x7C}, u"－"}, // FULLWIDTH HYPHEN-MINUS, not MINUS SIGN
        {{0x81, 0x91}, u"￠"},
        {{0x81, 0x92}, u"￡"},
        {{0x81, 0xCA}, u"￢"},
        {{0x81, 0xE0}, u"≒"},
        {{0x87, 0x40}, u"①"}, // NEC special characters
        {{0x87, 0x82}, u"№"},
        {{0xFA, 0x40}, u"ⅰ"}, // IBM extensions
        {{0xFA, 0x5C}, u"纊"},
        {{0xF0, 0x40}, u"\uE000"}, // user-defined characters
        {{0xF9, 0xFC}, u"\uE757"},
        {{0x80, 0xA0, 0xFD, 0xFE, 0xFF}, u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3"},
    };
    for (const Pair &p : pairs) {
        SCOPED_TRACE(named(p.text) + " = " + hex(p.bytes));
        EXPECT_EQ(AnsiBytesToText(p.bytes), p.text) << named(AnsiBytesToText(p.bytes));
        EXPECT_EQ(TextToAnsiBytes(p.text), p.bytes) << hex(TextToAnsiBytes(p.text));
    }

    // Reading only: duplicates read as the character, unassigned bytes as "・".
    const struct {
        Bytes bytes;
        std::u16string text;
    } reads[] = {
        {{0x87, 0x90}, u"≒"}, // NEC's duplicate of 81 E0
        {{0xEE, 0xEF}, u"ⅰ"}, // NEC's copy of the IBM extensions
        {{0xED, 0x40}, u"纊"},
        {{0x85, 0x40}, u"・"},        // an unassigned pair
        {{0x81, 0x20, 0x41}, u"・A"}, // a lead byte takes any byte after it
        {{0x41, 0x81}, u"A・"},       // a lead byte at the end
        {{0x41, 0x81, 0x00, 0x42}, u"A・"},
    };
    for (const auto &r : reads) {
        SCOPED_TRACE(hex(r.bytes));
        EXPECT_EQ(AnsiBytesToText(r.bytes), r.text) << named(AnsiBytesToText(r.bytes));
    }

    // Writing only: one "?" for each character the code page cannot hold (no look-alike,
    // nothing dropped), the preferred one of duplicate encodings.
    const struct {
        std::u16string text;
        Bytes bytes;
    } writes[] = {
        {u"¥‾", {'?', '?'}},
        {u"〜−‖", {'?', '?', '?'}}, // WAVE DASH, MINUS SIGN, DOUBLE VERTICAL LINE
        {u"é", {'?'}},
        {u"a\u200Bb", {'a', '?', 'b'}},                    // a zero-width space is not left out
        {u"\uF86F", {'?'}},                                // no one-way mapping
        {u"😀", {'?'}},                                     // beyond U+FFFF: one "?"
        {std::u16string(1, u'\xD800') + u"x", {'?', 'x'}}, // a lone surrogate
        {u"≒≡∵", {0x81, 0xE0, 0x81, 0xDF, 0x81, 0xE6}},
        {u"ⅰ", {0xFA, 0x40}},
    };
    for (const auto &w : writes) {
        SCOPED_TRACE(named(w.text));
        EXPECT_EQ(TextToAnsiBytes(w.text), w.bytes) << hex(TextToAnsiBytes(w.text));
    }
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
        SCOPED_TRACE(toUtf8(c.in));
        EXPECT_EQ(TextOutClean(c.in), c.out);
    }
    EXPECT_EQ(TextInClean(u"A\tB\r\n"), u"AB");
}

TEST(Text, Utf8Edges)
{
    EXPECT_EQ(fromUtf8("図形 a.jws"), u"図形 a.jws");
    EXPECT_EQ(toUtf8(u"図形"), "図形");
    EXPECT_EQ(toUtf8(fromUtf8("😀")), "😀");
    // Each broken piece becomes one U+FFFD, as far as it could have been the start of a
    // valid sequence.
    struct Case {
        std::string in;
        std::u16string out;
    } cases[] = {
        {"\xff", u"\uFFFD"},
        {"\xff\x41", u"\uFFFDA"},
        {"\xe3\x81", u"\uFFFD"}, // cut short
        {"\xe3\x81z", u"\uFFFDz"},
        {"\xc0\x80", u"\uFFFD\uFFFD"},                     // overlong
        {"\xed\xa0\x80", u"\uFFFD\uFFFD\uFFFD"},           // a surrogate
        {"\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"\xf0\x9f\x98", u"\uFFFD"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(fromUtf8(c.in), c.out);
    }
    EXPECT_EQ(toUtf8(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD");
}
