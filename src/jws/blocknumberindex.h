// BlockNumberIndex: finds the block definition that a block number names.
#pragma once

#include "jws/jwwtype.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace pravelot {

// The first definition, in list order, of each block number among a list of definitions.
// Built once in time that follows the list's length; a lookup costs at most the
// logarithm of it, whatever the numbers are. Definitions numbered 0, 1, 2 … in list
// order (every file this program or the CAD program writes) take no memory at all.
// The index refers to the list by position: it is rebuilt when the list changes.
class BlockNumberIndex {
public:
    explicit BlockNumberIndex(const std::vector<TEntJwwBlockDef> &defs);

    // Position of the first definition numbered n, or −1 when none is.
    std::int32_t find(std::uint32_t n) const;
    // Whether some definition is numbered n.
    bool contains(std::uint32_t n) const { return find(n) >= 0; }
    // The number that block number n is written with, given the definitions the index
    // was built from: the first definition numbered n decides, giving its ref_no when it
    // is written and n itself when it is not; `unbound` when no definition is numbered n.
    std::uint32_t writtenNumber(std::uint32_t n, const std::vector<TEntJwwBlockDef> &defs,
                                std::uint32_t unbound) const;

private:
    std::size_t m_dense = 0; // definitions 0 … m_dense − 1 carry their own position
    std::vector<std::pair<std::uint32_t, std::int32_t>> m_sorted; // (number, position)
};

} // namespace pravelot
