#include "core/bytereader.h"

#include "core/fdio.h"

#include <algorithm>

namespace pravelot {

ByteReader::ByteReader(std::span<const std::uint8_t> data)
    : m_begin(data.data()), m_cur(data.data()), m_end(data.data() + data.size()),
      m_size(data.size()), m_eof(true)
{
}

ByteReader::ByteReader(int fd, std::uint64_t size, std::size_t bufferSize)
    : m_fd(fd), m_size(size), m_refill(std::max<std::size_t>(bufferSize, 1))
{
    m_buf.resize(m_refill);
    m_cur = m_end = m_buf.data();
}

bool ByteReader::fill(std::size_t want)
{
    // Keeps the unread bytes, moves them to the front and reads until want bytes are
    // there (and the buffer at least half full) or the file ends.
    if (m_eof)
        return static_cast<std::size_t>(m_end - m_cur) >= want;
    const std::size_t left = static_cast<std::size_t>(m_end - m_cur);
    const std::size_t consumed = static_cast<std::size_t>(m_cur - m_buf.data());
    std::memmove(m_buf.data(), m_cur, left);
    m_bufStart += consumed;
    const std::size_t room = std::max(want, m_refill);
    if (room > m_buf.size())
        m_buf.resize(room);
    std::size_t have = left;
    while (have < want || have < room / 2) {
        const std::ptrdiff_t n = readSome(m_fd, m_buf.data() + have, room - have);
        if (n <= 0) {
            m_eof = true;
            break;
        }
        have += static_cast<std::size_t>(n);
        if (have == room)
            break;
    }
    m_cur = m_buf.data();
    m_end = m_buf.data() + have;
    return have >= want;
}

std::size_t ByteReader::read(void *dst, std::size_t n)
{
    auto *out = static_cast<std::uint8_t *>(dst);
    std::size_t done = 0;
    while (done < n) {
        if (m_cur == m_end && !fill(1))
            break;
        std::size_t k = std::min(n - done, static_cast<std::size_t>(m_end - m_cur));
        std::memcpy(out + done, m_cur, k);
        m_cur += k;
        done += k;
    }
    return done;
}

std::span<const std::uint8_t> ByteReader::take(std::size_t n)
{
    if (static_cast<std::size_t>(m_end - m_cur) < n && (n > kMaxTake || !fill(n)))
        return {};
    std::span<const std::uint8_t> s(m_cur, n);
    m_cur += n;
    return s;
}

std::span<const std::uint8_t> ByteReader::peek(std::size_t n)
{
    if (static_cast<std::size_t>(m_end - m_cur) < n && n <= kMaxTake)
        fill(n);
    return std::span<const std::uint8_t>(m_cur,
                                         std::min(n, static_cast<std::size_t>(m_end - m_cur)));
}

bool ByteReader::restart()
{
    if (m_fd < 0) {
        m_cur = m_begin;
        return true;
    }
    if (::lseek(m_fd, 0, SEEK_SET) != 0)
        return false;
    m_bufStart = 0;
    m_eof = false;
    m_cur = m_end = m_buf.data();
    return true;
}

std::uint64_t ByteReader::offset() const
{
    if (m_fd < 0)
        return m_size - static_cast<std::uint64_t>(m_end - m_cur);
    return m_bufStart + static_cast<std::uint64_t>(m_cur - m_buf.data());
}

std::uint64_t ByteReader::remaining() const
{
    const std::uint64_t off = offset();
    return m_size > off ? m_size - off : 0;
}

} // namespace pravelot
