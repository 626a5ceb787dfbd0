// The Windows side of file.h: the wide-character API with extended paths. Readers and
// writers get a C runtime descriptor over the Windows handle.
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
        error = FileKindError::Device;
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
        return FileKindError::Device;
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

// The output while it is written: a temporary file that Windows deletes when its handle
// closes, unless it was given its name. Closed by the destructor.
class PendingOutput {
public:
    PendingOutput() = default;
    PendingOutput(const PendingOutput &) = delete;
    PendingOutput &operator=(const PendingOutput &) = delete;
    ~PendingOutput()
    {
        if (m_fd < 0)
            return;
        if (!m_placed)
            markForDeletion(true);
        ::_close(m_fd);
        // Where the mark was not taken (a file system without it), the name goes here.
        if (!m_placed && !m_marked)
            DeleteFileW(m_tempName.c_str());
    }

    // Creates the file beside target; empty or the system's reason.
    std::error_code create(const std::wstring &target)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_tempName = tempNameFor(target);
            const HANDLE h = CreateFileW(m_tempName.c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                         CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
            if (h == INVALID_HANDLE_VALUE) {
                if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
                    continue;
                return lastError();
            }
            m_handle = h;
            m_fd = descriptorOf(h, _O_WRONLY);
            if (m_fd < 0) {
                DeleteFileW(m_tempName.c_str());
                return std::make_error_code(std::errc::too_many_files_open);
            }
            m_marked = markForDeletion(true);
            return {};
        }
        return std::make_error_code(std::errc::file_exists);
    }

    int fd() const { return m_fd; }

    // Puts the bytes on the disk and makes the file an ordinary visible one; empty or the
    // system's reason.
    std::error_code sync()
    {
        if (!FlushFileBuffers(m_handle))
            return lastError();
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(m_handle, FileBasicInfo, &basic, sizeof basic))
            return lastError();
        return {};
    }

    // Gives the file the name target (an extended path); empty, std::errc::file_exists
    // when the name is taken and replace is false, or the system's reason.
    std::error_code place(const std::wstring &target, bool replace)
    {
        if (m_marked && !markForDeletion(false))
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
        if (SetFileInformationByHandle(m_handle, FileRenameInfo, rename,
                                       static_cast<DWORD>(buffer.size()))) {
            m_placed = true;
            return {};
        }
        const std::error_code e = lastError();
        if (m_marked)
            markForDeletion(true);
        return e;
    }

    // Closes the file; false when the system reports a failure.
    bool close()
    {
        const int r = ::_close(m_fd);
        m_fd = -1;
        return r == 0;
    }

private:
    bool markForDeletion(bool mark)
    {
        FILE_DISPOSITION_INFO disposition{};
        disposition.DeleteFile = mark ? TRUE : FALSE;
        return SetFileInformationByHandle(m_handle, FileDispositionInfo, &disposition,
                                          sizeof disposition) != 0;
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE; // owned by m_fd
    int m_fd = -1;
    std::wstring m_tempName;
    bool m_marked = false;
    bool m_placed = false;
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
    std::wstring target = widePath(file.path);
    if (target.empty())
        return failed(file, NewFileStep::Create,
                      std::make_error_code(std::errc::no_such_file_or_directory));
    if (isDevicePath(target))
        return failed(file, NewFileStep::Create, std::make_error_code(std::errc::not_supported));
    PendingOutput out;
    if (const std::error_code e = out.create(target))
        return failed(file, NewFileStep::Create, e);
    {
        ByteWriter w(out.fd());
        const bool wrote = write(w);
        if (!w.flush())
            return failed(file, NewFileStep::Write, w.error());
        if (!wrote)
            return failed(file, NewFileStep::Write, {});
    }
    if (const std::error_code e = out.sync())
        return failed(file, NewFileStep::Write, e);
    for (int attempt = 0; attempt < kMaxPlaceAttempts; ++attempt) {
        const std::error_code e = out.place(target, file.replace);
        if (!e) {
            // Flushed before it got its name: a late error of the close changes nothing.
            out.close();
            return true;
        }
        if (e != std::errc::file_exists || !file.nextName)
            return failed(file, NewFileStep::Place, e);
        // Another program took the name after it was chosen.
        std::optional<std::u16string> next = file.nextName(file.path);
        if (!next || next->empty())
            return failed(file, NewFileStep::Place, e);
        file.path = std::move(*next);
        target = widePath(file.path);
        if (target.empty() || isDevicePath(target))
            return failed(file, NewFileStep::Place, std::make_error_code(std::errc::not_supported));
    }
    return failed(file, NewFileStep::Place, std::make_error_code(std::errc::file_exists));
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

// Windows removes an unfinished output itself when the program ends, however it ends.
void removeUnfinishedFiles(bool) noexcept {}

} // namespace pravelot
