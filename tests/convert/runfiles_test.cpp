// The run over many sources: on several threads, in batches flushed to the disk at once,
// every output, every name and every line come out as one file after another gives
// them; a flush that fails names nothing of its batch; Escape drops what is not told.

#include "convert/runfiles.h"
#include "core/path.h"
#include "jwk/jwkbuilder.h"
#include "support/jwsfixture.h"
#include "support/samples.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

using namespace pravelot;
using namespace pravelot::test;

namespace {

// Every line a run gives, in one list: the log, the warnings and the failures.
struct Recorder : RunHost {
    std::vector<std::u16string> lines;
    std::vector<ConversionFailure> failures;
    // Escape is down once this many results are told; -1: never.
    int escapeAfterResults = -1;
    int results = 0;

    void appendCheckLine(const std::u16string &, bool) override {}
    void appendLogLine(const std::u16string &line) override
    {
        lines.push_back(line);
        results += line.starts_with(u"　…… ") ? 1 : 0;
    }
    void appendRunWarning(const std::u16string &line) override
    {
        lines.push_back(u"warning " + line);
    }
    void fileFailed(const std::u16string &src, const std::u16string &output,
                    const ConversionFailure &failure) override
    {
        lines.push_back(u"failed " + src + u" " + output + u" " +
                        fromUtf8(std::to_string(static_cast<int>(failure.step))));
        failures.push_back(failure);
    }
    bool escapePressed() override
    {
        return escapeAfterResults >= 0 && results >= escapeAfterResults;
    }
};

// A .jwk part whose lines open new curve groups: its output depends on the .jwk parts
// converted before it in the run.
Bytes curvesJwk(int n)
{
    JwkBuilder b;
    for (int i = 0; i <= n % 3; ++i)
        b.line(0, static_cast<float>(i), 10, static_cast<float>(i), 1, 1, 0, 0, 0x40);
    b.line(0, 5, 5, 5, 1, 1, 0, 0, 0x80);
    return b.bytes();
}

Bytes smallJws(int n)
{
    TJwsData d = emptyDoc(600);
    addTop(d, line(0, 0, n + 1, 1));
    return writeJws(d, {600});
}

// The rows of a library in src: .jws and .jwk parts interleaved, twins of one name (in
// two folders), a file that is no figure, a cut one, one in a sub-folder of the
// destination, and the shared samples when they are there.
std::vector<SourceRow> libraryRows(const TempDir &src)
{
    std::vector<SourceRow> rows;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "p" + std::to_string(i % 5);
        const std::u16string jws = src.file("a/" + name + ".jws");
        const std::u16string jwk = src.file((i % 2 ? "b/" : "a/") + name + ".jwk");
        writeBytes(jws, smallJws(i));
        writeBytes(jwk, curvesJwk(i));
        rows.push_back({jws, fromUtf8(name)});
        rows.push_back({jwk, u"k" + fromUtf8(name),
                        i % 4 == 0 ? u"sub" + std::u16string(1, kPathDelim) : u""});
    }
    writeBytes(src.file("bad.jws"), {'x'});
    Bytes cut = smallJws(3);
    cut.resize(cut.size() - 5);
    writeBytes(src.file("cut.jws"), cut);
    rows.insert(rows.begin() + 5, SourceRow{src.file("bad.jws"), u"bad"});
    rows.insert(rows.begin() + 9, SourceRow{src.file("cut.jws"), u"cut"});
    if (const auto samples = sharedSamples())
        for (const std::filesystem::path &p : *samples)
            rows.push_back({text(p), u"run-block"});
    return rows;
}

struct Outcome {
    std::vector<std::u16string> lines;
    int converted = 0, failed = 0;
    std::map<std::string, Bytes> files; // every file below the destination, by its path there
};

// Runs rows into a new folder out/ of tmp, with a new converter.
Outcome runInto(const TempDir &tmp, const std::string &out, std::span<const SourceRow> rows,
                const RunOptions &options)
{
    std::filesystem::create_directory(tmp.path() / out);
    const std::u16string folder = tmp.file(out) + kPathDelim;
    Converter conv;
    Recorder host;
    const RunSummary s = runFiles(rows, folder, conv, host, kEscapeLogLine, options);
    Outcome o{{}, s.converted, s.failed, {}};
    for (std::u16string line : host.lines) {
        // Told the same wherever the outputs went.
        for (std::size_t at = line.find(folder); at != std::u16string::npos; at = line.find(folder))
            line.replace(at, folder.size(), u"OUT/");
        o.lines.push_back(line);
    }
    for (const auto &e : std::filesystem::recursive_directory_iterator(tmp.path() / out))
        if (e.is_regular_file())
            o.files[e.path().lexically_relative(tmp.path() / out).string()] =
                readBytes(text(e.path()));
    return o;
}

// A flush that does nothing but count: the lines and bytes do not depend on it.
std::function<std::error_code(std::span<UnnamedFile *const>)>
countingFlush(std::vector<std::size_t> &sizes, bool flush)
{
    return [&sizes, flush](std::span<UnnamedFile *const> files) {
        sizes.push_back(files.size());
        return flush ? syncFiles(files) : std::error_code();
    };
}

} // namespace

TEST(BatchedRun, ManyThreadsAndBatchesGiveWhatOneFileAfterAnotherGives)
{
    TempDir src, tmp;
    const std::vector<SourceRow> rows = libraryRows(src);
    std::vector<std::size_t> sizes;
    RunOptions oneAfterAnother;
    oneAfterAnother.threads = 0;
    oneAfterAnother.batchFiles = 1;
    oneAfterAnother.flush = countingFlush(sizes, false);
    const Outcome expected = runInto(tmp, "one", rows, oneAfterAnother);
    ASSERT_GT(expected.converted, 20);
    ASSERT_EQ(expected.failed, 1);
    EXPECT_EQ(sizes.size(), static_cast<std::size_t>(expected.converted));

    struct Case {
        const char *what;
        unsigned threads;
        std::size_t batchFiles;
        std::uint64_t batchBytes;
    } cases[] = {
        {"batches on this thread", 0, 5, 1 << 30},
        {"three threads, batches of four", 3, 4, 1 << 30},
        {"two threads, batches closed by their bytes", 2, 100, 3000},
        {"a thread for each processor, as a run has it", RunOptions::defaultThreads(), 128,
         64 << 20},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        RunOptions options;
        options.threads = c.threads;
        options.batchFiles = c.batchFiles;
        options.batchBytes = c.batchBytes;
        sizes.clear();
        options.flush = countingFlush(sizes, true);
        const Outcome got = runInto(tmp, c.what, rows, options);
        EXPECT_EQ(got.lines, expected.lines);
        EXPECT_EQ(got.converted, expected.converted);
        EXPECT_EQ(got.files, expected.files);
        // Batches are bounded by their count: the failed file is in none.
        std::size_t flushed = 0;
        for (std::size_t n : sizes) {
            EXPECT_LE(n, c.batchFiles);
            flushed += n;
        }
        EXPECT_EQ(flushed, static_cast<std::size_t>(expected.converted));
        if (c.batchBytes == 3000) {
            EXPECT_GT(sizes.size(), 1u);
        }
    }
}

TEST(BatchedRun, AFlushThatFailsNamesNothingOfItsBatch)
{
#ifdef _WIN32
    const std::vector<bool> namedModes = {true};
#else
    const std::vector<bool> namedModes = {false, true};
#endif
    for (const bool named : namedModes) {
        SCOPED_TRACE(named ? "hidden temporary names" : "unnamed files");
#ifndef _WIN32
        if (named)
            ::setenv("PRAVELOT_NAMED_TEMPFILES", "1", 1);
#endif
        TempDir tmp;
        std::vector<SourceRow> rows;
        for (const char *name : {"a", "b", "c", "d", "e", "a"}) {
            const std::u16string file = tmp.file(std::string("src/") + name + ".jws");
            writeBytes(file, smallJws(name[0]));
            rows.push_back({file, fromUtf8(name)});
        }
        std::filesystem::create_directory(tmp.path() / "out");
        const std::u16string out = tmp.file("out") + kPathDelim;
        // The second batch's flush fails: its files are written, but never named.
        int flushes = 0;
        RunOptions options;
        options.threads = 2;
        options.batchFiles = 2;
        options.flush = [&](std::span<UnnamedFile *const> files) {
            return ++flushes == 2 ? std::make_error_code(std::errc::io_error) : syncFiles(files);
        };
        Converter conv;
        Recorder host;
        const RunSummary s = runFiles(rows, out, conv, host, kEscapeLogLine, options);
#ifndef _WIN32
        ::unsetenv("PRAVELOT_NAMED_TEMPFILES");
#endif
        EXPECT_EQ(s.converted, 4);
        EXPECT_EQ(s.failed, 2);
        ASSERT_EQ(host.failures.size(), 2u);
        for (const ConversionFailure &f : host.failures) {
            EXPECT_EQ(f.step, ConversionFailure::Step::Write);
            EXPECT_EQ(f.error, std::errc::io_error);
        }
        EXPECT_EQ(host.lines[6], rows[2].file);
        EXPECT_EQ(host.lines[7], u"→ " + out + u"c.jws");
        EXPECT_EQ(host.lines[8], u"　…… 変換失敗");
        // The failed names stay free; nothing hidden is left.
        EXPECT_EQ(entriesOf(tmp.path() / "out"),
                  (std::vector<std::string>{"a.jws", "a~1.jws", "b.jws", "e.jws"}));
        EXPECT_EQ(readBytes(out + u"a~1.jws").size(), readBytes(out + u"a.jws").size());
    }
}

TEST(BatchedRun, EscapeWhileTellingDropsTheRestAsIfNeverStarted)
{
    TempDir src, tmp;
    std::vector<SourceRow> rows;
    for (int i = 0; i < 8; ++i) {
        const std::u16string file = src.file("k" + std::to_string(i) + ".jwk");
        writeBytes(file, curvesJwk(i));
        rows.push_back({file, u"k"});
    }
    // One after another, Escape before the fourth file; then all of them once more with
    // the same converter, which goes on counting curve groups.
    struct Run {
        unsigned threads;
        std::size_t batchFiles;
    };
    for (const Run r : {Run{0, 1}, Run{2, 8}}) {
        const std::string name = std::to_string(r.threads);
        std::filesystem::create_directory(tmp.path() / ("stopped" + name));
        std::filesystem::create_directory(tmp.path() / ("again" + name));
        Converter conv;
        RunOptions options;
        options.threads = r.threads;
        options.batchFiles = r.batchFiles;
        Recorder host;
        host.escapeAfterResults = 3;
        const RunSummary s = runFiles(rows, tmp.file("stopped" + name) + kPathDelim, conv, host,
                                      kEscapeLogLine, options);
        EXPECT_TRUE(s.interrupted);
        EXPECT_EQ(s.converted, 3);
        EXPECT_EQ(host.lines.back(), kEscapeLogLine);
        EXPECT_EQ(entriesOf(tmp.path() / ("stopped" + name)),
                  (std::vector<std::string>{"k0.jws", "k1.jws", "k2.jws"}));
        Recorder rest;
        runFiles(rows, tmp.file("again" + name) + kPathDelim, conv, rest, kEscapeLogLine, options);
    }
    for (int i = 0; i < 8; ++i) {
        const std::string name = "k" + std::to_string(i) + ".jws";
        SCOPED_TRACE(name);
        EXPECT_EQ(readBytes(text(tmp.path() / "again0" / name)),
                  readBytes(text(tmp.path() / "again2" / name)));
    }
}
