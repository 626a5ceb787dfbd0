// The Windows side of console.h: a stream buffer that hands whole characters to
// WriteConsoleW.
#include "core/console.h"

#include <array>
#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string>
#include <windows.h>

namespace pravelot {

namespace {

// The length of the UTF-8 sequence that starts with lead (1 for a stray byte, which the
// conversion then replaces).
int sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}

// Collects the bytes written to it and shows them on the console as UTF-16 whenever it
// is flushed, its buffer is full or a line ends. A character cut between two writes
// waits for the rest of its bytes.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : m_console(console)
    {
        setp(m_bytes.data(), m_bytes.data() + m_bytes.size());
    }

protected:
    int_type overflow(int_type c) override
    {
        if (!flushWhole())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
            if (c == '\n' && !flushWhole())
                return traits_type::eof();
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return flushWhole() ? 0 : -1; }

private:
    // Shows every whole character held and keeps an unfinished one at the start.
    bool flushWhole()
    {
        const auto held = static_cast<int>(pptr() - pbase());
        int whole = 0;
        while (whole < held) {
            const int n = sequenceLength(
                static_cast<unsigned char>(m_bytes[static_cast<std::size_t>(whole)]));
            if (whole + n > held)
                break;
            whole += n;
        }
        // A stray lead byte at the end of a full buffer cannot wait any longer.
        if (whole == 0 && held == static_cast<int>(m_bytes.size()))
            whole = held;
        const bool ok = show(m_bytes.data(), whole);
        const int rest = held - whole;
        std::char_traits<char>::move(m_bytes.data(), m_bytes.data() + whole,
                                     static_cast<std::size_t>(rest));
        setp(m_bytes.data(), m_bytes.data() + m_bytes.size());
        pbump(rest);
        return ok;
    }

    bool show(const char *bytes, int n)
    {
        if (n == 0)
            return true;
        const int wide = MultiByteToWideChar(CP_UTF8, 0, bytes, n, nullptr, 0);
        std::wstring text(static_cast<std::size_t>(wide), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, bytes, n, text.data(), wide);
        DWORD written = 0;
        return WriteConsoleW(m_console, text.data(), static_cast<DWORD>(text.size()), &written,
                             nullptr) != 0;
    }

    HANDLE m_console;
    std::array<char, 4096> m_bytes{};
};

// The handle when it is a console, else nullptr.
HANDLE consoleOf(DWORD which)
{
    const HANDLE h = GetStdHandle(which);
    DWORD mode = 0;
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) ? h : nullptr;
}

} // namespace

void useConsoleForText()
{
    // Made once and kept to the end of the program, as the streams refer to them.
    static ConsoleBuffer *out = nullptr;
    static ConsoleBuffer *err = nullptr;
    if (const HANDLE h = consoleOf(STD_OUTPUT_HANDLE); h != nullptr && out == nullptr) {
        std::cout.flush();
        out = new ConsoleBuffer(h);
        std::cout.rdbuf(out);
    }
    if (const HANDLE h = consoleOf(STD_ERROR_HANDLE); h != nullptr && err == nullptr) {
        std::cerr.flush();
        err = new ConsoleBuffer(h);
        std::cerr.rdbuf(err);
    }
}

} // namespace pravelot
