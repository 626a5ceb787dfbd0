// What opening and creating files does alike on every system; the system calls are in
// file_posix.cpp and file_win.cpp.
#include "core/file.h"

namespace pravelot {

std::optional<InputFile> InputFile::open(const std::u16string &path)
{
    std::error_code ignored;
    return open(path, ignored);
}

InputFile::InputFile(InputFile &&other) noexcept : m_fd(other.m_fd), m_size(other.m_size)
{
    other.m_fd = -1;
}

bool writeNewFile(const std::u16string &path, const std::function<bool(ByteWriter &)> &write)
{
    NewFile file{path, {}, {}, {}};
    return writeNewFile(file, write);
}

} // namespace pravelot
