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

// The longest file name the file system of folder takes: bytes on POSIX systems (255 on
// most), UTF-16 code units on Windows.
std::size_t maxNameLength(const std::u16string &folder);
// path + "~" + n before its extension (the extension in lower case: "a.JWS", 2 gives
// "a~2.jws"). When the name would be longer than its folder's file system takes, whole
// characters are cut from the end of the stem until it fits (never a part of a UTF-8
// sequence or a surrogate pair), so that a name at the limit still gets its number.
std::u16string withBranchNumber(std::u16string_view path, int n);
// The same with the folder's limit already known (maxNameLength).
std::u16string withBranchNumber(std::u16string_view path, int n, std::size_t maxName);
// The length of name as its file system counts it (see maxNameLength).
std::size_t nativeNameLength(std::u16string_view name);

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

// The path as the operating system's narrow (POSIX) or wide (Windows) file functions and
// std::filesystem::path take it.
//
// A POSIX file name is a string of bytes that need not be UTF-8 (a Shift_JIS name left by
// an unzip, a Latin-1 one). Such a name is held in a text byte for byte: each byte of a
// sequence that is not valid UTF-8 becomes one lone surrogate U+DC80 … U+DCFF, and turns
// back into that byte on the way out (Python's "surrogateescape"). Every name therefore
// comes back as the bytes it was, and valid UTF-8 reads as what it says.
#ifdef _WIN32
std::wstring nativePath(std::u16string_view path);
#else
std::string nativePath(std::u16string_view path);
#endif
// A path as the system or the command line gives it in bytes (POSIX: any bytes, as
// above; Windows: UTF-8, as the program's command line is read).
std::u16string fromNativePath(std::string_view path);

// A file name as text, for a block name proposed from it: each run of bytes held for a
// name that is not UTF-8 is read as code page 932 (Shift_JIS, the code page of Jw_cad's
// files, where such names come from: 部品 from an unzip of a Japanese archive) when it
// reads so exactly, and is left as it is otherwise.
std::u16string nameAsText(std::u16string_view name);

// Text that holds paths, fit to be shown: each byte held for a name that is not UTF-8
// is written "\xHH" (its value in hexadecimal), and any other lone surrogate "\uXXXX"
// on Windows (where names may hold them) or U+FFFD elsewhere. The result is valid
// Unicode, so that neither a terminal nor a JSON reader ever meets invalid UTF-8.
std::u16string printableText(std::u16string_view text);
// The same in UTF-8, for a terminal, a log or JSON.
std::string printableUtf8(std::u16string_view text);

} // namespace pravelot
