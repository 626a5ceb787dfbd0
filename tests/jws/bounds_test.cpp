// Files whose counts or nesting promise far more than their bytes hold are read in time
// and memory that follow their size.

#include "convert/blocking.h"
#include "support/jwsfixture.h"

#include <gtest/gtest.h>

using namespace pravelot;
using namespace pravelot::test;

namespace {

// Ten definitions, each holding ten references to the next: 10^10 instances.
TJwsData deepNesting(int levels, int fanout)
{
    TJwsData d = emptyDoc(600);
    for (int i = 0; i < levels; ++i) {
        TEntJwwBlockDef &def = addDef(d, static_cast<std::uint32_t>(i), u"level");
        addMember(def, line(0, 0, 1, 1));
        if (i + 1 < levels)
            for (int k = 0; k < fanout; ++k)
                addMember(def, blockRef(static_cast<std::uint32_t>(i + 1), k, 0));
    }
    addTop(d, blockRef(0, 0, 0));
    addTop(d, line(0, 0, 5, 5));
    return d;
}

} // namespace

TEST(Bounds, NestedInstancesStopAtTheCeilingButEveryDefinitionIsWritten)
{
    TJwsData d = deepNesting(10, 10);
    d.MakeBlockTree();
    const Bytes file = d.FileOutBytes(600);
    EXPECT_LT(file.size(), 20000u);

    TJwsData back;
    ASSERT_TRUE(back.FileInBytes(file));
    EXPECT_LE(back.EntBlockTreeN(), TJwsData::kBlockTreeCeiling + 10);
    EXPECT_EQ(back.EntBlockNum, 10);
    DataTransJWS(back, u"deep");
    TJwsData out;
    ASSERT_TRUE(out.FileInBytes(back.FileOutBytes(600)));
    ASSERT_EQ(out.EntBlockDefN(), 11);
    for (std::int32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(out.EntBlockDef[static_cast<std::size_t>(i)].mBlockN(), i < 9 ? 10 : 0);
        EXPECT_EQ(out.EntBlockDef[static_cast<std::size_t>(i)].nNumber,
                  static_cast<std::uint32_t>(i));
    }
}

TEST(Bounds, TreeBelowTheCeilingIsExpandedWhole)
{
    TJwsData d = deepNesting(4, 10); // 1 + 10 + 100 + 1000 instances
    d.MakeBlockTree();
    EXPECT_EQ(d.EntBlockTreeN(), 1111);
    EXPECT_EQ(d.EntBlockTree.back().level, 3);
}

TEST(Bounds, DefinitionsThatReachThemselves)
{
    TJwsData d = emptyDoc(600);
    TEntJwwBlockDef &a = addDef(d, 1, u"a");
    addMember(a, blockRef(2, 1, 0));
    addMember(a, blockRef(1, 0, 1));
    TEntJwwBlockDef &b = addDef(d, 2, u"b");
    addMember(b, blockRef(1, 1, 1));
    addTop(d, blockRef(1, 0, 0));
    d.MakeBlockTree();
    // T→a; a→b, a→a; b→a stops (a is on its chain), a→a stops.
    ASSERT_EQ(d.EntBlockTreeN(), 4);
    EXPECT_EQ(d.EntBlockTree[3].defno, 0);
    EXPECT_EQ(d.EntBlockTree[3].level, 2);
    EXPECT_EQ(d.EntBlockNum, 2);
    TJwsData back;
    ASSERT_TRUE(back.FileInBytes(d.FileOutBytes(600)));
    EXPECT_EQ(back.EntBlockDefN(), 2);
}

TEST(Bounds, ExtentsOfManyInstancesOfALargeDefinitionStayWithinABudget)
{
    // 360 × 360 instances of a definition of 10,000 lines would be 1.3 billion visits.
    TJwsData d = emptyDoc(600);
    TEntJwwBlockDef &a = addDef(d, 0, u"large");
    for (int i = 0; i < 10000; ++i)
        addMember(a, line(0, 0, 1, 1));
    TEntJwwBlockDef &b = addDef(d, 1, u"many");
    for (int i = 0; i < 360; ++i)
        addMember(b, blockRef(0, 0, 0));
    for (int i = 0; i < 360; ++i)
        addTop(d, blockRef(1, 0, 0));
    d.MakeBlockTree();
    ASSERT_EQ(d.EntBlockTreeN(), 360 + 360 * 360);
    d.GetMinMaxZahyo();
    EXPECT_EQ(d.myMinWx, 0);
    EXPECT_EQ(d.myMinWy, 0);
    EXPECT_EQ(d.myMaxWx, 1);
    EXPECT_EQ(d.myMaxWy, 1);
}
