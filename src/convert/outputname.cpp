#include "convert/outputname.h"

#include "core/numeric.h"
#include "core/path.h"
#include "core/text.h"

#include <algorithm>
#include <unordered_set>

namespace pravelot {

namespace {

// A name as letter case does not tell it apart. Names of plain ASCII, the usual case,
// skip the full case mapping, which gives the same for them.
std::u16string foldedName(std::u16string_view name)
{
    if (std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x80; })) {
        std::u16string out(name);
        for (char16_t &c : out)
            if (c >= u'a' && c <= u'z')
                c = static_cast<char16_t>(c - u'a' + u'A');
        return out;
    }
    return StrUpper(name);
}

// The folded names in the folder that some candidate of the branch-number rule could
// match: case mapping keeps the length, so only names of a candidate's length count.
std::unordered_set<std::u16string> foldedNamesLike(const std::u16string &folder,
                                                   std::size_t plainLength)
{
    std::unordered_set<std::u16string> names;
    for (const std::u16string &name : FolderEntryNames(folder)) {
        // base.ext, or base~n.ext with n of 1 to 5 digits.
        if (name.size() == plainLength ||
            (name.size() >= plainLength + 2 && name.size() <= plainLength + 6))
            names.insert(foldedName(name));
    }
    return names;
}

} // namespace

std::optional<std::u16string> BranchNumberPath(const std::u16string &path)
{
    const std::u16string folder = FolderOf(path);
    const std::unordered_set<std::u16string> folded =
        foldedNamesLike(folder.empty() ? std::u16string(u".") : folder, FileNameOf(path).size());
    auto taken = [&](const std::u16string &candidate) {
        return PathTakenSafe(candidate) ||
               folded.contains(foldedName(std::u16string_view(candidate).substr(folder.size())));
    };
    if (!taken(path))
        return path;
    const std::u16string base = ChangeExtSafe(path, u"");
    const std::u16string ext = FileExtLower(path);
    for (int n = 1; n <= kMaxBranchNumber; ++n) {
        std::u16string candidate = base;
        candidate += u'~';
        candidate += IntToText(n);
        candidate += ext;
        if (!taken(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::u16string WantedOutputPath(const std::u16string &src,
                                const std::optional<std::u16string> &destFolder)
{
    const std::u16string path = destFolder ? *destFolder + FileNameOf(src) : src;
    return ChangeExtSafe(path, u".jws");
}

std::optional<std::u16string> OutputPathFor(const std::u16string &src,
                                            const std::optional<std::u16string> &destFolder)
{
    return BranchNumberPath(WantedOutputPath(src, destFolder));
}

} // namespace pravelot
