// The escaped forms of the object archive that a .jws body is written in — counts,
// class tags and strings — each read (JwsIn) and written (JwsOut) side by side, so that
// a change to one direction is seen missing from the other. Inline: every object of a
// file passes through them. Included by the reader and the writer only.
#pragma once

#include "jws/jwsin.h"
#include "jws/jwsout.h"

#include <array>
#include <cstring>

namespace pravelot {

namespace archive {

// Decodes an ANSI archive string and drops control characters in one pass.
inline std::u16string ansiClean(std::span<const std::uint8_t> bytes)
{
    bool ascii = true;
    for (std::uint8_t b : bytes) {
        if (b == 0)
            break;
        if (b >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii)
        return TextInClean(AnsiBytesToText(bytes));
    // Made at its length: a file may hold millions of short strings, and a string grown
    // past its inline room takes twice that room.
    std::size_t kept = 0;
    for (std::uint8_t b : bytes) {
        if (b == 0)
            break;
        kept += b >= 0x20;
    }
    std::u16string s(kept, u'\0');
    std::size_t i = 0;
    for (std::uint8_t b : bytes) {
        if (b == 0)
            break;
        if (b >= 0x20)
            s[i++] = b;
    }
    return s;
}

// Longest prefix of Shift_JIS bytes the ANSI string form can hold: at most 65535 bytes,
// never 65534 (that length is the UTF-16 marker), never splitting a two-byte character.
inline std::size_t ansiFitLength(const Bytes &b)
{
    if (b.size() <= 65533 || b.size() == 65535)
        return b.size();
    std::size_t fit = 0;
    for (std::size_t i = 0; i < b.size();) {
        const std::uint8_t c = b[i];
        const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        const std::size_t next = i + (lead ? 2 : 1);
        if (next > 65535 || next > b.size())
            break;
        if (next != 65534)
            fit = next;
        i = next;
    }
    return fit;
}

} // namespace archive

// Archive count: a uint16; 0xFFFF means that a uint32 with the count follows.

inline std::uint64_t JwsIn::CountIn(const char *what, bool firstChecked)
{
    std::uint16_t c16 = 0;
    if (firstChecked) {
        std::array<std::uint8_t, 2> b{};
        if (m_r.read(b.data(), b.size()) == 0) {
            stop(std::string("file ends before ") + what);
            return 0;
        }
        std::memcpy(&c16, b.data(), b.size());
    } else {
        c16 = need<std::uint16_t>(what);
    }
    std::uint64_t count = c16;
    if (c16 == 0xFFFF)
        count = need<std::uint32_t>(what);
    // A count that does not fit a signed 32-bit number cannot be held, as when its
    // arrays could not be allocated.
    if (count > 0x7FFFFFFF) {
        stop(std::string(what) + " too large");
        return 0;
    }
    return count;
}

inline void JwsOut::CountOut(std::uint64_t n)
{
    if (n < 0xFFFF) {
        m_w.u16(static_cast<std::uint16_t>(n));
    } else {
        m_w.u16(0xFFFF);
        m_w.u32(static_cast<std::uint32_t>(n));
    }
}

// Class tag: 0xFFFF, a schema word, the name's length and the name (a new class);
// 0x7FFF and a uint32 with the top bit set over the index (a reference with a long
// index); or 0x8000 + the index (a reference).

inline ClassTag JwsIn::ClassTagIn(const char *what)
{
    const std::uint16_t tag = need<std::uint16_t>(what);
    // Most objects refer to a class by a short index.
    if (tag != 0xFFFF && tag != 0x7FFF)
        return {false, static_cast<std::int64_t>(tag) - 0x8000, {}};
    return escapedClassTagIn(tag); // jwsreader.cpp
}

inline void JwsOut::ClassTagOut(const ClassTag &tag)
{
    if (!tag.isNew) {
        ClassRefOut(static_cast<std::uint64_t>(tag.index));
        return;
    }
    m_w.u16(0xFFFF);
    m_w.u16(static_cast<std::uint16_t>(m_version & 0xFFFF));
    m_w.u16(static_cast<std::uint16_t>(tag.name.size()));
    m_w.put(tag.name);
}

inline void JwsOut::ClassRefOut(std::uint64_t k)
{
    if (k < 0x7FFF) {
        m_w.u16(static_cast<std::uint16_t>(0x8000 + k));
    } else {
        m_w.u16(0x7FFF);
        m_w.u32(static_cast<std::uint32_t>(0x80000000u + k));
    }
}

// String: a length byte n below 255 and n bytes of code page 932; 0xFF and a uint16
// length (not 0xFFFE) and the bytes; or 0xFF, 0xFFFE and a length byte m (0xFF and a
// uint16 from 255 on) and m UTF-16 code units.

inline std::u16string JwsIn::StringIn(Strings strings)
{
    const bool keep = strings == Strings::Keep;
    const std::uint8_t n = need<std::uint8_t>("a string length");
    if (n < 255) {
        const auto bytes = needBytes(n, "a string");
        return keep ? archive::ansiClean(bytes) : std::u16string();
    }
    const std::uint16_t w = need<std::uint16_t>("a string length");
    if (w != 0xFFFE) {
        const auto bytes = needBytes(w, "a string");
        return keep ? archive::ansiClean(bytes) : std::u16string();
    }
    m_utf16 = true;
    std::uint32_t m = need<std::uint8_t>("a string length");
    if (m == 255)
        m = need<std::uint16_t>("a string length");
    const auto bytes = needBytes(2 * std::size_t{m}, "a string");
    return keep ? TextInClean(Utf16BytesToText(bytes)) : std::u16string();
}

inline void JwsOut::StringOut(const std::u16string &s)
{
    if (m_utf16) {
        std::size_t m = s.size();
        // Cut to what the form can hold, never splitting a surrogate pair.
        if (m > 65535)
            m = (s[65534] >= 0xD800 && s[65534] <= 0xDBFF) ? 65534 : 65535;
        m_w.u8(0xFF);
        m_w.u16(0xFFFE);
        if (m < 255) {
            m_w.u8(static_cast<std::uint8_t>(m));
        } else {
            m_w.u8(0xFF);
            m_w.u16(static_cast<std::uint16_t>(m));
        }
        for (std::size_t i = 0; i < m; ++i)
            m_w.u16(s[i]);
        return;
    }
    m_scratch.clear();
    appendAnsiBytes(s, m_scratch);
    m_scratch.resize(static_cast<std::size_t>(ZeroTermLength(m_scratch)));
    const std::size_t n = archive::ansiFitLength(m_scratch);
    if (n < 255) {
        m_w.u8(static_cast<std::uint8_t>(n));
    } else {
        m_w.u8(0xFF);
        m_w.u16(static_cast<std::uint16_t>(n));
    }
    m_w.put(std::span(m_scratch.data(), n));
}

} // namespace pravelot
