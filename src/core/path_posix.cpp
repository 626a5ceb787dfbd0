// The file-system side of path.h on Linux and other POSIX systems.
#include "core/path.h"

#include "core/text.h"

#include <cstdint>
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

namespace {

// The length of the valid UTF-8 sequence that starts at s[i]; 0 when none does (an
// overlong form, a surrogate, a value beyond U+10FFFF, a stray or missing continuation).
std::size_t validUtf8Length(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
    const std::uint8_t b = byte(i);
    if (b < 0x80)
        return 1;
    std::size_t len = 0;
    std::uint8_t lo = 0x80, hi = 0xBF; // the allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        lo = b == 0xE0 ? 0xA0 : 0x80;
        hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (len > s.size() - i)
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const std::uint8_t t = byte(i + k);
        if (t < (k == 1 ? lo : 0x80) || t > (k == 1 ? hi : 0xBF))
            return 0;
    }
    return len;
}

} // namespace

std::u16string fromNativePath(std::string_view path)
{
    std::u16string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t len = validUtf8Length(path, i);
        if (len == 0) {
            out.push_back(static_cast<char16_t>(0xDC00 + static_cast<std::uint8_t>(path[i])));
            ++i;
        } else {
            out += fromUtf8(path.substr(i, len));
            i += len;
        }
    }
    return out;
}

std::string nativePath(std::u16string_view path)
{
    std::string out;
    out.reserve(path.size());
    std::size_t from = 0; // the start of the text not yet written
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char16_t c = path[i];
        const bool pairedLow = i > from && c >= 0xDC00 && c <= 0xDFFF && path[i - 1] >= 0xD800 &&
                               path[i - 1] <= 0xDBFF;
        if (c >= 0xDC80 && c <= 0xDCFF && !pairedLow) {
            out += toUtf8(path.substr(from, i - from));
            out.push_back(static_cast<char>(c - 0xDC00));
            from = i + 1;
        }
    }
    out += toUtf8(path.substr(from));
    return out;
}

std::size_t maxNameLength(const std::u16string &folder)
{
    const long n = ::pathconf(folder.empty() ? "." : nativePath(folder).c_str(), _PC_NAME_MAX);
    return n > 0 ? static_cast<std::size_t>(n) : 255;
}

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
        names.push_back(fromNativePath(it->path().filename().native()));
    return names;
}

} // namespace pravelot
