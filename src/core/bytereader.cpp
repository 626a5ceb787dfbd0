#include "core/bytereader.h"

#include "core/fdio.h"

#include <algorithm>

namespace pravelot {

ByteReader::ByteReader(std::span<const std::uint8_t> data)
    : m_begin(data.data()), m_cur(data.data()), m_end(data.data() + data.size()), m_eof(true),
      m_size(data.size())
{
}

namespace {

// A small file needs no buffer larger than itself; a file of unknown size (0) gets the
// whole refill.
std::size_t refillFor(std::uint64_t fileSize, std::size_t bufferSize)
{
    std::size_t n = std::max<std::size_t>(bufferSize, 1);
    if (fileSize > 0 && fileSize < n)
        n = static_cast<std::size_t>(fileSize);
    return n;
}

} // namespace

ByteReader::ByteReader(int fd, std::uint64_t size, std::size_t bufferSize)
    : m_fd(fd), m_size(size), m_refill(refillFor(size, bufferSize)),
      m_buf(std::make_unique_for_overwrite<std::uint8_t[]>(m_refill)), m_bufSize(m_refill)
{
    m_cur = m_end = m_buf.get();
}

bool ByteReader::fill(std::size_t want)
{
    // Keeps the unread bytes, moves them to the front and reads until want bytes are
    // there (and the buffer at least half full) or the file ends.
    if (m_eof)
        return static_cast<std::size_t>(m_end - m_cur) >= want;
    const std::size_t left = static_cast<std::size_t>(m_end - m_cur);
    const std::size_t consumed = static_cast<std::size_t>(m_cur - m_buf.get());
    const std::size_t room = std::max(want, m_refill);
    if (room > m_bufSize) {
        auto larger = std::make_unique_for_overwrite<std::uint8_t[]>(room);
        std::memcpy(larger.get(), m_cur, left);
        m_buf = std::move(larger);
        m_bufSize = room;
    } else {
        std::memmove(m_buf.get(), m_cur, left);
    }
    m_bufStart += consumed;
    std::size_t have = left;
    while (have < want || have < room / 2) {
        const std::ptrdiff_t n = readSome(m_fd, m_buf.get() + have, room - have);
        if (n <= 0) {
            m_eof = true;
            break;
        }
        have += static_cast<std::size_t>(n);
        if (have == room)
            break;
    }
    m_cur = m_buf.get();
    m_end = m_buf.get() + have;
    return have >= want;
}

std::size_t ByteReader::read(void *dst, std::size_t n)
{
    if (m_failed)
        return 0;
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

std::span<const std::uint8_t> ByteReader::takeSlow(std::size_t n)
{
    if (m_failed || (static_cast<std::size_t>(m_end - m_cur) < n && (n > kMaxTake || !fill(n)))) {
        m_failed = true;
        return {};
    }
    std::span<const std::uint8_t> s(m_cur, n);
    m_cur += n;
    return s;
}

std::span<const std::uint8_t> ByteReader::peekSlow(std::size_t n)
{
    if (m_failed)
        return {};
    if (static_cast<std::size_t>(m_end - m_cur) < n && n <= kMaxTake)
        fill(n);
    return {m_cur, std::min(n, static_cast<std::size_t>(m_end - m_cur))};
}

bool ByteReader::seek(std::uint64_t offset)
{
    if (m_fd < 0) {
        if (offset > m_size)
            return false;
        m_cur = m_begin + offset;
        m_failed = false;
        return true;
    }
    // Within what the buffer holds, the bytes are there already.
    const auto held = static_cast<std::uint64_t>(m_end - m_buf.get());
    if (offset >= m_bufStart && offset - m_bufStart <= held) {
        m_cur = m_buf.get() + (offset - m_bufStart);
        m_failed = false;
        return true;
    }
    if (!seekTo(m_fd, offset))
        return false;
    m_bufStart = offset;
    m_eof = false;
    m_failed = false;
    m_cur = m_end = m_buf.get();
    return true;
}

std::uint64_t ByteReader::remaining() const
{
    const std::uint64_t off = offset();
    return m_size > off ? m_size - off : 0;
}

} // namespace pravelot
