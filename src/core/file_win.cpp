// The Windows side of file.h: the wide-character API with extended paths. Readers and
// writers get a C runtime descriptor over the Windows handle.
#include "core/file.h"

#include "core/path.h"
#include "core/widepath.h"

#include <atomic>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <windows.h>

// <windows.h> names ReplaceFileW so; ours is another function.
#undef ReplaceFile

namespace pravelot {

namespace {

// A descriptor that owns h, or -1 (and h closed).
int descriptorOf(HANDLE h, int flags)
{
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
    if (fd < 0)
        CloseHandle(h);
    return fd;
}

HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

std::uint64_t sizeOf(const BY_HANDLE_FILE_INFORMATION &info)
{
    return (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

} // namespace

std::optional<InputFile> InputFile::open(const std::u16string &path)
{
    const std::wstring p = WidePath(path);
    // A device path ("\\.\COM1") is no figure file.
    if (p.empty() || p.starts_with(LR"(\\.\)"))
        return std::nullopt;
    // Other programs may read the file meanwhile, not change it. A folder does not open
    // (no FILE_FLAG_BACKUP_SEMANTICS).
    const HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(h);
        return std::nullopt;
    }
    const int fd = descriptorOf(h, _O_RDONLY);
    if (fd < 0)
        return std::nullopt;
    return InputFile(fd, sizeOf(info));
}

InputFile::InputFile(InputFile &&other) noexcept : m_fd(other.m_fd), m_size(other.m_size)
{
    other.m_fd = -1;
}

InputFile::~InputFile()
{
    if (m_fd >= 0)
        ::_close(m_fd);
}

std::optional<FileIdentity> FileIdentityOf(const std::u16string &path)
{
    const std::wstring p = WidePath(path);
    if (p.empty())
        return std::nullopt;
    const HANDLE h =
        CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok)
        return std::nullopt;
    // The last write time counts in 100 ns steps.
    const std::uint64_t t = (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                            info.ftLastWriteTime.dwLowDateTime;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
                        sizeOf(info), static_cast<std::int64_t>(t / 10000000),
                        static_cast<std::int64_t>(t % 10000000) * 100};
}

namespace {

// A name beside target (an extended path) that no other process of ours uses.
std::wstring tempNameFor(const std::wstring &target)
{
    static std::atomic<unsigned> counter{0};
    return target.substr(0, target.rfind(L'\\') + 1) + L".pravelot-" +
           std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter.fetch_add(1)) +
           L".tmp";
}

// A new hidden file beside target, open for writing as a descriptor; -1 when none can be
// made.
int createTemp(const std::wstring &target, std::wstring &tmp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = tempNameFor(target);
        const HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return descriptorOf(h, _O_WRONLY);
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return -1;
    }
    return -1;
}

// Writes through the writer, puts the bytes on the disk and makes the file an ordinary
// visible one; closes fd in every case.
bool writeAndClose(int fd, const std::function<bool(ByteWriter &)> &write)
{
    bool ok = false;
    {
        ByteWriter w(fd);
        ok = write(w);
        ok = w.flush() && ok;
    }
    const HANDLE h = handleOf(fd);
    ok = ok && FlushFileBuffers(h);
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    ok = ok && SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic);
    return ::_close(fd) == 0 && ok;
}

} // namespace

bool WriteNewFile(const std::u16string &path, const std::function<bool(ByteWriter &)> &write)
{
    const std::wstring target = WidePath(path);
    if (target.empty() || target.starts_with(LR"(\\.\)"))
        return false;
    std::wstring tmp;
    const int fd = createTemp(target, tmp);
    if (fd < 0)
        return false;
    bool ok = false;
    try {
        ok = writeAndClose(fd, write);
    } catch (...) {
        DeleteFileW(tmp.c_str());
        throw;
    }
    // Without MOVEFILE_REPLACE_EXISTING the move fails when anything has taken the name
    // meanwhile, whatever the case of its letters.
    if (ok && MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(tmp.c_str());
    return false;
}

bool ReplaceFile(const std::u16string &path, std::span<const std::uint8_t> bytes)
{
    const std::wstring target = WidePath(path);
    if (target.empty() || target.starts_with(LR"(\\.\)"))
        return false;
    std::wstring tmp;
    const int fd = createTemp(target, tmp);
    if (fd < 0)
        return false;
    const bool ok = writeAndClose(fd, [&](ByteWriter &w) {
        w.put(bytes);
        return true;
    });
    if (ok && MoveFileExW(tmp.c_str(), target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(tmp.c_str());
    return false;
}

} // namespace pravelot
