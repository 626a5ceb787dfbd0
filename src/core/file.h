// Opening sources and creating outputs safely.
#pragma once

#include "core/bytewriter.h"
#include "core/filereason.h"
#include "core/unnamedfile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace pravelot {

// An open regular file for reading; closed by the destructor.
class InputFile {
public:
    // Opens path only when it is a regular file (following links). A pipe or a device
    // is refused without being read from, so it can never block the program. On failure
    // error holds the reason, as checkRegularFile gives it, or the system's reason for
    // not opening the file (std::errc::permission_denied …).
    static std::optional<InputFile> open(const std::u16string &path, std::error_code &error);
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

// Empty when a regular file stands at path (following links), without opening it; else
// why not: the system's reason (std::errc::no_such_file_or_directory …),
// std::errc::is_a_directory for a folder, or a FileKindError for a pipe, a socket or a
// device.
std::error_code checkRegularFile(const std::u16string &path);

// What tells one version of a file from another: a file replaced or changed since has
// another identity.
struct FileIdentity {
    std::uint64_t dev = 0, ino = 0, size = 0;
    std::int64_t mtimeSec = 0, mtimeNsec = 0;
    bool operator==(const FileIdentity &) const = default;
};
std::optional<FileIdentity> fileIdentityOf(const std::u16string &path);

// The step at which creating a new file failed.
enum class NewFileStep {
    Create, // no file could be made in the folder
    Write,  // the bytes could not be written whole, or the writer gave up
    Place,  // the file could not be given its name (a name taken by then included)
};

// A new file: the name it is to have, what to do when another program takes that name
// first, and afterwards the name it got or why it was not made.
struct NewFile {
    // In: the name wanted. After success: the name the file got.
    std::u16string path;
    // Asked, with the taken name, when path was free when chosen but taken by the time
    // the file was complete: the next name to try, or nullopt to give up. Not set: give
    // up at once.
    std::function<std::optional<std::u16string>(const std::u16string &taken)> nextName;
    // After a failure: the step, and the system's reason (std::errc::file_exists when
    // the name was taken; empty when write() itself gave up).
    NewFileStep failedStep = NewFileStep::Create;
    std::error_code error;
    // Whether a file that stands at path is replaced (a picture written again): the new
    // file takes the name at one stroke, and until then the old one stays whole. nextName
    // is then never asked. Off: nothing is ever written over.
    bool replace = false;
    // Set: the file is written whole but neither flushed nor named, and left in unnamed,
    // so that many are flushed at once (syncFiles) before each is named (nameNewFile).
    // path is then the name wanted, in the folder where the file is made.
    bool leaveUnnamed = false;
    std::shared_ptr<UnnamedFile> unnamed{};
    // After success: the number of bytes written.
    std::uint64_t bytes = 0;
};

// Creates a new file with the bytes that write() puts into the writer. The bytes go
// into a file without a name in the target's folder (a hidden temporary file no longer
// than the target's name where the file system cannot do that), are flushed to the disk,
// and only then does the file get its name, never over anything that stands there by
// then. Returns false, with nothing left at the name or beside it, when any step fails
// or write() returns false; file.failedStep and file.error then tell why. An exception
// from write() (std::bad_alloc) leaves nothing behind either and is passed on.
bool writeNewFile(NewFile &file, const std::function<bool(ByteWriter &)> &write);
// Gives a file written and flushed its name file.path, asking file.nextName while the
// name is taken (see NewFile); false, with file.failedStep Place and file.error, when no
// name could be given. The file is left for its owner to drop (and so removed) then.
bool nameNewFile(UnnamedFile &unnamed, NewFile &file);
bool writeNewFile(const std::u16string &path, const std::function<bool(ByteWriter &)> &write);

// Replaces the file at path with the given bytes, or makes it: writeNewFile with
// replace. A failure leaves the old file as it was; error, when given, then holds the
// system's reason.
bool replaceFile(const std::u16string &path, std::span<const std::uint8_t> bytes,
                 std::error_code *error = nullptr);

// Removes the temporary files of outputs being written at this moment (those a file
// system without unnamed files made necessary, and an unnamed file on its way to
// replace another); their writes then fail. With forGood (a handler that ends the
// program), no new one is made afterwards either. Safe to call from a signal handler,
// on any thread.
void removeUnfinishedFiles(bool forGood = false) noexcept;

} // namespace pravelot
