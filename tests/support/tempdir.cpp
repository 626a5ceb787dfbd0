#include "support/tempdir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pravelot::test {

TempDir::TempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "pravelot-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // A test may have taken write permission away; give it back so the folder can go.
    for (const auto &e : std::filesystem::recursive_directory_iterator(m_path, ec))
        if (e.is_directory(ec))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

void writeBytes(const std::u16string &path, const std::vector<std::uint8_t> &bytes)
{
    const std::filesystem::path p(ToUtf8(path));
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> readBytes(const std::u16string &path)
{
    std::ifstream in(std::filesystem::path(ToUtf8(path)), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace pravelot::test
