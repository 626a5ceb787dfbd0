#include "convert/outputname.h"

#include "core/numeric.h"
#include "core/path.h"

#include <filesystem>

namespace pravelot {

std::optional<std::u16string> branchNumberPath(const std::u16string &path, TakenNames &names)
{
    if (!names.taken(path))
        return path;
    const std::u16string base = ChangeExtSafe(path, u"");
    const std::u16string ext = FileExtLower(path);
    for (int n = 1; n <= kMaxBranchNumber; ++n) {
        std::u16string candidate = base;
        candidate += u'~';
        candidate += IntToText(n);
        candidate += ext;
        if (!names.taken(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::optional<std::u16string> branchNumberPath(const std::u16string &path)
{
    TakenNames names;
    return branchNumberPath(path, names);
}

std::u16string wantedOutputPath(const std::u16string &src,
                                const std::optional<std::u16string> &destFolder,
                                std::u16string_view subFolder)
{
    std::u16string path = src;
    if (destFolder) {
        path = *destFolder;
        path += subFolder;
        path += FileNameOf(src);
    }
    return ChangeExtSafe(path, u".jws");
}

std::error_code makeOutputFolder(const std::u16string &folder)
{
    if (folderExistsSafe(folder) || DirCreateSafe(folder))
        return {};
    // The helper says only whether it worked: the system is asked once more for why.
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(nativePath(folder)), error);
    if (!error && !folderExistsSafe(folder))
        error = std::make_error_code(std::errc::not_a_directory);
    return error;
}

std::optional<std::u16string> outputPathFor(const std::u16string &src,
                                            const std::optional<std::u16string> &destFolder,
                                            TakenNames &names)
{
    return branchNumberPath(wantedOutputPath(src, destFolder), names);
}

std::optional<std::u16string> outputPathFor(const std::u16string &src,
                                            const std::optional<std::u16string> &destFolder)
{
    TakenNames names;
    return outputPathFor(src, destFolder, names);
}

} // namespace pravelot
