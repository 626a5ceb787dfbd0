// The flattened block tree and the marking of referenced block definitions.

#include "jws/blocknumberindex.h"
#include "jws/jwsdata.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace pravelot {

namespace {

struct Matrix {
    double c1, c2, c3, c4;
};

Matrix matrixOf(const TEntJwwBlock &b)
{
    const double c = std::cos(b.radKaitenKaku);
    const double s = std::sin(b.radKaitenKaku);
    return {c * b.dBairitsuX, -s * b.dBairitsuY, s * b.dBairitsuX, c * b.dBairitsuY};
}

std::uint64_t cycleKey(std::int32_t def, std::size_t member)
{
    return (static_cast<std::uint64_t>(def) << 32) | static_cast<std::uint64_t>(member);
}

bool isCycleRef(const std::vector<std::uint64_t> &cycleRefs, std::int32_t def, std::size_t member)
{
    return !cycleRefs.empty() &&
           std::binary_search(cycleRefs.begin(), cycleRefs.end(), cycleKey(def, member));
}

// One depth-first walk from the top-level references marks every definition that some
// reference reaches, each once, whatever the number of instances the nesting expands
// into, and finds the references that lead back to a definition still open on the way
// down. Returns those, as sorted cycle keys.
std::vector<std::uint64_t> markReferenced(std::vector<TEntJwwBlockDef> &defs,
                                          const std::vector<TEntJwwBlock> &roots,
                                          const BlockNumberIndex &index)
{
    enum : std::uint8_t { kNew, kOpen, kDone };
    std::vector<std::uint8_t> state(defs.size(), kNew);
    // Definition, next member. A chain of millions of definitions nests that deep: the
    // stack grows in pieces, never holding its size thrice as an array grown by doubling
    // would for a moment.
    std::deque<std::pair<std::int32_t, std::uint32_t>> stack;
    std::vector<std::uint64_t> cycleRefs;
    auto open = [&](std::int32_t d) {
        state[static_cast<std::size_t>(d)] = kOpen;
        defs[static_cast<std::size_t>(d)].ref_flag = true;
        stack.emplace_back(d, 0);
    };
    for (const TEntJwwBlock &root : roots) {
        const std::int32_t r = index.find(root.nNumber);
        if (r < 0 || state[static_cast<std::size_t>(r)] != kNew)
            continue;
        open(r);
        while (!stack.empty()) {
            const std::int32_t d = stack.back().first;
            const std::size_t j = stack.back().second++;
            const std::span<const TEntJwwBlock> members =
                defs[static_cast<std::size_t>(d)].mBlock();
            if (j == members.size()) {
                state[static_cast<std::size_t>(d)] = kDone;
                stack.pop_back();
                continue;
            }
            const std::int32_t c = index.find(members[j].nNumber);
            if (c < 0)
                continue;
            if (state[static_cast<std::size_t>(c)] == kOpen)
                cycleRefs.push_back(cycleKey(d, j));
            else if (state[static_cast<std::size_t>(c)] == kNew)
                open(c);
        }
    }
    std::sort(cycleRefs.begin(), cycleRefs.end());
    return cycleRefs;
}

// The top-level references, as the tree's first level, up to the ceiling.
void seedTree(std::vector<TEntJwwBlockTree> &tree, const std::vector<TEntJwwBlock> &roots,
              const BlockNumberIndex &index, std::size_t ceiling)
{
    tree.reserve(std::min(roots.size(), ceiling));
    for (const TEntJwwBlock &b : roots) {
        if (tree.size() == ceiling)
            break;
        TEntJwwBlockTree &t = tree.emplace_back();
        t.att = b.att;
        t.level = 0;
        t.parent = -1;
        t.no = b.nNumber;
        t.defno = index.find(b.nNumber);
        t.x = b.DPKijunTen_x;
        t.y = b.DPKijunTen_y;
        const Matrix m = matrixOf(b);
        t.r1 = m.c1;
        t.r2 = m.c2;
        t.r3 = m.c3;
        t.r4 = m.c4;
    }
}

// The entry of member reference B of definition D, placed within the parent entry P.
TEntJwwBlockTree childEntry(const TEntJwwBlockTree &P, std::int32_t parent,
                            const TEntJwwBlockDef &D, const TEntJwwBlock &B, std::int32_t defno)
{
    TEntJwwBlockTree t;
    t.att = D.att;
    t.level = P.level + 1;
    t.parent = parent;
    t.no = B.nNumber;
    t.defno = defno;
    t.x = P.x + P.r1 * B.DPKijunTen_x + P.r2 * B.DPKijunTen_y;
    t.y = P.y + P.r3 * B.DPKijunTen_x + P.r4 * B.DPKijunTen_y;
    const Matrix c = matrixOf(B);
    t.r1 = P.r1 * c.c1 + P.r2 * c.c3;
    t.r2 = P.r1 * c.c2 + P.r2 * c.c4;
    t.r3 = P.r3 * c.c1 + P.r4 * c.c3;
    t.r4 = P.r3 * c.c2 + P.r4 * c.c4;
    return t;
}

// Level by level, the references that the definitions of the entries already placed
// hold, up to the ceiling. A reference that closes a cycle is placed as one that names
// no definition, as it is written, so every chain of entries is finite and each entry
// costs the same, however deep it lies. True when the ceiling left an entry out.
bool expandTree(std::vector<TEntJwwBlockTree> &tree, const std::vector<TEntJwwBlockDef> &defs,
                const BlockNumberIndex &index, const std::vector<std::uint64_t> &cycleRefs,
                std::size_t ceiling)
{
    for (std::size_t k = 0; k < tree.size(); ++k) {
        const TEntJwwBlockTree P = tree[k];
        if (P.defno < 0)
            continue;
        const TEntJwwBlockDef &D = defs[static_cast<std::size_t>(P.defno)];
        const std::span<const TEntJwwBlock> members = D.mBlock();
        for (std::size_t j = 0; j < members.size(); ++j) {
            if (tree.size() == ceiling)
                return true;
            const std::int32_t defno =
                isCycleRef(cycleRefs, P.defno, j) ? -1 : index.find(members[j].nNumber);
            tree.push_back(childEntry(P, static_cast<std::int32_t>(k), D, members[j], defno));
        }
    }
    return false;
}

} // namespace

bool TJwsData::closesCycle(std::int32_t def, std::size_t member) const
{
    return isCycleRef(m_cycleRefs, def, member);
}

void TJwsData::MakeBlockTree()
{
    EntBlockTree.clear();
    m_cycleRefs.clear();
    m_nestedLeftOut = false;
    for (TEntJwwBlockDef &d : EntBlockDef) {
        d.ref_flag = false;
        d.ref_no = -1;
    }
    if (EntBlock.empty()) {
        // No reference reaches any definition, so none is written.
        EntBlockNum = 0;
        return;
    }
    const BlockNumberIndex index(EntBlockDef);
    m_cycleRefs = markReferenced(EntBlockDef, EntBlock, index);

    // Breadth first: the top-level references, then level by level the references their
    // definitions hold.
    const auto ceiling = static_cast<std::size_t>(kBlockTreeCeiling);
    seedTree(EntBlockTree, EntBlock, index, ceiling);
    m_nestedLeftOut = expandTree(EntBlockTree, EntBlockDef, index, m_cycleRefs, ceiling);

    std::int32_t counter = 0;
    for (TEntJwwBlockDef &d : EntBlockDef)
        if (d.ref_flag)
            d.ref_no = counter++;
    EntBlockNum = counter;
}

} // namespace pravelot
