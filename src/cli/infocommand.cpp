// pravelot-cli info: what a user wants to know about a figure file before converting it.

#include "cli/clitexts.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "convert/blocking.h"
#include "convert/datacheck.h"
#include "core/path.h"
#include "jwk/jwctype.h"
#include "jws/jwsdata.h"
#include "render/drawing.h"
#include "render/figuredrawing.h"
#include "render/viewport.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <string>

namespace pravelot {

namespace {

std::string number(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

using Json = nlohmann::ordered_json;

std::string dumped(const Json &j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

// A number as it is shown in the text form, rounded to 10 significant digits: a whole
// number below 10^15 without a fraction, anything else in its shortest form; null for
// what is not finite.
Json jsonNumber(double v)
{
    if (!std::isfinite(v))
        return nullptr;
    const std::string text = number(v);
    double rounded = 0;
    std::from_chars(text.data(), text.data() + text.size(), rounded);
    if (std::abs(rounded) < 1e15 && rounded == std::trunc(rounded))
        return static_cast<std::int64_t>(rounded);
    return rounded;
}

// Writes one JSON object member by member, so that a list of any length (a file may hold
// millions of block definitions) can stand among the members without the whole object
// in memory.
class JsonObjectOut {
public:
    explicit JsonObjectOut(std::ostream &out) : m_out(out) { m_out << '{'; }

    void member(std::string_view key, const Json &value)
    {
        startMember(key);
        m_out << dumped(value);
    }
    void close() { m_out << '}'; }
    // A member whose value the caller writes next.
    void startMember(std::string_view key)
    {
        m_out << (m_first ? "" : ",") << dumped(Json(key)) << ':';
        m_first = false;
    }

private:
    std::ostream &m_out;
    bool m_first = true;
};

// One file's facts, printed in either form.
struct Info {
    std::u16string file;
    FigureInspection figure;
    // Size of the picture `render` draws by default.
    int pictureWidth = 0, pictureHeight = 0;
};

constexpr int kPictureSide = 1024;

// The names of the entity counts: a key for --json, a label for people.
struct CountName {
    const char *key;
    CliText label;
};

CountName countName(EntityCount::Kind kind)
{
    switch (kind) {
    case EntityCount::Kind::Lines:
        return {"lines", CliText::InfoLines};
    case EntityCount::Kind::Arcs:
        return {"arcs", CliText::InfoArcs};
    case EntityCount::Kind::Points:
        return {"points", CliText::InfoPoints};
    case EntityCount::Kind::Texts:
        return {"texts", CliText::InfoTexts};
    case EntityCount::Kind::Dimensions:
        return {"dimensions", CliText::InfoDimensions};
    case EntityCount::Kind::Solids:
        return {"solids", CliText::InfoSolids};
    case EntityCount::Kind::BlockReferences:
        break;
    }
    return {"blockReferences", CliText::InfoBlockReferences};
}

// Why a file could not be shown: a fixed code for scripts and the message for people.
struct InfoError {
    const char *code;
    std::string message;
};

InfoError errorOf(FigureProblem problem)
{
    const std::string message = toUtf8(std::u16string(figureProblemText(problem)));
    switch (problem) {
    case FigureProblem::BadExtension:
        return {"bad-extension", message};
    case FigureProblem::Missing:
        return {"missing", message};
    default:
        return {"not-a-figure-file", message};
    }
}

bool readable(FigureProblem problem)
{
    return problem == FigureProblem::None || problem == FigureProblem::Incomplete;
}

// The file's facts, or why it cannot be shown.
std::optional<Info> inspect(const std::u16string &file, InfoError &error)
{
    Info info{file, inspectFigure(file)};
    if (!readable(info.figure.problem)) {
        error = errorOf(info.figure.problem);
        return std::nullopt;
    }
    // The picture is framed from the document already read, keeping only the frame: a
    // small file can draw a million primitives.
    const Box viewBox =
        info.figure.jws
            ? makeDrawing(*info.figure.jws, nullptr, DrawingKeep::FrameOnly).viewBox
            : makeJwkDrawing(*info.figure.jwkDocument, nullptr, DrawingKeep::FrameOnly).viewBox;
    pictureSize(viewBox, kPictureSide, info.pictureWidth, info.pictureHeight);
    return info;
}

void printText(const Info &info, std::ostream &out)
{
    const FigureInspection &i = info.figure;
    out << toUtf8(info.file) << "\n";
    if (!i.jwk)
        out << cliText(CliText::InfoJws, {std::to_string(i.version)}) << "\n";
    else
        out << cliText(CliText::InfoJwk, {number(i.scale)}) << "\n";
    if (i.problem == FigureProblem::Incomplete)
        out << "  " << toUtf8(std::u16string(figureProblemText(i.problem))) << ": " << i.detail
            << "\n";
    out << cliText(CliText::InfoBasePoint, {number(i.baseX), number(i.baseY)}) << "\n";
    out << cliText(CliText::InfoCounts);
    for (const EntityCount &c : i.counts)
        out << " " << cliText(countName(c.kind).label) << " " << c.n;
    out << "\n";
    if (i.jws) {
        out << cliText(CliText::InfoDefinitions, {std::to_string(i.jws->EntBlockDef.size())})
            << "\n";
        for (const TEntJwwBlockDef &b : i.jws->EntBlockDef)
            out << cliText(
                       CliText::InfoDefinition,
                       {toUtf8(userBlockName(b.strName)), std::to_string(b.nNumber),
                        std::to_string(countMembers(b)),
                        cliText(b.ref_flag ? CliText::InfoReferenced : CliText::InfoUnreferenced)})
                << "\n";
    }
    out << cliText(CliText::InfoExtents,
                   {number(i.minX), number(i.minY), number(i.maxX), number(i.maxY)})
        << "\n";
    if (i.extentsCut == ExtentsCut::Instances)
        out << cliText(CliText::InfoExtentsInstances, {std::to_string(TJwsData::kBlockTreeCeiling)})
            << "\n";
    else if (i.extentsCut == ExtentsCut::Points)
        out << cliText(CliText::InfoExtentsPoints, {std::to_string(TJwsData::kExtentsPointBudget)})
            << "\n";
    out << cliText(CliText::InfoPicture,
                   {std::to_string(info.pictureWidth), std::to_string(info.pictureHeight)})
        << "\n";
}

void printJson(const Info &info, std::ostream &out)
{
    const FigureInspection &i = info.figure;
    const bool complete = i.problem != FigureProblem::Incomplete;
    JsonObjectOut o(out);
    o.member("file", toUtf8(info.file));
    o.member("kind", i.jwk ? "jwk" : "jws");
    if (!i.jwk)
        o.member("version", i.version);
    else
        o.member("scale", jsonNumber(i.scale));
    o.member("complete", complete);
    if (!complete)
        o.member("problem", toUtf8(fromUtf8(i.detail)));
    o.member("basePoint", Json::array({jsonNumber(i.baseX), jsonNumber(i.baseY)}));
    Json counts = Json::object();
    for (const EntityCount &c : i.counts)
        counts[countName(c.kind).key] = c.n;
    o.member("counts", counts);
    if (i.jws) {
        o.startMember("blocks");
        out << '[';
        for (std::size_t k = 0; k < i.jws->EntBlockDef.size(); ++k) {
            const TEntJwwBlockDef &b = i.jws->EntBlockDef[k];
            Json block = Json::object();
            block["name"] = toUtf8(userBlockName(b.strName));
            block["number"] = b.nNumber;
            block["members"] = countMembers(b);
            block["referenced"] = b.ref_flag;
            out << (k ? "," : "") << dumped(block);
        }
        out << ']';
    }
    o.member("extents", Json::array({jsonNumber(i.minX), jsonNumber(i.minY), jsonNumber(i.maxX),
                                     jsonNumber(i.maxY)}));
    // Only extents that leave something out say so.
    if (i.extentsCut != ExtentsCut::None)
        o.member("extentsCut", i.extentsCut == ExtentsCut::Instances ? "instances" : "points");
    o.member("picture", Json::array({info.pictureWidth, info.pictureHeight}));
    o.close();
}

// A file that could not be shown, so that a script reading the list finds every file
// given, in order.
void printJsonError(const std::u16string &file, const InfoError &error, std::ostream &out)
{
    JsonObjectOut o(out);
    o.member("file", toUtf8(file));
    o.member("error", error.code);
    o.member("message", toUtf8(fromUtf8(error.message)));
    o.close();
}

} // namespace

int runInfo(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    bool json = false;
    const CliOption options[] = {
        {"", "--json", false, [&](const std::string &) { json = true; }},
    };
    const std::optional<std::vector<std::string>> args8 =
        parseArguments("pravelot-cli info", options, args, err);
    if (!args8)
        return 2;
    std::vector<std::u16string> files;
    for (const std::string &a : *args8)
        files.push_back(fromUtf8(a));
    if (files.empty()) {
        err << cliText(CliText::NoFiles, {"pravelot-cli info"}) << "\n";
        return 2;
    }
    int status = 0;
    if (json)
        out << "[";
    bool first = true;
    for (const std::u16string &f : files) {
        InfoError error{};
        std::optional<Info> info;
        try {
            info = inspect(f, error);
        } catch (const std::bad_alloc &) {
            error = {"out-of-memory", cliText(CliText::OutOfMemoryRead)};
        }
        if (!info) {
            err << toUtf8(f) << " -- " << error.message << "\n";
            status = 1;
            if (json) {
                out << (first ? "" : ",\n");
                printJsonError(f, error, out);
                first = false;
            }
            continue;
        }
        if (json) {
            out << (first ? "" : ",\n");
            printJson(*info, out);
        } else {
            printText(*info, out);
        }
        first = false;
    }
    if (json)
        out << "]\n";
    return status;
}

} // namespace pravelot
