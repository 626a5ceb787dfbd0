// Text and byte helpers shared by the figure-file readers and writers and by the
// front ends. Texts are UTF-16 code units; positions and lengths count code units.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pravelot {

using Bytes = std::vector<std::uint8_t>;

// Unicode's simple case mapping, the same whatever the user's locale. The length of the
// text never changes: a character whose mapping would change the length is kept as it is.
std::u16string StrUpper(std::u16string_view s);
std::u16string StrLower(std::u16string_view s);

// Zero-based position of the first occurrence of sub in s (exact match), or -1.
std::int32_t StrIndexOf(std::u16string_view sub, std::u16string_view s);
// The code units of s from start to the end; empty when start is past the end.
std::u16string StrSubFrom(std::u16string_view s, std::int64_t start);
// At most count code units of s from start, cut at the end of s.
std::u16string StrSub(std::u16string_view s, std::int64_t start, std::int64_t count);

// Shift_JIS as Windows has it (code page 932), the same bytes on every system. A
// character the code page cannot hold becomes one "?" (also one beyond U+FFFF).
Bytes TextToAnsiBytes(std::u16string_view s);
void appendAnsiBytes(std::u16string_view s, Bytes &out);
// Decodes up to the first zero byte. A lead byte takes the byte after it along; a pair
// the code page does not assign, or a lead byte at the end, reads as U+30FB.
std::u16string AnsiBytesToText(std::span<const std::uint8_t> bytes);
// Bytes s takes in code page 932, counted up to the first zero byte.
std::int32_t AnsiByteLength(std::u16string_view s);
// Bytes before the first zero byte; the whole size when there is none.
std::int32_t ZeroTermLength(std::span<const std::uint8_t> bytes);

Bytes TextToUtf16Bytes(std::u16string_view s);
// Little-endian code units; a last odd byte is ignored; the text ends before its first NUL.
std::u16string Utf16BytesToText(std::span<const std::uint8_t> bytes);

// s without any character below U+0020.
std::u16string TextInClean(std::u16string_view s);
// s without the pairs "^m" and backslash-n and without characters below U+0020; a
// non-empty s of which nothing is left gives " ".
std::u16string TextOutClean(std::u16string_view s);

// UTF-8 at the edges of the program (command line, file names, settings file).
// Invalid UTF-8 sequences become U+FFFD.
std::u16string fromUtf8(std::string_view s);
std::string toUtf8(std::u16string_view s);

} // namespace pravelot
