#include "core/bytewriter.h"

#include "core/fdio.h"

#include <algorithm>
#include <cerrno>

namespace pravelot {

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
}

ByteWriter::ByteWriter()
{
    m_buf.resize(4096);
    m_cur = m_buf.data();
    m_end = m_cur + m_buf.size();
}

ByteWriter::ByteWriter(int fd) : m_fd(fd)
{
    m_buf.resize(kBufferSize);
    m_cur = m_buf.data();
    m_end = m_cur + m_buf.size();
}

void ByteWriter::makeRoom(std::size_t n)
{
    if (m_fd >= 0) {
        flush();
        if (static_cast<std::size_t>(m_end - m_cur) >= n)
            return;
    }
    // Memory, or a single piece larger than the file buffer: grow.
    const std::size_t used = static_cast<std::size_t>(m_cur - m_buf.data());
    m_buf.resize(std::max(m_buf.size() * 2, used + n));
    m_cur = m_buf.data() + used;
    m_end = m_buf.data() + m_buf.size();
}

void ByteWriter::put(std::span<const std::uint8_t> bytes)
{
    if (static_cast<std::size_t>(m_end - m_cur) < bytes.size())
        makeRoom(bytes.size());
    if (!bytes.empty())
        std::memcpy(m_cur, bytes.data(), bytes.size());
    m_cur += bytes.size();
}

void ByteWriter::fill(std::uint8_t value, std::size_t count)
{
    if (static_cast<std::size_t>(m_end - m_cur) < count)
        makeRoom(count);
    std::memset(m_cur, value, count);
    m_cur += count;
}

bool ByteWriter::flush()
{
    if (m_fd < 0)
        return m_ok;
    const std::uint8_t *p = m_buf.data();
    std::size_t left = static_cast<std::size_t>(m_cur - p);
    while (m_ok && left > 0) {
        const std::ptrdiff_t n = writeSome(m_fd, p, left);
        if (n <= 0) {
            m_ok = false;
            // A write that takes nothing without saying why is the device's failure.
            m_error = n < 0 ? std::error_code(errno, std::generic_category())
                            : std::make_error_code(std::errc::io_error);
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    m_cur = m_buf.data();
    return m_ok;
}

std::vector<std::uint8_t> ByteWriter::take()
{
    m_buf.resize(static_cast<std::size_t>(m_cur - m_buf.data()));
    std::vector<std::uint8_t> out = std::move(m_buf);
    m_buf.assign(4096, 0);
    m_cur = m_buf.data();
    m_end = m_cur + m_buf.size();
    return out;
}

} // namespace pravelot
