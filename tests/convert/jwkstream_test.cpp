// A large .jwk is written from a second translation instead of a document in memory;
// the file must be the same to the byte.

#include "convert/blocking.h"
#include "convert/converter.h"
#include "jwk/jwkbuilder.h"
#include "jws/jwswriter.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <random>

using namespace pravelot;
using namespace pravelot::test;

TEST(JwkStream, WrittenWithoutTheDocumentTheFileIsTheSame)
{
    TempDir tmp;
    Converter held, streamed;
    held.setStreamThreshold(UINT64_MAX);
    streamed.setStreamThreshold(0);
    int withContent = 0;
    for (unsigned seed = 0; seed < 60; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const std::u16string src = tmp.file("s" + std::to_string(seed) + ".jwk");
        writeBytes(src, randomJwk(rng));
        const std::u16string a = tmp.file("a" + std::to_string(seed) + ".jws");
        const std::u16string b = tmp.file("b" + std::to_string(seed) + ".jws");
        ASSERT_EQ(held.RunProc1(src, a, u"部品"), kResultDone);
        ASSERT_EQ(streamed.RunProc1(src, b, u"部品"), kResultDone);
        ASSERT_TRUE(readBytes(a) == readBytes(b));
        withContent += readBytes(b).size() > 1000;
        // The curve-group counter goes on alike from file to file.
        EXPECT_EQ(held.JWT.curveNo, streamed.JWT.curveNo);
    }
    EXPECT_GT(withContent, 40);
    // A file that cannot be written still moves the counter on.
    std::mt19937 rng(99);
    const std::u16string src = tmp.file("last.jwk");
    JwkBuilder b;
    b.line(0, 0, 1, 1, 1, 1, 0, 0, 0x40).line(0, 0, 2, 2, 1, 1, 0, 0, 0x40);
    writeBytes(src, b.bytes());
    EXPECT_EQ(held.RunProc1(src, tmp.file("no/such/folder.jws"), u"x"), kResultFailed);
    EXPECT_EQ(streamed.RunProc1(src, tmp.file("no/such/folder.jws"), u"x"), kResultFailed);
    EXPECT_EQ(held.JWT.curveNo, streamed.JWT.curveNo);
}

TEST(JwkStream, TextsSharingOneStringAreWrittenAsTheyAreTranslated)
{
    // 40,000 texts all beginning at the one string of the pool: held as a document, each
    // would hold its own copy. Their strings together pass the threshold, so the file is
    // written from a second translation; it is the same as from a document in memory.
    JwkBuilder b;
    b.moji(0, 0, 10, 0, std::string(1000, 'S'));
    for (int i = 1; i < 40000; ++i)
        b.mojiAt(static_cast<float>(i), 0, static_cast<float>(i + 10), 0, 0);
    const JwkBuilder::Bytes file = b.bytes();

    TJwkData k;
    ASSERT_TRUE(k.FileInBytes(file));
    EXPECT_GE(k.stringBytes(), Converter::kStreamStringBytes);
    EXPECT_EQ(k.stringOf(k.EntMoji[0]), std::u16string(1000, u'S'));
    EXPECT_EQ(k.stringOf(k.EntMoji[39999]), u"") << "past the cap on shared strings";
    TJwTrans trans;
    TJwsData jws;
    translateJwk(trans, k, jws);
    DataTransJWS(jws, u"部品");
    jws.SetFileOutOption(0);
    const Bytes inMemory = writeJws(jws, {jws.Enthd.jwVer});

    TempDir tmp;
    Converter conv;
    conv.setStreamThreshold(UINT64_MAX);
    const std::u16string src = tmp.file("shared.jwk"), dst = tmp.file("shared.jws");
    writeBytes(src, file);
    ASSERT_EQ(conv.RunProc1(src, dst, u"部品"), kResultDone);
    EXPECT_TRUE(readBytes(dst) == inMemory);
}
