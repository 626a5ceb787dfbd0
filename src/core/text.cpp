#include "core/text.h"

#include "core/textplatform.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <memory>
#include <type_traits>

namespace pravelot {

std::u16string StrUpper(std::u16string_view s) { return platform::upperCase(s); }
std::u16string StrLower(std::u16string_view s) { return platform::lowerCase(s); }

std::int32_t StrIndexOf(std::u16string_view sub, std::u16string_view s)
{
    std::size_t p = s.find(sub);
    return p == std::u16string_view::npos ? -1 : static_cast<std::int32_t>(p);
}

std::u16string StrSubFrom(std::u16string_view s, std::int64_t start)
{
    if (start < 0)
        start = 0;
    if (static_cast<std::uint64_t>(start) >= s.size())
        return {};
    return std::u16string(s.substr(static_cast<std::size_t>(start)));
}

std::u16string StrSub(std::u16string_view s, std::int64_t start, std::int64_t count)
{
    if (start < 0)
        start = 0;
    if (count <= 0 || static_cast<std::uint64_t>(start) >= s.size())
        return {};
    return std::u16string(
        s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count)));
}

namespace {

// Code page 932 as Windows reads and writes it. The system's tables give the pairs of
// bytes; the rest is fixed here, so that every system writes the same bytes.

bool isLeadByte(std::uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// What Windows reads an unassigned or cut-off sequence as (KATAKANA MIDDLE DOT).
constexpr char16_t kUnassignedChar = 0x30FB;

// The character of a byte from 0x80 up that is no lead byte: the half-width katakana,
// and the five bytes that Windows' table keeps as U+0080 and private-use characters so
// that they survive a round trip.
char16_t singleByteChar(std::uint8_t b)
{
    if (b >= 0xA1 && b <= 0xDF)
        return static_cast<char16_t>(0xFF61 + (b - 0xA1));
    switch (b) {
    case 0x80:
        return 0x0080;
    case 0xA0:
        return 0xF8F0;
    default: // 0xFD, 0xFE, 0xFF
        return static_cast<char16_t>(0xF8F1 + (b - 0xFD));
    }
}

// The byte of a character that singleByteChar gives, or 0.
std::uint8_t singleByteOf(char16_t c)
{
    if (c >= 0xFF61 && c <= 0xFF9F)
        return static_cast<std::uint8_t>(0xA1 + (c - 0xFF61));
    if (c == 0x0080)
        return 0x80;
    if (c == 0xF8F0)
        return 0xA0;
    if (c >= 0xF8F1 && c <= 0xF8F3)
        return static_cast<std::uint8_t>(0xFD + (c - 0xF8F1));
    return 0;
}

bool isSurrogate(char16_t c) { return c >= 0xD800 && c < 0xE000; }
bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// What the system answered for each pair of bytes and each character met so far, so
// that a figure with millions of Japanese texts asks it once per distinct character.
// One cache for the whole process, shared by its threads: a slot only ever takes the one
// answer the system gives, whichever thread asks first, and its pages live as long as the
// process. Not one per thread: MinGW-w64's GCC runs the destructors of a thread's own objects
// after it has freed their storage, and worker threads crashed as they ended.
class Cp932Cache {
public:
    // The character of the pair lead, trail (lead a lead byte), or 0 when unassigned.
    char16_t pair(std::uint8_t lead, std::uint8_t trail)
    {
        return static_cast<char16_t>(
            answer(slotOf(m_pair, lead, trail), [&] { return platform::cp932Pair(lead, trail); }));
    }
    // The bytes of c (U+0080 up, no surrogate) as (length << 16) | bytes, or 0 when code
    // page 932 has no character that reads back as c.
    std::uint32_t encode(char16_t c)
    {
        return answer(
            slotOf(m_enc, static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c & 0xFF)),
            [&] { return lookUp(c); });
    }

private:
    static constexpr std::uint32_t kKnown = 0x80000000;

    // What slot holds, asked of the system first when nothing is known yet.
    template <class Ask> static std::uint32_t answer(std::atomic<std::uint32_t> &slot, Ask ask)
    {
        std::uint32_t known = slot.load(std::memory_order_relaxed);
        if (known == 0) {
            known = kKnown | ask();
            slot.store(known, std::memory_order_relaxed);
        }
        return known & ~kKnown;
    }

    std::uint32_t lookUp(char16_t c)
    {
        if (const std::uint8_t b = singleByteOf(c))
            return (1u << 16) | b;
        std::uint8_t two[2] = {};
        // Only a pair that reads back as c: no look-alikes, the same on every system.
        if (platform::cp932Encode(c, two) == 2 && isLeadByte(two[0]) && pair(two[0], two[1]) == c)
            return (2u << 16) | (std::uint32_t{two[0]} << 8) | two[1];
        return 0;
    }

    // Each table in pages of 256 slots, a page made when first met: a figure uses a few
    // hundred characters.
    using Page = std::array<std::atomic<std::uint32_t>, 256>;
    using Pages = std::array<std::atomic<Page *>, 256>;

    static std::atomic<std::uint32_t> &slotOf(Pages &table, std::uint8_t high, std::uint8_t low)
    {
        std::atomic<Page *> &at = table[high];
        Page *page = at.load(std::memory_order_acquire);
        if (!page) {
            auto made = std::make_unique<Page>(); // all zero: nothing known yet
            // When another thread made the page first, its page is the one used.
            if (at.compare_exchange_strong(page, made.get(), std::memory_order_acq_rel,
                                           std::memory_order_acquire))
                page = made.release();
        }
        return (*page)[low];
    }

    Pages m_enc, m_pair;
};

// Nothing to destroy as the process ends, while a thread may still be converting.
static_assert(std::is_trivially_destructible_v<Cp932Cache>);

Cp932Cache &cache()
{
    static Cp932Cache c;
    return c;
}

} // namespace

void appendAnsiBytes(std::u16string_view s, Bytes &out)
{
    Cp932Cache *c = nullptr;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t ch = s[i];
        if (ch < 0x80) {
            out.push_back(static_cast<std::uint8_t>(ch));
            continue;
        }
        if (isSurrogate(ch)) {
            // One "?" for a character beyond the code page's plane, paired or not.
            if (isHighSurrogate(ch) && i + 1 < s.size() && isLowSurrogate(s[i + 1]))
                ++i;
            out.push_back('?');
            continue;
        }
        if (!c)
            c = &cache();
        const std::uint32_t e = c->encode(ch);
        if (e == 0) {
            out.push_back('?');
            continue;
        }
        if ((e >> 16) == 2)
            out.push_back(static_cast<std::uint8_t>(e >> 8));
        out.push_back(static_cast<std::uint8_t>(e));
    }
}

Bytes TextToAnsiBytes(std::u16string_view s)
{
    Bytes out;
    out.reserve(s.size() * 2);
    appendAnsiBytes(s, out);
    return out;
}

std::u16string AnsiBytesToText(std::span<const std::uint8_t> bytes)
{
    bytes = bytes.first(static_cast<std::size_t>(ZeroTermLength(bytes)));
    std::u16string out;
    out.reserve(bytes.size());
    Cp932Cache *c = nullptr;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            out.push_back(b);
        } else if (!isLeadByte(b)) {
            out.push_back(singleByteChar(b));
        } else if (i + 1 == bytes.size()) {
            out.push_back(kUnassignedChar); // a lead byte cut off at the end
        } else {
            if (!c)
                c = &cache();
            // A lead byte takes the next byte with it, whatever that is, as Windows does.
            const char16_t u = c->pair(b, bytes[++i]);
            out.push_back(u ? u : kUnassignedChar);
        }
    }
    return out;
}

std::int32_t AnsiByteLength(std::u16string_view s)
{
    Bytes b = TextToAnsiBytes(s);
    return ZeroTermLength(b);
}

std::int32_t ZeroTermLength(std::span<const std::uint8_t> bytes)
{
    auto it = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return static_cast<std::int32_t>(it - bytes.begin());
}

Bytes TextToUtf16Bytes(std::u16string_view s)
{
    Bytes out;
    out.reserve(s.size() * 2);
    for (char16_t c : s) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}

std::u16string Utf16BytesToText(std::span<const std::uint8_t> bytes)
{
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == 0)
            break;
        out.push_back(c);
    }
    return out;
}

std::u16string TextInClean(std::u16string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    for (char16_t c : s)
        if (c >= 0x20)
            out.push_back(c);
    return out;
}

std::u16string TextOutClean(std::u16string_view s)
{
    if (s.empty())
        return {};
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i + 1 < s.size() &&
            ((s[i] == u'^' && s[i + 1] == u'm') || (s[i] == u'\\' && s[i + 1] == u'n'))) {
            ++i;
            continue;
        }
        if (s[i] >= 0x20)
            out.push_back(s[i]);
    }
    if (out.empty())
        out.push_back(u' ');
    return out;
}

namespace {

// The code point of the UTF-8 sequence at s[i], advancing i past it; U+FFFD, advancing
// past the longest start of a valid sequence (at least one byte), when it is invalid.
char32_t nextUtf8(std::string_view s, std::size_t &i)
{
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
    const std::uint8_t b = byte(i++);
    if (b < 0x80)
        return b;
    std::size_t len;
    char32_t c;
    std::uint8_t lo = 0x80, hi = 0xBF; // the allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        c = b & 0x1Fu;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        c = b & 0x0Fu;
        lo = b == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        hi = b == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        c = b & 0x07u;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF; // nothing beyond U+10FFFF
    } else {
        return 0xFFFD;
    }
    for (std::size_t k = 1; k < len; ++k) {
        if (i == s.size())
            return 0xFFFD;
        const std::uint8_t t = byte(i);
        if (t < (k == 1 ? lo : 0x80) || t > (k == 1 ? hi : 0xBF))
            return 0xFFFD;
        c = (c << 6) | (t & 0x3Fu);
        ++i;
    }
    return c;
}

} // namespace

std::u16string fromUtf8(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const char32_t c = nextUtf8(s, i);
        if (c <= 0xFFFF) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return out;
}

std::string toUtf8(std::u16string_view s)
{
    std::string out;
    out.reserve(s.size() * 3);
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (isHighSurrogate(s[i]) && i + 1 < s.size() && isLowSurrogate(s[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00u);
            ++i;
        } else if (isSurrogate(s[i])) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

} // namespace pravelot
