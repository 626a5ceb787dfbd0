// Properties over many generated documents.

#include "convert/blocking.h"
#include "support/jwsfixture.h"

#include <gtest/gtest.h>

using namespace pravelot;
using namespace pravelot::test;

namespace {
const std::int32_t kVersions[] = {230, 350, 351, 419, 420, 600, 700};

bool holdsStrings(const TJwsData &d)
{
    return !d.EntMoji.empty() || !d.EntSunpo.empty() || d.EntBlockNum > 0;
}
} // namespace

TEST(JwsProperty, WriteThenReadGivesTheSameDocument)
{
    for (std::int32_t ver : kVersions) {
        for (bool utf16 : {false, true}) {
            for (unsigned seed = 0; seed < 40; ++seed) {
                SCOPED_TRACE(testing::Message()
                             << "version " << ver << " utf16 " << utf16 << " seed " << seed);
                std::mt19937 rng(seed * 31 + static_cast<unsigned>(ver));
                TJwsData doc = randomDoc(rng, {ver, utf16, true});
                const Bytes bytes = writeJws(doc, {ver});
                TJwsData back;
                ReadProblem problem;
                ASSERT_TRUE(readInto(back, bytes, &problem)) << problem.text();
                doc.MojiEncode = utf16 && holdsStrings(doc);
                ASSERT_TRUE(sameDocument(doc, back));
                back.SetFileOutOption(doc.FileOutOpt);
                EXPECT_TRUE(writeJws(back, {ver}) == bytes);
            }
        }
    }
}

TEST(JwsProperty, BlockingDoesNotChangeTheDrawing)
{
    for (std::int32_t ver : kVersions) {
        for (bool utf16 : {false, true}) {
            for (unsigned seed = 0; seed < 40; ++seed) {
                SCOPED_TRACE(testing::Message()
                             << "version " << ver << " utf16 " << utf16 << " seed " << seed);
                std::mt19937 rng(seed * 131 + static_cast<unsigned>(ver));
                TJwsData doc = randomDoc(rng, {ver, utf16, false});
                const auto before = drawing(doc);
                DataTransJWS(doc, u"ブロック");
                doc.SetFileOutOption(utf16 ? 32 : 0);
                TJwsData back;
                ASSERT_TRUE(readInto(back, writeJws(doc, {ver})));
                ASSERT_TRUE(sameDrawing(before, drawing(back)));
                // Only what is referenced comes back, numbered from 0.
                for (std::size_t i = 0; i < back.EntBlockDef.size(); ++i) {
                    EXPECT_EQ(back.EntBlockDef[i].nNumber, i);
                    EXPECT_TRUE(back.EntBlockDef[i].ref_flag);
                }
            }
        }
    }
}
