// The Windows side of file.h and unnamedfile.h: the wide-character API with extended
// paths. Readers and writers get a C runtime descriptor over the Windows handle.
//
// A new file is made under a hidden temporary name in its folder and marked for deletion
// at once, so that Windows removes it whatever ends the program (a crash, Ctrl-C, a
// power cut before it was ever flushed). Only when it is written and flushed is the mark
// taken back and the file renamed through its own handle, never over anything that
// stands at the name by then.
#include "core/file.h"

#include "core/path.h"
#include "core/widepath.h"

#include <atomic>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>
#include <windows.h>

namespace pravelot {

namespace {

// The system's reason, in the portable codes where there is one, so that messages read
// the same as on other systems.
std::error_code systemError(DWORD e)
{
    switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return std::make_error_code(std::errc::permission_denied);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return std::make_error_code(std::errc::device_or_resource_busy);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return std::make_error_code(std::errc::file_exists);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_FILENAME_EXCED_RANGE:
        return std::make_error_code(std::errc::filename_too_long);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
        return std::make_error_code(std::errc::invalid_argument);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return std::make_error_code(std::errc::not_enough_memory);
    default:
        return {static_cast<int>(e), std::system_category()};
    }
}

std::error_code lastError() { return systemError(GetLastError()); }

bool isDevicePath(const std::wstring &p) { return p.starts_with(LR"(\\.\)"); }

// Why a path that leads to a device is no file: a file name the user gave that Windows
// keeps for a device (CON, NUL, COM1 in any folder), or a device named as one.
std::error_code deviceError(const std::u16string &path)
{
    return path.starts_with(uR"(\\.\)") ? FileKindError::Device : FileKindError::ReservedName;
}

// A descriptor that owns h, or -1 (and h closed).
int descriptorOf(HANDLE h, int flags)
{
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
    if (fd < 0)
        CloseHandle(h);
    return fd;
}

// Empty for a file on a disk, else what the handle leads to.
std::error_code kindError(HANDLE h)
{
    switch (GetFileType(h)) {
    case FILE_TYPE_DISK:
        return {};
    case FILE_TYPE_PIPE:
        return FileKindError::NamedPipe;
    default:
        return FileKindError::Device;
    }
}

std::uint64_t sizeOf(const BY_HANDLE_FILE_INFORMATION &info)
{
    return (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

} // namespace

std::optional<InputFile> InputFile::open(const std::u16string &path, std::error_code &error)
{
    error.clear();
    const std::wstring p = widePath(path);
    if (p.empty()) {
        error = std::make_error_code(std::errc::no_such_file_or_directory);
        return std::nullopt;
    }
    // A reserved name (CON, NUL, COM1 in any folder) or another device is never read: the
    // console would wait for the keyboard.
    if (isDevicePath(p)) {
        error = deviceError(path);
        return std::nullopt;
    }
    // Other programs may read the file meanwhile, not change it. A folder does not open
    // this way (no FILE_FLAG_BACKUP_SEMANTICS).
    const HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        const DWORD a = GetFileAttributesW(p.c_str());
        error = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)
                    ? std::make_error_code(std::errc::is_a_directory)
                    : systemError(e);
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    error = kindError(h);
    if (!error && !GetFileInformationByHandle(h, &info))
        error = lastError();
    if (!error && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        error = std::make_error_code(std::errc::is_a_directory);
    if (error) {
        CloseHandle(h);
        return std::nullopt;
    }
    const int fd = descriptorOf(h, _O_RDONLY);
    if (fd < 0) {
        error = std::make_error_code(std::errc::too_many_files_open);
        return std::nullopt;
    }
    return InputFile(fd, sizeOf(info));
}

InputFile::~InputFile()
{
    if (m_fd >= 0)
        ::_close(m_fd);
}

std::error_code checkRegularFile(const std::u16string &path)
{
    const std::wstring p = widePath(path);
    if (p.empty())
        return std::make_error_code(std::errc::no_such_file_or_directory);
    if (isDevicePath(p))
        return deviceError(path);
    // No access asked for, so no other program's sharing mode stands in the way; a folder
    // opens too.
    const HANDLE h =
        CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return lastError();
    BY_HANDLE_FILE_INFORMATION info{};
    std::error_code error = kindError(h);
    if (!error && !GetFileInformationByHandle(h, &info))
        error = lastError();
    if (!error && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        error = std::make_error_code(std::errc::is_a_directory);
    CloseHandle(h);
    return error;
}

std::optional<FileIdentity> fileIdentityOf(const std::u16string &path)
{
    const std::wstring p = widePath(path);
    if (p.empty() || isDevicePath(p))
        return std::nullopt;
    // No access asked for, so no other program's sharing mode stands in the way; a folder
    // opens too.
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
    // The last write time counts in steps of 100 ns.
    const std::uint64_t t = (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                            info.ftLastWriteTime.dwLowDateTime;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
                        sizeOf(info), static_cast<std::int64_t>(t / 10000000),
                        static_cast<std::int64_t>(t % 10000000) * 100};
}

namespace {

// A hidden name beside target (an extended path) that no other process of ours uses.
std::wstring tempNameFor(const std::wstring &target)
{
    static std::atomic<unsigned> counter{0};
    return target.substr(0, target.rfind(L'\\') + 1) + L".pravelot-" +
           std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter.fetch_add(1)) +
           L".tmp";
}

} // namespace

// The output while it is written: a temporary file that Windows deletes when its handle
// closes, unless it was given its name.
struct UnnamedFile::Impl {
    ~Impl()
    {
        if (fd < 0)
            return;
        if (!placed)
            markForDeletion(true);
        ::_close(fd);
        // Where the mark was not taken (a file system without it), the name goes here.
        if (!placed && !marked)
            DeleteFileW(tempName.c_str());
    }

    std::error_code create(const std::wstring &target)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            tempName = tempNameFor(target);
            const HANDLE h = CreateFileW(tempName.c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                         CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
            if (h == INVALID_HANDLE_VALUE) {
                if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
                    continue;
                return lastError();
            }
            handle = h;
            fd = descriptorOf(h, _O_WRONLY);
            if (fd < 0) {
                DeleteFileW(tempName.c_str());
                return std::make_error_code(std::errc::too_many_files_open);
            }
            marked = markForDeletion(true);
            return {};
        }
        return std::make_error_code(std::errc::file_exists);
    }

    // Puts the bytes on the disk and makes the file an ordinary visible one.
    std::error_code sync()
    {
        if (!FlushFileBuffers(handle))
            return lastError();
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic))
            return lastError();
        return {};
    }

    // Renames the file through its handle to target (an extended path).
    std::error_code place(const std::wstring &target, bool replace)
    {
        if (marked && !markForDeletion(false))
            return lastError();
        // The rename goes through the handle, so it needs the system's own form of the
        // path: \??\ where the Windows API has \\?\.
        const std::wstring ntName = LR"(\??\)" + target.substr(4);
        std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) +
                                          ntName.size() * sizeof(wchar_t));
        auto *rename = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
        rename->ReplaceIfExists = replace ? TRUE : FALSE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(ntName.size() * sizeof(wchar_t));
        ntName.copy(rename->FileName, ntName.size());
        if (SetFileInformationByHandle(handle, FileRenameInfo, rename,
                                       static_cast<DWORD>(buffer.size()))) {
            placed = true;
            // Flushed before it got its name: a late error of the close changes nothing.
            ::_close(fd);
            fd = -1;
            return {};
        }
        const std::error_code e = lastError();
        if (marked)
            markForDeletion(true);
        return e;
    }

    bool markForDeletion(bool mark)
    {
        FILE_DISPOSITION_INFO disposition{};
        disposition.DeleteFile = mark ? TRUE : FALSE;
        return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                          sizeof disposition) != 0;
    }

    HANDLE handle = INVALID_HANDLE_VALUE; // owned by fd
    int fd = -1;
    std::wstring tempName;
    bool marked = false;
    bool placed = false;
};

UnnamedFile::UnnamedFile() : m(std::make_unique<Impl>()) {}
UnnamedFile::~UnnamedFile() = default;

std::error_code UnnamedFile::create(const std::u16string &target)
{
    const std::wstring p = widePath(target);
    if (p.empty())
        return std::make_error_code(std::errc::no_such_file_or_directory);
    if (isDevicePath(p))
        return deviceError(target);
    return m->create(p);
}

int UnnamedFile::fd() const { return m->fd; }

// Each file is flushed on its own here: the file system does not matter.
std::uint64_t UnnamedFile::fileSystem() const { return 0; }

std::error_code UnnamedFile::sync(bool) { return m->sync(); }

std::error_code UnnamedFile::place(const std::u16string &target, bool replace)
{
    const std::wstring p = widePath(target);
    if (p.empty())
        return std::make_error_code(std::errc::no_such_file_or_directory);
    if (isDevicePath(p))
        return deviceError(target);
    return m->place(p, replace);
}

// Windows has no flush of a whole file system that a program may call: each file is
// flushed with FlushFileBuffers.
std::error_code syncFiles(std::span<UnnamedFile *const> files)
{
    for (UnnamedFile *f : files)
        if (const std::error_code e = f->sync())
            return e;
    return {};
}

// Windows removes an unfinished output itself when the program ends, however it ends.
void removeUnfinishedFiles(bool) noexcept {}

} // namespace pravelot
