#include "cli/failuretexts.h"

#include "cli/clitexts.h"

#include "core/filereason.h"
#include "core/path.h"
#include "core/text.h"

#include <cerrno>
#include <ostream>

namespace pravelot {

namespace {

std::string withReason(std::string text, const std::error_code &error)
{
    if (error)
        text += ": " + reasonText(error);
    return text;
}

} // namespace

std::string failureText(const std::u16string &src, const std::u16string &output,
                        const ConversionFailure &failure)
{
    using Step = ConversionFailure::Step;
    const std::string out = printableUtf8(output);
    std::string what;
    switch (failure.step) {
    case Step::Source:
        what = failure.error ? withReason(cliText(CliText::SourceUnreadable), failure.error)
                             : cliText(CliText::SourceNotFigure);
        break;
    case Step::Name:
        what = cliText(CliText::NoFreeName, {out});
        break;
    case Step::Create: {
        const std::u16string folder = folderOf(output);
        what = withReason(
            cliText(CliText::CannotCreate, {folder.empty() ? "." : printableUtf8(folder)}),
            failure.error);
        break;
    }
    case Step::Write:
        what = withReason(cliText(CliText::CannotWrite, {out}), failure.error);
        break;
    case Step::Place:
        what = withReason(cliText(CliText::CannotName, {out}), failure.error);
        break;
    case Step::Memory:
        what = cliText(CliText::OutOfMemory);
        break;
    case Step::BlockName:
        // The check's own line, as it would have told it.
        return printableUtf8(src + failure.finding);
    }
    return "pravelot-cli convert: " + printableUtf8(src) + ": " + what;
}

std::string reasonText(const std::error_code &error)
{
    return cliLanguage() == UserLanguage::Japanese ? toUtf8(reasonInJapanese(error))
                                                   : error.message();
}

void OutputWatch::note(const std::ostream &out)
{
    if (!out && !m_error)
        m_error = {errno ? errno : EIO, std::generic_category()};
}

int OutputWatch::finish(std::ostream &out, std::ostream &err, std::string_view command, int status)
{
    if (out && !m_error) {
        errno = 0;
        out.flush();
    }
    note(out);
    if (!m_error)
        return status;
    err << cliText(CliText::CannotWriteStdout, {command}) << ": " << reasonText(m_error) << "\n"
        << std::flush;
    return 1;
}

std::string folderUnreadableText(const std::u16string &folder, const std::error_code &error)
{
    return withReason(
        cliText(CliText::FolderUnreadable, {"pravelot-cli convert", printableUtf8(folder)}), error);
}

} // namespace pravelot
