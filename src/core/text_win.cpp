// The text services through the Windows API.
#include "core/textplatform.h"

#include <windows.h>

namespace pravelot::platform {

namespace {

constexpr UINT kCodePage = 932;

std::u16string mapCase(std::u16string_view s, DWORD how)
{
    std::u16string out(s);
    if (s.empty())
        return out;
    // The invariant locale, so that a Turkish user locale cannot turn the "i" of a
    // block-name marker into a dotted capital; linguistic casing maps the letters the
    // plain table leaves alone (final sigma, capital sharp s).
    const DWORD flags = how | LCMAP_LINGUISTIC_CASING;
    const auto *in = reinterpret_cast<const wchar_t *>(s.data());
    const int n = static_cast<int>(s.size());
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, flags, in, n, reinterpret_cast<wchar_t *>(out.data()),
                      n, nullptr, nullptr, 0) == n)
        return out;
    // The mapped text would be longer or shorter: map one character at a time and keep
    // those whose mapping has another length.
    out.assign(s);
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = (s[i] >= 0xD800 && s[i] < 0xDC00 && i + 1 < s.size() &&
                                 s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
                                    ? 2
                                    : 1;
        wchar_t mapped[2];
        const int k = static_cast<int>(len);
        if (LCMapStringEx(LOCALE_NAME_INVARIANT, flags, in + i, k, mapped, k, nullptr, nullptr,
                          0) == k)
            out.replace(i, len, reinterpret_cast<const char16_t *>(mapped), len);
        i += len;
    }
    return out;
}

} // namespace

char16_t cp932Pair(std::uint8_t lead, std::uint8_t trail)
{
    const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    wchar_t out[2];
    // MB_ERR_INVALID_CHARS: an unassigned pair fails instead of reading as the default
    // character U+30FB, which 81 45 legitimately is.
    if (MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, 2, out, 2) != 1)
        return 0;
    return static_cast<char16_t>(out[0]);
}

std::size_t cp932Encode(char16_t c, std::uint8_t (&out)[2])
{
    const auto w = static_cast<wchar_t>(c);
    char bytes[4];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &w, 1, bytes, 4, nullptr,
                                      &usedDefault);
    if (usedDefault || n < 1 || n > 2)
        return 0;
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(bytes[i]);
    return static_cast<std::size_t>(n);
}

std::u16string upperCase(std::u16string_view s) { return mapCase(s, LCMAP_UPPERCASE); }
std::u16string lowerCase(std::u16string_view s) { return mapCase(s, LCMAP_LOWERCASE); }

} // namespace pravelot::platform
