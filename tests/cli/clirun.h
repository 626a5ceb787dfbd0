// Running pravelot-cli's commands in the test process, and what the command-line tests
// share.
#pragma once

#include "cli/clitexts.h"
#include "jws/jwsdata.h"

#include <string>
#include <vector>

namespace pravelot::test {

// What a command printed and returned.
struct CliResult {
    int status = 0;
    std::string out, err;
};

CliResult runCli(const std::string &command, const std::vector<std::string> &args);
inline CliResult convert(const std::vector<std::string> &args) { return runCli("convert", args); }

// The command line's own texts in language while it lives.
class InLanguage {
public:
    explicit InLanguage(UserLanguage language) : m_before(cliLanguage())
    {
        setUserLanguage(language);
    }
    ~InLanguage() { setUserLanguage(m_before); }
    InLanguage(const InLanguage &) = delete;
    InLanguage &operator=(const InLanguage &) = delete;

private:
    UserLanguage m_before;
};

// A small part: one line, and when defName is given a definition of that stored name
// that the line's reference uses.
void writeJws(const std::u16string &path, const std::u16string &defName = u"");

// The separator the program puts after a folder, in UTF-8.
std::string separator();

} // namespace pravelot::test
