// ByteReader: little-endian reads from memory or from a file, buffered.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

namespace pravelot {

static_assert(std::endian::native == std::endian::little,
              "the figure formats are little-endian and are read by plain copies");

// Reads from a span it does not own, or from an open file descriptor it does not own
// (through a buffer of its own). Reads never go past the end of the data: read()
// delivers what is there; take() and the typed reads either deliver everything or
// fail, leaving the offset where it was.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data);
    // fd must stay open for the reader's lifetime; size is the file's size when known,
    // used only as an upper bound for allocations (remaining()). The file is read in
    // refills of a buffer of bufferSize bytes (at least 1), which grows when a single
    // take() or peek() asks for more.
    ByteReader(int fd, std::uint64_t size, std::size_t bufferSize = kFileBufferSize);

    // Copies up to n bytes to dst; returns how many were delivered (fewer at the end).
    std::size_t read(void *dst, std::size_t n);
    // n contiguous bytes, valid until the next call; empty span and no progress when
    // fewer than n bytes are left. n must not exceed kMaxTake.
    std::span<const std::uint8_t> take(std::size_t n);
    // Up to n bytes from the current offset without moving past them (fewer at the end);
    // valid until the next call. n must not exceed kMaxTake.
    std::span<const std::uint8_t> peek(std::size_t n);

    template <class T>
    requires std::is_arithmetic_v<T>
    bool get(T &v)
    {
        if (m_end - m_cur >= static_cast<std::ptrdiff_t>(sizeof(T))) {
            std::memcpy(&v, m_cur, sizeof(T));
            m_cur += sizeof(T);
            return true;
        }
        auto s = take(sizeof(T));
        if (s.empty())
            return false;
        std::memcpy(&v, s.data(), sizeof(T));
        return true;
    }

    // Goes back to the start of the data, for another reading of it; false when a file
    // cannot go back (the reader then stays where it was).
    bool restart();

    // Offset of the next byte from the start of the data.
    std::uint64_t offset() const;
    // Upper bound of the bytes left (exact for memory; the size at open for files).
    std::uint64_t remaining() const;

    static constexpr std::size_t kMaxTake = 1 << 18;
    static constexpr std::size_t kFileBufferSize = 1 << 20;

private:
    bool fill(std::size_t want);

    const std::uint8_t *m_begin = nullptr; // the data in memory
    const std::uint8_t *m_cur = nullptr;
    const std::uint8_t *m_end = nullptr;
    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::uint64_t m_bufStart = 0; // file offset of m_buf[0]
    std::size_t m_refill = 0;     // bytes a refill brings the buffer up to
    bool m_eof = false;
    std::vector<std::uint8_t> m_buf;
};

} // namespace pravelot
