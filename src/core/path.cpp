#include "core/path.h"

#include "core/text.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace pravelot {

namespace {

#ifdef _WIN32
bool isDelim(char16_t c) { return c == u'\\' || c == u'/'; }
bool isNameEnd(char16_t c) { return c == u'\\' || c == u'/' || c == u':'; }
bool isExtBarrier(char16_t c) { return c == u'\\' || c == u':'; }
bool isInvalidPathChar(char16_t c)
{
    return c < 0x20 || c == u'"' || c == u'<' || c == u'>' || c == u'|';
}
#else
bool isDelim(char16_t c) { return c == u'/'; }
bool isNameEnd(char16_t c) { return c == u'/'; }
bool isExtBarrier(char16_t c) { return c == u'/'; }
bool isInvalidPathChar(char16_t c) { return c == 0; }
#endif

std::size_t lastOf(std::u16string_view s, bool (*pred)(char16_t))
{
    for (std::size_t i = s.size(); i > 0; --i)
        if (pred(s[i - 1]))
            return i - 1;
    return std::u16string_view::npos;
}

// Position of the extension's dot, or npos.
std::size_t extDot(std::u16string_view path, bool (*barrier)(char16_t))
{
    std::size_t dot = path.rfind(u'.');
    if (dot == std::u16string_view::npos)
        return dot;
    std::size_t b = lastOf(path, barrier);
    if (b != std::u16string_view::npos && b > dot)
        return std::u16string_view::npos;
    return dot;
}

bool statOf(const std::u16string &path, struct stat &st)
{
    if (path.empty())
        return false;
    return ::stat(NativePath(path).c_str(), &st) == 0;
}

} // namespace

std::string NativePath(std::u16string_view path) { return ToUtf8(path); }

std::u16string AddPathDelim(std::u16string_view path)
{
    std::u16string out(path);
    if (out.empty() || !isDelim(out.back()))
        out.push_back(kPathDelim);
    return out;
}

std::u16string FileNameOf(std::u16string_view path)
{
    for (char16_t c : path)
        if (isInvalidPathChar(c))
            return {};
    std::size_t p = lastOf(path, isNameEnd);
    return std::u16string(p == std::u16string_view::npos ? path : path.substr(p + 1));
}

std::u16string FolderOf(std::u16string_view path)
{
    std::size_t p = lastOf(path, isNameEnd);
    return p == std::u16string_view::npos ? std::u16string()
                                          : std::u16string(path.substr(0, p + 1));
}

std::u16string FileExtLower(std::u16string_view path)
{
#ifdef _WIN32
    std::size_t dot = extDot(path, isDelim);
#else
    std::size_t dot = extDot(path, isExtBarrier);
#endif
    if (dot == std::u16string_view::npos)
        return {};
    return StrLower(path.substr(dot));
}

std::u16string ChangeExtSafe(std::u16string_view path, std::u16string_view ext)
{
    std::size_t dot = extDot(path, isExtBarrier);
    std::u16string out(path.substr(0, dot == std::u16string_view::npos ? path.size() : dot));
    out.append(ext);
    return out;
}

bool FileExistsSafe(const std::u16string &path)
{
    struct stat st {};
    return statOf(path, st) && !S_ISDIR(st.st_mode);
}

bool RegularFileExistsSafe(const std::u16string &path)
{
    struct stat st {};
    return statOf(path, st) && S_ISREG(st.st_mode);
}

bool PathTakenSafe(const std::u16string &path)
{
    struct stat st {};
    return !path.empty() && ::lstat(NativePath(path).c_str(), &st) == 0;
}

bool FolderExistsSafe(const std::u16string &path)
{
    struct stat st {};
    return statOf(path, st) && S_ISDIR(st.st_mode);
}

bool FileDeleteSafe(const std::u16string &path)
{
    return !path.empty() && ::unlink(NativePath(path).c_str()) == 0;
}

bool DirCreateSafe(const std::u16string &path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(NativePath(path), ec);
    if (ec)
        return false;
    std::filesystem::create_directories(p, ec);
    return !ec && std::filesystem::is_directory(p, ec);
}

bool DirRemoveSafe(const std::u16string &path)
{
    return !path.empty() && ::rmdir(NativePath(path).c_str()) == 0;
}

std::vector<std::u16string> FolderEntryNames(const std::u16string &folder)
{
    std::vector<std::u16string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(NativePath(folder), ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        names.push_back(FromUtf8(it->path().filename().string()));
    return names;
}

} // namespace pravelot
