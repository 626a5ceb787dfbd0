#include "support/cliprocess.h"

#ifndef _WIN32

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace pravelot::test {

namespace {

std::string contentOf(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

[[noreturn]] void execCli(const CliProcess &c, const std::vector<std::string> &args,
                          const CliProcessOptions &o)
{
    if (o.namedTempFiles)
        ::setenv("PRAVELOT_NAMED_TEMPFILES", "1", 1);
    else
        ::unsetenv("PRAVELOT_NAMED_TEMPFILES");
    if (o.fileSizeLimit > 0) {
        const rlimit limit{o.fileSizeLimit, o.fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    // A signal that dumps core leaves no core file in the test's folder.
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    // The command line's own texts in English.
    ::setenv("LC_ALL", "C", 1);
    // The test runner's own dispositions and mask are not what a user's shell gives.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig)
        if (sig != SIGKILL && sig != SIGSTOP)
            std::signal(sig, SIG_DFL);
    const std::string out = o.stdoutPath.empty() ? c.outFile : o.stdoutPath;
    if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(c.errFile.c_str(), "w", stderr))
        ::_exit(126);
    if (o.user >= 0 &&
        (::setgid(static_cast<gid_t>(o.user)) != 0 || ::setuid(static_cast<uid_t>(o.user)) != 0))
        ::_exit(126);
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

} // namespace

CliProcess startCliProcess(const std::filesystem::path &scratch,
                           const std::vector<std::string> &args, const CliProcessOptions &options)
{
    static int counter = 0;
    CliProcess c;
    const std::string n = std::to_string(counter++);
    c.outFile = (scratch / ("stdout-" + n + ".txt")).string();
    c.errFile = (scratch / ("stderr-" + n + ".txt")).string();
    std::fflush(nullptr);
    c.pid = ::fork();
    if (c.pid == 0)
        execCli(c, args, options);
    return c;
}

ProcessResult finishCliProcess(const CliProcess &child)
{
    ProcessResult r;
    int status = 0;
    if (::waitpid(child.pid, &status, 0) != child.pid)
        return r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = contentOf(child.outFile);
    r.err = contentOf(child.errFile);
    std::remove(child.outFile.c_str());
    std::remove(child.errFile.c_str());
    return r;
}

ProcessResult runCliProcess(const std::filesystem::path &scratch,
                            const std::vector<std::string> &args, const CliProcessOptions &options)
{
    return finishCliProcess(startCliProcess(scratch, args, options));
}

bool isValidUtf8(const std::string &bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        std::size_t len = b < 0x80                 ? 1
                          : b >= 0xC2 && b <= 0xDF ? 2
                          : b >= 0xE0 && b <= 0xEF ? 3
                          : b >= 0xF0 && b <= 0xF4 ? 4
                                                   : 0;
        if (len == 0 || len > bytes.size() - i)
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            const auto t = static_cast<unsigned char>(bytes[i + k]);
            const unsigned lo = k > 1 ? 0x80 : b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
            const unsigned hi = k > 1 ? 0xBF : b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
            if (t < lo || t > hi)
                return false;
        }
        i += len;
    }
    return true;
}

} // namespace pravelot::test

#endif
