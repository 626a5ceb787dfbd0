#include "convert/outputname.h"

#include "core/numeric.h"
#include "core/path.h"

namespace pravelot {

std::optional<std::u16string> BranchNumberPath(const std::u16string &path)
{
    if (!PathTakenSafe(path))
        return path;
    const std::u16string base = ChangeExtSafe(path, u"");
    const std::u16string ext = FileExtLower(path);
    for (int n = 1; n <= kMaxBranchNumber; ++n) {
        std::u16string candidate = base;
        candidate += u'~';
        candidate += IntToText(n);
        candidate += ext;
        if (!PathTakenSafe(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::optional<std::u16string> OutputPathFor(const std::u16string &src,
                                            const std::optional<std::u16string> &destFolder)
{
    std::u16string path = destFolder ? *destFolder + FileNameOf(src) : src;
    path = ChangeExtSafe(path, u".jws");
    return BranchNumberPath(path);
}

} // namespace pravelot
