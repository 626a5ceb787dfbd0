#include "jws/classnames.h"

#include <algorithm>

namespace pravelot {

std::int32_t entityKindNamed(std::u16string_view name)
{
    for (std::int32_t kind = 1; kind <= 7; ++kind) {
        const std::string_view c = kClassNames[static_cast<std::size_t>(kind)];
        if (std::equal(name.begin(), name.end(), c.begin(), c.end(),
                       [](char16_t a, char b) { return a == static_cast<unsigned char>(b); }))
            return kind;
    }
    return 0;
}

std::string_view entityClassName(std::int32_t kind)
{
    return kind >= 1 && kind <= 7 ? kClassNames[static_cast<std::size_t>(kind)] : "?";
}

} // namespace pravelot
