// The real parts of the shared samples folder, which lies beside the clone when it is
// there at all: the tests that walk them skip without it.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace pravelot::test {

// Where the shared samples are looked for.
std::filesystem::path sharedSamplesFolder();

// Every .jws file below the shared samples folder (any case of the extension), sorted;
// nullopt when there is no such folder.
std::optional<std::vector<std::filesystem::path>> sharedSamples();

} // namespace pravelot::test
