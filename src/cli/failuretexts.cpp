#include "cli/failuretexts.h"

#include "cli/clitexts.h"

#include "core/path.h"
#include "core/text.h"

namespace pravelot {

namespace {

std::string withReason(std::string text, const std::error_code &error)
{
    if (error)
        text += ": " + error.message();
    return text;
}

} // namespace

std::string failureText(const std::u16string &src, const std::u16string &output,
                        const ConversionFailure &failure)
{
    using Step = ConversionFailure::Step;
    const std::string out = toUtf8(output);
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
        what = withReason(cliText(CliText::CannotCreate, {folder.empty() ? "." : toUtf8(folder)}),
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
        return toUtf8(src + failure.finding);
    }
    return "pravelot-cli convert: " + toUtf8(src) + ": " + what;
}

std::string folderUnreadableText(const std::u16string &folder, const std::error_code &error)
{
    return withReason(cliText(CliText::FolderUnreadable, {"pravelot-cli convert", toUtf8(folder)}),
                      error);
}

} // namespace pravelot
