// The walk over a parts library: which files it finds, in which order, with which
// relative folders, and what it passes over.

#include "convert/sourcetree.h"
#include "core/path.h"
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

// A tree in a line each: "name" a file, "name/" a folder, "name -> target" a symbolic
// link; names below the test's folder, "/" between folders.
void makeTree(const TempDir &tmp, const std::vector<std::string> &entries)
{
    for (const std::string &e : entries) {
        const std::size_t arrow = e.find(" -> ");
        if (arrow != std::string::npos) {
            std::filesystem::create_symlink(fromUtf8(e.substr(arrow + 4)),
                                            tmp.path() / fromUtf8(e.substr(0, arrow)));
        } else if (e.ends_with('/')) {
            std::filesystem::create_directories(tmp.path() / fromUtf8(e));
        } else {
            writeBytes(tmp.file(e), {'x'});
        }
    }
}

// The found sources as "folder|path below the test's folder", with "/" for the separator
// so that one table serves every system.
std::vector<std::string> described(const TempDir &tmp, const SourceTree &tree)
{
    const std::u16string root = tmp.folder();
    std::vector<std::string> out;
    for (const FoundSource &s : tree.sources) {
        std::string line = toUtf8(s.folder) + "|" + toUtf8(s.path.substr(root.size()));
        std::replace(line.begin(), line.end(), '\\', '/');
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> belowRoot(const TempDir &tmp, const std::vector<std::u16string> &paths)
{
    std::vector<std::string> out;
    for (const std::u16string &p : paths) {
        std::string line = toUtf8(p.substr(tmp.folder().size()));
        std::replace(line.begin(), line.end(), '\\', '/');
        out.push_back(line);
    }
    return out;
}

struct TreeCase {
    const char *what;
    std::vector<std::string> tree;
    const char *given; // the folder given, below the test's folder
    std::vector<std::string> sources;
    std::vector<std::string> notFollowed;
    std::int64_t otherFiles;
};

} // namespace

TEST(SourceTree, FindsEveryFigureFileInAStableOrder)
{
    const TreeCase cases[] = {
        {"nested folders with Japanese names: files first, then each sub-folder whole",
         {"lib/b.jws", "lib/A.jwk", "lib/立面/x.jws", "lib/平面/z/椅子.JWS", "lib/平面/机.jws",
          "lib/readme.txt", "lib/平面/z/notes.pdf", "lib/empty/"},
         "lib",
         {"lib/|lib/A.jwk", "lib/|lib/b.jws", "lib/平面/|lib/平面/机.jws",
          "lib/平面/z/|lib/平面/z/椅子.JWS", "lib/立面/|lib/立面/x.jws"},
         {},
         2},
#ifndef _WIN32
        // A Windows folder cannot hold two names that differ in letter case only.
        {"letter-case twins in one folder, by their code units",
         {"lib/a.jws", "lib/A.jws", "lib/A.JWS", "lib/a.Jwk"},
         "lib",
         {"lib/|lib/A.JWS", "lib/|lib/A.jws", "lib/|lib/a.Jwk", "lib/|lib/a.jws"},
         {},
         0},
#endif
        {"a file and a folder of the same stem",
         {"lib/door.jws", "lib/door/door.jws", "lib/door.jwk/x.jws"},
         "lib",
         {"lib/|lib/door.jws", "lib/door/|lib/door/door.jws", "lib/door.jwk/|lib/door.jwk/x.jws"},
         {},
         0},
        {"a folder given with its separator, or as a path of several folders",
         {"a/b/lib/p.jws", "a/b/lib/sub/q.jwk"},
         "a/b/lib/",
         {"lib/|a/b/lib/p.jws", "lib/sub/|a/b/lib/sub/q.jwk"},
         {},
         0},
        {"a folder given as \".\" adds no part of its own",
         {"lib/p.jws", "lib/sub/q.jws"},
         "lib/.",
         {"|lib/./p.jws", "sub/|lib/./sub/q.jws"},
         {},
         0},
        {"hidden folders are passed over, hidden files are not",
         {"lib/.git/x.jws", "lib/.x.jws", "lib/.cache/", "lib/v/.y.jwk"},
         "lib",
         {"lib/|lib/.x.jws", "lib/v/|lib/v/.y.jwk"},
         {"lib/.cache", "lib/.git"},
         0},
#ifndef _WIN32
        {"links to folders are not followed, so a loop ends; links to files are",
         {"outside.jws", "lib/sub/", "lib/sub/up -> ..", "lib/sub/self -> .", "lib/far -> ../other",
          "other/z.jws", "lib/f.jws -> ../outside.jws", "lib/dead.jws -> nowhere"},
         "lib",
         {"lib/|lib/dead.jws", "lib/|lib/f.jws"},
         {"lib/far", "lib/sub/self", "lib/sub/up"},
         0},
#endif
    };
    for (const TreeCase &c : cases) {
        SCOPED_TRACE(c.what);
        TempDir tmp;
        makeTree(tmp, c.tree);
        const SourceTree tree = findSources(tmp.file(c.given), {});
        EXPECT_EQ(described(tmp, tree), c.sources);
        EXPECT_EQ(belowRoot(tmp, tree.notFollowed), c.notFollowed);
        EXPECT_EQ(tree.otherFiles, c.otherFiles);
        EXPECT_TRUE(tree.unreadable.empty());
        EXPECT_FALSE(tree.stopped);
        // The same tree walked again gives the same list.
        EXPECT_EQ(described(tmp, findSources(tmp.file(c.given), {})), c.sources);
    }
}

TEST(SourceTree, AFolderThatIsNotThereIsUnreadable)
{
    TempDir tmp;
    const SourceTree tree = findSources(tmp.file("none"), {});
    EXPECT_TRUE(tree.sources.empty());
    ASSERT_EQ(tree.unreadable.size(), 1u);
    EXPECT_EQ(tree.unreadable[0].folder, tmp.file("none"));
    EXPECT_EQ(tree.unreadable[0].error, std::errc::no_such_file_or_directory);
}

TEST(SourceTree, StopEndsTheWalkBeforeTheNextFolder)
{
    TempDir tmp;
    makeTree(tmp, {"lib/a.jws", "lib/sub/b.jws", "lib/sub/deeper/c.jws"});
    // Asked before each folder: yes at once, after the first folder, after the second.
    const std::vector<std::vector<std::string>> found = {
        {}, {"lib/|lib/a.jws"}, {"lib/|lib/a.jws", "lib/sub/|lib/sub/b.jws"}};
    for (std::size_t folders = 0; folders < found.size(); ++folders) {
        SCOPED_TRACE(folders);
        std::size_t asked = 0;
        const SourceTree tree = findSources(tmp.file("lib"), [&] { return asked++ == folders; });
        EXPECT_TRUE(tree.stopped);
        EXPECT_EQ(described(tmp, tree), found[folders]);
    }
}

#ifndef _WIN32
TEST(SourceTree, AnUnreadableSubFolderIsReportedAndTheRestFound)
{
    TempDir tmp;
    makeTree(tmp, {"lib/a.jws", "lib/closed/x.jws", "lib/open/b.jws"});
    ::chmod(tmp.path().c_str(), 0755);
    for (const char *f : {"lib", "lib/open"})
        ::chmod((tmp.path() / f).c_str(), 0755);
    ::chmod((tmp.path() / "lib/closed").c_str(), 0);
    // As root a folder's permissions do not stop reading: walk as an ordinary user, in a
    // child whose exit status says what it found.
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        const SourceTree tree = findSources(tmp.file("lib"), {});
        const bool sources = described(tmp, tree) ==
                             std::vector<std::string>{"lib/|lib/a.jws", "lib/open/|lib/open/b.jws"};
        const bool closed = tree.unreadable.size() == 1 &&
                            tree.unreadable[0].folder == tmp.file("lib/closed") &&
                            tree.unreadable[0].error == std::errc::permission_denied;
        ::_exit(sources && closed ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
#endif
