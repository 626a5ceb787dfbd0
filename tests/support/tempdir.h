// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include "core/text.h"

#include <filesystem>
#include <string>
#include <vector>

namespace pravelot::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    // The folder as a folder text, with its trailing separator.
    std::u16string folder() const;
    // A path inside the folder; name is UTF-8 and may hold "/".
    std::u16string file(const std::string &name) const;

private:
    std::filesystem::path m_path;
};

// A path as the program's texts hold it, and in UTF-8 as the command line gives it.
inline std::u16string text(const std::filesystem::path &p) { return p.u16string(); }
inline std::string utf8(const std::filesystem::path &p) { return toUtf8(p.u16string()); }

// The tests run under Wine (a Windows build on Linux). Wine finds a name in a folder by
// reading the whole folder, so tests that fill one with 100 000 files are left out there.
bool underWine();

// Writes bytes to a file, creating its folder.
void writeBytes(const std::u16string &path, const std::vector<std::uint8_t> &bytes);
std::vector<std::uint8_t> readBytes(const std::u16string &path);
// The names of the entries of folder, sorted.
std::vector<std::string> entriesOf(const std::filesystem::path &folder);

} // namespace pravelot::test
