// pravelot-cli render: a picture of a figure file, to see it without the CAD program.

#include "cli/clitexts.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "core/file.h"
#include "core/path.h"
#include "core/text.h"
#include "render/figuredrawing.h"
#include "render/svgwriter.h"

#include <charconv>
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
        {"-o", "", true, [&](const std::string &v) { out = fromUtf8(v); }},
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
    o.file = fromUtf8(files->front());
    o.out = *out;
    return o;
}

} // namespace

int runRender(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    const std::optional<RenderOptions> o = parse(args, err);
    if (!o)
        return 2;
    const FigureDrawing f = loadFigureDrawing(o->file);
    if (f.status == FigureDrawing::Status::Unreadable) {
        err << toUtf8(o->file) << " -- " << toUtf8(f.message) << "\n";
        return 1;
    }
    if (f.status == FigureDrawing::Status::Incomplete)
        err << toUtf8(o->file) << " -- " << cliText(CliText::RenderIncomplete) << ": " << f.detail
            << "\n";
    if (f.drawing.cut == DrawingCut::Primitives)
        err << toUtf8(o->file) << " -- "
            << cliText(CliText::RenderTooManyPrimitives, {std::to_string(kDrawingBudget)}) << "\n";
    else if (f.drawing.cut == DrawingCut::Instances)
        err << toUtf8(o->file) << " -- "
            << cliText(CliText::RenderTooDeep, {std::to_string(TJwsData::kBlockTreeCeiling)})
            << "\n";
    const std::string svg = drawingToSvg(f.drawing, o->size);
    if (o->out == u"-") {
        out << svg;
        return out.good() ? 0 : 1;
    }
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(svg.data());
    if (!replaceFile(o->out, std::span(bytes, svg.size()))) {
        err << toUtf8(o->out) << " -- " << cliText(CliText::RenderCannotWrite) << "\n";
        return 1;
    }
    return 0;
}

} // namespace pravelot
