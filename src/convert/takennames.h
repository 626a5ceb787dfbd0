// The names in output folders that a new output may not take, as one run sees them.
#pragma once

#include "core/file.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace pravelot {

// A name is taken when anything stands there, or when a name in its folder differs from
// it only in letter case (A.JWS takes a.jws): the two would collide as soon as the
// folder is copied where case does not count. Each folder is listed once, and again
// only when it changed since by anything but an output this object was told of; what
// stands at the exact name is asked of the system every time.
class TakenNames {
public:
    bool taken(const std::u16string &path);
    // An output now stands at path: its name is taken from now on, and the folder's
    // change is its own.
    void placed(const std::u16string &path);

private:
    struct Folder {
        std::optional<FileIdentity> seen; // the folder as it was when last listed
        std::unordered_set<std::u16string> folded;
    };
    Folder &current(const std::u16string &folder);

    std::unordered_map<std::u16string, Folder> m_folders;
};

// A file name as letter case does not tell it apart.
std::u16string foldedName(std::u16string_view name);

} // namespace pravelot
