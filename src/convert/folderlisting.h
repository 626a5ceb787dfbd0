// The entries of one folder as the walk over a parts library needs them: name and kind,
// links to folders told apart from folders. A service of each system.
#pragma once

#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace pravelot {

struct FolderEntry {
    enum class Kind {
        File,         // anything that is not a folder (a link to a file, a dangling link too)
        Folder,       // a real folder
        LinkedFolder, // a symbolic link or a junction that leads to a folder
    };
    std::u16string name;
    Kind kind = Kind::File;
};

// Lists folder (without "." and ".."). On failure, also part-way, returns false with the
// system's reason in error; entries then holds what was read. stop is asked every few
// hundred entries; when it answers true the listing ends early and returns true.
bool listFolder(const std::u16string &folder, std::vector<FolderEntry> &entries,
                std::error_code &error, const std::function<bool()> &stop);

} // namespace pravelot
