// Conversions of documents whose block references nest in every way a damaged or
// hand-made file can: shared, cyclic, self-referring and dangling references.

#include "convert/blocking.h"
#include "hostiledoc.h"
#include "support/jwsfixture.h"

#include <gtest/gtest.h>

using namespace pravelot;
using namespace pravelot::test;

namespace {

// The blocked document written and read back, which must read completely.
TJwsData convertAndReadBack(TJwsData d)
{
    DataTransJWS(d, u"part");
    TJwsData back;
    ReadProblem problem;
    EXPECT_TRUE(readInto(back, writeJws(d, {d.Enthd.jwVer}), &problem)) << problem.text();
    return back;
}

} // namespace

TEST(Nesting, NoWrittenDefinitionEverReachesItself)
{
    std::mt19937 rng(9);
    int cyclic = 0, compared = 0;
    for (int round = 0; round < 3000; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::uint8_t> bytes(200 + rng() % 400);
        for (std::uint8_t &b : bytes)
            b = static_cast<std::uint8_t>(rng());
        fuzz::ByteChoices choices(bytes);
        TJwsData doc = fuzz::hostileJws(choices);
        cyclic += fuzz::someDefinitionReachesItself(doc);
        const bool whole = doc.EntBlockTreeN() < TJwsData::kBlockTreeCeiling - 1;
        const auto before = drawing(doc);
        const std::int32_t version = doc.Enthd.jwVer;

        const TJwsData back = convertAndReadBack(doc);
        ASSERT_FALSE(fuzz::someDefinitionReachesItself(back));
        ASSERT_EQ(back.EntBlockDefN(), back.EntBlockNum) << "every written definition is reached";
        ASSERT_EQ(back.Enthd.jwVer, version);
        if (whole && back.EntBlockTreeN() < TJwsData::kBlockTreeCeiling) {
            ++compared;
            ASSERT_TRUE(before == drawing(back)) << "the drawing changed";
        }
    }
    // The generator does make what this is about.
    EXPECT_GT(cyclic, 300);
    EXPECT_GT(compared, 2000);
}

TEST(Nesting, AReferenceToZeroInAFileWithoutDefinitions)
{
    // The new definition would be number 0, the number the reference names: it would
    // contain itself.
    TJwsData d = emptyDoc(600);
    addTop(d, blockRef(0, 5, 5));
    addTop(d, line(0, 0, 1, 1));
    d.MakeBlockTree();
    EXPECT_EQ(newBlockNumber(d), 1u);

    const TJwsData back = convertAndReadBack(d);
    ASSERT_EQ(back.EntBlockDefN(), 1);
    EXPECT_EQ(back.EntBlockDef[0].mBlock()[0].nNumber, 1u) << "written as a reference to nothing";
    EXPECT_FALSE(fuzz::someDefinitionReachesItself(back));
    ASSERT_EQ(back.EntBlockTreeN(), 2);
    EXPECT_EQ(back.EntBlockTree[1].defno, -1);
}

TEST(Nesting, ReferencesThatCloseACycleAreWrittenToNoDefinition)
{
    struct Case {
        const char *what;
        // Member references of the definitions numbered 0, 1, 2 …; the top level refers to 0.
        std::vector<std::vector<std::uint32_t>> refs;
        std::int32_t treeEntries; // before the conversion, each closing reference one
        // The written definitions' references: a definition's position, or 9 for none.
        std::vector<std::vector<std::uint32_t>> written;
    } cases[] = {
        {"a definition holding itself", {{0}}, 2, {{9}, {0}}},
        {"two definitions holding each other", {{1}, {0}}, 3, {{1}, {9}, {0}}},
        {"a cycle entered from its middle", {{1}, {2}, {1}}, 4, {{1}, {2}, {9}, {0}}},
        {"a definition shared but not cyclic", {{1, 1}, {}}, 3, {{1, 1}, {}, {0}}},
        {"a chain closing into a cycle, and a reference to itself",
         {{1, 0}, {2}, {0}},
         5,
         {{1, 9}, {2}, {9}, {0}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TJwsData d = emptyDoc(600);
        for (std::size_t i = 0; i < c.refs.size(); ++i) {
            TEntJwwBlockDef &def = addDef(d, static_cast<std::uint32_t>(i), u"d");
            addMember(def, line(0, 0, 1, 1));
            for (std::uint32_t r : c.refs[i])
                addMember(def, blockRef(r, 1, 1));
        }
        addTop(d, blockRef(0, 0, 0));
        addTop(d, line(0, 0, 5, 5));
        d.MakeBlockTree();
        EXPECT_EQ(d.EntBlockTreeN(), c.treeEntries);
        const auto before = drawing(d);

        const TJwsData back = convertAndReadBack(d);
        ASSERT_EQ(back.EntBlockDefN(), static_cast<std::int32_t>(c.written.size()));
        const auto none = static_cast<std::uint32_t>(back.EntBlockNum);
        for (std::size_t i = 0; i < c.written.size(); ++i) {
            std::vector<std::uint32_t> refs;
            for (const TEntJwwBlock &b : back.EntBlockDef[i].mBlock())
                refs.push_back(b.nNumber == none ? 9 : b.nNumber);
            EXPECT_EQ(refs, c.written[i]) << "definition " << i;
        }
        EXPECT_TRUE(before == drawing(back));
    }
}

TEST(Nesting, AChainThatClosesIntoACycleCostsOneEntryPerDefinition)
{
    // Definition i holds a reference to i + 1, the last one to the first. Each tree entry
    // once walked its whole chain of parents to look for its own definition.
    constexpr std::uint32_t kDefs = 100000;
    TJwsData d = emptyDoc(600);
    for (std::uint32_t i = 0; i < kDefs; ++i)
        addMember(addDef(d, i, u""), blockRef((i + 1) % kDefs, 0, 0));
    addTop(d, blockRef(0, 0, 0));
    addTop(d, line(0, 0, 1, 1));
    d.MakeBlockTree();
    // The top-level reference, one entry per definition below it, and the last one's
    // reference back to the first, placed but not expanded.
    ASSERT_EQ(d.EntBlockTreeN(), static_cast<std::int32_t>(kDefs) + 1);
    EXPECT_EQ(d.EntBlockTree.back().level, static_cast<std::int32_t>(kDefs));
    EXPECT_EQ(d.EntBlockTree.back().defno, -1);
    EXPECT_TRUE(d.closesCycle(kDefs - 1, 0));
    EXPECT_FALSE(d.closesCycle(kDefs - 2, 0));

    const TJwsData back = convertAndReadBack(d);
    ASSERT_EQ(back.EntBlockDefN(), static_cast<std::int32_t>(kDefs) + 1);
    EXPECT_EQ(back.EntBlockDef[kDefs - 1].mBlock()[0].nNumber, kDefs + 1);
    EXPECT_EQ(back.EntBlockTreeN(), static_cast<std::int32_t>(kDefs) + 2);
}
