#include "cli/commandline.h"

#include "core/path.h"
#include "core/text.h"
#include "core/widepath.h"

#include <algorithm>
#include <cstdlib>
#include <windows.h>

#include <shellapi.h>

namespace pravelot {

namespace {

// The files that a name with "*" or "?" in its last part stands for, sorted, each with
// the folder part as given; the name itself when nothing matches (or it has no wildcard).
// Windows' shells leave this to the program.
std::vector<std::u16string> expandWildcards(const std::u16string &arg)
{
    const std::u16string folder = folderOf(arg);
    const std::u16string name = arg.substr(folder.size());
    if (name.find_first_of(u"*?") == std::u16string::npos)
        return {arg};
    std::vector<std::u16string> found;
    const std::wstring pattern = widePath(arg);
    WIN32_FIND_DATAW entry;
    const HANDLE h = pattern.empty() ? INVALID_HANDLE_VALUE
                                     : FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                                        FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE)
        return {arg};
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            found.push_back(folder + fromWide(entry.cFileName));
    } while (FindNextFileW(h, &entry));
    FindClose(h);
    if (found.empty())
        return {arg};
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

std::vector<std::string> commandLineArguments(int, char **)
{
    std::vector<std::string> args;
    int n = 0;
    wchar_t **w = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!w)
        return args;
    for (int i = 1; i < n; ++i) {
        const std::wstring_view a(w[i]);
        for (const std::u16string &file : expandWildcards(fromWide(a)))
            args.push_back(toUtf8(file));
    }
    LocalFree(w);
    return args;
}

} // namespace pravelot
