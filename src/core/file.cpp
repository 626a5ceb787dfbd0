// What opening and creating files does alike on every system: when a new file is
// flushed and named, and what is tried when its name is taken. The system calls are in
// file_posix.cpp and file_win.cpp.
#include "core/file.h"

#include "core/fdio.h"

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

namespace {

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
    file.unnamed.reset();
    file.bytes = 0;
    if (file.path.empty())
        return failed(file, NewFileStep::Create,
                      std::make_error_code(std::errc::no_such_file_or_directory));
    auto out = std::make_shared<UnnamedFile>();
    if (const std::error_code e = out->create(file.path))
        return failed(file, NewFileStep::Create, e);
    {
        ByteWriter w(out->fd());
        const bool wrote = write(w);
        if (!w.flush())
            return failed(file, NewFileStep::Write, w.error());
        if (!wrote)
            return failed(file, NewFileStep::Write, {});
    }
    file.bytes = currentOffset(out->fd());
    if (file.leaveUnnamed) {
        file.unnamed = std::move(out);
        return true;
    }
    if (const std::error_code e = out->sync())
        return failed(file, NewFileStep::Write, e);
    return nameNewFile(*out, file);
}

bool nameNewFile(UnnamedFile &unnamed, NewFile &file)
{
    for (int attempt = 0; attempt < kMaxPlaceAttempts; ++attempt) {
        const std::error_code e = unnamed.place(file.path, file.replace);
        if (!e)
            return true;
        if (e != std::errc::file_exists || !file.nextName || file.replace)
            return failed(file, NewFileStep::Place, e);
        // Another program took the name after it was chosen.
        std::optional<std::u16string> next = file.nextName(file.path);
        if (!next || next->empty())
            return failed(file, NewFileStep::Place, e);
        file.path = std::move(*next);
    }
    return failed(file, NewFileStep::Place, std::make_error_code(std::errc::file_exists));
}

bool writeNewFile(const std::u16string &path, const std::function<bool(ByteWriter &)> &write)
{
    NewFile file{path, {}, {}, {}};
    return writeNewFile(file, write);
}

bool replaceFile(const std::u16string &path, std::span<const std::uint8_t> bytes,
                 std::error_code *error)
{
    NewFile file{path, {}, {}, {}, true};
    const bool ok = writeNewFile(file, [&](ByteWriter &w) {
        w.put(bytes);
        return true;
    });
    if (error)
        *error = file.error;
    return ok;
}

} // namespace pravelot
