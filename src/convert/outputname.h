// Naming of output files: never over an existing one.
#pragma once

#include "convert/takennames.h"

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace pravelot {

// The largest branch number tried before a name counts as used up.
inline constexpr int kMaxBranchNumber = 99999;

// path when its name is free, else base~n.ext for the first free n = 1 … 99999 (ext in
// lower case); nullopt when every candidate is taken. Anything that stands at a name —
// a file, a folder, a dangling link — takes it, since none could be replaced; so does a
// name in the folder that differs only in letter case (see TakenNames).
std::optional<std::u16string> branchNumberPath(const std::u16string &path, TakenNames &names);
std::optional<std::u16string> branchNumberPath(const std::u16string &path);

// The name the output of src wants before any branch number: in destFolder (a folder
// text ending in a separator) followed by subFolder (relative, ending in a separator,
// or empty), or beside src when destFolder is nullopt, with the extension ".jws".
std::u16string wantedOutputPath(const std::u16string &src,
                                const std::optional<std::u16string> &destFolder,
                                std::u16string_view subFolder = {});

// Makes the folder of an output and any missing parents; the system's reason when that
// fails (a file standing where a folder belongs, no permission …), else no error.
std::error_code makeOutputFolder(const std::u16string &folder);

// wantedOutputPath made unique by the branch-number rule; nullopt when no free name is
// left.
std::optional<std::u16string> outputPathFor(const std::u16string &src,
                                            const std::optional<std::u16string> &destFolder,
                                            TakenNames &names);
std::optional<std::u16string> outputPathFor(const std::u16string &src,
                                            const std::optional<std::u16string> &destFolder);

} // namespace pravelot
