// A new file while it is written and until it gets its name: the system calls of each
// platform behind one interface (in file_posix.cpp and file_win.cpp). What to do with it —
// when to flush, which name to give, what to try when a name is taken — is written once,
// in file.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>

namespace pravelot {

class UnnamedFile {
public:
    UnnamedFile();
    ~UnnamedFile(); // closes it, and removes it unless it got its name
    UnnamedFile(const UnnamedFile &) = delete;
    UnnamedFile &operator=(const UnnamedFile &) = delete;

    // Makes the file in the folder of target (whose name sets the longest temporary name
    // it may have): without a name where the system can, else under a hidden temporary
    // one that the signal handlers remove. Empty or the system's reason.
    std::error_code create(const std::u16string &target);
    // The descriptor to write the bytes through.
    int fd() const;
    // The file system the file is on, so that many files are flushed once for each.
    std::uint64_t fileSystem() const;
    // Puts its bytes on the disk, or (flushed) takes a flush of its whole file system
    // made since it was written as having done so; then the file is ready to be named.
    // Empty or the system's reason.
    std::error_code sync(bool flushed = false);
    // Gives the file the name target: never over anything that stands there, unless
    // replace, when a file there is replaced at one stroke. Empty,
    // std::errc::file_exists when the name is taken, or the system's reason.
    std::error_code place(const std::u16string &target, bool replace);

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

// Puts the bytes of every file on the disk: one flush of each file system they are on
// where the system has that (Linux's syncfs), else each file on its own. Empty or the
// first reason a flush failed for; the files are then ready to be named.
std::error_code syncFiles(std::span<UnnamedFile *const> files);

} // namespace pravelot
