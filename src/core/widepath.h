// Paths for the Windows API's wide-character file functions.
#pragma once

#include <string>
#include <string_view>

namespace pravelot {

// path made absolute (against the current folder and drive, "." and ".." resolved, "/"
// read as "\") in the extended form "\\?\C:\..." or "\\?\UNC\server\share\...", which
// the file functions take beyond MAX_PATH characters. A device path (\\.\...) stays as it
// is, so that the callers can refuse it. Empty for an empty path or one that Windows
// cannot make absolute.
std::wstring widePath(std::u16string_view path);

// The text of a wide string from the Windows API.
inline std::u16string fromWide(std::wstring_view s) { return std::u16string(s.begin(), s.end()); }

} // namespace pravelot
