#include "cli/clihost.h"

#include "cli/failuretexts.h"
#include "core/path.h"
#include "core/termination.h"
#include "core/text.h"

#include <ostream>

namespace pravelot {

void CliHost::appendCheckLine(const std::u16string &line, bool)
{
    m_findings << printableUtf8(line) << '\n' << std::flush;
}

void CliHost::appendLogLine(const std::u16string &line)
{
    m_log << printableUtf8(line) << '\n';
    m_logWatch.note(m_log);
}

void CliHost::appendRunWarning(const std::u16string &line)
{
    m_findings << printableUtf8(line) << '\n' << std::flush;
}

void CliHost::fileFailed(const std::u16string &src, const std::u16string &output,
                         const ConversionFailure &failure)
{
    m_findings << failureText(src, output, failure) << '\n' << std::flush;
}

bool CliHost::escapePressed() { return interruptRequested(); }

} // namespace pravelot
