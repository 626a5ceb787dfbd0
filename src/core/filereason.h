// Why a file could not be read or written, in words: the system's reasons, and what a
// path names when it is no file at all.
#pragma once

#include <string>
#include <system_error>

namespace pravelot {

// A path that names something other than a file or a folder. Such a thing is never read
// from: a pipe or a device could make the program wait for ever.
enum class FileKindError {
    NamedPipe = 1, // a FIFO
    Socket,
    Device,       // a character or block device
    ReservedName, // on Windows, a name kept for a device in every folder (CON, NUL, COM1 …)
};
const std::error_category &fileKindCategory();
std::error_code make_error_code(FileKindError e);

// The reason in Japanese, as a short phrase without a full stop, for texts that are
// Japanese in every language (the check's findings, the window). A reason without a
// Japanese phrase is given by its number.
std::u16string reasonInJapanese(const std::error_code &error);

} // namespace pravelot

template <> struct std::is_error_code_enum<pravelot::FileKindError> : std::true_type {
};
