#include "jws/blocknumberindex.h"

#include <algorithm>

namespace pravelot {

BlockNumberIndex::BlockNumberIndex(const std::vector<TEntJwwBlockDef> &defs)
{
    std::size_t k = 0;
    while (k < defs.size() && defs[k].nNumber == k)
        ++k;
    if (k == defs.size()) {
        m_dense = k;
        return;
    }
    m_sorted.reserve(defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i)
        m_sorted.emplace_back(defs[i].nNumber, static_cast<std::int32_t>(i));
    // Sorted by number, then by position, so that the first of each number comes first.
    std::sort(m_sorted.begin(), m_sorted.end());
    m_sorted.erase(std::unique(m_sorted.begin(), m_sorted.end(),
                               [](const auto &a, const auto &b) { return a.first == b.first; }),
                   m_sorted.end());
}

std::int32_t BlockNumberIndex::find(std::uint32_t n) const
{
    if (m_sorted.empty())
        return n < m_dense ? static_cast<std::int32_t>(n) : -1;
    auto it = std::lower_bound(m_sorted.begin(), m_sorted.end(), n,
                               [](const auto &e, std::uint32_t v) { return e.first < v; });
    return it != m_sorted.end() && it->first == n ? it->second : -1;
}

std::uint32_t BlockNumberIndex::writtenNumber(std::uint32_t n,
                                              const std::vector<TEntJwwBlockDef> &defs,
                                              std::uint32_t unbound) const
{
    const std::int32_t i = find(n);
    if (i < 0)
        return unbound;
    const TEntJwwBlockDef &def = defs[static_cast<std::size_t>(i)];
    return def.ref_flag ? static_cast<std::uint32_t>(def.ref_no) : n;
}

} // namespace pravelot
