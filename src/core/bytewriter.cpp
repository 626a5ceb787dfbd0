#include "core/bytewriter.h"

#include <cerrno>
#include <unistd.h>

namespace pravelot {

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
}

ByteWriter::ByteWriter(int fd) : m_fd(fd), m_limit(kBufferSize) { m_buf.reserve(kBufferSize); }

void ByteWriter::put(std::span<const std::uint8_t> bytes)
{
    if (m_buf.size() + bytes.size() > m_limit)
        spill();
    m_buf.insert(m_buf.end(), bytes.begin(), bytes.end());
}

void ByteWriter::fill(std::uint8_t value, std::size_t count)
{
    if (m_buf.size() + count > m_limit)
        spill();
    m_buf.insert(m_buf.end(), count, value);
}

void ByteWriter::spill()
{
    if (m_fd < 0)
        return;
    flush();
}

bool ByteWriter::flush()
{
    if (m_fd < 0)
        return m_ok;
    const std::uint8_t *p = m_buf.data();
    std::size_t left = m_buf.size();
    while (m_ok && left > 0) {
        ssize_t n = ::write(m_fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    m_buf.clear();
    return m_ok;
}

} // namespace pravelot
