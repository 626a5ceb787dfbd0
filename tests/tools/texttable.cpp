// Prints every answer of the text services, one per line, so that two systems can be
// compared with diff: the character of every pair of bytes that begins with a code page
// 932 lead byte, the bytes of every BMP character, and every letter that case mapping
// changes. scripts/windows.sh compares the Linux build's table (ICU) with the Windows
// build's (the Windows API, under Wine).
#include "core/text.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

using namespace pravelot;

namespace {

// "U+FF5E ～", and the code units of a mapping beyond U+FFFF one by one.
std::string named(const std::u16string &s)
{
    std::string out;
    for (char16_t c : s) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "U+%04X ", static_cast<unsigned>(c));
        out += buf;
    }
    // Control characters and lone surrogates are not shown as themselves.
    const bool printable = !s.empty() && s[0] >= 0x20 && s[0] != 0x7F &&
                           !(s[0] >= 0x80 && s[0] < 0xA0) &&
                           !(s.size() == 1 && s[0] >= 0xD800 && s[0] < 0xE000);
    return out + (printable ? toUtf8(s) : std::string("-"));
}

std::u16string codePoint(char32_t c)
{
    if (c < 0x10000)
        return std::u16string(1, static_cast<char16_t>(c));
    return {static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
            static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
}

} // namespace

int main()
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY); // "\n" as on Linux
#endif
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
        const Bytes one = {static_cast<std::uint8_t>(lead)};
        std::printf("read %02X = %s\n", lead, named(AnsiBytesToText(one)).c_str());
        for (unsigned trail = 1; trail <= 0xFF; ++trail) {
            const Bytes two = {static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail)};
            std::printf("read %02X%02X = %s\n", lead, trail, named(AnsiBytesToText(two)).c_str());
        }
    }
    for (char32_t c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c < 0xE000)
            continue;
        std::string bytes;
        for (std::uint8_t b : TextToAnsiBytes(codePoint(c))) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%02X", b);
            bytes += buf;
        }
        std::printf("write %s = %s\n", named(codePoint(c)).c_str(), bytes.c_str());
    }
    for (char32_t c = 1; c < 0x20000; ++c) {
        if (c >= 0xD800 && c < 0xE000)
            continue;
        const std::u16string s = codePoint(c);
        if (const std::u16string u = StrUpper(s); u != s)
            std::printf("upper %s = %s\n", named(s).c_str(), named(u).c_str());
        if (const std::u16string l = StrLower(s); l != s)
            std::printf("lower %s = %s\n", named(s).c_str(), named(l).c_str());
    }
    return 0;
}
