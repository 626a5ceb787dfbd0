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

bool isAscii(std::span<const std::uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; });
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

void AppendAnsiBytes(std::u16string_view s, Bytes &out)
{
    if (std::all_of(s.begin(), s.end(), [](char16_t c) { return c < 0x80; })) {
        out.insert(out.end(), s.begin(), s.end());
        return;
    }
    UConverter *conv = cp932();
    ucnv_resetFromUnicode(conv);
    const std::size_t base = out.size();
    out.resize(base + s.size() * 2 + 8);
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(conv, reinterpret_cast<char *>(out.data() + base),
                                static_cast<int32_t>(out.size() - base), s.data(),
                                static_cast<int32_t>(s.size()), &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
        out.resize(base + static_cast<std::size_t>(n));
        err = U_ZERO_ERROR;
        ucnv_resetFromUnicode(conv);
        n = ucnv_fromUChars(conv, reinterpret_cast<char *>(out.data() + base), n, s.data(),
                            static_cast<int32_t>(s.size()), &err);
    }
    if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING)
        n = 0;
    out.resize(base + static_cast<std::size_t>(n));
}

Bytes TextToAnsiBytes(std::u16string_view s)
{
    Bytes out;
    AppendAnsiBytes(s, out);
    return out;
}

std::u16string AnsiBytesToText(std::span<const std::uint8_t> bytes)
{
    bytes = bytes.first(static_cast<std::size_t>(ZeroTermLength(bytes)));
    if (isAscii(bytes))
        return std::u16string(bytes.begin(), bytes.end());
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
    // A byte pair that decodes to NUL cannot happen in code page 932, but the text
    // must end before a NUL whatever the decoder did.
    out.resize(std::min(out.size(), out.find(u'\0')));
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

void BytesFill(std::uint8_t value, std::size_t count, std::span<std::uint8_t> bytes)
{
    assert(count <= bytes.size());
    std::fill_n(bytes.begin(), count, value);
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
