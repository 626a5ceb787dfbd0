// Conversions read their sources through a file descriptor, in refills of a buffer;
// the other tests and the fuzzers read from memory. Both must load the same, whole or
// cut anywhere, with records that straddle a refill.

#include "core/bytereader.h"
#include "core/file.h"
#include "hostiledoc.h"
#include "jwk/jwkbuilder.h"
#include "jwk/jwkdata.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

using namespace pravelot;
using namespace pravelot::test;

namespace {

const std::size_t kRefills[] = {1, 2, 7, 64, 1000, ByteReader::kFileBufferSize};

// The edges of the header and of a .jws file's first object, then every 11th byte:
// cuts inside every kind of record and string.
std::vector<std::size_t> cuts(std::size_t size)
{
    std::vector<std::size_t> at = {0, 1, 6, 7, 199, 200, 203, 204, 400, 451, 452, 453, 454, 455};
    for (std::size_t n = 456; n < size; n += 11)
        at.push_back(n);
    std::erase_if(at, [size](std::size_t n) { return n >= size; });
    at.push_back(size);
    return at;
}

// Refills of one or two bytes cost a system call per byte or two: every 7th cut is
// enough for them.
bool tooSlow(std::size_t refill, std::size_t cutIndex) { return refill <= 2 && cutIndex % 7 != 0; }

::testing::AssertionResult sameProblem(const ReadProblem &a, const ReadProblem &b)
{
    if (a.message == b.message && a.where == b.where)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << a.text() << "\" against \"" << b.text() << "\"";
}

// What a conversion loads from the file: its reader, on the file's descriptor.
JwsReading readJwsWithRefill(const std::u16string &path, std::size_t refill)
{
    auto f = InputFile::open(path);
    if (!f)
        return {};
    ByteReader r(f->fd(), f->size(), refill);
    return readJws(r);
}

bool loadJwkFile(const std::u16string &path, std::size_t refill, TJwkData &k)
{
    auto f = InputFile::open(path);
    if (!f)
        return false;
    ByteReader r(f->fd(), f->size(), refill);
    return k.FileIn(r);
}

} // namespace

TEST(FileReading, JwsFilesLoadAsTheirBytesForEveryRefillSize)
{
    TempDir tmp;
    const std::u16string path = tmp.file("part.jws");
    const struct {
        std::int32_t version;
        bool utf16;
    } kinds[] = {{350, false}, {420, false}, {600, true}, {700, false}};
    for (const auto &kind : kinds) {
        std::mt19937 rng(static_cast<unsigned>(kind.version));
        TJwsData src = randomDoc(rng, {kind.version, kind.utf16, true});
        const Bytes full = writeJws(src, {kind.version});
        const std::vector<std::size_t> at = cuts(full.size());
        for (std::size_t i = 0; i < at.size(); ++i) {
            const std::span<const std::uint8_t> bytes(full.data(), at[i]);
            const JwsReading memory = readJws(bytes);
            const JwsReadStatus expected = memory.status;
            writeBytes(path, Bytes(bytes.begin(), bytes.end()));
            for (std::size_t refill : kRefills) {
                if (tooSlow(refill, i))
                    continue;
                SCOPED_TRACE(testing::Message() << "version " << kind.version << " cut " << at[i]
                                                << " of " << full.size() << " refill " << refill);
                const JwsReading file = readJwsWithRefill(path, refill);
                ASSERT_EQ(file.status, expected);
                ASSERT_EQ(FileCheck(bytes), expected != JwsReadStatus::NotJws);
                if (expected == JwsReadStatus::NotJws)
                    continue;
                ASSERT_TRUE(sameProblem(file.problem, memory.problem));
                ASSERT_TRUE(sameDocument(file.doc, memory.doc));
                ASSERT_EQ(file.doc.EntBlockNum, memory.doc.EntBlockNum);
                ASSERT_EQ(file.doc.EntBlockTreeN(), memory.doc.EntBlockTreeN());
            }
        }
    }
}

TEST(FileReading, JwkFilesLoadAsTheirBytesForEveryRefillSize)
{
    TempDir tmp;
    const std::u16string path = tmp.file("part.jwk");
    for (unsigned seed = 0; seed < 3; ++seed) {
        std::mt19937 rng(seed);
        const Bytes full = randomJwk(rng);
        const std::vector<std::size_t> at = cuts(full.size());
        for (std::size_t i = 0; i < at.size(); ++i) {
            const std::span<const std::uint8_t> bytes(full.data(), at[i]);
            TJwkData memory;
            const bool complete = memory.FileInBytes(bytes);
            writeBytes(path, Bytes(bytes.begin(), bytes.end()));
            for (std::size_t refill : kRefills) {
                if (tooSlow(refill, i))
                    continue;
                SCOPED_TRACE(testing::Message() << "seed " << seed << " cut " << at[i] << " of "
                                                << full.size() << " refill " << refill);
                TJwkData file;
                ASSERT_EQ(loadJwkFile(path, refill, file), complete);
                ASSERT_TRUE(sameProblem(file.problem(), memory.problem()));
                ASSERT_EQ(file.Enthd, memory.Enthd);
                ASSERT_EQ(file.EntLine, memory.EntLine);
                ASSERT_EQ(file.EntArc, memory.EntArc);
                ASSERT_EQ(file.EntTen, memory.EntTen);
                ASSERT_EQ(file.EntMoji, memory.EntMoji);
                ASSERT_EQ(std::tie(file.lineN, file.arcN, file.tenN, file.mojiN),
                          std::tie(memory.lineN, memory.arcN, memory.tenN, memory.mojiN));
            }
        }
    }
}

// A reading for a drawing reads past the members of the definitions that nothing drawn
// names so far, and reads them again when a later reference turns out to reach them. It
// draws what the whole reading draws and finds the same problems, from memory and
// through every refill size, whole or cut anywhere.
TEST(FileReading, AReadingForADrawingDrawsWhatTheWholeReadingDraws)
{
    std::vector<Bytes> files;
    {
        // The top level names the last definition, which names the first, which names
        // the third: the first and the third are read past, then read again. The first
        // line of the file names its class, the second refers to it by its index.
        TJwsData d = emptyDoc(700);
        TEntJwwBlockDef &a = addDef(d, 1, u"a");
        addMember(a, line(0, 0, 1, 0));
        addMember(a, line(0, 0, 3, 0));
        addMember(a, blockRef(3, 10, 0));
        addMember(addDef(d, 2, u"nothing names it"), line(0, 0, 0, 1));
        addMember(addDef(d, 3, u"c"), line(0, 0, 2, 2));
        TEntJwwBlockDef &last = addDef(d, 4, u"d");
        addMember(last, line(5, 5, 6, 6));
        addMember(last, blockRef(1, 0, 20, 2, 2));
        addTop(d, blockRef(4, 100, 100));
        d.MakeBlockTree();
        // Written although nothing names it, as real parts hold such definitions.
        d.EntBlockDef[1].ref_flag = true;
        std::int32_t written = 0;
        for (TEntJwwBlockDef &def : d.EntBlockDef)
            def.ref_no = written++;
        d.EntBlockNum = written;
        const Bytes bytes = writeJws(d, {700});
        const JwsReading drawn = readJws(bytes, {JwsMembers::Drawn});
        ASSERT_EQ(drawn.status, JwsReadStatus::Complete);
        ASSERT_EQ(drawn.doc.EntBlockDefN(), 4);
        EXPECT_EQ(drawing(drawn.doc).size(), 4u)
            << "the lines of the last, the first and the third";
        EXPECT_TRUE(drawn.doc.EntBlockDef[1].mLine().empty()) << "what nothing draws is not kept";
        files.push_back(bytes);
    }
    std::mt19937 rng(21);
    for (std::int32_t version : {350, 420, 600, 700})
        for (bool canonical : {true, false}) {
            TJwsData d = randomDoc(rng, {version, version == 600, canonical});
            files.push_back(writeJws(d, {version}));
        }
    for (int i = 0; i < 40; ++i) {
        std::vector<std::uint8_t> choice(300);
        for (std::uint8_t &b : choice)
            b = static_cast<std::uint8_t>(rng());
        fuzz::ByteChoices c(choice);
        TJwsData d = fuzz::hostileJws(c, {20, 20, 2});
        files.push_back(writeJws(d, {d.Enthd.jwVer}));
    }

    TempDir tmp;
    const std::u16string path = tmp.file("part.jws");
    for (std::size_t f = 0; f < files.size(); ++f) {
        const Bytes &full = files[f];
        const std::vector<std::size_t> at = cuts(full.size());
        // The generated documents are cut everywhere, the hostile ones whole and in four.
        const std::size_t step = f < 9 ? 1 : std::max<std::size_t>(1, at.size() / 4);
        for (std::size_t i = 0; i < at.size(); i += step) {
            const std::span<const std::uint8_t> bytes(full.data(), at[i]);
            const JwsReading whole = readJws(bytes);
            if (whole.status == JwsReadStatus::NotJws)
                continue;
            const auto picture = drawing(whole.doc);
            writeBytes(path, Bytes(bytes.begin(), bytes.end()));
            for (std::size_t refill :
                 {std::size_t{0}, std::size_t{7}, std::size_t{64}, ByteReader::kFileBufferSize}) {
                SCOPED_TRACE(testing::Message() << "file " << f << " cut " << at[i] << " of "
                                                << full.size() << " refill " << refill);
                auto in = InputFile::open(path);
                ASSERT_TRUE(in);
                ByteReader fr(in->fd(), in->size(), refill);
                ByteReader mr(bytes);
                const JwsReading drawn = readJws(refill == 0 ? mr : fr, {JwsMembers::Drawn});
                ASSERT_EQ(drawn.status, whole.status);
                ASSERT_TRUE(sameProblem(drawn.problem, whole.problem));
                ASSERT_TRUE(drawing(drawn.doc) == picture);
            }
        }
    }
}
