// Every figure file below a folder, for converting a whole parts library at once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace pravelot {

// One .jws or .jwk file found below a folder.
struct FoundSource {
    // The file: the folder as given, a separator, and the file's path below it.
    std::u16string path;
    // The folder the file lies in, relative to the parent of the folder given and
    // ending in a separator, so that outputs placed below a destination mirror the
    // tree as `cp -r` copies it: parts/平面/机.jws found under the folder "parts" has
    // the folder "parts/平面/". Folders given as "." or ".." or a root add no part of
    // their own: their files have the folder "" and their sub-folders start there.
    std::u16string folder;
};

struct SourceTree {
    // In a stable order: folder by folder, depth first, each folder's files before
    // its sub-folders, both sorted by the UTF-16 code units of their names.
    std::vector<FoundSource> sources;
    // Folders that could not be listed (the folder given included), with the
    // system's reason; what lies below them is missing from sources.
    struct Unreadable {
        std::u16string folder;
        std::error_code error;
    };
    std::vector<Unreadable> unreadable;
    // Folders not entered: hidden ones (a name beginning with ".") and symbolic links
    // (on Windows also junctions) to folders, so that no link can lead the walk in a
    // circle or out of the tree.
    std::vector<std::u16string> notFollowed;
    // Files passed over because they are no figure files (by their extension).
    std::int64_t otherFiles = 0;
    // stop() answered true: the walk ended early and the lists hold what was found.
    bool stopped = false;
};

// The part that folder adds in front of the relative folders of what lies below it: its
// own name and a separator, or nothing for ".", ".." and a root.
std::u16string ownFolderPart(std::u16string_view folder);

// Walks the tree below folder and finds every file whose extension is .jws or .jwk in
// any letter case (anything that is not a folder counts as a file: a link to a file is
// followed, and what cannot be read is left to the check). stop is asked before each
// folder is listed and every few hundred entries; it may be empty. Never throws but
// std::bad_alloc.
SourceTree findSources(const std::u16string &folder, const std::function<bool()> &stop);

} // namespace pravelot
