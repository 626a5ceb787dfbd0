#include "core/compacttext.h"

#include <gtest/gtest.h>

#include <utility>

using namespace pravelot;

TEST(CompactText, HoldsAnyTextAndCopiesDeep)
{
    // Around the seven code units that fit inside, and far beyond.
    for (std::size_t n : {0u, 1u, 6u, 7u, 8u, 9u, 70000u}) {
        SCOPED_TRACE(n);
        std::u16string s;
        for (std::size_t i = 0; i < n; ++i)
            s.push_back(static_cast<char16_t>(u'a' + i % 26));
        CompactText t(s);
        EXPECT_EQ(t.view(), s);
        EXPECT_EQ(t.size(), n);

        CompactText copy = t;
        CompactText assigned;
        assigned = t;
        t = u"changed";
        EXPECT_EQ(copy, s);
        EXPECT_EQ(assigned, s);
        EXPECT_EQ(t, u"changed");

        CompactText moved(std::move(copy));
        EXPECT_EQ(moved, s);
        EXPECT_TRUE(copy.empty()); // NOLINT(bugprone-use-after-move): a moved-from text is empty
        assigned = std::move(moved);
        EXPECT_EQ(assigned.str(), s);
        const CompactText &same = assigned;
        assigned = same;
        EXPECT_EQ(assigned, s);
    }
}
