// ByteWriter: little-endian writes into memory or, through a buffer, into a file.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <system_error>
#include <type_traits>
#include <utility>
#include <vector>

namespace pravelot {

// Writes into a growing memory buffer, or into an open file descriptor it does not own.
// A failed write to the file makes the writer fail for good (ok() false); later writes
// are dropped.
class ByteWriter {
public:
    ByteWriter();                // into memory: release() hands over the bytes
    explicit ByteWriter(int fd); // into the file, buffered; call flush() at the end

    void put(std::span<const std::uint8_t> bytes);
    void fill(std::uint8_t value, std::size_t count);
    template <class T>
    requires std::is_arithmetic_v<T>
    void put(T v)
    {
        if (m_end - m_cur < static_cast<std::ptrdiff_t>(sizeof(T)))
            makeRoom(sizeof(T));
        std::memcpy(m_cur, &v, sizeof(T));
        m_cur += sizeof(T);
    }
    void u8(std::uint8_t v) { put(v); }
    void u16(std::uint16_t v) { put(v); }
    void u32(std::uint32_t v) { put(v); }
    void i32(std::int32_t v) { put(v); }
    void f64(double v) { put(v); }

    // Writes out what is buffered; false when any write failed.
    bool flush();
    bool ok() const { return m_ok; }
    // The system's reason for the first failed write to the file; empty while ok().
    std::error_code error() const { return m_error; }
    // Hands over the bytes written into memory; the writer starts empty again.
    std::vector<std::uint8_t> release();

private:
    void makeRoom(std::size_t n);

    // Into memory: the bytes grow in m_buf. Into a file: they pass through m_fileBuf,
    // left uninitialised since only the bytes written into it are ever written out.
    std::vector<std::uint8_t> m_buf;
    std::unique_ptr<std::uint8_t[]> m_fileBuf;
    std::size_t m_fileBufSize = 0;
    std::uint8_t *m_start = nullptr; // first byte of the buffer in use
    std::uint8_t *m_cur = nullptr;   // next byte to write
    std::uint8_t *m_end = nullptr;   // end of the buffer's usable room
    int m_fd = -1;
    bool m_ok = true;
    std::error_code m_error;
};

} // namespace pravelot
