// Every crafted hostile shape of the size benchmark, small: each converts, and its output
// reads back completely with no definition reaching itself and draws what the file drew.

#include "convert/blocking.h"
#include "convert/converter.h"
#include "crafted.h"
#include "hostiledoc.h"
#include "support/drawing.h"
#include "support/jwsfixture.h"

#include <gtest/gtest.h>

using namespace pravelot;

TEST(Crafted, EveryShapeConvertsAndReadsBack)
{
    for (const bench::CraftedShape &shape : bench::craftedShapes()) {
        SCOPED_TRACE(std::string(shape.name));
        ByteWriter w;
        ASSERT_TRUE(bench::writeCrafted(shape.name, 256 << 10, w));
        const Bytes file = w.release();
        TJwsData jws;
        if (shape.extension == ".jwk") {
            TJwkData jwk;
            ASSERT_TRUE(jwk.FileInBytes(file));
            TJwTrans trans;
            translateJwk(trans, jwk, jws);
        } else {
            ReadProblem problem;
            ASSERT_TRUE(test::readInto(jws, file, &problem)) << problem.text();
            jws.GetMinMaxZahyo();
        }
        EXPECT_LE(jws.EntBlockTreeN(), TJwsData::kBlockTreeCeiling);
        // The drawings are compared where the instances are few enough to draw quickly.
        const bool draw = jws.EntBlockTreeN() < 4096;
        const auto before = draw ? test::drawing(jws) : std::vector<test::Primitive>{};
        DataTransJWS(jws, u"crafted");
        jws.SetFileOutOption(jws.MojiEncode ? 32 : 0);
        TJwsData back;
        ASSERT_TRUE(test::readInto(back, writeJws(jws, {jws.Enthd.jwVer})));
        EXPECT_FALSE(fuzz::someDefinitionReachesItself(back));
        EXPECT_EQ(back.EntBlockDefN(), back.EntBlockNum);
        EXPECT_EQ(back.EntBlockDef.back().strName, u"crafted@@SfigorgFlag@@4");
        if (draw) {
            EXPECT_TRUE(test::drawing(back) == before) << "the drawing changed";
        }
    }
}
