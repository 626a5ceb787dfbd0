// Creating new files: complete under their name or not there at all, never over
// anything, with the reason when they fail; unnamed while written, or under a temporary
// name no longer than their own where the file system needs one.

#include "core/file.h"
#include "core/path.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

using namespace pravelot;
using namespace pravelot::test;

namespace {

// How the file is held while written: without a name, or (as on a file system that
// cannot do that) under a hidden temporary name.
enum class Mode { Unnamed, Named };

class NewFileTest : public ::testing::TestWithParam<Mode> {
protected:
#ifndef _WIN32
    void SetUp() override
    {
        if (GetParam() == Mode::Named)
            ::setenv("PRAVELOT_NAMED_TEMPFILES", "1", 1);
    }
    void TearDown() override { ::unsetenv("PRAVELOT_NAMED_TEMPFILES"); }
#endif
};

std::function<bool(ByteWriter &)> bytesOf(const std::string &text)
{
    return [text](ByteWriter &w) {
        w.put(std::span(reinterpret_cast<const std::uint8_t *>(text.data()), text.size()));
        return true;
    };
}

std::string contentOf(const std::u16string &path)
{
    const Bytes b = readBytes(path);
    return std::string(b.begin(), b.end());
}

} // namespace

#ifdef _WIN32
// Windows always holds the file under a hidden name, marked for deletion until placed.
const auto kModes = ::testing::Values(Mode::Named);
#else
const auto kModes = ::testing::Values(Mode::Unnamed, Mode::Named);
#endif
INSTANTIATE_TEST_SUITE_P(BothWays, NewFileTest, kModes, [](const auto &p) {
    return p.param == Mode::Unnamed ? "Unnamed" : "Named";
});

TEST_P(NewFileTest, NothingShowsBesideTheFileWhileItIsWritten)
{
    TempDir tmp;
    NewFile file{tmp.file("out.jws"), {}, {}, {}};
    std::vector<std::string> seen;
    ASSERT_TRUE(writeNewFile(file, [&](ByteWriter &w) {
        seen = entriesOf(tmp.path());
        return bytesOf("figure")(w);
    }));
    if (GetParam() == Mode::Unnamed)
        EXPECT_TRUE(seen.empty());
    else
        ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(entriesOf(tmp.path()), std::vector<std::string>{"out.jws"});
    EXPECT_EQ(contentOf(tmp.file("out.jws")), "figure");
}

TEST_P(NewFileTest, ANameTakenWhileWritingGivesTheNextName)
{
    TempDir tmp;
    // Another program takes the name, and then the next, while the file is written.
    auto takeFirst = [&](const std::vector<std::string> &names) {
        return [&tmp, names](ByteWriter &w) {
            for (const std::string &n : names)
                writeBytes(tmp.file(n), {'x'});
            return bytesOf("mine")(w);
        };
    };
    std::vector<std::u16string> asked;
    NewFile file{tmp.file("a.jws"),
                 [&](const std::u16string &taken) -> std::optional<std::u16string> {
                     asked.push_back(taken);
                     return taken == tmp.file("a.jws") ? tmp.file("a~1.jws") : tmp.file("a~2.jws");
                 },
                 {},
                 {}};
    ASSERT_TRUE(writeNewFile(file, takeFirst({"a.jws", "a~1.jws"})));
    EXPECT_EQ(file.path, tmp.file("a~2.jws"));
    EXPECT_EQ(asked, (std::vector<std::u16string>{tmp.file("a.jws"), tmp.file("a~1.jws")}));
    EXPECT_EQ(contentOf(tmp.file("a.jws")), "x");
    EXPECT_EQ(contentOf(tmp.file("a~1.jws")), "x");
    EXPECT_EQ(contentOf(tmp.file("a~2.jws")), "mine");

    // Without another name to take, the file fails as taken and leaves nothing.
    NewFile plain{tmp.file("b.jws"), {}, {}, {}};
    EXPECT_FALSE(writeNewFile(plain, takeFirst({"b.jws"})));
    EXPECT_EQ(plain.failedStep, NewFileStep::Place);
    EXPECT_EQ(plain.error, std::errc::file_exists);
    EXPECT_EQ(contentOf(tmp.file("b.jws")), "x");
    EXPECT_EQ(entriesOf(tmp.path()).size(), 4u);
}

TEST_P(NewFileTest, FailuresLeaveNothingAndTellTheStep)
{
    TempDir tmp;
    struct Case {
        const char *name;
        std::u16string path;
        std::function<bool(ByteWriter &)> write;
        NewFileStep step;
        std::error_code error;
    } cases[] = {
        {"folder missing", tmp.file("none/a.jws"), bytesOf("x"), NewFileStep::Create,
         std::make_error_code(std::errc::no_such_file_or_directory)},
        {"writer gives up",
         tmp.file("a.jws"),
         [](ByteWriter &) { return false; },
         NewFileStep::Write,
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        NewFile file{c.path, {}, {}, {}};
        EXPECT_FALSE(writeNewFile(file, c.write));
        EXPECT_EQ(file.failedStep, c.step);
        EXPECT_EQ(file.error, c.error);
        EXPECT_TRUE(entriesOf(tmp.path()).empty());
    }

    // Running out of memory while writing is passed on, and leaves nothing either.
    EXPECT_THROW(writeNewFile(tmp.file("a.jws"),
                              [](ByteWriter &w) -> bool {
                                  w.fill(0, 3 << 20);
                                  throw std::bad_alloc();
                              }),
                 std::bad_alloc);
    EXPECT_TRUE(entriesOf(tmp.path()).empty());
}

TEST_P(NewFileTest, WrittenNowFlushedTogetherAndNamedLater)
{
    TempDir tmp;
    std::vector<NewFile> files;
    for (const char *name : {"a.jws", "b.jws", "c.jws"}) {
        NewFile file{tmp.file(name), {}, {}, {}};
        file.leaveUnnamed = true;
        ASSERT_TRUE(writeNewFile(file, bytesOf(name)));
        ASSERT_NE(file.unnamed, nullptr);
        EXPECT_EQ(file.bytes, 5u);
        files.push_back(std::move(file));
    }
    // Written, but under no name of their own yet.
    for (const std::string &e : entriesOf(tmp.path()))
        EXPECT_EQ(e[0], '.') << e;
    std::vector<UnnamedFile *> all;
    all.reserve(files.size());
    for (NewFile &f : files)
        all.push_back(f.unnamed.get());
    ASSERT_FALSE(syncFiles(all));
    // a.jws is taken meanwhile: it gets the next name; c.jws is dropped unnamed.
    writeBytes(tmp.file("a.jws"), {'x'});
    files[0].nextName = [&](const std::u16string &) { return tmp.file("a~1.jws"); };
    EXPECT_TRUE(nameNewFile(*files[0].unnamed, files[0]));
    EXPECT_EQ(files[0].path, tmp.file("a~1.jws"));
    EXPECT_TRUE(nameNewFile(*files[1].unnamed, files[1]));
    files.clear();
    EXPECT_EQ(entriesOf(tmp.path()), (std::vector<std::string>{"a.jws", "a~1.jws", "b.jws"}));
    EXPECT_EQ(contentOf(tmp.file("a~1.jws")), "a.jws");
    EXPECT_EQ(contentOf(tmp.file("b.jws")), "b.jws");
}

TEST_P(NewFileTest, ReplacingTakesTheNameAtOneStroke)
{
    TempDir tmp;
    const std::u16string pic = tmp.file("pic.svg");
    struct Case {
        const char *what;
        const char *before; // nullptr: nothing there
        bool writes;        // false: the writer gives up
        const char *after;
    } cases[] = {
        {"nothing there", nullptr, true, "new"},
        {"a picture there", "old", true, "new"},
        {"the writer gives up", "old", false, "old"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FileDeleteSafe(pic);
        if (c.before)
            writeBytes(pic, Bytes(c.before, c.before + 3));
        NewFile file{pic, {}, {}, {}, true};
        const bool ok = writeNewFile(file, [&](ByteWriter &w) {
            // Until the new file is complete, the old one is there whole.
            EXPECT_EQ(contentOf(pic), c.before ? c.before : "");
            return c.writes && bytesOf("new")(w);
        });
        EXPECT_EQ(ok, c.writes);
        EXPECT_EQ(contentOf(pic), c.after);
        EXPECT_EQ(entriesOf(tmp.path()).size(), c.before || c.writes ? 1u : 0u);
    }
    // A folder at the name is never replaced.
    std::filesystem::create_directory(tmp.path() / "folder.svg");
    NewFile onFolder{tmp.file("folder.svg"), {}, {}, {}, true};
    EXPECT_FALSE(writeNewFile(onFolder, bytesOf("x")));
    EXPECT_EQ(onFolder.failedStep, NewFileStep::Place);
    EXPECT_TRUE(std::filesystem::is_directory(tmp.path() / "folder.svg"));
    EXPECT_EQ(entriesOf(tmp.path()), (std::vector<std::string>{"folder.svg", "pic.svg"}));
}

#ifndef _WIN32
// Windows does not rename a folder that holds an open file.
TEST_P(NewFileTest, AFolderRenamedWhileWritingKeepsNothingOfIt)
{
    for (const bool replace : {false, true}) {
        SCOPED_TRACE(replace ? "replacing" : "new");
        TempDir tmp;
        std::filesystem::create_directory(tmp.path() / "out");
        NewFile file{tmp.file("out/a.jws"), {}, {}, {}, replace};
        EXPECT_FALSE(writeNewFile(file, [&](ByteWriter &w) {
            std::filesystem::rename(tmp.path() / "out", tmp.path() / "moved");
            return bytesOf("x")(w);
        }));
        EXPECT_EQ(file.failedStep, NewFileStep::Place);
        EXPECT_EQ(file.error, std::errc::no_such_file_or_directory);
        EXPECT_TRUE(std::filesystem::is_empty(tmp.path() / "moved"));
    }
}

// The limits of a POSIX path (4,095 bytes), and what a signal handler does there; on
// Windows extended paths lift the limit, and Windows removes an unfinished file itself.
TEST_P(NewFileTest, FitsWhereverItsNameFits)
{
    TempDir tmp;
    // A folder path of 4,079 bytes and a name of 5: 4,085 bytes, within the system's
    // 4,095, where a temporary name longer than the output's would not be.
    std::string folder = tmp.path().string();
    for (int i = 0; folder.size() < 4079; ++i)
        folder += "/" + std::string(std::min<std::size_t>(200, 4079 - folder.size() - 1), 'd');
    ASSERT_EQ(folder.size(), 4079u);
    std::filesystem::create_directories(folder);
    // A name of the longest length a name may have, and one of 4 bytes.
    const std::string longName = std::string(251, 'n') + ".jws";
    for (const std::string &path :
         {folder + "/a.jws", tmp.path().string() + "/" + longName, tmp.path().string() + "/.jws"}) {
        SCOPED_TRACE(path.size());
        NewFile file{fromUtf8(path), {}, {}, {}};
        EXPECT_TRUE(writeNewFile(file, bytesOf("fits"))) << file.error.message();
        EXPECT_EQ(contentOf(fromUtf8(path)), "fits");
    }
}

TEST_P(NewFileTest, ASignalHandlerRemovesWhatIsUnfinished)
{
    TempDir tmp;
    // What a handler of SIGTERM does while a file is written: the write then fails.
    NewFile file{tmp.file("a.jws"), {}, {}, {}};
    const bool written = writeNewFile(file, [&](ByteWriter &w) {
        removeUnfinishedFiles();
        EXPECT_TRUE(entriesOf(tmp.path()).empty());
        return bytesOf("x")(w);
    });
    // An unnamed file has nothing to remove, and is written as usual.
    EXPECT_EQ(written, GetParam() == Mode::Unnamed);
    EXPECT_EQ(entriesOf(tmp.path()).size(), written ? 1u : 0u);
}
#endif

TEST(ReplaceFile, ReplacesWholeAndLeavesNothingBeside)
{
    TempDir tmp;
    writeBytes(tmp.file("settings.dat"), {'o', 'l', 'd'});
    const Bytes fresh = {'n', 'e', 'w'};
    ASSERT_TRUE(replaceFile(tmp.file("settings.dat"), fresh));
    EXPECT_EQ(readBytes(tmp.file("settings.dat")), fresh);
    EXPECT_EQ(entriesOf(tmp.path()), std::vector<std::string>{"settings.dat"});
}
