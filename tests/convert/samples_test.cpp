// Every real part in the shared samples folder converts, and draws the same afterwards.

#include "convert/blocking.h"
#include "convert/datacheck.h"
#include "core/path.h"
#include "core/text.h"
#include "support/jwsfixture.h"
#include "support/samples.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace pravelot;
using namespace pravelot::test;

TEST(Samples, EveryPartConvertsAndDrawsTheSame)
{
    const auto samples = sharedSamples();
    if (!samples)
        GTEST_SKIP() << "no samples folder at " << sharedSamplesFolder();
    for (const std::filesystem::path &file : *samples) {
        const std::u16string path = text(file);
        SCOPED_TRACE(utf8(file));
        ASSERT_TRUE(FileCheck(path));
        TJwsData doc;
        ReadProblem problem;
        ASSERT_TRUE(FileIn(doc, path, &problem)) << problem.text();
        const auto before = drawing(doc);
        ASSERT_FALSE(before.empty());
        const std::int32_t version = doc.Enthd.jwVer;
        const std::int32_t defsBefore = doc.EntBlockDefN();
        // A part that is one block reference and nothing else is already blocked.
        const bool alreadyOneBlock = doc.Enthd.n1 == 1 && doc.EntBlockN() == 1;
        const std::u16string name = ChangeExtSafe(FileNameOf(path), u"");
        DataTransJWS(doc, name);
        doc.SetFileOutOption(doc.MojiEncode ? 32 : 0);
        TJwsData back;
        ASSERT_TRUE(readInto(back, writeJws(doc, {version})));
        EXPECT_TRUE(sameDrawing(before, drawing(back)));
        EXPECT_EQ(back.Enthd.jwVer, version);
        // The top level is one block reference, to a definition that was written.
        ASSERT_EQ(back.Enthd.n1, 1);
        ASSERT_EQ(back.EntBlockN(), 1);
        EXPECT_EQ(back.EntNo.at(0), (TEntJwwNo{kEntBlock, 0}));
        EXPECT_EQ(back.EntBlockTree.at(0).level, 0);
        EXPECT_GE(back.EntBlockTree.at(0).defno, 0);
        EXPECT_LE(back.EntBlockDefN(), defsBefore + 1);
        if (alreadyOneBlock)
            continue;
        // Otherwise it places the new definition, written last under the file's name, at
        // the base point.
        const TEntJwwBlock &ref = back.EntBlock[0];
        EXPECT_EQ(ref.nNumber, back.EntBlockDef.back().nNumber);
        EXPECT_EQ(ref.DPKijunTen_x, back.Enthd.BasePoint_x);
        EXPECT_EQ(ref.DPKijunTen_y, back.Enthd.BasePoint_y);
        EXPECT_EQ(userBlockName(back.EntBlockDef.back().strName), name);
    }
    EXPECT_FALSE(samples->empty());
}

// With the names the list proposes, a part that is already one block gets a warning and
// no longer stops the batch; only a real clash (a definition of the file's name beside
// other content) is still an error.
TEST(Samples, TheCheckWithTheProposedNames)
{
    const auto samples = sharedSamples();
    if (!samples)
        GTEST_SKIP() << "no samples folder at " << sharedSamplesFolder();
    struct Lines : RunHost {
        std::vector<std::u16string> check;
        void appendCheckLine(const std::u16string &l, bool) override { check.push_back(l); }
        void appendLogLine(const std::u16string &) override {}
        bool escapePressed() override { return false; }
    } host;
    std::vector<SourceRow> rows;
    std::vector<std::u16string> expected;
    int oneBlock = 0;
    for (const std::filesystem::path &file : *samples) {
        const std::u16string path = text(file);
        const std::u16string name = ChangeExtSafe(FileNameOf(path), u"");
        rows.push_back({path, name});
        TJwsData doc;
        ASSERT_TRUE(FileIn(doc, path));
        const bool single = doc.Enthd.n1 <= 1 && doc.EntBlockN() == doc.Enthd.n1;
        if (single) {
            ++oneBlock;
            expected.push_back(path + u" -- 既に1つのブロックです(ブロック名は使われません)");
            continue;
        }
        for (const TEntJwwBlockDef &d : doc.EntBlockDef) {
            if (userBlockName(d.strName) == name) {
                std::u16string line = path;
                line += u" ブロック名【";
                line += name;
                line += u"】は既に図形ファイル内で使用済です";
                expected.push_back(std::move(line));
                break;
            }
        }
    }
    Converter conv;
    const CheckOutcome out = DataCheck(rows, conv, host);
    EXPECT_EQ(host.check, expected);
    EXPECT_EQ(out.warning, oneBlock > 0);
    EXPECT_EQ(out.error, expected.size() > static_cast<std::size_t>(oneBlock));
}
