// The command line's side of the check and run loops: lines to the terminal, Ctrl-C as
// the request to stop.
#pragma once

#include "convert/runhost.h"

#include <iosfwd>

namespace pravelot {

class CliHost : public RunHost {
public:
    CliHost(std::ostream &log, std::ostream &findings) : m_log(log), m_findings(findings) {}

    void appendCheckLine(const std::u16string &line, bool select) override;
    void appendLogLine(const std::u16string &line) override;
    bool escapePressed() override;

    // From now on, the first Ctrl-C asks the loops to stop before the next file; a
    // second one ends the program at once.
    static void catchInterrupt();
    static bool interrupted();

private:
    std::ostream &m_log;
    std::ostream &m_findings;
};

} // namespace pravelot
