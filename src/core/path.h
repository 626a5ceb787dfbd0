// File-name and file-system helpers. Paths are texts; on Linux "/" is the only
// separator (a "\" or ":" is an ordinary name character), on Windows "\", "/" and ":"
// play their usual parts. The file-system helpers never throw.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pravelot {

#ifdef _WIN32
inline constexpr char16_t kPathDelim = u'\\';
#else
inline constexpr char16_t kPathDelim = u'/';
#endif

// path unchanged when it ends in a separator, else path + separator; "" gives the separator.
std::u16string AddPathDelim(std::u16string_view path);
// The part after the last separator (on Windows also after the last ":"); the whole path
// when there is none; empty when the path holds a character never valid in a path.
std::u16string FileNameOf(std::u16string_view path);
// The folder part, with its trailing separator; empty when the path has no separator.
std::u16string folderOf(std::u16string_view path);
// The extension in lower case with its dot, from the last "." after the last separator;
// empty when there is none; "." for a name ending in a dot.
std::u16string FileExtLower(std::u16string_view path);
// path with its extension replaced by ext (appended when there is none; ext may be empty).
std::u16string ChangeExtSafe(std::u16string_view path, std::u16string_view ext);

// A file (anything but a folder) exists at path, following links.
bool FileExistsSafe(const std::u16string &path);
// A regular file exists at path, following links (a pipe or device is no source).
bool regularFileExistsSafe(const std::u16string &path);
// Anything at all (file, folder, pipe, dangling link) stands at path.
bool pathTakenSafe(const std::u16string &path);
bool folderExistsSafe(const std::u16string &path);
bool FileDeleteSafe(const std::u16string &path);
// Creates the folder with any missing parents (the path is first made absolute).
bool DirCreateSafe(const std::u16string &path);
// Removes the folder only when it is empty.
bool DirRemoveSafe(const std::u16string &path);

// The names of everything in the folder (without "." and ".."); empty when it cannot
// be listed.
std::vector<std::u16string> folderEntryNames(const std::u16string &folder);

// The path as the operating system's narrow (POSIX: UTF-8) or wide (Windows) file
// functions and std::filesystem::path take it.
#ifdef _WIN32
std::wstring nativePath(std::u16string_view path);
#else
std::string nativePath(std::u16string_view path);
#endif

} // namespace pravelot
