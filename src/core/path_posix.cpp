// The file-system side of path.h on Linux and other POSIX systems.
#include "core/path.h"

#include "core/text.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace pravelot {

namespace {

bool statOf(const std::u16string &path, struct stat &st)
{
    if (path.empty())
        return false;
    return ::stat(nativePath(path).c_str(), &st) == 0;
}

} // namespace

std::string nativePath(std::u16string_view path) { return toUtf8(path); }

bool FileExistsSafe(const std::u16string &path)
{
    struct stat st {};
    return statOf(path, st) && !S_ISDIR(st.st_mode);
}

bool regularFileExistsSafe(const std::u16string &path)
{
    struct stat st {};
    return statOf(path, st) && S_ISREG(st.st_mode);
}

bool pathTakenSafe(const std::u16string &path)
{
    struct stat st {};
    return !path.empty() && ::lstat(nativePath(path).c_str(), &st) == 0;
}

bool folderExistsSafe(const std::u16string &path)
{
    struct stat st {};
    return statOf(path, st) && S_ISDIR(st.st_mode);
}

bool FileDeleteSafe(const std::u16string &path)
{
    return !path.empty() && ::unlink(nativePath(path).c_str()) == 0;
}

bool DirCreateSafe(const std::u16string &path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(nativePath(path), ec);
    if (ec)
        return false;
    std::filesystem::create_directories(p, ec);
    return !ec && std::filesystem::is_directory(p, ec);
}

bool DirRemoveSafe(const std::u16string &path)
{
    return !path.empty() && ::rmdir(nativePath(path).c_str()) == 0;
}

std::vector<std::u16string> folderEntryNames(const std::u16string &folder)
{
    std::vector<std::u16string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(nativePath(folder), ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        names.push_back(fromUtf8(it->path().filename().string()));
    return names;
}

} // namespace pravelot
