// The POSIX side of file.h and unnamedfile.h: opening sources, identities, the system
// calls that make, flush and name outputs.
//
// A new file is made without a name (O_TMPFILE) in its folder, written, flushed to the
// disk and only then linked to its name, so that no kill, power cut or full disk can
// leave a part of it under any name. Where the file system cannot make unnamed files
// (or /proc is missing, which linking one needs), a hidden temporary name stands in,
// which the signal handlers remove. PRAVELOT_NAMED_TEMPFILES=1 in the environment
// takes that path everywhere, so that it can be tried on any file system.
//
// Temporary names are made, named and removed through a descriptor of their folder,
// never by a path: a folder renamed meanwhile still loses them.
#include "core/file.h"

#include "core/path.h"
#include "core/terminationsignals.h"
#include "core/text.h"

#include <algorithm>
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
#include <vector>

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

// The temporary files being written at this moment, where a signal handler on any
// thread can find them: a slot is free, being filled (its file is being made, with the
// ending signals held on that thread), or holds a name in the folder of a descriptor.
enum SlotState : int { kFree = 0, kFilling = 1, kHolding = 2 };
struct UnfinishedSlot {
    std::atomic<int> state{kFree};
    int folder = -1;
    char name[NAME_MAX + 1];
};
constexpr int kUnfinishedSlots = 256;
UnfinishedSlot g_unfinished[kUnfinishedSlots];
// Set by a handler that ends the program: no temporary file is made after it.
std::atomic<bool> g_ending{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

// Holds back the ending signals on this thread while a temporary file and its slot are
// not in step, so that a handler never meets a slot half filled on its own thread. They
// are taken as soon as the holder goes.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : kEndingSignals)
            sigaddset(&set, sig);
        pthread_sigmask(SIG_BLOCK, &set, &m_old);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
    SignalsHeld(const SignalsHeld &) = delete;
    SignalsHeld &operator=(const SignalsHeld &) = delete;

private:
    sigset_t m_old;
};

// A slot being filled; -1 when all are in use (a file is then removed only by its
// writer), -2 when the program is ending (no file may be made). Called with the signals
// held.
int takeSlot()
{
    if (g_ending.load())
        return -2;
    for (int i = 0; i < kUnfinishedSlots; ++i) {
        int expected = kFree;
        if (g_unfinished[i].state.compare_exchange_strong(expected, kFilling)) {
            // A handler that set g_ending before this slot was taken waits for it to be
            // filled; one that set it after finds it filled.
            if (g_ending.load()) {
                g_unfinished[i].state.store(kFree);
                return -2;
            }
            return i;
        }
    }
    return -1;
}

void fillSlot(int slot, int folder, const std::string &name)
{
    if (slot < 0)
        return;
    g_unfinished[slot].folder = folder;
    std::memcpy(g_unfinished[slot].name, name.c_str(), name.size() + 1);
    g_unfinished[slot].state.store(kHolding);
}

void freeSlot(int slot)
{
    if (slot >= 0)
        g_unfinished[slot].state.store(kFree);
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

// A hidden name for a temporary file beside a target of nameSize bytes, never longer,
// so that it fits wherever the target fits. The readable form when it is short enough,
// else random letters and digits; either way the caller creates it exclusively and
// tries again when it is taken.
std::string tempNameFor(std::size_t nameSize, unsigned attempt)
{
    static std::atomic<unsigned> counter{0};
    const unsigned n = counter.fetch_add(1);
    std::string name = ".pravelot-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp";
    if (name.size() <= nameSize)
        return name;
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
    return name;
}

// The folder part of a native path ("." when there is none) and the size of its name.
std::string folderPart(const std::string &target)
{
    const std::size_t slash = target.rfind('/');
    return slash == std::string::npos ? std::string(".")
           : slash == 0               ? std::string("/")
                                      : target.substr(0, slash);
}
std::size_t nameSizeOf(const std::string &target)
{
    const std::size_t slash = target.rfind('/');
    return slash == std::string::npos ? target.size() : target.size() - slash - 1;
}

// A temporary name in a folder, remembered for the signal handlers from the moment the
// file exists until it is gone again or has become the output. Removed by the
// destructor unless released.
class TempName {
public:
    TempName() = default;
    TempName(const TempName &) = delete;
    TempName &operator=(const TempName &) = delete;
    ~TempName() { remove(); }

    // Makes the name by make(folder, name), which returns 0 or the system's error number
    // (EEXIST: another name is tried); 0 or the error number.
    template <class Make> int create(int folder, std::size_t nameSize, Make make)
    {
        int e = EEXIST;
        for (unsigned attempt = 0; attempt < 100 && e == EEXIST; ++attempt) {
            std::string name = tempNameFor(nameSize, attempt);
            // Made and remembered at one moment for a handler, so that it can neither be
            // left behind nor be taken for a file of the same name that was there.
            const SignalsHeld held;
            const int slot = takeSlot();
            if (slot == -2)
                return EINTR;
            e = make(folder, name);
            if (e == 0) {
                fillSlot(slot, folder, name);
                m_folder = folder;
                m_slot = slot;
                m_name = std::move(name);
            } else {
                freeSlot(slot);
            }
        }
        return e;
    }

    const std::string &name() const { return m_name; }
    bool empty() const { return m_name.empty(); }

    // The name is gone or taken by the output: nothing is removed any more.
    void release()
    {
        const SignalsHeld held;
        freeSlot(m_slot);
        m_slot = -1;
        m_name.clear();
    }

    void remove()
    {
        if (m_name.empty())
            return;
        const SignalsHeld held;
        ::unlinkat(m_folder, m_name.c_str(), 0);
        freeSlot(m_slot);
        m_slot = -1;
        m_name.clear();
    }

private:
    int m_folder = -1;
    int m_slot = -1;
    std::string m_name;
};

} // namespace

// The output while it is written: unnamed, or under a temporary name that is removed
// again unless the file was given its name.
struct UnnamedFile::Impl {
    ~Impl()
    {
        if (fd >= 0)
            ::close(fd);
        temp.remove();
        if (folder >= 0)
            ::close(folder);
    }

    int create(const std::string &target)
    {
        folder = ::open(folderPart(target).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0)
            return errno;
        nameSize = nameSizeOf(target);
        if (!namedTempFilesOnly()) {
            fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (fd >= 0)
                return 0;
            // Anything but a file system without unnamed files is the folder's answer.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return errno;
        }
        return temp.create(folder, nameSize, [this](int in, const std::string &name) {
            fd = ::openat(in, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            return fd >= 0 ? 0 : errno;
        });
    }

    int sync(bool flushed)
    {
        if (!flushed && ::fdatasync(fd) != 0 && errno != EINVAL)
            return errno;
        if (!temp.empty() && fd >= 0) {
            // A named file is linked by its name, so it can be closed now, and a close
            // that fails (a network file system's late write error) still counts.
            const int r = ::close(fd);
            fd = -1;
            if (r != 0 && errno != EINTR)
                return errno;
        }
        return 0;
    }

    int place(const std::string &target, bool replace)
    {
        if (temp.empty())
            return placeUnnamed(target, replace);
        if (replace) {
            if (::renameat(folder, temp.name().c_str(), AT_FDCWD, target.c_str()) != 0)
                return errno;
            temp.release();
            return 0;
        }
        // A hard link never replaces an existing name; where the file system has none,
        // a rename that refuses to replace does the same.
        if (::linkat(folder, temp.name().c_str(), AT_FDCWD, target.c_str(), 0) == 0) {
            temp.remove();
            return 0;
        }
        const int linkError = errno;
        if (linkError == EEXIST)
            return EEXIST;
        if (::renameat2(folder, temp.name().c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) ==
            0) {
            temp.release();
            return 0;
        }
        return errno == EINVAL || errno == ENOSYS ? linkError : errno;
    }

    int placeUnnamed(const std::string &target, bool replace)
    {
        char proc[64];
        std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
        if (::linkat(AT_FDCWD, proc, AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        if (errno != EEXIST || !replace)
            return errno;
        // A link cannot replace: the file gets a hidden name first, which then replaces
        // the old file.
        const int e = temp.create(folder, nameSize, [&](int in, const std::string &name) {
            return ::linkat(AT_FDCWD, proc, in, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
        });
        return e != 0 ? e : place(target, true);
    }

    int folder = -1;
    int fd = -1;
    std::size_t nameSize = 0;
    std::uint64_t device = 0;
    TempName temp;
};

UnnamedFile::UnnamedFile() : m(std::make_unique<Impl>()) {}
UnnamedFile::~UnnamedFile() = default;

std::error_code UnnamedFile::create(const std::u16string &target)
{
    if (const int e = m->create(nativePath(target)))
        return systemError(e);
    struct stat st {};
    if (::fstat(m->fd, &st) == 0)
        m->device = static_cast<std::uint64_t>(st.st_dev);
    return {};
}

int UnnamedFile::fd() const { return m->fd; }

std::uint64_t UnnamedFile::fileSystem() const { return m->device; }

std::error_code UnnamedFile::sync(bool flushed)
{
    const int e = m->sync(flushed);
    return e ? systemError(e) : std::error_code();
}

std::error_code UnnamedFile::place(const std::u16string &target, bool replace)
{
    const int e = m->place(nativePath(target), replace);
    return e ? systemError(e) : std::error_code();
}

std::error_code syncFiles(std::span<UnnamedFile *const> files)
{
    // One syncfs for each file system: it writes out every file there and reports a
    // write-back error of any of them (since the file it is called on was opened).
    std::vector<std::uint64_t> flushed;
    for (UnnamedFile *f : files) {
        if (std::find(flushed.begin(), flushed.end(), f->fileSystem()) != flushed.end())
            continue;
        if (::syncfs(f->fd()) != 0)
            return systemError(errno);
        flushed.push_back(f->fileSystem());
    }
    for (UnnamedFile *f : files)
        if (const std::error_code e = f->sync(true))
            return e;
    return {};
}

void removeUnfinishedFiles(bool forGood) noexcept
{
    if (forGood)
        g_ending.store(true);
    for (UnfinishedSlot &s : g_unfinished) {
        // A slot being filled is on another thread, whose signals are held: it is
        // waited for.
        int state = s.state.load();
        while (state == kFilling)
            state = s.state.load();
        if (state == kHolding)
            ::unlinkat(s.folder, s.name, 0);
    }
}

} // namespace pravelot
