// The flattened block tree and the marking of referenced block definitions.

#include "jws/jwsdata.h"

#include <cmath>
#include <unordered_map>

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

// First definition of each block number; later definitions of the same number are
// never bound.
std::unordered_map<std::uint32_t, std::int32_t>
firstDefinitions(const std::vector<TEntJwwBlockDef> &defs)
{
    std::unordered_map<std::uint32_t, std::int32_t> byNumber;
    byNumber.reserve(defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i)
        byNumber.try_emplace(defs[i].nNumber, static_cast<std::int32_t>(i));
    return byNumber;
}

// Whether some definition reaches itself through its references.
bool hasCycle(const std::vector<TEntJwwBlockDef> &defs,
              const std::unordered_map<std::uint32_t, std::int32_t> &byNumber)
{
    enum : std::uint8_t { kNew, kOpen, kDone };
    std::vector<std::uint8_t> state(defs.size(), kNew);
    std::vector<std::pair<std::int32_t, std::size_t>> stack; // definition, next member
    for (std::size_t root = 0; root < defs.size(); ++root) {
        if (state[root] != kNew)
            continue;
        stack.emplace_back(static_cast<std::int32_t>(root), 0);
        state[root] = kOpen;
        while (!stack.empty()) {
            auto &[d, next] = stack.back();
            const auto &members = defs[static_cast<std::size_t>(d)].mBlock;
            if (next == members.size()) {
                state[static_cast<std::size_t>(d)] = kDone;
                stack.pop_back();
                continue;
            }
            auto it = byNumber.find(members[next++].nNumber);
            if (it == byNumber.end())
                continue;
            const auto child = static_cast<std::size_t>(it->second);
            if (state[child] == kOpen)
                return true;
            if (state[child] == kNew) {
                state[child] = kOpen;
                stack.emplace_back(it->second, 0);
            }
        }
    }
    return false;
}

} // namespace

void TJwsData::MakeBlockTree()
{
    EntBlockTree.clear();
    for (TEntJwwBlockDef &d : EntBlockDef) {
        d.ref_flag = false;
        d.ref_no = -1;
    }
    if (EntBlock.empty()) {
        // No reference reaches any definition, so none is written.
        EntBlockNum = 0;
        return;
    }
    const auto byNumber = firstDefinitions(EntBlockDef);
    auto lookup = [&](std::uint32_t n) {
        auto it = byNumber.find(n);
        return it == byNumber.end() ? -1 : it->second;
    };

    // Marking walks the definitions, each once, so it does not depend on how many
    // instances the nesting would expand into.
    std::vector<std::int32_t> queue;
    auto mark = [&](std::uint32_t n) {
        const std::int32_t i = lookup(n);
        if (i >= 0 && !EntBlockDef[static_cast<std::size_t>(i)].ref_flag) {
            EntBlockDef[static_cast<std::size_t>(i)].ref_flag = true;
            queue.push_back(i);
        }
    };
    for (const TEntJwwBlock &b : EntBlock)
        mark(b.nNumber);
    for (std::size_t q = 0; q < queue.size(); ++q)
        for (const TEntJwwBlock &b : EntBlockDef[static_cast<std::size_t>(queue[q])].mBlock)
            mark(b.nNumber);

    auto entryFor = [&](TEntJwwBlockTree &t, const TEntJwwBlock &b) {
        t.no = b.nNumber;
        t.defno = lookup(b.nNumber);
        if (t.defno >= 0)
            t.name = EntBlockDef[static_cast<std::size_t>(t.defno)].strName;
    };
    EntBlockTree.reserve(EntBlock.size());
    for (const TEntJwwBlock &b : EntBlock) {
        TEntJwwBlockTree &t = EntBlockTree.emplace_back();
        t.att = b.att;
        t.level = 0;
        t.parent = -1;
        t.x = b.DPKijunTen_x;
        t.y = b.DPKijunTen_y;
        const Matrix m = matrixOf(b);
        t.r1 = m.c1;
        t.r2 = m.c2;
        t.r3 = m.c3;
        t.r4 = m.c4;
        entryFor(t, b);
    }

    // Breadth-first expansion. A reference whose definition is already on its own chain
    // of parents is not expanded (only possible when definitions reach themselves), and
    // expansion stops at the ceiling.
    const bool cyclic = hasCycle(EntBlockDef, byNumber);
    auto onChain = [&](std::size_t k, std::int32_t defno) {
        for (std::int32_t p = EntBlockTree[k].parent; p >= 0;
             p = EntBlockTree[static_cast<std::size_t>(p)].parent)
            if (EntBlockTree[static_cast<std::size_t>(p)].defno == defno)
                return true;
        return false;
    };
    for (std::size_t k = 0; k < EntBlockTree.size(); ++k) {
        const std::int32_t defno = EntBlockTree[k].defno;
        if (defno < 0)
            continue;
        const TEntJwwBlockDef &D = EntBlockDef[static_cast<std::size_t>(defno)];
        if (D.mBlock.empty())
            continue;
        if (EntBlockTree.size() >= static_cast<std::size_t>(kBlockTreeCeiling))
            break;
        if (cyclic && onChain(k, defno))
            continue;
        const TEntJwwBlockTree P = EntBlockTree[k];
        for (const TEntJwwBlock &B : D.mBlock) {
            TEntJwwBlockTree t;
            t.att = D.att;
            t.level = P.level + 1;
            t.parent = static_cast<std::int32_t>(k);
            t.x = P.x + P.r1 * B.DPKijunTen_x + P.r2 * B.DPKijunTen_y;
            t.y = P.y + P.r3 * B.DPKijunTen_x + P.r4 * B.DPKijunTen_y;
            const Matrix c = matrixOf(B);
            t.r1 = P.r1 * c.c1 + P.r2 * c.c3;
            t.r2 = P.r1 * c.c2 + P.r2 * c.c4;
            t.r3 = P.r3 * c.c1 + P.r4 * c.c3;
            t.r4 = P.r3 * c.c2 + P.r4 * c.c4;
            entryFor(t, B);
            EntBlockTree.push_back(std::move(t));
        }
    }

    std::int32_t counter = 0;
    for (TEntJwwBlockDef &d : EntBlockDef)
        if (d.ref_flag)
            d.ref_no = counter++;
    EntBlockNum = counter;
}

} // namespace pravelot
