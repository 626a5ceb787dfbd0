#include "core/text.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cassert>
#include <memory>

namespace pravelot {

namespace {

struct ConverterCloser {
    void operator()(UConverter *c) const { ucnv_close(c); }
};

// One code page 932 converter per thread; opening one costs far more than a string.
UConverter *cp932()
{
    thread_local std::unique_ptr<UConverter, ConverterCloser> conv = [] {
        UErrorCode err = U_ZERO_ERROR;
        UConverter *c = ucnv_open("windows-31j", &err);
        assert(U_SUCCESS(err) && c);
        err = U_ZERO_ERROR;
        ucnv_setSubstChars(c, "?", 1, &err);
        return std::unique_ptr<UConverter, ConverterCloser>(c);
    }();
    return conv.get();
}

std::u16string mapCase(std::u16string_view s, bool upper)
{
    std::u16string out(s);
    for (std::size_t i = 0; i < out.size();) {
        UChar32 c;
        std::size_t start = i;
        U16_NEXT(out.data(), i, out.size(), c);
        UChar32 m = upper ? u_toupper(c) : u_tolower(c);
        if (m == c)
            continue;
        // Keep the length: only a mapping of the same code-unit width is taken.
        if (U16_LENGTH(m) != static_cast<int>(i - start))
            continue;
        std::size_t j = start;
        U16_APPEND_UNSAFE(out.data(), j, m);
    }
    return out;
}

} // namespace

std::u16string StrUpper(std::u16string_view s) { return mapCase(s, true); }
std::u16string StrLower(std::u16string_view s) { return mapCase(s, false); }

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

// Code page 932 through ICU, one string at a time.
void icuEncode(std::u16string_view s, Bytes &out)
{
    UConverter *conv = cp932();
    ucnv_resetFromUnicode(conv);
    const std::size_t base = out.size();
    out.resize(base + s.size() * 2 + 8);
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(conv, reinterpret_cast<char *>(out.data() + base),
                                static_cast<int32_t>(out.size() - base), s.data(),
                                static_cast<int32_t>(s.size()), &err);
    if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING)
        n = 0;
    out.resize(base + static_cast<std::size_t>(n));
}

std::u16string icuDecode(std::span<const std::uint8_t> bytes)
{
    UConverter *conv = cp932();
    ucnv_resetToUnicode(conv);
    std::u16string out(bytes.size(), u'\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                              reinterpret_cast<const char *>(bytes.data()),
                              static_cast<int32_t>(bytes.size()), &err);
    if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING)
        return {};
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// What ICU answered for each character and byte pair met so far, so that a figure
// with millions of Japanese texts asks it once per distinct character. A character
// or sequence without a plain one-to-one mapping makes the whole string go to ICU.
class Cp932Cache {
public:
    static constexpr std::uint32_t kUnknown = 0;
    static constexpr std::uint32_t kViaIcu = 0xFFFFFFFF;

    // Bytes of one UTF-16 unit: (length << 16) | bytes, or kViaIcu.
    std::uint32_t encode(char16_t c)
    {
        std::uint32_t &e = m_enc[c];
        if (e == kUnknown) {
            e = kViaIcu;
            if (c != 0 && !U16_IS_SURROGATE(c)) {
                Bytes b;
                icuEncode(std::u16string_view(&c, 1), b);
                if (b.size() == 1)
                    e = (1u << 16) | b[0];
                else if (b.size() == 2)
                    e = (2u << 16) | (std::uint32_t{b[0]} << 8) | b[1];
            }
        }
        return e;
    }
    // The unit of a byte at or above 0x80 that stands alone, or kViaIcu (a lead byte).
    std::uint32_t single(std::uint8_t b) { return lookup(m_single[b], &b, 1); }
    std::uint32_t pair(std::uint8_t lead, std::uint8_t trail)
    {
        const std::uint8_t seq[2] = {lead, trail};
        return lookup(m_pair[(std::size_t{lead} << 8) | trail], seq, 2);
    }

private:
    static std::uint32_t lookup(std::uint32_t &slot, const std::uint8_t *seq, std::size_t n)
    {
        if (slot == kUnknown) {
            slot = kViaIcu;
            const std::u16string u = icuDecode(std::span(seq, n));
            if (u.size() == 1 && u[0] != 0xFFFD && u[0] != 0x1A && u[0] != 0)
                slot = u[0];
        }
        return slot;
    }

    std::vector<std::uint32_t> m_enc = std::vector<std::uint32_t>(65536, kUnknown);
    std::vector<std::uint32_t> m_single = std::vector<std::uint32_t>(256, kUnknown);
    std::vector<std::uint32_t> m_pair = std::vector<std::uint32_t>(65536, kUnknown);
};

Cp932Cache &cache()
{
    thread_local Cp932Cache c;
    return c;
}

} // namespace

void AppendAnsiBytes(std::u16string_view s, Bytes &out)
{
    const std::size_t base = out.size();
    Cp932Cache *c = nullptr;
    for (char16_t ch : s) {
        if (ch < 0x80) {
            out.push_back(static_cast<std::uint8_t>(ch));
            continue;
        }
        if (!c)
            c = &cache();
        const std::uint32_t e = c->encode(ch);
        if (e == Cp932Cache::kViaIcu) {
            out.resize(base);
            icuEncode(s, out);
            return;
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
    AppendAnsiBytes(s, out);
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
            continue;
        }
        if (!c)
            c = &cache();
        std::uint32_t u = c->single(b);
        if (u == Cp932Cache::kViaIcu && i + 1 < bytes.size()) {
            u = c->pair(b, bytes[i + 1]);
            ++i;
        }
        if (u == Cp932Cache::kViaIcu) {
            out = icuDecode(bytes);
            // The text ends before a NUL, whatever the decoder did.
            out.resize(std::min(out.size(), out.find(u'\0')));
            return out;
        }
        out.push_back(static_cast<char16_t>(u));
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

std::u16string FromUtf8(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    const auto *p = reinterpret_cast<const std::uint8_t *>(s.data());
    const auto len = static_cast<int32_t>(s.size());
    int32_t off = 0;
    while (off < len) {
        UChar32 c;
        U8_NEXT(p, off, len, c);
        if (c < 0)
            c = 0xFFFD;
        if (c <= 0xFFFF) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            out.push_back(static_cast<char16_t>(U16_LEAD(c)));
            out.push_back(static_cast<char16_t>(U16_TRAIL(c)));
        }
    }
    return out;
}

std::string ToUtf8(std::u16string_view s)
{
    std::string out;
    out.reserve(s.size() * 3);
    for (std::size_t i = 0; i < s.size();) {
        UChar32 c;
        U16_NEXT(s.data(), i, s.size(), c);
        if (U_IS_SURROGATE(c))
            c = 0xFFFD;
        char buf[4];
        int32_t n = 0;
        U8_APPEND_UNSAFE(buf, n, c);
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

} // namespace pravelot
