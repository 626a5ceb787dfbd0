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
    const Bytes file = writeJws(d, {600});
    EXPECT_LT(file.size(), 20000u);

    TJwsData back;
    ASSERT_TRUE(readInto(back, file));
    EXPECT_LE(back.EntBlockTreeN(), TJwsData::kBlockTreeCeiling + 10);
    EXPECT_EQ(back.EntBlockNum, 10);
    DataTransJWS(back, u"deep");
    TJwsData out;
    ASSERT_TRUE(readInto(out, writeJws(back, {600})));
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

TEST(Bounds, ExtentsBudgetCountsPointsNotMembers)
{
    // A definition of 1,000 arcs, each 73 samples, placed 1,000 times along x: the budget
    // runs out after as many instances as its points allow, whatever the member count.
    TJwsData d = emptyDoc(600);
    TEntJwwBlockDef &a = addDef(d, 0, u"arcs");
    for (int i = 0; i < 1000; ++i) {
        TEntJwwEnko arc;
        arc.dHankei = 1;
        arc.dHenpeiRitsu = 1;
        arc.radEnkoKaku = 2 * 3.14159265358979;
        a.members.edit().enko.push_back(arc);
        a.members.editOrder().push_back({kEntEnko, i});
    }
    a.N = 1000;
    for (int i = 0; i < 1000; ++i)
        addTop(d, blockRef(0, 10.0 * i, 0));
    d.MakeBlockTree();
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    EXPECT_EQ(d.measureExtents(minX, minY, maxX, maxY), ExtentsCut::Points);
    // Whole instances of 1000 arcs of 73 points each.
    const std::uint64_t instances = TJwsData::kExtentsPointBudget / (std::uint64_t{1000} * 73);
    const auto measured = static_cast<double>(instances);
    EXPECT_DOUBLE_EQ(maxX, 10.0 * (measured - 1) + 1);
    EXPECT_NEAR(minX, -1, 1e-9);
}

TEST(Bounds, TreeEntriesReferToTheirDefinitionInsteadOfCopyingItsName)
{
    // Eighteen definitions with names of 60,000 characters, each holding two references to
    // the next: the tree fills up to its ceiling, which once meant a name per entry (some
    // fifteen gigabytes).
    TJwsData d = emptyDoc(600);
    const std::u16string name(60000, u'名');
    for (std::uint32_t i = 0; i < 18; ++i) {
        TEntJwwBlockDef &def = addDef(d, i, name + u"@@SfigorgFlag@@4");
        addMember(def, line(0, 0, 1, 1));
        if (i + 1 < 18) {
            addMember(def, blockRef(i + 1, 1, 0));
            addMember(def, blockRef(i + 1, 0, 1));
        }
    }
    addTop(d, blockRef(0, 0, 0));
    addTop(d, line(0, 0, 2, 2));
    d.MakeBlockTree();
    EXPECT_EQ(d.EntBlockTreeN(), TJwsData::kBlockTreeCeiling);
    d.SetFileOutOption(32);
    DataTransJWS(d, u"outer");
    TJwsData back;
    ASSERT_TRUE(readInto(back, writeJws(d, {600})));
    ASSERT_EQ(back.EntBlockDefN(), 19);
    EXPECT_EQ(back.EntBlockDef[17].strName, name + u"@@SfigorgFlag@@4");
    EXPECT_EQ(back.EntBlockTreeN(), TJwsData::kBlockTreeCeiling);
    const auto last = static_cast<std::size_t>(back.EntBlockTree.back().defno);
    EXPECT_EQ(back.EntBlockDef.at(last).strName.size(), 60016u);
}

TEST(Bounds, TheTreeNeverHoldsMoreThanItsCeiling)
{
    const auto ceiling = static_cast<std::size_t>(TJwsData::kBlockTreeCeiling);
    // More top-level references than the ceiling; after blocking, as many members of one
    // definition.
    TJwsData d = emptyDoc(600);
    addMember(addDef(d, 0, u"part"), line(0, 0, 1, 1));
    for (std::size_t i = 0; i < ceiling + 10; ++i)
        addTop(d, blockRef(0, static_cast<double>(i), 0));
    d.MakeBlockTree();
    EXPECT_EQ(d.EntBlockTree.size(), ceiling);
    EXPECT_EQ(d.EntBlockNum, 1);
    // The extents still measure every top-level instance.
    d.GetMinMaxZahyo();
    EXPECT_EQ(d.myMaxWx, static_cast<double>(ceiling + 10));
    DataTransJWS(d, u"all");
    EXPECT_EQ(d.EntBlockTree.size(), ceiling);
    EXPECT_EQ(d.EntBlockNum, 2);
    TJwsData back;
    ASSERT_TRUE(readInto(back, writeJws(d, {600})));
    EXPECT_EQ(back.EntBlockDef.at(1).mBlock().size(), ceiling + 10);
}

TEST(Bounds, ALargeFileIsCountedFirstAndEveryArrayGetsItsSizeAtOnce)
{
    // Past a few megabytes a file is read twice, first only counting; the document is the
    // same, and its large arrays take no more room than their records.
    TJwsData d = emptyDoc(600);
    for (int i = 0; i < 180000; ++i)
        addTop(d, line(i, 0, i, 1));
    addTop(d, blockRef(0, 0, 0));
    for (std::uint32_t k = 0; k < 100; ++k) {
        TEntJwwBlockDef &def = addDef(d, k, u"small");
        addMember(def, line(0, 0, k, k));
        addMember(def, blockRef(k + 1, 1, 1));
    }
    TEntJwwBlockDef &large = addDef(d, 100, u"large");
    for (int i = 0; i < 3000; ++i)
        addMember(large, line(i, i, 0, 0));
    d.MakeBlockTree();
    const Bytes file = writeJws(d, {600});
    ASSERT_GT(file.size(), 8u << 20);

    TJwsData back;
    ASSERT_TRUE(readInto(back, file));
    EXPECT_TRUE(sameDocument(d, back));
    EXPECT_EQ(back.EntLine.capacity(), back.EntLine.size());
    EXPECT_EQ(back.EntNo.capacity(), back.EntNo.size());
    EXPECT_EQ(back.EntBlockDef.capacity(), back.EntBlockDef.size() + 1);

    // Cut short, it keeps what it could read, as a file read once does.
    const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() * 3 / 5));
    TJwsData part;
    EXPECT_FALSE(readInto(part, cut));
    ASSERT_GT(part.EntLineN(), 100000);
    ASSERT_LT(part.EntLineN(), 180000);
    for (std::int32_t i = 0; i < part.EntLineN(); i += 997)
        EXPECT_EQ(part.EntLine[static_cast<std::size_t>(i)],
                  d.EntLine[static_cast<std::size_t>(i)]);
}
