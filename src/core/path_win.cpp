// The file-system side of path.h on Windows: the wide-character API with extended paths,
// so that names of any length and in any script work.
#include "core/path.h"

#include "core/text.h"
#include "core/widepath.h"

#include <windows.h>

namespace pravelot {

namespace {

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

// The attributes of what stands at path, following a link to its target;
// kNoAttributes when nothing does (or a link leads nowhere). isDisk tells a file on a
// disk from a device or pipe.
DWORD targetAttributes(const std::u16string &path, bool *isDisk = nullptr)
{
    const std::wstring p = widePath(path);
    if (p.empty())
        return kNoAttributes;
    const DWORD a = GetFileAttributesW(p.c_str());
    if (a != kNoAttributes && !(a & FILE_ATTRIBUTE_REPARSE_POINT) && !isDisk)
        return a;
    // A link, or the kind of file is asked: open what it leads to. No access is asked
    // for, so no other program's sharing mode stands in the way.
    const HANDLE h =
        CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return kNoAttributes;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    if (isDisk)
        *isDisk = GetFileType(h) == FILE_TYPE_DISK;
    CloseHandle(h);
    return ok ? info.dwFileAttributes : kNoAttributes;
}

} // namespace

std::wstring nativePath(std::u16string_view path) { return std::wstring(path.begin(), path.end()); }

// The command line is read as UTF-8 (commandLineArguments).
std::u16string fromNativePath(std::string_view path) { return fromUtf8(path); }

std::size_t maxNameLength(const std::u16string &folder)
{
    // The volume's own limit (255 on NTFS, FAT32 and exFAT).
    const std::wstring p = widePath(folder.empty() ? std::u16string(u".") : folder);
    wchar_t root[MAX_PATH + 1];
    DWORD limit = 0;
    if (!p.empty() && GetVolumePathNameW(p.c_str(), root, MAX_PATH + 1) &&
        GetVolumeInformationW(root, nullptr, 0, nullptr, &limit, nullptr, nullptr, 0) && limit > 0)
        return limit;
    return 255;
}

bool FileExistsSafe(const std::u16string &path)
{
    const DWORD a = targetAttributes(path);
    return a != kNoAttributes && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool regularFileExistsSafe(const std::u16string &path)
{
    bool disk = false;
    const DWORD a = targetAttributes(path, &disk);
    return a != kNoAttributes && !(a & FILE_ATTRIBUTE_DIRECTORY) && disk;
}

bool pathTakenSafe(const std::u16string &path)
{
    const std::wstring p = widePath(path);
    return !p.empty() && GetFileAttributesW(p.c_str()) != kNoAttributes;
}

bool folderExistsSafe(const std::u16string &path)
{
    const DWORD a = targetAttributes(path);
    return a != kNoAttributes && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileDeleteSafe(const std::u16string &path)
{
    const std::wstring p = widePath(path);
    return !p.empty() && DeleteFileW(p.c_str()) != 0;
}

bool DirCreateSafe(const std::u16string &path)
{
    std::wstring p = widePath(path);
    if (p.empty() || p.starts_with(LR"(\\.\)"))
        return false;
    while (p.size() > 1 && p.back() == L'\\')
        p.pop_back();
    // Each folder from the root down; the root itself ("\\?\C:", "\\?\UNC\server\share")
    // is never created.
    std::size_t from =
        p.starts_with(LR"(\\?\UNC\)") ? p.find(L'\\', p.find(L'\\', 8) + 1) : p.find(L'\\', 4);
    while (from != std::wstring::npos) {
        const std::size_t next = p.find(L'\\', from + 1);
        const std::wstring folder = p.substr(0, next);
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS &&
            GetLastError() != ERROR_ACCESS_DENIED)
            return false;
        from = next;
    }
    return folderExistsSafe(path);
}

bool DirRemoveSafe(const std::u16string &path)
{
    const std::wstring p = widePath(path);
    return !p.empty() && RemoveDirectoryW(p.c_str()) != 0;
}

std::vector<std::u16string> folderEntryNames(const std::u16string &folder)
{
    std::vector<std::u16string> names;
    const std::wstring p = widePath(AddPathDelim(folder) + u"*");
    if (p.empty() || p.starts_with(LR"(\\.\)"))
        return names;
    WIN32_FIND_DATAW entry;
    const HANDLE h =
        FindFirstFileExW(p.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring_view name(entry.cFileName);
        if (name != L"." && name != L"..")
            names.push_back(fromWide(name));
    } while (FindNextFileW(h, &entry));
    FindClose(h);
    return names;
}

} // namespace pravelot
