// Sources that are no files, outputs that cannot be written whole, and file names as
// users have them.

#include "convert/converter.h"
#include "convert/datacheck.h"
#include "convert/outputname.h"
#include "convert/runfiles.h"
#include "core/path.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace pravelot;
using namespace pravelot::test;

namespace {

Bytes jwsWithLines(int n)
{
    TJwsData d = emptyDoc(600);
    for (int i = 0; i < n; ++i)
        addTop(d, line(i, 0, i, 1));
    return writeJws(d, {600});
}

struct NullHost : RunHost {
    std::vector<std::u16string> lines;
    void appendCheckLine(const std::u16string &l, bool) override { lines.push_back(l); }
    void appendLogLine(const std::u16string &l) override { lines.push_back(l); }
    bool escapePressed() override { return false; }
};

#ifndef _WIN32
// Runs f in a child process and returns its exit status.
template <class F> int inChild(F f)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(f());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

int entriesIn(const std::filesystem::path &folder)
{
    int n = 0;
    for (const auto &e : std::filesystem::directory_iterator(folder)) {
        (void)e;
        ++n;
    }
    return n;
}

#endif

} // namespace

TEST(Safety, OnlyRegularFilesAreSources)
{
    TempDir tmp;
    const std::u16string folder = tmp.file("folder.jwk");
    std::filesystem::create_directory(tmp.path() / "folder.jwk");
    // What each is said to be by the check.
    const std::u16string device = u" -- ファイルを読み込めません(デバイスです)";
    const std::u16string isFolder = u" -- ファイルが存在しません(フォルダです)";
#ifdef _WIN32
    // Reserved names are devices in any folder and with any extension: reading the
    // console would wait for the keyboard.
    const std::u16string reserved =
        u" -- ファイルを読み込めません(Windows がデバイス用に予約している名前です)";
    const std::vector<std::pair<std::u16string, std::u16string>> sources = {
        {tmp.file("CON.jws"), reserved},
        {tmp.file("nul.jwk"), reserved},
        {tmp.file("COM1.jws"), reserved},
        {u"\\\\.\\COM1.jws", device},
        {folder, isFolder}};
#else
    const std::u16string fifo = tmp.file("pipe.jws");
    ASSERT_EQ(::mkfifo(toUtf8(fifo).c_str(), 0644), 0);
    const std::u16string null = tmp.file("null.jws");
    std::filesystem::create_symlink("/dev/null", toUtf8(null));
    const std::vector<std::pair<std::u16string, std::u16string>> sources = {
        {fifo, u" -- ファイルを読み込めません(名前付きパイプ(FIFO)です)"},
        {null, device},
        {folder, isFolder}};
#endif

    Converter conv;
    for (const auto &[src, said] : sources) {
        SCOPED_TRACE(toUtf8(src));
        // None of these may block or be read.
        EXPECT_FALSE(FileCheck(src));
        EXPECT_FALSE(TJwkData::FileCheck(src));
        TJwsData d;
        EXPECT_FALSE(FileIn(d, src));
        NullHost host;
        const std::vector<SourceRow> rows = {{src, u"x"}};
        const CheckOutcome out = DataCheck(rows, conv, host);
        EXPECT_TRUE(out.error);
        ASSERT_EQ(host.lines.size(), 1u);
        EXPECT_EQ(host.lines[0], src + said);
        EXPECT_EQ(conv.RunProc1(src, tmp.file("out.jws"), u"x"), kResultFailed);
    }
    EXPECT_FALSE(FileExistsSafe(tmp.file("out.jws")));

#ifdef _WIN32
    // Nor is a device ever an output.
    writeBytes(tmp.file("real.jws"), jwsWithLines(1));
    EXPECT_EQ(conv.RunProc1(tmp.file("real.jws"), tmp.file("CON.jws"), u"x"), kResultFailed);
#else
    // A link to a figure file is followed.
    writeBytes(tmp.file("real.jws"), jwsWithLines(1));
    std::filesystem::create_symlink(toUtf8(tmp.file("real.jws")), toUtf8(tmp.file("link.jws")));
    EXPECT_EQ(conv.RunProc1(tmp.file("link.jws"), tmp.file("linked-out.jws"), u"x"), kResultDone);
#endif
}

#ifndef _WIN32
// A file-size limit and folder permissions stand for a full disk and a closed folder;
// Windows has neither in this form.
TEST(Safety, AFullDiskLeavesNothingBehind)
{
    TempDir tmp;
    const std::u16string src = tmp.file("big.jws");
    writeBytes(src, jwsWithLines(20000)); // about 1 MB
    std::filesystem::create_directory(tmp.path() / "out");
    const std::u16string dst = tmp.folder() + u"out/big.jws";
    const int status = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Converter conv;
        return conv.RunProc1(src, dst, u"b") == kResultFailed ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(entriesIn(tmp.path() / "out"), 0);
}

TEST(Safety, AFolderThatCannotBeWrittenLeavesNothingBehind)
{
    TempDir tmp;
    const std::u16string src = tmp.file("p.jws");
    writeBytes(src, jwsWithLines(3));
    ::chmod(tmp.path().c_str(), 0755);
    ::chmod(toUtf8(src).c_str(), 0644);
    std::filesystem::create_directory(tmp.path() / "ro");
    ::chmod((tmp.path() / "ro").c_str(), 0555);
    const std::u16string dst = tmp.folder() + u"ro/p.jws";
    // As root a folder's permissions do not stop writing: convert as an ordinary user.
    const int status = inChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 2;
        Converter conv;
        return conv.RunProc1(src, dst, u"p") == kResultFailed ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(entriesIn(tmp.path() / "ro"), 0);
}

#endif

TEST(Safety, FileNamesAsUsersHaveThem)
{
    TempDir tmp;
    // A deep path of long Japanese folder names.
    std::u16string deep = tmp.folder();
    for (int i = 0; i < 12; ++i)
        deep += u"足場部品フォルダ　その" + fromUtf8(std::to_string(i)) + std::u16string(60, u'x') +
                kPathDelim;
    const std::u16string longSrc = deep + u"手摺 A.jws";
    writeBytes(longSrc, jwsWithLines(2));
    ASSERT_GT(toUtf8(longSrc).size(), 1000u);
    // Names that differ only in the case of their letters, from two folders (in one they
    // would be one file on Windows).
    writeBytes(tmp.file("a/Door.jws"), jwsWithLines(1));
    writeBytes(tmp.file("b/door.jws"), jwsWithLines(2));
    std::filesystem::create_directory(tmp.path() / "out");
    const std::u16string out = tmp.folder() + u"out/";

    const std::vector<SourceRow> rows = {
        {longSrc, u"手摺 A"}, {tmp.file("a/Door.jws"), u"Door"}, {tmp.file("b/door.jws"), u"door"}};
    Converter conv;
    NullHost check;
    ASSERT_TRUE(DataCheck(rows, conv, check).runMayStart());
    NullHost log;
    const RunSummary s = runFiles(rows, out, conv, log);
    EXPECT_EQ(s.converted, 3);
    EXPECT_EQ(log.lines[1], u"→ " + out + u"手摺 A.jws");
    EXPECT_EQ(log.lines[4], u"→ " + out + u"Door.jws");
    // Door.jws and door.jws would collide in a folder where case does not count.
    EXPECT_EQ(log.lines[7], u"→ " + out + u"door~1.jws");
    TJwsData d;
    ASSERT_TRUE(FileIn(d, out + u"door~1.jws"));
    EXPECT_EQ(d.EntBlockDef.at(0).mLineN(), 2);
    ASSERT_TRUE(FileIn(d, longSrc));
}
