// The text services through ICU (Linux).
#include "core/textplatform.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/utf16.h>

#include <cassert>
#include <memory>

namespace pravelot::platform {

namespace {

struct ConverterCloser {
    void operator()(UConverter *c) const { ucnv_close(c); }
};

// One converter per thread; opening one costs far more than a character. It stops at
// anything unassigned instead of substituting, so that the caller decides.
UConverter *cp932()
{
    thread_local std::unique_ptr<UConverter, ConverterCloser> conv = [] {
        UErrorCode err = U_ZERO_ERROR;
        UConverter *c = ucnv_open("windows-31j", &err);
        assert(U_SUCCESS(err) && c);
        ucnv_setToUCallBack(c, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        ucnv_setFromUCallBack(c, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        assert(U_SUCCESS(err));
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

char16_t cp932Pair(std::uint8_t lead, std::uint8_t trail)
{
    UConverter *conv = cp932();
    ucnv_resetToUnicode(conv);
    const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    UChar out[4];
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(conv, out, 4, bytes, 2, &err);
    return U_SUCCESS(err) && n == 1 ? out[0] : char16_t{0};
}

std::size_t cp932Encode(char16_t c, std::uint8_t (&out)[2])
{
    UConverter *conv = cp932();
    ucnv_resetFromUnicode(conv);
    char bytes[8];
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(conv, bytes, 8, &c, 1, &err);
    if (U_FAILURE(err) || n < 1 || n > 2)
        return 0;
    for (int32_t i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(bytes[i]);
    return static_cast<std::size_t>(n);
}

std::u16string upperCase(std::u16string_view s) { return mapCase(s, true); }
std::u16string lowerCase(std::u16string_view s) { return mapCase(s, false); }

} // namespace pravelot::platform
