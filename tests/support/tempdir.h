// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include "core/text.h"

#include <filesystem>
#include <string>

namespace pravelot::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    // The folder as a folder text, with its trailing separator.
    std::u16string folder() const { return FromUtf8(m_path.string() + "/"); }
    // A path inside the folder.
    std::u16string file(const std::string &name) const
    {
        return FromUtf8((m_path / name).string());
    }

private:
    std::filesystem::path m_path;
};

// Writes bytes to a file, creating its folder.
void writeBytes(const std::u16string &path, const std::vector<std::uint8_t> &bytes);
std::vector<std::uint8_t> readBytes(const std::u16string &path);

} // namespace pravelot::test
