// What the text helpers ask of the operating system: the character tables of code page
// 932 and Unicode case mapping. ICU answers on Linux (text_icu.cpp), the Windows API on
// Windows (text_win.cpp); CMake builds the one that fits. Everything around these
// answers — ASCII, the single-byte characters, what an unassigned sequence or an
// unmappable character becomes — is decided in text.cpp, the same on every system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pravelot::platform {

// The character that code page 932 assigns to the two bytes lead, trail; 0 when the
// pair is not assigned. Round-trip and one-way (duplicate) assignments both count.
char16_t cp932Pair(std::uint8_t lead, std::uint8_t trail);

// The bytes of c in code page 932, into out: how many (1 or 2), or 0 when the code page
// has no character for c (no best-fit look-alikes). Called for BMP characters from
// U+0080 up, surrogates excluded.
std::size_t cp932Encode(char16_t c, std::uint8_t (&out)[2]);

// s with every letter upper- (lower-) cased by Unicode's simple case mapping, the same
// whatever the user's locale. The result has the length of s: a letter whose mapping
// would change the length stays as it is.
std::u16string upperCase(std::u16string_view s);
std::u16string lowerCase(std::u16string_view s);

} // namespace pravelot::platform
