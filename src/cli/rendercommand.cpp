// pravelot-cli render: a picture of a figure file, to see it without the CAD program.

#include "cli/clitexts.h"
#include "cli/commands.h"
#include "cli/failuretexts.h"
#include "cli/options.h"
#include "core/file.h"
#include "core/path.h"
#include "core/text.h"
#include "render/figuredrawing.h"
#include "render/svgwriter.h"

#include <charconv>
#include <functional>
#include <new>
#include <optional>
#include <ostream>

namespace pravelot {

namespace {

const char *const kCommand = "pravelot-cli render";

struct RenderOptions {
    std::u16string file;
    std::u16string out;
    int size = 1024;
};

std::optional<RenderOptions> parse(const std::vector<std::string> &args, std::ostream &err)
{
    RenderOptions o;
    std::optional<std::u16string> out;
    std::optional<std::string> size;
    const CliOption options[] = {
        {"-o", "", true, [&](const std::string &v) { out = fromNativePath(v); }},
        {"", "--size", true, [&](const std::string &v) { size = v; }},
    };
    const std::optional<std::vector<std::string>> files =
        parseArguments(kCommand, options, args, err);
    if (!files)
        return std::nullopt;
    if (size) {
        const char *end = size->data() + size->size();
        auto [at, ec] = std::from_chars(size->data(), end, o.size);
        if (ec != std::errc{} || at != end || o.size < 16 || o.size > 16384) {
            err << cliText(CliText::RenderSize, {kCommand}) << "\n";
            return std::nullopt;
        }
    }
    if (files->size() > 1) {
        err << cliText(CliText::RenderOneFile, {kCommand}) << "\n";
        return std::nullopt;
    }
    if (files->empty() || !out) {
        err << cliText(CliText::RenderNeeds, {kCommand}) << "\n";
        return std::nullopt;
    }
    if (*out != u"-" && FileExtLower(*out) != u".svg") {
        err << cliText(CliText::RenderSvgOnly, {kCommand}) << "\n";
        return std::nullopt;
    }
    o.file = fromNativePath(files->front());
    o.out = *out;
    return o;
}

// Writes the picture that write makes to o.out as it is made: to the standard output, or
// into a new file that takes the name (replacing a picture there) only once it is whole.
int writePicture(const RenderOptions &o, const std::function<void(const SvgSink &)> &write,
                 std::ostream &out, std::ostream &err)
{
    if (o.out == u"-") {
        OutputWatch watch;
        write([&](std::string_view piece) {
            out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
            watch.note(out);
        });
        return watch.finish(out, err, kCommand, 0);
    }
    NewFile file{o.out, {}, {}, {}, true};
    const bool written = writeNewFile(file, [&](ByteWriter &w) {
        write([&w](std::string_view piece) {
            w.put(std::span(reinterpret_cast<const std::uint8_t *>(piece.data()), piece.size()));
        });
        return true;
    });
    if (!written) {
        err << printableUtf8(o.out) << " -- " << cliText(CliText::RenderCannotWrite) << ": "
            << reasonText(file.error) << "\n";
        return 1;
    }
    return 0;
}

// What of the file could not be read, or what the drawing leaves out, on err.
void tellCuts(const std::u16string &file, const FigureDrawing &f, DrawingCut cut, std::ostream &err)
{
    if (f.status == FigureDrawing::Status::Incomplete)
        err << printableUtf8(file) << " -- " << cliText(CliText::RenderIncomplete) << ": "
            << f.detail << "\n";
    if (cut == DrawingCut::Primitives)
        err << printableUtf8(file) << " -- "
            << cliText(CliText::RenderTooManyPrimitives, {std::to_string(kDrawingBudget)}) << "\n";
    else if (cut == DrawingCut::Instances)
        err << printableUtf8(file) << " -- "
            << cliText(CliText::RenderTooDeep, {std::to_string(TJwsData::kBlockTreeCeiling)})
            << "\n";
}

int render(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    const std::optional<RenderOptions> o = parse(args, err);
    if (!o)
        return 2;
    // The picture is written as the figure is drawn, and the figure is drawn as often as
    // the picture needs: nothing of it is ever held whole but the document read. Running
    // out of memory is this file's failure: what was read or drawn is given back as the
    // exception leaves, and a picture file not yet whole is dropped unnamed.
    bool writing = false;
    int status = 0;
    DrawingCut cut = DrawingCut::None;
    std::optional<FigureDrawing> f;
    try {
        f = readFigure(o->file, [&](const FigureDrawer &draw) {
            writing = true;
            status = writePicture(
                *o, [&](const SvgSink &sink) { cut = writeFigureSvg(draw, o->size, sink).cut; },
                out, err);
        });
    } catch (const std::bad_alloc &) {
        err << printableUtf8(o->file) << " -- "
            << cliText(writing ? CliText::RenderOutOfMemory : CliText::OutOfMemoryRead) << "\n";
        return 1;
    }
    if (f->status == FigureDrawing::Status::Unreadable) {
        err << printableUtf8(o->file) << " -- " << toUtf8(f->message) << "\n";
        return 1;
    }
    tellCuts(o->file, *f, cut, err);
    return status;
}

} // namespace

int runRender(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    try {
        return render(args, out, err);
    } catch (const std::bad_alloc &) {
        // Before there is a file to blame: reading the arguments.
        err << cliText(CliText::OutOfMemoryCommand, {kCommand}) << "\n";
        return 1;
    }
}

} // namespace pravelot
