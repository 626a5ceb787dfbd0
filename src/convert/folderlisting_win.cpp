// Folder listing on Windows: the wide-character API with extended paths, whose entries
// carry their attributes and reparse tags, so that links and junctions are known
// without opening them.
#include "convert/folderlisting.h"

#include "core/path.h"
#include "core/widepath.h"

#include <windows.h>

namespace pravelot {

namespace {

constexpr int kStopEvery = 256;

FolderEntry::Kind kindOf(const WIN32_FIND_DATAW &e)
{
    if (!(e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return FolderEntry::Kind::File;
    // Only links and junctions lead elsewhere; other reparse points (a cloud drive's
    // folders not yet downloaded) are folders of the tree.
    const bool link =
        (e.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        (e.dwReserved0 == IO_REPARSE_TAG_SYMLINK || e.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
    return link ? FolderEntry::Kind::LinkedFolder : FolderEntry::Kind::Folder;
}

std::error_code lastError()
{
    return std::error_code(static_cast<int>(GetLastError()), std::system_category());
}

} // namespace

bool listFolder(const std::u16string &folder, std::vector<FolderEntry> &entries,
                std::error_code &error, const std::function<bool()> &stop)
{
    error.clear();
    const std::wstring pattern =
        folder.empty() ? std::wstring() : widePath(AddPathDelim(folder) + u"*");
    if (pattern.empty() || pattern.starts_with(LR"(\\.\)")) {
        error = std::make_error_code(std::errc::no_such_file_or_directory);
        return false;
    }
    WIN32_FIND_DATAW e;
    const HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &e, FindExSearchNameMatch,
                                      nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        // An empty root folder has not even "." to list.
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return true;
        error = lastError();
        return false;
    }
    int sinceAsked = 0;
    bool stopped = false;
    do {
        if (++sinceAsked == kStopEvery) {
            sinceAsked = 0;
            stopped = stop && stop();
            if (stopped)
                break;
        }
        const std::wstring_view name(e.cFileName);
        if (name != L"." && name != L"..")
            entries.push_back({fromWide(name), kindOf(e)});
    } while (FindNextFileW(h, &e));
    if (!stopped && GetLastError() != ERROR_NO_MORE_FILES)
        error = lastError();
    FindClose(h);
    return !error;
}

} // namespace pravelot
