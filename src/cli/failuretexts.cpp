#include "cli/failuretexts.h"

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

std::string FailureText(const std::u16string &src, const std::u16string &output,
                        const ConversionFailure &failure)
{
    using Step = ConversionFailure::Step;
    const std::string out = ToUtf8(output);
    std::string what;
    switch (failure.step) {
    case Step::Source:
        what = failure.error ? withReason("cannot read the source", failure.error)
                             : "the source is not a figure file of its kind (.jws or .jwk)";
        break;
    case Step::Name:
        what = "no free output name: " + out + " and its branch numbers ~1 to ~99999 are taken";
        break;
    case Step::Create: {
        const std::u16string folder = FolderOf(output);
        what = withReason("cannot create the output in " + (folder.empty() ? "." : ToUtf8(folder)),
                          failure.error);
        break;
    }
    case Step::Write:
        what = withReason("cannot write the output " + out, failure.error);
        break;
    case Step::Place:
        what = withReason("cannot give the output its name " + out, failure.error);
        break;
    case Step::Memory:
        what = "out of memory while converting it; nothing was written";
        break;
    }
    return "pravelot-cli convert: " + ToUtf8(src) + ": " + what;
}

std::string FolderSourceText(const std::u16string &folder)
{
    return "pravelot-cli convert: " + ToUtf8(folder) +
           ": is a folder; give the figure files in it (for example " +
           ToUtf8(AddPathDelim(folder)) + "*.jws)";
}

} // namespace pravelot
