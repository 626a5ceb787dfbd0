// ByteReader: little-endian reads from memory or from a file, buffered, with a sticky
// failure.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <type_traits>
#include <utility>

namespace pravelot {

static_assert(std::endian::native == std::endian::little,
              "the figure formats are little-endian and are read by plain copies");

// Reads from a span it does not own, or from an open file descriptor it does not own
// (through a buffer of its own). Reads never go past the end of the data.
//
// The failure is sticky: a take() or a typed read that cannot deliver all its bytes
// yields nothing (zero), leaves the offset where it was and makes the reader fail; from
// then on every read yields nothing, so a record reads as a plain list of fields with
// one check of ok() at its end. read() and peek() deliver what is there without failing
// (nothing once the reader has failed).
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data);
    // fd must stay open for the reader's lifetime; size is the file's size when known,
    // used only as an upper bound for allocations (remaining()). The file is read in
    // refills of a buffer of bufferSize bytes (at least 1, at most the file's size when
    // that is known), which grows when a single take() or peek() asks for more.
    ByteReader(int fd, std::uint64_t size, std::size_t bufferSize = kFileBufferSize);

    // False once a read has failed.
    bool ok() const { return !m_failed; }
    // Makes the reader fail from here on, for a value its caller cannot go on with.
    void fail() { m_failed = true; }

    // Copies up to n bytes to dst; returns how many were delivered (fewer at the end).
    std::size_t read(void *dst, std::size_t n);
    // n contiguous bytes, valid until the next call; empty span, no progress and a
    // failure when fewer than n bytes are left. n must not exceed kMaxTake.
    std::span<const std::uint8_t> take(std::size_t n)
    {
        if (m_failed || static_cast<std::size_t>(m_end - m_cur) < n)
            return takeSlow(n);
        std::span<const std::uint8_t> s(m_cur, n);
        m_cur += n;
        return s;
    }
    // Up to n bytes from the current offset without moving past them (fewer at the end);
    // valid until the next call. n must not exceed kMaxTake.
    std::span<const std::uint8_t> peek(std::size_t n)
    {
        if (m_failed || static_cast<std::size_t>(m_end - m_cur) < n)
            return peekSlow(n);
        return {m_cur, n};
    }

    // Reads v; on failure v is zero and the result false.
    template <class T>
    requires std::is_arithmetic_v<T>
    bool get(T &v)
    {
        if (!m_failed && m_end - m_cur >= static_cast<std::ptrdiff_t>(sizeof(T))) {
            std::memcpy(&v, m_cur, sizeof(T));
            m_cur += sizeof(T);
            return true;
        }
        auto s = takeSlow(sizeof(T));
        if (s.empty()) {
            v = T{};
            return false;
        }
        std::memcpy(&v, s.data(), sizeof(T));
        return true;
    }
    // The value read, or zero on failure.
    template <class T>
    requires std::is_arithmetic_v<T> T get()
    {
        T v;
        get(v);
        return v;
    }

    // Goes back to the start of the data, for another reading of it, and clears a
    // failure; false when a file cannot go back (the reader then stays as it was).
    bool restart() { return seek(0); }
    // Goes to offset (at most the data's size) and clears a failure; false when it is
    // past the data or a file cannot go there (the reader then stays as it was).
    bool seek(std::uint64_t offset);

    // Offset of the next byte from the start of the data.
    std::uint64_t offset() const
    {
        if (m_fd < 0)
            return m_size - static_cast<std::uint64_t>(m_end - m_cur);
        return m_bufStart + static_cast<std::uint64_t>(m_cur - m_buf.get());
    }
    // Upper bound of the bytes left (exact for memory; the size at open for files).
    std::uint64_t remaining() const;

    static constexpr std::size_t kMaxTake = 1 << 18;
    static constexpr std::size_t kFileBufferSize = 1 << 20;

private:
    bool fill(std::size_t want);
    std::span<const std::uint8_t> takeSlow(std::size_t n);
    std::span<const std::uint8_t> peekSlow(std::size_t n);

    const std::uint8_t *m_begin = nullptr; // the data in memory
    const std::uint8_t *m_cur = nullptr;
    const std::uint8_t *m_end = nullptr;
    int m_fd = -1;
    bool m_eof = false;
    bool m_failed = false;
    std::uint64_t m_size = 0;
    std::uint64_t m_bufStart = 0; // file offset of m_buf[0]
    std::size_t m_refill = 0;     // bytes a refill brings the buffer up to
    // Left uninitialised: only the bytes read into it are ever looked at.
    std::unique_ptr<std::uint8_t[]> m_buf;
    std::size_t m_bufSize = 0;
};

} // namespace pravelot
