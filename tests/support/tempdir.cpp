#include "support/tempdir.h"

#include "core/fdio.h"
#include "core/file.h"
#include "core/path.h"
#include "core/widepath.h"

#include <algorithm>
#include <random>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

namespace pravelot::test {

TempDir::TempDir()
{
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 rng(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_path = base / ("pravelot-test-" + std::to_string(rng() % 1000000000));
        std::error_code ec;
        // false when it stood there already: try another name.
        if (std::filesystem::create_directory(m_path, ec))
            return;
    }
    throw std::runtime_error("no test folder could be made in " + utf8(base));
}

TempDir::~TempDir()
{
    namespace fs = std::filesystem;
    std::error_code ec;
#ifdef _WIN32
    // The extended form reaches the deep paths some tests make.
    const fs::path root(widePath(folder()));
#else
    const fs::path root = m_path;
    // A test may have taken write permission away; give it back so the folder can go.
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
#endif
    fs::remove_all(root, ec);
}

std::u16string TempDir::folder() const { return text(m_path) + kPathDelim; }

std::u16string TempDir::file(const std::string &name) const { return folder() + fromUtf8(name); }

bool underWine()
{
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

// Through the program's own file helpers, which reach paths of any length on every system.
void writeBytes(const std::u16string &path, const std::vector<std::uint8_t> &bytes)
{
    const std::u16string folder = folderOf(path);
    if ((!folder.empty() && !DirCreateSafe(folder)) || !replaceFile(path, bytes))
        throw std::runtime_error("cannot write " + toUtf8(path));
}

std::vector<std::uint8_t> readBytes(const std::u16string &path)
{
    std::optional<InputFile> in = InputFile::open(path);
    if (!in)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in->size()));
    bytes.resize(readUpTo(in->fd(), bytes.data(), bytes.size()));
    return bytes;
}

std::vector<std::string> entriesOf(const std::filesystem::path &folder)
{
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace pravelot::test
