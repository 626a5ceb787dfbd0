// pravelot-cli convert -r: parts libraries in, the same tree out, with -o, --beside,
// neither, and --skip-existing.

#include "cli/clirun.h"
#include "convert/blocking.h"
#include "core/path.h"
#include "jwk/jwkbuilder.h"
#include "jws/jwsreader.h"
#include "support/samples.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace pravelot;
using namespace pravelot::test;

namespace {

// A path below the test's folder, written with "/".
std::u16string at(const TempDir &tmp, const std::string &relative)
{
    std::u16string p = tmp.folder() + fromUtf8(relative);
    std::replace(p.begin() + static_cast<std::ptrdiff_t>(tmp.folder().size()), p.end(), u'/',
                 kPathDelim);
    return p;
}

// A tree in a line each, below the test's folder: "a/b.jws" a part, "a/b.jwk" a .jwk
// part, "a/b.jws!" a file that is no figure file, "a/b.jws=NAME" a part that already
// has a block named NAME, "a/" a folder, "a -> target" a symbolic link, "a#" a folder
// that only its owner may enter.
void makeTree(const TempDir &tmp, const std::vector<std::string> &entries)
{
    for (const std::string &e : entries) {
        const std::size_t arrow = e.find(" -> ");
        const std::size_t equals = e.find('=');
        if (arrow != std::string::npos) {
            std::filesystem::create_symlink(fromUtf8(e.substr(arrow + 4)),
                                            at(tmp, e.substr(0, arrow)));
        } else if (e.ends_with('/') || e.ends_with('#')) {
            std::filesystem::create_directories(at(tmp, e.substr(0, e.size() - 1)));
        } else if (e.ends_with('!')) {
            writeBytes(at(tmp, e.substr(0, e.size() - 1)), {'n', 'o'});
        } else if (equals != std::string::npos) {
            writeJws(at(tmp, e.substr(0, equals)),
                     fromUtf8(e.substr(equals + 1)) + u"@@SfigorgFlag@@4");
        } else if (FileExtLower(fromUtf8(e)) == u".jwk") {
            writeBytes(at(tmp, e), JwkBuilder().line(0, 0, 1, 1).bytes());
        } else {
            writeJws(at(tmp, e));
        }
    }
}

// One source's three lines of the log: the source, its output and the result ('D'
// converted, 'F' failed, 'S' skipped). Paths below the test's folder, or, beginning with
// ".", as the command line gave them: "given|below" is the folder as given, then the path
// the walk found below it, joined by the system's separator.
struct LogEntry {
    std::string source, output;
    char result;
};

std::string logOf(const TempDir &tmp, const std::vector<LogEntry> &entries,
                  const std::string &summary)
{
    auto path = [&](const std::string &p) {
        if (!p.starts_with("."))
            return toUtf8(at(tmp, p));
        const std::size_t bar = p.find('|');
        std::string below = p.substr(bar + 1);
#ifdef _WIN32
        std::replace(below.begin(), below.end(), '/', '\\');
        return p.substr(0, bar) + "\\" + below;
#else
        return p.substr(0, bar) + "/" + below;
#endif
    };
    std::string log;
    for (const LogEntry &e : entries)
        log += path(e.source) + "\n→ " + toUtf8(at(tmp, e.output)) + "\n　…… " +
               (e.result == 'D'   ? "変換完了"
                : e.result == 'F' ? "変換失敗"
                                  : "スキップ(出力ファイルが既にあります)") +
               "\n";
    return log + summary + "\n";
}

struct TreeCase {
    const char *what;
    std::vector<std::string> tree;
    // "@x" stands for the path of x below the test's folder.
    std::vector<std::string> args;
    std::vector<LogEntry> log;
    std::string summary;
    int status;
    // Texts the standard error must hold ("@x" as in args, up to the next space).
    std::vector<std::string> err = {};
    // The folder to run in, below the test's folder; empty: wherever the tests run.
    std::string cwd = {};
};

std::string expand(const TempDir &tmp, const std::string &s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '@') {
            out += s[i];
            continue;
        }
        const std::size_t end = std::min(s.find(' ', i), s.size());
        out += toUtf8(at(tmp, s.substr(i + 1, end - i - 1)));
        i = end - 1;
    }
    return out;
}

CliResult run(const TempDir &tmp, const TreeCase &c)
{
    std::vector<std::string> args;
    for (const std::string &a : c.args)
        args.push_back(expand(tmp, a));
    if (c.cwd.empty())
        return convert(args);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(at(tmp, c.cwd));
    CliResult r = convert(args);
    std::filesystem::current_path(before);
    return r;
}

void expectRun(const TempDir &tmp, const TreeCase &c, const CliResult &r)
{
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, logOf(tmp, c.log, c.summary)) << r.err;
    for (const std::string &line : c.err)
        EXPECT_NE(r.err.find(expand(tmp, line)), std::string::npos) << expand(tmp, line) << "\n"
                                                                    << r.err;
    // What was converted is a figure that is one block.
    for (const LogEntry &e : c.log) {
        TJwsData d;
        if (e.result == 'D') {
            EXPECT_TRUE(FileIn(d, at(tmp, e.output)) && nothingToGather(d)) << e.output;
        }
    }
}

} // namespace

TEST(Recursive, TreesMirroredBesideOrUnderTheCurrentFolder)
{
    const TreeCase cases[] = {
        {"nested folders with Japanese names, mirrored under -o",
         {"lib/a.jws", "lib/平面/机.jws", "lib/平面/z/椅子.JWK", "lib/readme.txt", "out/"},
         {"-r", "-o", "@out", "@lib"},
         {{"lib/a.jws", "out/lib/a.jws", 'D'},
          {"lib/平面/机.jws", "out/lib/平面/机.jws", 'D'},
          {"lib/平面/z/椅子.JWK", "out/lib/平面/z/椅子.jws", 'D'}},
         "converted 3, failed 0, skipped 0, warned 0",
         0},
#ifndef _WIN32
        // A Windows folder cannot hold two names that differ in letter case only.
        {"letter-case twins in one folder: the second takes a branch number",
         {"lib/a.jws", "lib/A.jws", "out/"},
         {"-r", "-o", "@out", "@lib"},
         {{"lib/A.jws", "out/lib/A.jws", 'D'}, {"lib/a.jws", "out/lib/a~1.jws", 'D'}},
         "converted 2, failed 0, skipped 0, warned 0",
         0},
#endif
        {"a file and a folder of the same stem, and a folder where an output stands",
         {"lib/door.jws", "lib/door/door.jws", "lib/p.jwk", "lib/p.jws/q.jws", "out/"},
         {"-r", "-o", "@out", "@lib"},
         {{"lib/door.jws", "out/lib/door.jws", 'D'},
          {"lib/p.jwk", "out/lib/p.jws", 'D'},
          {"lib/door/door.jws", "out/lib/door/door.jws", 'D'},
          {"lib/p.jws/q.jws", "out/lib/p.jws/q.jws", 'F'}},
         "converted 3, failed 1, skipped 0, warned 0",
         1,
         {"pravelot-cli convert: @lib/p.jws/q.jws: cannot create the output in @out/lib/p.jws/: "}},
        {"files that fail the check are told and passed over, the others converted",
         {"lib/bad.jws!", "lib/good.jws", "lib/used.jws=used", "lib/sub/x.jws", "out/"},
         {"-r", "-o", "@out", "@lib"},
         {{"lib/good.jws", "out/lib/good.jws", 'D'}, {"lib/sub/x.jws", "out/lib/sub/x.jws", 'D'}},
         "converted 2, failed 2, skipped 0, warned 0",
         1,
         {"@lib/bad.jws -- ファイルデータ内容が不正です",
          "@lib/used.jws ブロック名【used】は既に図形ファイル内で使用済です",
          "pravelot-cli convert: 2 of 4 files failed the check and are passed over"}},
        {"beside their sources",
         {"lib/a.jws", "lib/sub/b.jwk"},
         {"--recursive", "--beside", "@lib"},
         {{"lib/a.jws", "lib/a~1.jws", 'D'}, {"lib/sub/b.jwk", "lib/sub/b.jws", 'D'}},
         "converted 2, failed 0, skipped 0, warned 0",
         0},
        {"neither: under the current folder, as cp -r copies",
         {"lib/a.jws", "lib/sub/b.jws", "here/"},
         {"-r", "../lib"},
         {{"../lib|a.jws", "here/lib/a.jws", 'D'}, {"../lib|sub/b.jws", "here/lib/sub/b.jws", 'D'}},
         "converted 2, failed 0, skipped 0, warned 0",
         0,
         {},
         "here"},
        {"the current folder given, outputs under it: the tree mirrored onto itself",
         {"lib/a.jws", "lib/sub/b.jws"},
         {"-r", "."},
         {{".|a.jws", "lib/a~1.jws", 'D'}, {".|sub/b.jws", "lib/sub/b~1.jws", 'D'}},
         "converted 2, failed 0, skipped 0, warned 0",
         0,
         {},
         "lib"},
        {"files and folders given together; the files' outputs go to the destination itself",
         {"lib/a.jws", "c.jws", "out/"},
         {"-r", "-o", "@out", "@c.jws", "@lib"},
         {{"c.jws", "out/c.jws", 'D'}, {"lib/a.jws", "out/lib/a.jws", 'D'}},
         "converted 2, failed 0, skipped 0, warned 0",
         0},
#ifndef _WIN32
        {"a symbolic-link loop and a hidden folder are not followed",
         {"lib/a.jws", "lib/sub/b.jws", "lib/sub/up -> ..", "lib/self -> .", "lib/.git/c.jws",
          "lib/notes.txt", "out/"},
         {"-r", "--verbose", "-o", "@out", "@lib"},
         {{"lib/a.jws", "out/lib/a.jws", 'D'}, {"lib/sub/b.jws", "out/lib/sub/b.jws", 'D'}},
         "converted 2, failed 0, skipped 0, warned 0",
         0,
         {"pravelot-cli convert: not followed (a hidden folder or a link to a folder): @lib/.git",
          "pravelot-cli convert: not followed (a hidden folder or a link to a folder): @lib/self",
          "pravelot-cli convert: not followed (a hidden folder or a link to a folder): "
          "@lib/sub/up",
          "pravelot-cli convert: @lib: files passed over (no figure files): 1"}},
#endif
        {"outputs inside the tree are never taken as sources",
         {"lib/a.jws", "lib/out/lib/a.jws", "lib/out/lib/b.jws"},
         {"-r", "--skip-existing", "--verbose", "-o", "@lib/out", "@lib"},
         {{"lib/a.jws", "lib/out/lib/a.jws", 'S'}},
         "converted 0, failed 0, skipped 1, warned 0",
         0,
         {"pravelot-cli convert: the outputs' folder is not taken as sources: @lib/out/lib/"}},
        {"nor when the destination is the folder itself",
         {"lib/a.jws", "lib/lib/a.jws"},
         {"-r", "-o", "@lib", "@lib"},
         {{"lib/a.jws", "lib/lib/a~1.jws", 'D'}},
         "converted 1, failed 0, skipped 0, warned 0",
         0},
        {"--skip-existing leaves out a source whose output is there",
         {"lib/a.jws", "lib/sub/b.jws", "out/lib/a.jws!"},
         {"-r", "--skip-existing", "-o", "@out", "@lib"},
         {{"lib/a.jws", "out/lib/a.jws", 'S'}, {"lib/sub/b.jws", "out/lib/sub/b.jws", 'D'}},
         "converted 1, failed 0, skipped 1, warned 0",
         0},
        {"--skip-existing beside: a .jws part's first choice is its first branch number",
         {"lib/a.jws", "lib/a~1.jws", "lib/b.jwk", "lib/b.jws!", "lib/c.jwk"},
         {"-r", "--skip-existing", "--beside", "@lib"},
         {{"lib/a.jws", "lib/a~1.jws", 'S'},
          {"lib/b.jwk", "lib/b.jws", 'S'},
          {"lib/a~1.jws", "lib/a~1~1.jws", 'D'},
          {"lib/c.jwk", "lib/c.jws", 'D'}},
         "converted 2, failed 1, skipped 2, warned 0",
         1,
         {"@lib/b.jws -- ファイルデータ内容が不正です"}},
    };
    for (const TreeCase &c : cases) {
        SCOPED_TRACE(c.what);
        TempDir tmp;
        makeTree(tmp, c.tree);
        expectRun(tmp, c, run(tmp, c));
    }
}

#ifndef _WIN32
TEST(Recursive, AnUnreadableSubFolderIsToldAndTheRestConverted)
{
    TempDir tmp;
    makeTree(tmp, {"lib/a.jws", "lib/closed/x.jws", "out/"});
    for (const char *f : {"", "lib"})
        ::chmod(toUtf8(at(tmp, f)).c_str(), 0755);
    ::chmod(toUtf8(at(tmp, "out")).c_str(), 0777);
    ::chmod(toUtf8(at(tmp, "lib/closed")).c_str(), 0);
    const TreeCase c = {
        "",
        {},
        {"-r", "-o", "@out", "@lib"},
        {{"lib/a.jws", "out/lib/a.jws", 'D'}},
        "converted 1, failed 0, skipped 0, warned 0",
        1,
        {"pravelot-cli convert: cannot read the folder @lib/closed: Permission denied"}};
    // As root a folder's permissions do not stop reading: the command runs as an
    // ordinary user, in a child that sends back what it printed.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        const CliResult r = run(tmp, c);
        const std::string message = std::to_string(r.status) + '\0' + r.out + '\0' + r.err;
        const bool sent = ::write(pipeFds[1], message.data(), message.size()) ==
                          static_cast<ssize_t>(message.size());
        ::_exit(sent ? 0 : 3);
    }
    ::close(pipeFds[1]);
    std::string message;
    char buf[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
        message.append(buf, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::size_t first = message.find('\0'), second = message.find('\0', first + 1);
    ASSERT_NE(second, std::string::npos);
    expectRun(tmp, c,
              {std::stoi(message.substr(0, first)), message.substr(first + 1, second - first - 1),
               message.substr(second + 1)});
}
#endif

TEST(Recursive, ASecondRunWithSkipExistingConvertsOnlyNewParts)
{
    TempDir tmp;
    makeTree(tmp, {"lib/a.jws", "lib/平面/b.jwk", "out/"});
    const std::vector<std::string> args = {"-r", "--skip-existing", "-o", toUtf8(at(tmp, "out")),
                                           toUtf8(at(tmp, "lib"))};
    ASSERT_EQ(convert(args).status, 0);
    const Bytes before = readBytes(at(tmp, "out/lib/a.jws"));
    makeTree(tmp, {"lib/平面/new.jws"});
    const CliResult r = convert(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, logOf(tmp,
                           {{"lib/a.jws", "out/lib/a.jws", 'S'},
                            {"lib/平面/b.jwk", "out/lib/平面/b.jws", 'S'},
                            {"lib/平面/new.jws", "out/lib/平面/new.jws", 'D'}},
                           "converted 1, failed 0, skipped 2, warned 0"));
    EXPECT_EQ(readBytes(at(tmp, "out/lib/a.jws")), before);
    EXPECT_FALSE(pathTakenSafe(at(tmp, "out/lib/a~1.jws")));
}

TEST(Recursive, MirrorsTheSharedSamples)
{
    const std::filesystem::path samples = sharedSamplesFolder();
    const std::optional<std::vector<std::filesystem::path>> parts = sharedSamples();
    if (!parts)
        GTEST_SKIP() << "no shared samples at " << samples;
    TempDir tmp;
    std::filesystem::create_directory(tmp.path() / "out");
    // One part already holds a block of its own name: another name serves them all.
    const std::vector<std::string> args = {"-r", "--skip-existing",        "-n",         "部品",
                                           "-o", utf8(tmp.path() / "out"), utf8(samples)};
    const CliResult first = convert(args);
    EXPECT_EQ(first.status, 0) << first.err;
    // Every part's output where cp -r would put the part, a figure of one block.
    const std::string name = utf8(samples.filename());
    for (const std::filesystem::path &p : *parts) {
        SCOPED_TRACE(utf8(p));
        const std::filesystem::path out =
            tmp.path() / "out" / name /
            std::filesystem::relative(p, samples).replace_extension(".jws");
        const JwsReading r = readJwsFile(text(out));
        EXPECT_EQ(r.status, JwsReadStatus::Complete);
        EXPECT_TRUE(nothingToGather(r.doc));
    }
    const std::string count = std::to_string(parts->size());
    EXPECT_NE(first.out.find("converted " + count + ", failed 0, skipped 0, warned "),
              std::string::npos);
    // Once more: nothing is written, every part is skipped.
    const CliResult second = convert(args);
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out.substr(second.out.rfind("converted")),
              "converted 0, failed 0, skipped " + count + ", warned 0\n");
    std::size_t outputs = 0;
    for (const auto &e : std::filesystem::recursive_directory_iterator(tmp.path() / "out"))
        outputs += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(outputs, parts->size());
}
