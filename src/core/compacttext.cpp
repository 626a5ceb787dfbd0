#include "core/compacttext.h"

namespace pravelot {

char16_t *CompactText::heapCopy(const char16_t *s, std::uint32_t n)
{
    auto *p = new char16_t[n];
    std::memcpy(p, s, std::size_t{n} * sizeof(char16_t));
    return p;
}

} // namespace pravelot
