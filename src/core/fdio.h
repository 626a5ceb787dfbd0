// Reading and writing an open file descriptor the same way on every system.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace pravelot {

// Moves the file's position to offset from its start; false when the system refuses.
inline bool seekTo(int fd, std::uint64_t offset)
{
#ifdef _WIN32
    const auto to = static_cast<__int64>(offset);
    return to >= 0 && ::_lseeki64(fd, to, SEEK_SET) == to;
#else
    const auto to = static_cast<off_t>(offset);
    return to >= 0 && ::lseek(fd, to, SEEK_SET) == to;
#endif
}

// The file's position from its start (after writing: the bytes written); 0 when the
// system cannot tell.
inline std::uint64_t currentOffset(int fd)
{
#ifdef _WIN32
    const __int64 at = ::_lseeki64(fd, 0, SEEK_CUR);
#else
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
#endif
    return at > 0 ? static_cast<std::uint64_t>(at) : 0;
}

// One read of up to n bytes into dst: the number read, 0 at the end of the file, -1 when
// the read failed (errno tells why). An interrupted read is tried again.
inline std::ptrdiff_t readSome(int fd, void *dst, std::size_t n)
{
    for (;;) {
#ifdef _WIN32
        // The C runtime counts in unsigned int.
        const int got = ::_read(fd, dst, static_cast<unsigned>(std::min<std::size_t>(n, 1u << 30)));
#else
        const ssize_t got = ::read(fd, dst, n);
#endif
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

// Reads until n bytes are in dst, the file ends or a read fails; the number read.
inline std::size_t readUpTo(int fd, void *dst, std::size_t n)
{
    auto *out = static_cast<unsigned char *>(dst);
    std::size_t got = 0;
    while (got < n) {
        const std::ptrdiff_t k = readSome(fd, out + got, n - got);
        if (k <= 0)
            break;
        got += static_cast<std::size_t>(k);
    }
    return got;
}

// One write of up to n bytes from src: the number written, -1 when the write failed
// (errno tells why). An interrupted write is tried again.
inline std::ptrdiff_t writeSome(int fd, const void *src, std::size_t n)
{
    for (;;) {
#ifdef _WIN32
        const int put =
            ::_write(fd, src, static_cast<unsigned>(std::min<std::size_t>(n, 1u << 30)));
#else
        const ssize_t put = ::write(fd, src, n);
#endif
        if (put >= 0 || errno != EINTR)
            return put;
    }
}

} // namespace pravelot
