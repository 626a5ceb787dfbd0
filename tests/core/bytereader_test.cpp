// A file read through its descriptor, in refills of any size, gives what the same bytes
// read from memory give: every read, take, peek and typed read, and every offset.

#include "core/bytereader.h"
#include "core/file.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <vector>

using namespace pravelot;
using namespace pravelot::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::size_t kRefills[] = {1, 2, 3, 7, 64, 4096, ByteReader::kFileBufferSize};

Bytes randomBytes(std::mt19937 &rng, std::size_t n)
{
    Bytes b(n);
    for (std::uint8_t &c : b)
        c = static_cast<std::uint8_t>(rng());
    return b;
}

// What one operation gave, to compare between the two readers.
struct Outcome {
    Bytes bytes;
    bool ok = true;       // the operation's own result
    bool readerOk = true; // the reader's sticky state after it
    std::uint64_t offset = 0, remaining = 0;
    bool operator==(const Outcome &) const = default;
};

template <class T> Outcome typed(ByteReader &r)
{
    T v{};
    Outcome o;
    o.ok = r.get(v);
    o.bytes.resize(sizeof v);
    std::memcpy(o.bytes.data(), &v, sizeof v);
    return o;
}

// One operation of a random kind and size; the sizes run past refills and past the end.
Outcome apply(ByteReader &r, unsigned kind, std::size_t n)
{
    Outcome o;
    switch (kind % 8) {
    case 0:
        o.bytes.resize(n);
        o.bytes.resize(r.read(o.bytes.data(), n));
        break;
    case 1: {
        const auto s = r.take(n);
        o.ok = !s.empty() || n == 0;
        o.bytes.assign(s.begin(), s.end());
        break;
    }
    case 2: {
        const auto s = r.peek(n);
        o.bytes.assign(s.begin(), s.end());
        break;
    }
    case 3:
        o = typed<std::uint8_t>(r);
        break;
    case 4:
        o = typed<std::uint16_t>(r);
        break;
    case 5:
        o = typed<std::uint32_t>(r);
        break;
    case 6: {
        // Back to where an earlier read was, inside the buffer or before it.
        const std::uint64_t at = r.offset();
        o.ok = r.seek(at - std::min<std::uint64_t>(at, n));
        break;
    }
    default:
        o = typed<double>(r);
        break;
    }
    o.readerOk = r.ok();
    o.offset = r.offset();
    o.remaining = r.remaining();
    return o;
}

// A fresh reader of the same kind, moved on to offset by plain reads.
void freshAt(std::optional<ByteReader> &r, std::uint64_t offset, const auto &make)
{
    r.reset();
    make(r);
    Bytes skip(static_cast<std::size_t>(offset));
    ASSERT_EQ(r->read(skip.data(), skip.size()), skip.size());
}

} // namespace

TEST(ByteReader, FileAndMemoryGiveTheSameForEveryRefillSize)
{
    TempDir tmp;
    std::mt19937 rng(2024);
    for (std::size_t size : {0u, 1u, 5u, 1000u, 70000u}) {
        const Bytes data = randomBytes(rng, size);
        const std::u16string path = tmp.file("data.bin");
        writeBytes(path, data);
        for (std::size_t refill : kRefills) {
            SCOPED_TRACE(testing::Message() << "size " << size << " refill " << refill);
            std::optional<InputFile> f;
            const auto makeFile = [&](std::optional<ByteReader> &r) {
                auto opened = InputFile::open(path);
                ASSERT_TRUE(opened);
                f.reset();
                f.emplace(std::move(*opened));
                r.emplace(f->fd(), f->size(), refill);
            };
            const auto makeMemory = [&](std::optional<ByteReader> &r) { r.emplace(data); };
            std::optional<ByteReader> fileReader, memoryReader;
            freshAt(fileReader, 0, makeFile);
            freshAt(memoryReader, 0, makeMemory);
            std::mt19937 ops(static_cast<unsigned>(size * 31 + refill));
            for (int i = 0; i < 4000; ++i) {
                // A failure is sticky: both go on from where they failed with fresh
                // readers, so that the operations run on to the end of the data.
                if (!memoryReader->ok()) {
                    const std::uint64_t at = memoryReader->offset();
                    freshAt(fileReader, at, makeFile);
                    freshAt(memoryReader, at, makeMemory);
                }
                ByteReader &file = *fileReader;
                ByteReader &memory = *memoryReader;
                const auto kind = static_cast<unsigned>(ops());
                // Mostly small, now and then larger than a refill, up to the largest take.
                const auto pick = static_cast<unsigned>(ops() % 20);
                const std::size_t n = pick == 0   ? ops() % 5000
                                      : pick == 1 ? ByteReader::kMaxTake
                                                  : ops() % 90;
                const Outcome m = apply(memory, kind, n);
                const Outcome d = apply(file, kind, n);
                ASSERT_EQ(m, d) << "operation " << i << " kind " << kind % 8 << " n " << n;
                if (memory.remaining() == 0 && ops() % 4 == 0)
                    break;
            }
            // Both end at the end, and neither reads past it.
            ByteReader &file = *fileReader;
            ByteReader &memory = *memoryReader;
            if (!memory.ok()) {
                const std::uint64_t at = memory.offset();
                freshAt(fileReader, at, makeFile);
                freshAt(memoryReader, at, makeMemory);
            }
            Bytes rest(size + 8);
            EXPECT_EQ(memory.read(rest.data(), rest.size()), file.read(rest.data(), rest.size()));
            EXPECT_EQ(file.offset(), size);
            EXPECT_EQ(file.remaining(), 0u);
        }
    }
}

TEST(ByteReader, ATakeLargerThanTheRefillIsWholeAndLeavesTheOffsetOnFailure)
{
    const struct Case {
        const char *what;
        std::size_t size, refill, take;
    } cases[] = {
        {"a take of many refills", 300, 4, 250},
        {"the largest take through a small buffer", ByteReader::kMaxTake + 50, 1000,
         ByteReader::kMaxTake},
        {"the largest take through the usual buffer", ByteReader::kMaxTake + 50,
         ByteReader::kFileBufferSize, ByteReader::kMaxTake},
    };
    TempDir tmp;
    std::mt19937 rng(5);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes data = randomBytes(rng, c.size);
        writeBytes(tmp.file("data.bin"), data);
        auto f = InputFile::open(tmp.file("data.bin"));
        ASSERT_TRUE(f);
        ByteReader r(f->fd(), f->size(), c.refill);
        std::uint8_t first = 0;
        ASSERT_TRUE(r.get(first));
        const auto s = r.take(c.take);
        ASSERT_EQ(s.size(), c.take);
        EXPECT_TRUE(std::equal(s.begin(), s.end(), data.begin() + 1));
        // The bytes left can be seen; a take of one more fails and moves nothing.
        const std::size_t left = c.size - 1 - c.take;
        const auto last = r.peek(left + 11);
        ASSERT_EQ(last.size(), left);
        EXPECT_EQ(last.back(), data.back());
        EXPECT_TRUE(r.take(left + 1).empty());
        EXPECT_EQ(r.offset(), 1 + c.take);
        // The failure is sticky: the bytes left stay out of reach and the offset stays put.
        EXPECT_FALSE(r.ok());
        EXPECT_TRUE(r.take(left).empty());
        EXPECT_TRUE(r.peek(left + 11).empty());
        EXPECT_EQ(r.offset(), 1 + c.take);
    }
}

// Each way of failing, in memory and through a file: the failing read yields zero and
// keeps the offset, and every later read fails too, however small.
TEST(ByteReader, AFailedReadIsStickyAndYieldsZero)
{
    const Bytes data = {1, 2, 3, 4, 5};
    const struct {
        const char *name;
        void (*fail)(ByteReader &);
    } cases[] = {
        {"a double past the end",
         [](ByteReader &r) {
             double v = 7;
             EXPECT_FALSE(r.get(v));
             EXPECT_EQ(v, 0.0);
         }},
        {"a take past the end", [](ByteReader &r) { EXPECT_TRUE(r.take(6).empty()); }},
        {"a take beyond the largest",
         [](ByteReader &r) { EXPECT_TRUE(r.take(ByteReader::kMaxTake + 1).empty()); }},
        {"a value refused by the caller", [](ByteReader &r) { r.fail(); }},
    };
    TempDir tmp;
    writeBytes(tmp.file("data.bin"), data);
    for (const auto &c : cases) {
        for (bool fromFile : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.name << (fromFile ? ", file" : ", memory"));
            auto f = InputFile::open(tmp.file("data.bin"));
            ASSERT_TRUE(f);
            ByteReader file(f->fd(), f->size(), 2);
            ByteReader memory(data);
            ByteReader &r = fromFile ? file : memory;
            EXPECT_EQ(r.get<std::uint8_t>(), 1);
            EXPECT_TRUE(r.ok());
            c.fail(r);
            EXPECT_FALSE(r.ok());
            EXPECT_EQ(r.offset(), 1u);
            std::uint8_t b = 9;
            EXPECT_FALSE(r.get(b));
            EXPECT_EQ(b, 0);
            EXPECT_EQ(r.get<std::uint16_t>(), 0);
            EXPECT_TRUE(r.take(1).empty());
            EXPECT_EQ(r.read(&b, 1), 0u);
            EXPECT_EQ(r.offset(), 1u);
        }
    }
}

TEST(ByteReader, AShortReadOrPeekIsNoFailure)
{
    const Bytes data = {1, 2, 3};
    ByteReader r(data);
    EXPECT_EQ(r.peek(10).size(), 3u);
    Bytes out(10);
    EXPECT_EQ(r.read(out.data(), out.size()), 3u);
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.take(0).empty());
    EXPECT_TRUE(r.ok());
    // Past the end, the next byte is the failure.
    EXPECT_EQ(r.get<std::uint8_t>(), 0);
    EXPECT_FALSE(r.ok());
}
