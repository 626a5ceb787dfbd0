// The flattened block tree and the marking of referenced block definitions.

#include "jws/blocknumberindex.h"
#include "jws/jwsdata.h"

#include <algorithm>
#include <cmath>

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

} // namespace

bool TJwsData::closesCycle(std::int32_t def, std::size_t member) const
{
    return !m_cycleRefs.empty() &&
           std::binary_search(m_cycleRefs.begin(), m_cycleRefs.end(), cycleKey(def, member));
}

void TJwsData::MakeBlockTree()
{
    EntBlockTree.clear();
    m_cycleRefs.clear();
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

    // One depth-first walk from the top-level references marks every definition that
    // some reference reaches, each once, whatever the number of instances the nesting
    // expands into, and finds the references that lead back to a definition still open
    // on the way down.
    {
        enum : std::uint8_t { kNew, kOpen, kDone };
        std::vector<std::uint8_t> state(EntBlockDef.size(), kNew);
        std::vector<std::pair<std::int32_t, std::uint32_t>> stack; // definition, next member
        auto open = [&](std::int32_t d) {
            state[static_cast<std::size_t>(d)] = kOpen;
            EntBlockDef[static_cast<std::size_t>(d)].ref_flag = true;
            stack.emplace_back(d, 0);
        };
        for (const TEntJwwBlock &root : EntBlock) {
            const std::int32_t r = index.find(root.nNumber);
            if (r < 0 || state[static_cast<std::size_t>(r)] != kNew)
                continue;
            open(r);
            while (!stack.empty()) {
                const std::int32_t d = stack.back().first;
                const std::size_t j = stack.back().second++;
                const std::span<const TEntJwwBlock> members =
                    EntBlockDef[static_cast<std::size_t>(d)].mBlock();
                if (j == members.size()) {
                    state[static_cast<std::size_t>(d)] = kDone;
                    stack.pop_back();
                    continue;
                }
                const std::int32_t c = index.find(members[j].nNumber);
                if (c < 0)
                    continue;
                if (state[static_cast<std::size_t>(c)] == kOpen)
                    m_cycleRefs.push_back(cycleKey(d, j));
                else if (state[static_cast<std::size_t>(c)] == kNew)
                    open(c);
            }
        }
        std::sort(m_cycleRefs.begin(), m_cycleRefs.end());
    }

    // Breadth first: the top-level references, then level by level the references their
    // definitions hold. A reference that closes a cycle is placed as one that names no
    // definition, as it is written, so every chain of entries is finite and each entry
    // costs the same, however deep it lies.
    const auto ceiling = static_cast<std::size_t>(kBlockTreeCeiling);
    EntBlockTree.reserve(std::min(EntBlock.size(), ceiling));
    for (const TEntJwwBlock &b : EntBlock) {
        if (EntBlockTree.size() == ceiling)
            break;
        TEntJwwBlockTree &t = EntBlockTree.emplace_back();
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
    for (std::size_t k = 0; k < EntBlockTree.size() && EntBlockTree.size() < ceiling; ++k) {
        const TEntJwwBlockTree P = EntBlockTree[k];
        if (P.defno < 0)
            continue;
        const TEntJwwBlockDef &D = EntBlockDef[static_cast<std::size_t>(P.defno)];
        const std::span<const TEntJwwBlock> members = D.mBlock();
        for (std::size_t j = 0; j < members.size() && EntBlockTree.size() < ceiling; ++j) {
            const TEntJwwBlock &B = members[j];
            TEntJwwBlockTree &t = EntBlockTree.emplace_back();
            t.att = D.att;
            t.level = P.level + 1;
            t.parent = static_cast<std::int32_t>(k);
            t.no = B.nNumber;
            t.defno = closesCycle(P.defno, j) ? -1 : index.find(B.nNumber);
            t.x = P.x + P.r1 * B.DPKijunTen_x + P.r2 * B.DPKijunTen_y;
            t.y = P.y + P.r3 * B.DPKijunTen_x + P.r4 * B.DPKijunTen_y;
            const Matrix c = matrixOf(B);
            t.r1 = P.r1 * c.c1 + P.r2 * c.c3;
            t.r2 = P.r1 * c.c2 + P.r2 * c.c4;
            t.r3 = P.r3 * c.c1 + P.r4 * c.c3;
            t.r4 = P.r3 * c.c2 + P.r4 * c.c4;
        }
    }

    std::int32_t counter = 0;
    for (TEntJwwBlockDef &d : EntBlockDef)
        if (d.ref_flag)
            d.ref_no = counter++;
    EntBlockNum = counter;
}

} // namespace pravelot
