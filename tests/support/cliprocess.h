// pravelot-cli run as a process of its own, as a user's shell runs it (POSIX systems).
#pragma once

#ifndef _WIN32

#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

namespace pravelot::test {

struct CliProcessOptions {
    // PRAVELOT_NAMED_TEMPFILES=1: outputs are held under hidden temporary names.
    bool namedTempFiles = false;
    // RLIMIT_FSIZE in the child, when above 0.
    rlim_t fileSizeLimit = 0;
    // Where its standard output goes instead of a file of the scratch folder
    // ("/dev/full", say).
    std::string stdoutPath;
    // Run as this user (from root), so that permissions count; -1: as we are.
    int user = -1;
};

struct CliProcess {
    pid_t pid = -1;
    std::string outFile, errFile; // the files that take its two output streams
};

struct ProcessResult {
    // The exit status, or 128 + the signal that ended it.
    int status = -1;
    std::string out, err;
};

// Starts pravelot-cli with args; its output streams go to files in scratch. Signals
// have their default dispositions in it, whatever the test runner's are.
CliProcess startCliProcess(const std::filesystem::path &scratch,
                           const std::vector<std::string> &args,
                           const CliProcessOptions &options = {});
// Waits for the child to end and reads what it wrote.
ProcessResult finishCliProcess(const CliProcess &child);
ProcessResult runCliProcess(const std::filesystem::path &scratch,
                            const std::vector<std::string> &args,
                            const CliProcessOptions &options = {});

// Whether bytes are valid UTF-8 throughout.
bool isValidUtf8(const std::string &bytes);

} // namespace pravelot::test

#endif
