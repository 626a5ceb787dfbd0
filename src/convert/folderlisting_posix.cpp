// Folder listing on Linux and other POSIX systems.
#include "convert/folderlisting.h"

#include "core/path.h"
#include "core/text.h"

#include <filesystem>

namespace pravelot {

namespace {

constexpr int kStopEvery = 256;

FolderEntry::Kind kindOf(const std::filesystem::directory_entry &e)
{
    // The kind comes with the listing on most file systems: only links cost a stat.
    std::error_code ec;
    const std::filesystem::file_status own = e.symlink_status(ec);
    if (ec)
        return FolderEntry::Kind::File;
    if (std::filesystem::is_symlink(own)) {
        const std::filesystem::file_status target = e.status(ec);
        return !ec && std::filesystem::is_directory(target) ? FolderEntry::Kind::LinkedFolder
                                                            : FolderEntry::Kind::File;
    }
    return std::filesystem::is_directory(own) ? FolderEntry::Kind::Folder : FolderEntry::Kind::File;
}

} // namespace

bool listFolder(const std::u16string &folder, std::vector<FolderEntry> &entries,
                std::error_code &error, const std::function<bool()> &stop)
{
    error.clear();
    if (folder.empty()) {
        error = std::make_error_code(std::errc::no_such_file_or_directory);
        return false;
    }
    std::filesystem::directory_iterator it(nativePath(folder), error);
    int sinceAsked = 0;
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (++sinceAsked == kStopEvery) {
            sinceAsked = 0;
            if (stop && stop())
                return true;
        }
        entries.push_back({fromUtf8(it->path().filename().native()), kindOf(*it)});
    }
    return !error;
}

} // namespace pravelot
