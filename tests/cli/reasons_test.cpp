// The real reason, every time: what stands at a source's name, an output that cannot be
// written, results that do not get to the standard output (POSIX systems, as processes:
// a file without read permission needs a user without the root's rights).

#ifndef _WIN32

#include "core/path.h"
#include "support/cliprocess.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace pravelot;
using namespace pravelot::test;

namespace {

void writeSmallJws(const std::u16string &path)
{
    TJwsData d = emptyDoc(600);
    addTop(d, line(0, 0, 10, 5));
    writeBytes(path, writeJws(d, {600}));
}

// A user other than the owner of the test's files; as root, the user nobody.
int otherUser() { return ::geteuid() == 0 ? 65534 : -1; }

} // namespace

TEST(Reasons, WhatStandsAtASourcesNameIsSaid)
{
    TempDir tmp;
    const std::string dir = tmp.path().string();
    ::chmod(dir.c_str(), 0755);
    writeSmallJws(tmp.file("locked.jws"));
    ::chmod((dir + "/locked.jws").c_str(), 0);
    ASSERT_EQ(::mkfifo((dir + "/fifo.jws").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", tmp.path() / "device.jws");
    std::filesystem::create_directory(tmp.path() / "folder.jws");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string sockPath = dir + "/socket.jws";
    std::memcpy(address.sun_path, sockPath.c_str(), sockPath.size() + 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);

    struct Case {
        const char *name;
        const char *code; // info --json
        std::string words;
    } cases[] = {
        {"locked.jws", "unreadable", "ファイルを読み込めません(アクセスが拒否されました)"},
        {"fifo.jws", "unreadable", "ファイルを読み込めません(名前付きパイプ(FIFO)です)"},
        {"socket.jws", "unreadable", "ファイルを読み込めません(ソケットです)"},
        {"device.jws", "unreadable", "ファイルを読み込めません(デバイスです)"},
        {"folder.jws", "missing", "ファイルが存在しません(フォルダです)"},
        {"gone.jws", "missing", "ファイルが存在しません"},
    };
    CliProcessOptions asOther;
    asOther.user = otherUser();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir + "/" + c.name;
        const ProcessResult info = runCliProcess(tmp.path(), {"info", "--json", file}, asOther);
        EXPECT_EQ(info.status, 1);
        EXPECT_EQ(info.out, "[{\"file\":\"" + file + "\",\"error\":\"" + c.code +
                                "\",\"message\":\"" + c.words + "\"}]\n");
        if (std::string(c.name) == "folder.jws")
            continue; // convert says what to give instead of a folder
        const ProcessResult check =
            runCliProcess(tmp.path(), {"convert", "-o", dir, file}, asOther);
        EXPECT_EQ(check.status, 1);
        EXPECT_NE(check.err.find(file + " -- " + c.words + "\n"), std::string::npos) << check.err;
    }
    ::close(sock);
}

TEST(Reasons, OutputsThatCannotBeWrittenSayWhy)
{
    TempDir tmp;
    const std::string dir = tmp.path().string();
    writeSmallJws(tmp.file("a.jws"));
    const std::string a = dir + "/a.jws";
    CliProcessOptions toFull;
    toFull.stdoutPath = "/dev/full";
    CliProcessOptions limited;
    limited.fileSizeLimit = 100;
    struct Case {
        const char *what;
        std::vector<std::string> args;
        CliProcessOptions options;
        std::string err;
    } cases[] = {
        {"render into a missing folder",
         {"render", a, "-o", dir + "/none/a.svg"},
         {},
         dir + "/none/a.svg -- cannot be written: No such file or directory\n"},
        {"render beyond the file-size limit",
         {"render", a, "-o", dir + "/a.svg"},
         limited,
         dir + "/a.svg -- cannot be written: File too large\n"},
        {"render to a full device",
         {"render", a, "-o", "-"},
         toFull,
         "pravelot-cli render: cannot write the standard output: No space left on device\n"},
        {"info to a full device",
         {"info", a},
         toFull,
         "pravelot-cli info: cannot write the standard output: No space left on device\n"},
        {"the run log to a full device",
         {"convert", "-o", dir, a},
         toFull,
         "pravelot-cli convert: cannot write the standard output: No space left on device\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const ProcessResult r = runCliProcess(tmp.path(), c.args, c.options);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err);
    }
    // Nothing but the source and what the run wrote before its log was lost.
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(tmp.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.jws", "a~1.jws"}));
}

#endif
