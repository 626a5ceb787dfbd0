// Every real part in the shared samples folder converts, and draws the same afterwards.

#include "convert/blocking.h"
#include "core/path.h"
#include "core/text.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace pravelot;
using namespace pravelot::test;

TEST(Samples, EveryPartConvertsAndDrawsTheSame)
{
    const std::filesystem::path root(PRAVELOT_SAMPLES_DIR);
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec))
        GTEST_SKIP() << "no samples folder at " << root;
    int files = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(root, ec)) {
        const std::u16string path = text(entry.path());
        if (!entry.is_regular_file() || FileExtLower(path) != u".jws")
            continue;
        SCOPED_TRACE(utf8(entry.path()));
        ++files;
        ASSERT_TRUE(TJwsData::FileCheck(path));
        TJwsData doc;
        ASSERT_TRUE(doc.FileIn(path)) << doc.problem().message << " " << doc.problem().where;
        const auto before = drawing(doc);
        const std::int32_t defsBefore = doc.EntBlockDefN();
        const bool oneBlockOnly = doc.Enthd.n1 == 1 && doc.EntBlockN() == 1;
        DataTransJWS(doc, ChangeExtSafe(FileNameOf(path), u""));
        doc.SetFileOutOption(doc.MojiEncode ? 32 : 0);
        TJwsData back;
        ASSERT_TRUE(back.FileInBytes(doc.FileOutBytes(doc.Enthd.jwVer)));
        EXPECT_TRUE(sameDrawing(before, drawing(back)));
        EXPECT_EQ(back.Enthd.jwVer, doc.Enthd.jwVer);
        EXPECT_EQ(back.Enthd.n1, before.empty() && back.Enthd.n1 == 0 ? 0 : 1);
        EXPECT_LE(back.EntBlockDefN(), defsBefore + 1);
        if (!oneBlockOnly && back.Enthd.n1 == 1) {
            EXPECT_EQ(UserBlockName(back.EntBlockDef.back().strName),
                      ChangeExtSafe(FileNameOf(path), u""));
        }
    }
    EXPECT_GT(files, 0);
}
