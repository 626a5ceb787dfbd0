#include "support/samples.h"

#include "core/path.h"

#include <algorithm>

namespace pravelot::test {

std::filesystem::path sharedSamplesFolder() { return PRAVELOT_SAMPLES_DIR; }

std::optional<std::vector<std::filesystem::path>> sharedSamples()
{
    const std::filesystem::path root = sharedSamplesFolder();
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec))
        return std::nullopt;
    std::vector<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(root, ec)) {
        if (entry.is_regular_file() && FileExtLower(entry.path().u16string()) == u".jws")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace pravelot::test
