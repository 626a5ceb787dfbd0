// The POSIX side of file.h: opening sources, identities, creating outputs.
//
// A new file is made without a name (O_TMPFILE) in its folder, written, flushed to the
// disk and only then linked to its name, so that no kill, power cut or full disk can
// leave a part of it under any name. Where the file system cannot make unnamed files
// (or /proc is missing, which linking one needs), a hidden temporary name stands in,
// which the signal handlers remove. PRAVELOT_NAMED_TEMPFILES=1 in the environment
// takes that path everywhere, so that it can be tried on any file system.
#include "core/file.h"

#include "core/path.h"
#include "core/text.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace pravelot {

namespace {

std::error_code systemError(int e) { return {e, std::generic_category()}; }

// Empty for a regular file, else what it is.
std::error_code kindError(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return std::make_error_code(std::errc::is_a_directory);
    if (S_ISFIFO(mode))
        return FileKindError::NamedPipe;
    if (S_ISSOCK(mode))
        return FileKindError::Socket;
    return FileKindError::Device;
}

} // namespace

std::error_code checkRegularFile(const std::u16string &path)
{
    struct stat st {};
    if (path.empty())
        return std::make_error_code(std::errc::no_such_file_or_directory);
    if (::stat(nativePath(path).c_str(), &st) != 0)
        return systemError(errno);
    return kindError(st.st_mode);
}

std::optional<InputFile> InputFile::open(const std::u16string &path, std::error_code &error)
{
    // A pipe or a device is told apart before it is opened: opening a device can do
    // things of its own (a tape rewinds).
    error = checkRegularFile(path);
    if (error)
        return std::nullopt;
    // Non-blocking, so that a pipe put there since opens at once.
    int fd = ::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = systemError(errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        error = systemError(errno);
    else
        error = kindError(st.st_mode);
    if (error) {
        ::close(fd);
        return std::nullopt;
    }
    // O_NONBLOCK stays: it has no effect on a regular file.
    return InputFile(fd, static_cast<std::uint64_t>(st.st_size));
}

InputFile::~InputFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<FileIdentity> fileIdentityOf(const std::u16string &path)
{
    struct stat st {};
    if (path.empty() || ::stat(nativePath(path).c_str(), &st) != 0)
        return std::nullopt;
    return FileIdentity{
        static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
        static_cast<std::uint64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
        static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

namespace {

// The named temporary files being written at this moment, where a signal handler can
// find them: a slot is free (0), being filled (1) or holds a path (2).
struct UnfinishedSlot {
    std::atomic<int> state{0};
    char path[PATH_MAX];
};
constexpr int kUnfinishedSlots = 16;
UnfinishedSlot g_unfinished[kUnfinishedSlots];
static_assert(std::atomic<int>::is_always_lock_free);

// Holds back the signals whose handlers remove unfinished files while a temporary file
// and its slot are not in step, so that a handler never removes a name that is not ours
// (yet, or any more). They are taken as soon as the holder goes.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : {SIGTERM, SIGHUP, SIGINT})
            sigaddset(&set, sig);
        pthread_sigmask(SIG_BLOCK, &set, &m_old);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
    SignalsHeld(const SignalsHeld &) = delete;
    SignalsHeld &operator=(const SignalsHeld &) = delete;

private:
    sigset_t m_old;
};

// The slot now holding path, or -1 when all are in use (the file is then only removed
// by its writer).
int rememberUnfinished(const std::string &path)
{
    if (path.size() >= PATH_MAX)
        return -1;
    for (int i = 0; i < kUnfinishedSlots; ++i) {
        int expected = 0;
        if (g_unfinished[i].state.compare_exchange_strong(expected, 1)) {
            std::memcpy(g_unfinished[i].path, path.c_str(), path.size() + 1);
            g_unfinished[i].state.store(2);
            return i;
        }
    }
    return -1;
}

void forgetUnfinished(int slot)
{
    if (slot >= 0)
        g_unfinished[slot].state.store(0);
}

bool namedTempFilesOnly()
{
    static const bool procFd = ::access("/proc/self/fd", X_OK) == 0;
    const char *forced = std::getenv("PRAVELOT_NAMED_TEMPFILES");
    return !procFd || (forced && *forced && std::strcmp(forced, "0") != 0);
}

std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A hidden name beside target, never longer than target's own name, so that it fits
// wherever the target fits. The readable form when it is short enough, else random
// letters and digits; either way the caller creates it exclusively and tries again
// when it is taken.
std::string tempNameFor(const std::string &target, unsigned attempt)
{
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::size_t nameSize = target.size() - folder.size();
    const unsigned n = counter.fetch_add(1);
    std::string name = ".pravelot-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp";
    if (name.size() <= nameSize)
        return folder + name;
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uint64_t r = mix(
        static_cast<std::uint64_t>(::getpid()) << 32 ^ n ^
        static_cast<std::uint64_t>(attempt) << 48 ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    name.assign(nameSize > 1 ? 1 : 0, '.');
    while (name.size() < std::max<std::size_t>(nameSize, 1)) {
        name.push_back(kChars[r % 36]);
        r = r / 36 == 0 ? mix(r) : r / 36;
    }
    return folder + name;
}

// The output while it is written: unnamed, or under a temporary name that is removed
// again unless the file was moved to its name. Closed and cleaned up by the destructor.
class PendingOutput {
public:
    PendingOutput() = default;
    PendingOutput(const PendingOutput &) = delete;
    PendingOutput &operator=(const PendingOutput &) = delete;
    ~PendingOutput()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_tempName.empty() && m_slot < 0)
            return;
        const SignalsHeld held;
        if (!m_tempName.empty())
            ::unlink(m_tempName.c_str());
        forgetUnfinished(m_slot);
    }

    // Opens the file for target in target's folder; 0 or the system's error number.
    int create(const std::string &target)
    {
        if (!namedTempFilesOnly()) {
            const std::size_t slash = target.rfind('/');
            const std::string folder = slash == std::string::npos ? std::string(".")
                                       : slash == 0               ? std::string("/")
                                                                  : target.substr(0, slash);
            m_fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (m_fd >= 0)
                return 0;
            // Anything but a file system without unnamed files is the folder's answer.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return errno;
        }
        return createNamed(target);
    }

    int fd() const { return m_fd; }

    // Flushes the bytes to the disk; 0 or the system's error number.
    int sync()
    {
        if (::fdatasync(m_fd) != 0 && errno != EINVAL)
            return errno;
        if (!m_tempName.empty()) {
            // A named file is linked by its name, so it can be closed now, and a close
            // that fails (a network file system's late write error) still counts.
            const int r = ::close(m_fd);
            m_fd = -1;
            if (r != 0 && errno != EINTR)
                return errno;
        }
        return 0;
    }

    // Gives the file the name target, never over anything that stands there; 0, EEXIST
    // when the name is taken, or the system's error number.
    int place(const std::string &target)
    {
        if (m_tempName.empty()) {
            char proc[64];
            std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", m_fd);
            if (::linkat(AT_FDCWD, proc, AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
                return 0;
            return errno;
        }
        // A hard link never replaces an existing name; where the file system has none,
        // a rename that refuses to replace does the same.
        if (::link(m_tempName.c_str(), target.c_str()) == 0)
            return 0;
        const int linkError = errno;
        if (linkError == EEXIST)
            return EEXIST;
        if (::renameat2(AT_FDCWD, m_tempName.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) ==
            0) {
            m_tempName.clear();
            return 0;
        }
        return errno == EINVAL || errno == ENOSYS ? linkError : errno;
    }

private:
    int createNamed(const std::string &target)
    {
        int e = EEXIST;
        for (unsigned attempt = 0; attempt < 100 && e == EEXIST; ++attempt) {
            std::string tmp = tempNameFor(target, attempt);
            // Created and remembered at one moment for a handler, so that it can neither
            // be left behind nor be taken for a file of the same name that was there.
            const SignalsHeld held;
            m_fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd >= 0) {
                m_slot = rememberUnfinished(tmp);
                m_tempName = std::move(tmp);
                return 0;
            }
            e = errno;
        }
        return e;
    }

    int m_fd = -1;
    std::string m_tempName;
    int m_slot = -1;
};

bool failed(NewFile &file, NewFileStep step, std::error_code error)
{
    file.failedStep = step;
    file.error = error;
    return false;
}

// Enough for every branch number of a name, and an end when names keep vanishing.
constexpr int kMaxPlaceAttempts = 100000;

} // namespace

bool writeNewFile(NewFile &file, const std::function<bool(ByteWriter &)> &write)
{
    file.error.clear();
    if (file.path.empty())
        return failed(file, NewFileStep::Create,
                      std::make_error_code(std::errc::no_such_file_or_directory));
    std::string target = nativePath(file.path);
    PendingOutput out;
    if (const int e = out.create(target))
        return failed(file, NewFileStep::Create, systemError(e));
    {
        ByteWriter w(out.fd());
        const bool wrote = write(w);
        if (!w.flush())
            return failed(file, NewFileStep::Write, w.error());
        if (!wrote)
            return failed(file, NewFileStep::Write, {});
    }
    if (const int e = out.sync())
        return failed(file, NewFileStep::Write, systemError(e));
    for (int attempt = 0; attempt < kMaxPlaceAttempts; ++attempt) {
        const int e = out.place(target);
        if (e == 0)
            return true;
        if (e != EEXIST || !file.nextName)
            return failed(file, NewFileStep::Place, systemError(e));
        // Another program took the name after it was chosen.
        std::optional<std::u16string> next = file.nextName(file.path);
        if (!next || next->empty())
            return failed(file, NewFileStep::Place, systemError(EEXIST));
        file.path = std::move(*next);
        target = nativePath(file.path);
    }
    return failed(file, NewFileStep::Place, systemError(EEXIST));
}

bool replaceFile(const std::u16string &path, std::span<const std::uint8_t> bytes,
                 std::error_code *error)
{
    std::error_code ignored;
    std::error_code &e = error ? *error : ignored;
    e = std::make_error_code(std::errc::no_such_file_or_directory);
    if (path.empty())
        return false;
    const std::string target = nativePath(path);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string tmp = tempNameFor(target, attempt);
        int fd = -1, slot = -1;
        {
            const SignalsHeld held;
            fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0)
                slot = rememberUnfinished(tmp);
        }
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            e = systemError(errno);
            return false;
        }
        ByteWriter w(fd);
        w.put(bytes);
        e.clear();
        if (!w.flush())
            e = w.error();
        else if (::fdatasync(fd) != 0 && errno != EINVAL)
            e = systemError(errno);
        if (::close(fd) != 0 && !e && errno != EINTR)
            e = systemError(errno);
        const SignalsHeld held;
        if (!e && ::rename(tmp.c_str(), target.c_str()) != 0)
            e = systemError(errno);
        if (e)
            ::unlink(tmp.c_str());
        forgetUnfinished(slot);
        return !e;
    }
    e = std::make_error_code(std::errc::file_exists);
    return false;
}

void removeUnfinishedFiles() noexcept
{
    for (UnfinishedSlot &s : g_unfinished)
        if (s.state.load() == 2)
            ::unlink(s.path);
}

} // namespace pravelot
