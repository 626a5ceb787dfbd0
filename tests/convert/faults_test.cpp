// Faults around a run: memory running out, other runs taking the same names, sources
// changing after the check, and files that fail for a reason the user must be told.

#include "convert/converter.h"
#include "convert/datacheck.h"
#include "convert/outputname.h"
#include "convert/runfiles.h"
#include "core/path.h"
#include "jwk/jwkbuilder.h"
#include "support/allocfail.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <set>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace pravelot;
using namespace pravelot::test;

namespace {

struct Host : RunHost {
    std::vector<std::u16string> check, log, warnings;
    struct Failure {
        std::u16string src, output;
        ConversionFailure failure;
    };
    std::vector<Failure> failures;
    void appendCheckLine(const std::u16string &l, bool) override { check.push_back(l); }
    void appendLogLine(const std::u16string &l) override { log.push_back(l); }
    void appendRunWarning(const std::u16string &l) override { warnings.push_back(l); }
    void fileFailed(const std::u16string &src, const std::u16string &output,
                    const ConversionFailure &f) override
    {
        failures.push_back({src, output, f});
    }
    bool escapePressed() override { return false; }
};

Bytes someJws()
{
    std::mt19937 rng(7);
    GenOptions opt;
    opt.version = 600;
    TJwsData d = randomDoc(rng, opt);
    return writeJws(d, {600});
}

Bytes someJwk()
{
    return JwkBuilder()
        .line(0, 0, 10, 10)
        .line(10, 10, 20, 0)
        .arc(5, 5, 3, 0, 90)
        .ten(1, 1)
        .moji(0, 0, 4, 1, "扉")
        .moji(0, 2, 4, 3, "窓")
        .bytes();
}

} // namespace

TEST(OutOfMemory, AnyAllocationOfAConversionFailsThatFileAlone)
{
    struct Case {
        const char *what;
        const char *name;
        Bytes bytes;
        std::uint64_t streamThreshold;
    } cases[] = {
        {"a .jws with every kind and nested blocks", "p.jws", someJws(), 1 << 16},
        {"a .jwk held as a document", "k.jwk", someJwk(), 1 << 16},
        {"a .jwk translated twice as it is written", "k.jwk", someJwk(), 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempDir tmp;
        const std::u16string src = tmp.file(c.name);
        writeBytes(src, c.bytes);
        std::filesystem::create_directory(tmp.path() / "out");
        const std::u16string dst = tmp.folder() + u"out/o.jws";
        Converter conv;
        conv.setStreamThreshold(c.streamThreshold);

        // Once-only allocations of a first conversion (conversion tables) out of the way.
        ASSERT_TRUE(conv.convert(src, NewFile{dst, {}, {}, {}}, u"b").done());
        std::filesystem::remove(toUtf8(dst));
        long total = 0;
        {
            NewFile file{dst, {}, {}, {}};
            FailAllocation count(0);
            ASSERT_TRUE(conv.convert(src, std::move(file), u"b").done());
            total = count.allocations();
        }
        std::filesystem::remove(toUtf8(dst));
        ASSERT_GT(total, 10);
        // Every allocation, wherever it falls (reading, tree, transform, translation,
        // writer, the file's own bookkeeping), in at most a few hundred runs.
        const long step = std::max(1L, total / 300);
        for (long k = 1; k <= total; k += step) {
            SCOPED_TRACE(k);
            ConversionOutcome outcome;
            NewFile file{dst, {}, {}, {}};
            bool failed = false;
            {
                FailAllocation fail(k);
                outcome = conv.convert(src, std::move(file), u"b");
                failed = fail.failed();
            }
            ASSERT_TRUE(failed);
            ASSERT_FALSE(outcome.done());
            EXPECT_EQ(outcome.failure->step, ConversionFailure::Step::Memory);
            EXPECT_TRUE(outcome.output.empty());
            ASSERT_TRUE(entriesOf(tmp.path() / "out").empty());
        }
        // Nothing of a failed file stays for the next.
        const ConversionOutcome again = conv.convert(src, NewFile{dst, {}, {}, {}}, u"b");
        ASSERT_TRUE(again.done());
        EXPECT_EQ(readJwsFile(dst).status, JwsReadStatus::Complete);
    }
}

TEST(OutOfMemory, TheRunGoesOnWithTheNextFile)
{
    TempDir tmp;
    writeBytes(tmp.file("a.jws"), someJws());
    writeBytes(tmp.file("b.jws"), someJws());
    std::filesystem::create_directory(tmp.path() / "out");
    const std::u16string out = tmp.folder() + u"out/";
    const std::vector<SourceRow> rows = {{tmp.file("a.jws"), u"a"}, {tmp.file("b.jws"), u"b"}};
    Converter conv;
    long perFile = 0;
    {
        Host counting;
        FailAllocation count(0);
        runFiles(std::span(rows).first(1), tmp.folder() + u"out/", conv, counting);
        perFile = count.allocations();
    }
    std::filesystem::remove(tmp.path() / "out" / "a.jws");
    Host host;
    RunSummary s;
    {
        // An allocation in the middle of the first file's conversion fails: on this
        // thread, whose allocations are counted.
        RunOptions onThisThread;
        onThisThread.threads = 0;
        FailAllocation fail(perFile / 2);
        s = runFiles(rows, out, conv, host, kEscapeLogLine, onThisThread);
    }
    EXPECT_EQ(s.converted, 1);
    EXPECT_EQ(s.failed, 1);
    EXPECT_EQ(host.log[2], u"　…… 変換失敗");
    EXPECT_EQ(host.log[5], u"　…… 変換完了");
    ASSERT_EQ(host.failures.size(), 1u);
    EXPECT_EQ(host.failures[0].failure.step, ConversionFailure::Step::Memory);
    EXPECT_EQ(entriesOf(tmp.path() / "out"), std::vector<std::string>{"b.jws"});
}

TEST(OutOfMemory, TheCheckWarnsAndLetsTheConversionDecide)
{
    TempDir tmp;
    writeBytes(tmp.file("a.jws"), someJws());
    const std::vector<SourceRow> rows = {{tmp.file("a.jws"), u"a"}};
    Converter conv;
    Host host;
    CheckOutcome check;
    {
        FailAllocation fail(20);
        check = DataCheck(rows, conv, host);
    }
    EXPECT_TRUE(check.runMayStart());
    EXPECT_TRUE(check.warning);
    EXPECT_EQ(host.check, std::vector<std::u16string>{
                              tmp.file("a.jws") +
                              u" -- メモリ不足のため読み込めません(変換時に再度読み込みます)"});
    // What the check could not read whole is not kept for the conversion.
    const RunSummary s = runFiles(rows, tmp.folder(), conv, host);
    EXPECT_EQ(s.converted, 1);
    const JwsReading a = readJwsFile(tmp.file("a.jws"));
    const JwsReading out = readJwsFile(tmp.file("a~1.jws"));
    ASSERT_EQ(a.status, JwsReadStatus::Complete);
    ASSERT_EQ(out.status, JwsReadStatus::Complete);
    EXPECT_TRUE(sameDrawing(drawing(a.doc), drawing(out.doc)));
}

#ifndef _WIN32
// Runs as processes of their own, made with fork().
TEST(SimultaneousRuns, EachRunGetsItsOwnOutput)
{
    // Eight runs of one source into one folder at the same moment, several times over:
    // a name taken by another run between naming and placing takes the next number.
    constexpr int kRuns = 8;
    TempDir tmp;
    writeBytes(tmp.file("part.jws"), someJws());
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        const std::filesystem::path folder = tmp.path() / ("out" + std::to_string(round));
        std::filesystem::create_directory(folder);
        const std::u16string out = fromUtf8(folder.string() + "/");
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        std::vector<pid_t> runs;
        for (int i = 0; i < kRuns; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::close(start[1]);
                char c;
                // Every run waits here until all are ready.
                (void)!::read(start[0], &c, 1);
                Converter conv;
                Host host;
                const std::vector<SourceRow> rows = {{tmp.file("part.jws"), u"part"}};
                ::_exit(runFiles(rows, out, conv, host).converted == 1 ? 0 : 1);
            }
            runs.push_back(pid);
        }
        ::close(start[0]);
        ::close(start[1]);
        int failed = 0;
        for (pid_t pid : runs) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            failed += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        EXPECT_EQ(failed, 0);
        const std::vector<std::string> names = entriesOf(folder);
        EXPECT_EQ(names.size(), static_cast<std::size_t>(kRuns));
        for (const std::string &n : names)
            EXPECT_EQ(readJwsFile(fromUtf8((folder / n).string())).status, JwsReadStatus::Complete)
                << n;
    }
}
#endif

TEST(ChangedSources, ReadingThatStopsEarlyIsToldInTheRunLog)
{
    TempDir tmp;
    const std::u16string src = tmp.file("p.jws");
    const Bytes whole = someJws();
    writeBytes(src, whole);
    const std::vector<SourceRow> rows = {{src, u"p"}};
    Converter conv;
    Host host;
    ASSERT_TRUE(DataCheck(rows, conv, host).runMayStart());
    EXPECT_TRUE(host.check.empty());
    // Cut to a tenth after the check, before the run.
    writeBytes(
        src, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 10)));
    const RunSummary s = runFiles(rows, tmp.folder(), conv, host);
    EXPECT_EQ(s.converted, 1);
    EXPECT_EQ(host.warnings, std::vector<std::u16string>{src + std::u16string(kIncompleteWarning)});

    // By default the warning is a line of the run log, before the result.
    struct LogOnly : RunHost {
        std::vector<std::u16string> log;
        void appendCheckLine(const std::u16string &, bool) override {}
        void appendLogLine(const std::u16string &l) override { log.push_back(l); }
        bool escapePressed() override { return false; }
    } logOnly;
    runFiles(rows, tmp.folder(), conv, logOnly);
    ASSERT_EQ(logOnly.log.size(), 4u);
    EXPECT_EQ(logOnly.log[2], src + std::u16string(kIncompleteWarning));
    EXPECT_EQ(logOnly.log[3], u"　…… 変換完了");
}

TEST(FailedFiles, TellTheStepAndTheSystemsReason)
{
    TempDir tmp;
    writeBytes(tmp.file("ok.jws"), someJws());
    writeBytes(tmp.file("gone.jws"), someJws());
    writeBytes(tmp.file("not.jws"), {'n', 'o', 't'});
    std::filesystem::create_directory(tmp.path() / "folder.jws");
    using Step = ConversionFailure::Step;
    struct Case {
        const char *what;
        std::u16string src;
        std::optional<std::u16string> dest;
        Step step;
        std::error_code error;
    } cases[] = {
        {"a source removed after the check", tmp.file("gone.jws"), tmp.folder(), Step::Source,
         std::make_error_code(std::errc::no_such_file_or_directory)},
        {"a folder as the source", tmp.file("folder.jws"), tmp.folder(), Step::Source,
         std::make_error_code(std::errc::is_a_directory)},
        {"no figure file", tmp.file("not.jws"), tmp.folder(), Step::Source, {}},
        {"an output folder that is gone", tmp.file("ok.jws"), tmp.folder() + u"none/", Step::Create,
         std::make_error_code(std::errc::no_such_file_or_directory)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Converter conv;
        Host host;
        const std::vector<SourceRow> rows = {{c.src, u"x"}};
        std::filesystem::remove(tmp.path() / "gone.jws");
        EXPECT_EQ(runFiles(rows, c.dest, conv, host).failed, 1);
        ASSERT_EQ(host.failures.size(), 1u);
        EXPECT_EQ(host.failures[0].src, c.src);
        EXPECT_EQ(host.failures[0].failure.step, c.step);
        EXPECT_EQ(host.failures[0].failure.error, c.error);
    }
}
