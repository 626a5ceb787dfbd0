// pravelot-cli as a process that is told to end, or hits a file-size limit, while it
// writes: nothing is ever left beside the outputs, and a limit fails only that file.

#include "core/path.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace pravelot;
using namespace pravelot::test;

namespace {

enum class Mode { Unnamed, Named };

// A .jws that takes a while to write: about 20 MB.
void writeBigSource(const std::u16string &path)
{
    TJwsData d = emptyDoc(600);
    for (int i = 0; i < 350000; ++i)
        addTop(d, line(i, 0, i, 1));
    writeBytes(path, writeJws(d, {600}));
}

void writeSmallSource(const std::u16string &path)
{
    TJwsData d = emptyDoc(600);
    addTop(d, line(0, 0, 1, 1));
    writeBytes(path, writeJws(d, {600}));
}

struct Child {
    pid_t pid = -1;
    std::string out, err; // files that take its stdout and stderr
};

// Starts pravelot-cli with args; fileSizeLimit > 0 sets RLIMIT_FSIZE in the child.
Child startCli(const TempDir &tmp, Mode mode, const std::vector<std::string> &args,
               rlim_t fileSizeLimit = 0)
{
    Child c;
    c.out = (tmp.path() / "stdout.txt").string();
    c.err = (tmp.path() / "stderr.txt").string();
    c.pid = ::fork();
    if (c.pid == 0) {
        if (mode == Mode::Named)
            ::setenv("PRAVELOT_NAMED_TEMPFILES", "1", 1);
        if (fileSizeLimit > 0) {
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        // The test runner's own dispositions are not what a user's shell gives.
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ})
            std::signal(sig, SIG_DFL);
        ::setenv("LC_ALL", "C", 1);
        (void)!std::freopen(c.out.c_str(), "w", stdout);
        (void)!std::freopen(c.err.c_str(), "w", stderr);
        std::vector<char *> argv;
        std::string cli = PRAVELOT_CLI_PATH;
        argv.push_back(cli.data());
        std::vector<std::string> copy = args;
        for (std::string &a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(cli.c_str(), argv.data());
        ::_exit(127);
    }
    return c;
}

// Waits until the child has a file open in folder — its output being written. False
// when it ended first (its status is then in status).
bool waitUntilWritingInto(pid_t pid, const std::string &folder, int &status)
{
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return false;
        std::error_code ec;
        for (const auto &e : std::filesystem::directory_iterator(fds, ec)) {
            std::error_code ignored;
            const std::string target = std::filesystem::read_symlink(e.path(), ignored).string();
            if (target.rfind(folder + "/", 0) == 0)
                return true;
        }
        std::this_thread::yield();
    }
}

bool signalPending(pid_t pid, int sig)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("ShdPnd:", 0) == 0 || line.rfind("SigPnd:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            if (mask & (1ull << (sig - 1)))
                return true;
        }
    }
    return false;
}

std::string contentOf(const std::string &path)
{
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Every entry of folder is a complete output: nothing hidden, nothing cut.
void expectOnlyCompleteOutputs(const std::filesystem::path &folder)
{
    for (const auto &e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        EXPECT_NE(name[0], '.') << name;
        EXPECT_EQ(readJwsFile(fromUtf8(e.path().string())).status, JwsReadStatus::Complete) << name;
    }
}

struct SignalCase {
    const char *name;
    int sig;
    bool twice; // a second one once the first was taken (Ctrl-C, then Ctrl-C again)
    Mode mode;
};

void PrintTo(const SignalCase &c, std::ostream *os) { *os << c.name; }

class EndedWhileWriting : public ::testing::TestWithParam<SignalCase> {};

} // namespace

INSTANTIATE_TEST_SUITE_P(
    EverySignal, EndedWhileWriting,
    ::testing::Values(SignalCase{"Kill", SIGKILL, false, Mode::Unnamed},
                      SignalCase{"Term", SIGTERM, false, Mode::Unnamed},
                      SignalCase{"Hup", SIGHUP, false, Mode::Unnamed},
                      SignalCase{"SecondInterrupt", SIGINT, true, Mode::Unnamed},
                      SignalCase{"TermNamed", SIGTERM, false, Mode::Named},
                      SignalCase{"HupNamed", SIGHUP, false, Mode::Named},
                      SignalCase{"SecondInterruptNamed", SIGINT, true, Mode::Named}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_P(EndedWhileWriting, LeavesNothingBehind)
{
    const SignalCase &c = GetParam();
    TempDir tmp;
    const std::u16string src = tmp.file("big.jws");
    writeBigSource(src);
    const std::filesystem::path out = tmp.path() / "out";
    std::filesystem::create_directory(out);

    const Child child = startCli(tmp, c.mode, {"convert", "-o", out.string(), toUtf8(src)});
    int status = 0;
    ASSERT_TRUE(waitUntilWritingInto(child.pid, out.string(), status))
        << "ended before writing: " << status;
    ::kill(child.pid, c.sig);
    if (c.twice) {
        // The first is only a request to stop before the next file.
        while (signalPending(child.pid, c.sig))
            std::this_thread::yield();
        ::kill(child.pid, c.sig);
    }
    ASSERT_EQ(::waitpid(child.pid, &status, 0), child.pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.sig) << status;
    expectOnlyCompleteOutputs(out);
}

class FileSizeLimit : public ::testing::TestWithParam<Mode> {};

INSTANTIATE_TEST_SUITE_P(BothWays, FileSizeLimit, ::testing::Values(Mode::Unnamed, Mode::Named),
                         [](const auto &p) {
                             return p.param == Mode::Unnamed ? "Unnamed" : "Named";
                         });

TEST_P(FileSizeLimit, FailsThatFileAndTheNextGoesOn)
{
    TempDir tmp;
    const std::u16string big = tmp.file("big.jws"), small = tmp.file("small.jws");
    writeBigSource(big);
    writeSmallSource(small);
    const std::filesystem::path out = tmp.path() / "out";
    std::filesystem::create_directory(out);

    const Child child = startCli(
        tmp, GetParam(), {"convert", "-o", out.string(), toUtf8(big), toUtf8(small)}, 1 << 20);
    int status = 0;
    ASSERT_EQ(::waitpid(child.pid, &status, 0), child.pid);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string o = out.string();
    EXPECT_EQ(contentOf(child.out), toUtf8(big) + "\n→ " + o + "/big.jws\n　…… 変換失敗\n" +
                                        toUtf8(small) + "\n→ " + o +
                                        "/small.jws\n　…… 変換完了\n"
                                        "converted 1, failed 1, skipped 0, warned 0\n");
    EXPECT_NE(contentOf(child.err).find(toUtf8(big) + ": cannot write the output " + o +
                                        "/big.jws: File too large"),
              std::string::npos)
        << contentOf(child.err);
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(out))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"small.jws"});
}

TEST(Interrupt, OneCtrlCFinishesTheFileInProgressAndEndsWith130)
{
    TempDir tmp;
    const std::u16string a = tmp.file("a.jws"), b = tmp.file("b.jws");
    writeBigSource(a);
    writeBigSource(b);
    const std::filesystem::path out = tmp.path() / "out";
    std::filesystem::create_directory(out);

    const Child child =
        startCli(tmp, Mode::Unnamed, {"convert", "-o", out.string(), toUtf8(a), toUtf8(b)});
    int status = 0;
    ASSERT_TRUE(waitUntilWritingInto(child.pid, out.string(), status))
        << "ended before writing: " << status;
    ::kill(child.pid, SIGINT);
    ASSERT_EQ(::waitpid(child.pid, &status, 0), child.pid);
    // Whichever file was being written is finished, and the run says it was stopped.
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 130);
    expectOnlyCompleteOutputs(out);
    std::size_t outputs = 0;
    for (const auto &e : std::filesystem::directory_iterator(out))
        outputs += e.is_regular_file() ? 1 : 0;
    EXPECT_GE(outputs, 1u);
    const std::string log = contentOf(child.out);
    EXPECT_NE(
        log.find("converted " + std::to_string(outputs) + ", failed 0, skipped 0, warned 0\n"),
        std::string::npos)
        << log;
    // Stopped before the second file, the log says so.
    EXPECT_EQ(outputs == 1, log.find("Stopped: Ctrl-C was pressed.\n") != std::string::npos) << log;
}
