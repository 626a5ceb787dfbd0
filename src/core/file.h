// Opening sources and creating outputs safely.
#pragma once

#include "core/bytewriter.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace pravelot {

// An open regular file for reading; closed by the destructor.
class InputFile {
public:
    // Opens path only when it is a regular file (following links). A pipe or a device
    // is refused without being read from, so it can never block the program.
    static std::optional<InputFile> open(const std::u16string &path);
    InputFile(InputFile &&other) noexcept;
    InputFile &operator=(InputFile &&) = delete;
    ~InputFile();

    int fd() const { return m_fd; }
    std::uint64_t size() const { return m_size; }

private:
    InputFile(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

// What tells one version of a file from another: a file replaced or changed since has
// another identity.
struct FileIdentity {
    std::uint64_t dev = 0, ino = 0, size = 0;
    std::int64_t mtimeSec = 0, mtimeNsec = 0;
    bool operator==(const FileIdentity &) const = default;
};
std::optional<FileIdentity> FileIdentityOf(const std::u16string &path);

// Creates a new file at path with the bytes that write() puts into the writer.
// The bytes go into a temporary file in the same folder first; it is moved into place
// only when it was written whole, and never over anything that stands at path by then.
// Returns false, with nothing left at path or beside it, when any step fails (the
// folder cannot be written, the disk is full, path is taken) or write() returns false.
bool WriteNewFile(const std::u16string &path, const std::function<bool(ByteWriter &)> &write);

// Replaces the file at path with the given bytes: written to a temporary file in the
// same folder, then renamed over it. A failure leaves the old file as it was.
bool ReplaceFile(const std::u16string &path, std::span<const std::uint8_t> bytes);

} // namespace pravelot
