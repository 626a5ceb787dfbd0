#include "jws/jwwtype.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pravelot;

namespace {

// Lists of every kind, n records each, texts with strings that live on the heap.
struct Source {
    std::vector<TEntJwwNo> order;
    std::vector<TEntJwwLine> line;
    std::vector<TEntJwwEnko> enko;
    std::vector<TEntJwwTen> ten;
    std::vector<TEntJwwMoji> moji;
    std::vector<TEntJwwSunpo> sunpo;
    std::vector<TEntJwwSolid> solid;
    std::vector<TEntJwwBlock> block;
    EntityLists lists() { return {line, enko, ten, moji, sunpo, solid, block}; }

    explicit Source(int n)
    {
        for (int i = 0; i < n; ++i) {
            line.emplace_back().start_x = i;
            enko.emplace_back().dHankei = i;
            ten.emplace_back().start_y = i;
            TEntJwwMoji &m = moji.emplace_back();
            m.str = u"a text long enough for the heap " +
                    std::u16string(static_cast<std::size_t>(i % 7), u'x');
            sunpo.emplace_back().Moji.str = m.str.str() + u"!";
            solid.emplace_back().Color = static_cast<std::uint32_t>(i);
            block.emplace_back().nNumber = static_cast<std::uint32_t>(i);
            for (std::int32_t k = kEntLine; k <= kEntBlock; ++k)
                order.push_back({k, i});
        }
    }
};

::testing::AssertionResult same(const BlockMembers &m, Source &s)
{
    const ConstEntityLists l = m.lists();
    const ConstEntityLists e = s.lists();
    if (std::ranges::equal(m.order(), s.order) && std::ranges::equal(l.line, e.line) &&
        std::ranges::equal(l.enko, e.enko) && std::ranges::equal(l.ten, e.ten) &&
        std::ranges::equal(l.moji, e.moji) && std::ranges::equal(l.sunpo, e.sunpo) &&
        std::ranges::equal(l.solid, e.solid) && std::ranges::equal(l.block, e.block))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the members differ";
}

} // namespace

TEST(BlockMembers, TakenOverPackedOrAsTheyAreAndAlwaysTheSame)
{
    // Few members are packed into one allocation, many are taken over as their arrays.
    for (int n : {0, 1, 3, 50, 2000}) {
        SCOPED_TRACE(n);
        Source expected(n), given(n);
        BlockMembers m;
        m.take(given.lists(), given.order);
        EXPECT_TRUE(given.line.empty() && given.moji.empty() && given.order.empty());
        EXPECT_TRUE(same(m, expected));
        EXPECT_EQ(m.empty(), n == 0);

        BlockMembers copy = m;
        BlockMembers assigned;
        assigned = copy;
        BlockMembers moved(std::move(copy));
        EXPECT_TRUE(same(assigned, expected));
        EXPECT_TRUE(same(moved, expected));

        // Changing unpacks; what was there stays, in order.
        moved.edit().line.emplace_back().start_x = -1;
        moved.editOrder().push_back({kEntLine, n});
        expected.line.emplace_back().start_x = -1;
        expected.order.push_back({kEntLine, n});
        EXPECT_TRUE(same(moved, expected));
        Source original(n);
        EXPECT_TRUE(same(m, original)) << "a copy changed the original";
    }
}
