// The POSIX side of file.h: opening sources, identities, creating outputs.
#include "core/file.h"

#include "core/path.h"
#include "core/text.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace pravelot {

std::optional<InputFile> InputFile::open(const std::u16string &path)
{
    if (path.empty())
        return std::nullopt;
    // Non-blocking, so that opening a pipe with nobody writing to it returns at once.
    int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // O_NONBLOCK stays: it has no effect on a regular file.
    return InputFile(fd, static_cast<std::uint64_t>(st.st_size));
}

InputFile::InputFile(InputFile &&other) noexcept : m_fd(other.m_fd), m_size(other.m_size)
{
    other.m_fd = -1;
}

InputFile::~InputFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<FileIdentity> FileIdentityOf(const std::u16string &path)
{
    struct stat st {};
    if (path.empty() || ::stat(NativePath(path).c_str(), &st) != 0)
        return std::nullopt;
    return FileIdentity{
        static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
        static_cast<std::uint64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
        static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

namespace {

// A hidden name beside target that no other process of ours uses.
std::string tempNameFor(const std::string &target)
{
    static std::atomic<unsigned> counter{0};
    std::string folder;
    std::size_t slash = target.rfind('/');
    if (slash != std::string::npos)
        folder = target.substr(0, slash + 1);
    return folder + ".pravelot-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + ".tmp";
}

int createTemp(const std::string &target, std::string &tmp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = tempNameFor(target);
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeAll(int fd, const std::function<bool(ByteWriter &)> &write)
{
    ByteWriter w(fd);
    bool ok = write(w);
    return w.flush() && ok;
}

} // namespace

bool WriteNewFile(const std::u16string &path, const std::function<bool(ByteWriter &)> &write)
{
    if (path.empty())
        return false;
    const std::string target = NativePath(path);
    std::string tmp;
    int fd = createTemp(target, tmp);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, write);
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // A hard link never replaces an existing name; where the file system has none,
    // a rename that refuses to replace does the same.
    bool placed = ::link(tmp.c_str(), target.c_str()) == 0;
    if (!placed && errno != EEXIST) {
        placed =
            ::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0;
        if (placed)
            return true;
    }
    ::unlink(tmp.c_str());
    return placed;
}

bool ReplaceFile(const std::u16string &path, std::span<const std::uint8_t> bytes)
{
    if (path.empty())
        return false;
    const std::string target = NativePath(path);
    std::string tmp;
    int fd = createTemp(target, tmp);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, [&](ByteWriter &w) {
        w.put(bytes);
        return true;
    });
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(tmp.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(tmp.c_str());
    return false;
}

} // namespace pravelot
