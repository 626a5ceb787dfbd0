#include "core/widepath.h"

#include <windows.h>

namespace pravelot {

std::wstring widePath(std::u16string_view path)
{
    if (path.empty())
        return {};
    const std::wstring in(path.begin(), path.end());
    if (in.find(L'\0') != std::wstring::npos)
        return {};
    // Already extended: taken as it stands, like Windows does.
    if (in.starts_with(LR"(\\?\)"))
        return in;
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetFullPathNameW(in.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0)
            return {};
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n); // n counts the terminating zero when the buffer was too small
    }
    if (full.starts_with(LR"(\\.\)"))
        return full;
    if (full.starts_with(LR"(\\)"))
        return LR"(\\?\UNC\)" + full.substr(2);
    return LR"(\\?\)" + full;
}

} // namespace pravelot
