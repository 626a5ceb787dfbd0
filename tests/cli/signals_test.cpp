// pravelot-cli as a process that is told to end, or hits a file-size limit, or sees its
// output folder renamed, while it writes: nothing is ever left beside the outputs but
// complete ones, and a limit fails only that file.

#include "core/path.h"
#include "support/cliprocess.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace pravelot;
using namespace pravelot::test;

namespace {

enum class Mode { Unnamed, Named };

// A .jws that takes a while to convert and to draw: about 20 MB of lines. Made once for
// every test, which only reads it.
const std::u16string &bigSource()
{
    static const TempDir folder;
    static const std::u16string path = [] {
        std::u16string p = folder.file("big.jws");
        TJwsData d = emptyDoc(600);
        for (int i = 0; i < 350000; ++i)
            addTop(d, line(i, 0, i, 1));
        writeBytes(p, writeJws(d, {600}));
        return p;
    }();
    return path;
}

void writeSmallSource(const std::u16string &path)
{
    TJwsData d = emptyDoc(600);
    addTop(d, line(0, 0, 1, 1));
    writeBytes(path, writeJws(d, {600}));
}

// Whether pid has a file open in folder: its output being written.
bool writingInto(pid_t pid, const std::string &folder)
{
    std::error_code ec;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto &e : std::filesystem::directory_iterator(fds, ec)) {
        std::error_code ignored;
        const std::string target = std::filesystem::read_symlink(e.path(), ignored).string();
        if (target.rfind(folder + "/", 0) == 0)
            return true;
    }
    return false;
}

// Waits until the child writes into folder and stops it there (SIGSTOP), so that what
// follows meets it in the middle of a write. False when it ended first (its status is
// then in status); a child that stopped just after its write is let go on and watched
// again.
bool stopWhileWriting(pid_t pid, const std::string &folder, int &status)
{
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return false;
        if (!writingInto(pid, folder)) {
            std::this_thread::yield();
            continue;
        }
        ::kill(pid, SIGSTOP);
        if (::waitpid(pid, &status, WUNTRACED) != pid || !WIFSTOPPED(status))
            return false;
        if (writingInto(pid, folder))
            return true;
        ::kill(pid, SIGCONT);
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

std::string contentOf(const std::filesystem::path &path)
{
    std::ifstream f(path, std::ios::binary);
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
        if (e.path().extension() == ".svg") {
            EXPECT_TRUE(contentOf(e.path()).ends_with("</svg>\n")) << name;
            continue;
        }
        EXPECT_EQ(readJwsFile(fromUtf8(e.path().string())).status, JwsReadStatus::Complete) << name;
    }
}

enum class Command { Convert, Render };

std::vector<std::string> argsFor(Command command, const std::string &src,
                                 const std::filesystem::path &out)
{
    if (command == Command::Convert)
        return {"convert", "-o", out.string(), src};
    return {"render", src, "-o", (out / "big.svg").string()};
}

struct SignalCase {
    const char *name;
    int sig;
};

const SignalCase kSignals[] = {
    {"Kill", SIGKILL}, {"Term", SIGTERM}, {"Hup", SIGHUP},   {"Int", SIGINT},   {"Quit", SIGQUIT},
    {"Pipe", SIGPIPE}, {"Usr1", SIGUSR1}, {"Usr2", SIGUSR2}, {"Alrm", SIGALRM},
};

using EndCase = std::tuple<Command, SignalCase, Mode>;

// Every command, signal and way of holding the output, but SIGKILL with a temporary
// name: nothing can remove a file when the program is killed outright (Linux's unnamed
// files are the answer to that).
std::vector<EndCase> endCases()
{
    std::vector<EndCase> cases;
    for (Command command : {Command::Convert, Command::Render})
        for (const SignalCase &signal : kSignals)
            for (Mode mode : {Mode::Unnamed, Mode::Named})
                if (signal.sig != SIGKILL || mode == Mode::Unnamed)
                    cases.emplace_back(command, signal, mode);
    return cases;
}

class EndedWhileWriting : public ::testing::TestWithParam<EndCase> {};

std::string modeName(Mode mode) { return mode == Mode::Unnamed ? "Unnamed" : "Named"; }

} // namespace

INSTANTIATE_TEST_SUITE_P(
    EverySignal, EndedWhileWriting, ::testing::ValuesIn(endCases()), [](const auto &p) {
        return std::string(std::get<0>(p.param) == Command::Convert ? "Convert" : "Render") +
               std::get<1>(p.param).name + modeName(std::get<2>(p.param));
    });

TEST_P(EndedWhileWriting, LeavesNothingBehind)
{
    const auto [command, signal, mode] = GetParam();
    TempDir tmp;
    const std::u16string &src = bigSource();
    const std::filesystem::path out = tmp.path() / "out";
    std::filesystem::create_directory(out);
    CliProcessOptions options;
    options.namedTempFiles = mode == Mode::Named;
    // convert takes the first Ctrl-C as a request to stop after the file in progress: a
    // second one ends it.
    const bool twice = command == Command::Convert && signal.sig == SIGINT;

    // A run may end its write before it is stopped: then another run is watched.
    for (int run = 0;; ++run) {
        ASSERT_LT(run, 50) << "no run was met while writing";
        const CliProcess child =
            startCliProcess(tmp.path(), argsFor(command, toUtf8(src), out), options);
        int status = 0;
        if (!stopWhileWriting(child.pid, out.string(), status)) {
            finishCliProcess(child);
            expectOnlyCompleteOutputs(out);
            std::filesystem::remove_all(out);
            std::filesystem::create_directory(out);
            continue;
        }
        ::kill(child.pid, signal.sig);
        if (twice) {
            ::kill(child.pid, SIGCONT);
            while (signalPending(child.pid, signal.sig))
                std::this_thread::yield();
            ::kill(child.pid, signal.sig);
        }
        ::kill(child.pid, SIGCONT);
        const ProcessResult r = finishCliProcess(child);
        EXPECT_EQ(r.status, 128 + signal.sig) << r.err;
        expectOnlyCompleteOutputs(out);
        break;
    }
}

class BatchCut : public ::testing::TestWithParam<std::tuple<SignalCase, Mode>> {};

INSTANTIATE_TEST_SUITE_P(BothWays, BatchCut,
                         ::testing::Values(std::tuple(SignalCase{"Kill", SIGKILL}, Mode::Unnamed),
                                           std::tuple(SignalCase{"Term", SIGTERM}, Mode::Unnamed),
                                           std::tuple(SignalCase{"Term", SIGTERM}, Mode::Named),
                                           std::tuple(SignalCase{"Hup", SIGHUP}, Mode::Named)),
                         [](const auto &p) {
                             return std::string(std::get<0>(p.param).name) +
                                    modeName(std::get<1>(p.param));
                         });

// A run of several large sources, converted at once and named together once flushed:
// ended in the middle of its batch, it leaves complete outputs only, and nothing hidden.
TEST_P(BatchCut, LeavesNoNamedPartOfItsBatch)
{
    const auto [signal, mode] = GetParam();
    TempDir tmp;
    std::vector<std::string> args = {"convert", "-o", (tmp.path() / "out").string()};
    for (int i = 0; i < 4; ++i) {
        const std::filesystem::path copy = tmp.path() / ("part" + std::to_string(i) + ".jws");
        std::filesystem::create_hard_link(toUtf8(bigSource()), copy);
        args.push_back(copy.string());
    }
    const std::filesystem::path out = tmp.path() / "out";
    std::filesystem::create_directory(out);
    CliProcessOptions options;
    options.namedTempFiles = mode == Mode::Named;
    const CliProcess child = startCliProcess(tmp.path(), args, options);
    int status = 0;
    ASSERT_TRUE(stopWhileWriting(child.pid, out.string(), status))
        << "ended before writing: " << status;
    ::kill(child.pid, signal.sig);
    ::kill(child.pid, SIGCONT);
    const ProcessResult r = finishCliProcess(child);
    EXPECT_EQ(r.status, 128 + signal.sig) << r.err;
    expectOnlyCompleteOutputs(out);
}

class FolderRenamed : public ::testing::TestWithParam<std::tuple<Command, Mode>> {};

INSTANTIATE_TEST_SUITE_P(BothWays, FolderRenamed,
                         ::testing::Combine(::testing::Values(Command::Convert, Command::Render),
                                            ::testing::Values(Mode::Unnamed, Mode::Named)),
                         [](const auto &p) {
                             return std::string(std::get<0>(p.param) == Command::Convert
                                                    ? "Convert"
                                                    : "Render") +
                                    modeName(std::get<1>(p.param));
                         });

TEST_P(FolderRenamed, WhileWritingLeavesNothingInIt)
{
    const auto [command, mode] = GetParam();
    TempDir tmp;
    const std::u16string &src = bigSource();
    const std::filesystem::path out = tmp.path() / "out", moved = tmp.path() / "moved";
    std::filesystem::create_directory(out);
    CliProcessOptions options;
    options.namedTempFiles = mode == Mode::Named;
    for (int run = 0;; ++run) {
        ASSERT_LT(run, 50) << "no run was met while writing";
        const CliProcess child =
            startCliProcess(tmp.path(), argsFor(command, toUtf8(src), out), options);
        int status = 0;
        if (!stopWhileWriting(child.pid, out.string(), status)) {
            finishCliProcess(child);
            std::filesystem::remove_all(out);
            std::filesystem::create_directory(out);
            continue;
        }
        // The output's folder is no longer where its name leads: the output fails, and
        // the folder under its new name holds nothing of it.
        std::filesystem::rename(out, moved);
        ::kill(child.pid, SIGCONT);
        const ProcessResult r = finishCliProcess(child);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
        EXPECT_TRUE(std::filesystem::is_empty(moved));
        break;
    }
}

class FileSizeLimit : public ::testing::TestWithParam<Mode> {};

INSTANTIATE_TEST_SUITE_P(BothWays, FileSizeLimit, ::testing::Values(Mode::Unnamed, Mode::Named),
                         [](const auto &p) { return modeName(p.param); });

TEST_P(FileSizeLimit, FailsThatFileAndTheNextGoesOn)
{
    TempDir tmp;
    const std::u16string &big = bigSource(), small = tmp.file("small.jws");
    writeSmallSource(small);
    const std::filesystem::path out = tmp.path() / "out";
    std::filesystem::create_directory(out);

    CliProcessOptions options;
    options.namedTempFiles = GetParam() == Mode::Named;
    options.fileSizeLimit = 1 << 20;
    const ProcessResult r = runCliProcess(
        tmp.path(), {"convert", "-o", out.string(), toUtf8(big), toUtf8(small)}, options);
    EXPECT_EQ(r.status, 1);
    const std::string o = out.string();
    EXPECT_EQ(r.out, toUtf8(big) + "\n→ " + o + "/big.jws\n　…… 変換失敗\n" + toUtf8(small) +
                         "\n→ " + o +
                         "/small.jws\n　…… 変換完了\n"
                         "converted 1, failed 1, skipped 0, warned 0\n");
    EXPECT_NE(
        r.err.find(toUtf8(big) + ": cannot write the output " + o + "/big.jws: File too large"),
        std::string::npos)
        << r.err;
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(out))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"small.jws"});
}

TEST(Interrupt, OneCtrlCStopsBeforeTheNextFileIsToldAndEndsWith130)
{
    TempDir tmp;
    const std::u16string &a = bigSource(), b = tmp.file("b.jws");
    std::filesystem::copy_file(toUtf8(a), toUtf8(b));
    const std::filesystem::path out = tmp.path() / "out";
    std::filesystem::create_directory(out);

    const CliProcess child =
        startCliProcess(tmp.path(), {"convert", "-o", out.string(), toUtf8(a), toUtf8(b)});
    int status = 0;
    ASSERT_TRUE(stopWhileWriting(child.pid, out.string(), status))
        << "ended before writing: " << status;
    ::kill(child.pid, SIGINT);
    ::kill(child.pid, SIGCONT);
    const ProcessResult r = finishCliProcess(child);
    // The files told before it are converted; the others are not, and what was written of
    // them goes with their names never given.
    EXPECT_EQ(r.status, 130);
    expectOnlyCompleteOutputs(out);
    std::size_t outputs = 0, told = 0;
    for (const auto &e : std::filesystem::directory_iterator(out))
        outputs += e.is_regular_file() ? 1 : 0;
    for (std::size_t at = r.out.find("変換完了"); at != std::string::npos;
         at = r.out.find("変換完了", at + 1))
        ++told;
    EXPECT_EQ(outputs, told) << r.out;
    EXPECT_LT(outputs, 2u);
    EXPECT_TRUE(r.out.ends_with("Stopped: Ctrl-C was pressed.\nconverted " +
                                std::to_string(outputs) + ", failed 0, skipped 0, warned 0\n"))
        << r.out;
}
