// The command line's side of the check and run loops: lines to the terminal, Ctrl-C as
// the request to stop.
#pragma once

#include "cli/failuretexts.h"
#include "convert/runhost.h"

#include <iosfwd>

namespace pravelot {

class CliHost : public RunHost {
public:
    // The run log goes to log; findings, warnings and reasons for failures to findings.
    // watch learns whether the log got to its stream.
    CliHost(std::ostream &log, std::ostream &findings, OutputWatch &watch)
        : m_log(log), m_findings(findings), m_logWatch(watch)
    {
    }

    void appendCheckLine(const std::u16string &line, bool select) override;
    void appendLogLine(const std::u16string &line) override;
    void appendRunWarning(const std::u16string &line) override;
    void fileFailed(const std::u16string &src, const std::u16string &output,
                    const ConversionFailure &failure) override;
    // Whether Ctrl-C was pressed since catchInterrupt().
    bool escapePressed() override;

private:
    std::ostream &m_log;
    std::ostream &m_findings;
    OutputWatch &m_logWatch;
};

} // namespace pravelot
