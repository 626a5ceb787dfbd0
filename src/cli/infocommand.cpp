// pravelot-cli info: what a user wants to know about a figure file before converting it.

#include "cli/clitexts.h"
#include "cli/commands.h"
#include "convert/blocking.h"
#include "core/path.h"
#include "jwk/jwkdata.h"
#include "jws/jwsdata.h"
#include "render/drawing.h"
#include "render/figuredrawing.h"
#include "render/viewport.h"

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

std::string jsonString(const std::u16string &s)
{
    std::string out = "\"";
    for (char c : ToUtf8(s)) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string jsonNumber(double v) { return std::isfinite(v) ? number(v) : "null"; }

struct Count {
    const char *key; // for --json
    CliText label;   // for people
    std::int64_t n;
};

// One file's facts, printed in either form.
struct Info {
    std::u16string file;
    std::string kind; // "jws" or "jwk"
    std::int32_t version = 0;
    bool complete = true;
    std::string problem;
    double baseX = 0, baseY = 0;
    double scale = 0; // jwk only
    std::vector<Count> counts;
    // The block definitions are listed from the document itself, which may hold millions
    // of them: a copy of each would double what the file takes in memory.
    std::unique_ptr<TJwsData> jws;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    // Size of the picture `render` draws by default.
    int pictureWidth = 0, pictureHeight = 0;
};

constexpr int kPictureSide = 1024;

std::int32_t members(const TEntJwwBlockDef &d)
{
    return d.mLineN() + d.mEnkoN() + d.mTenN() + d.mMojiN() + d.mSunpoN() + d.mSolidN() +
           d.mBlockN();
}

// Why a file could not be shown: a fixed code for scripts and the message for people.
struct InfoError {
    const char *code;
    std::string message;
};

std::optional<Info> inspect(const std::u16string &file, InfoError &error)
{
    Info info;
    info.file = file;
    const std::u16string ext = FileExtLower(file);
    if (ext != u".jws" && ext != u".jwk") {
        error = {"bad-extension", "ファイル拡張子が不正です(※JWK/JWSのみ対応)"};
        return std::nullopt;
    }
    if (!RegularFileExistsSafe(file)) {
        error = {"missing", "ファイルが存在しません"};
        return std::nullopt;
    }
    if (ext == u".jws") {
        info.jws = std::make_unique<TJwsData>();
        TJwsData &d = *info.jws;
        const TJwsData::LoadResult loaded = d.Load(file);
        if (loaded == TJwsData::LoadResult::NotJws) {
            error = {"not-a-figure-file", "ファイルデータ内容が不正です"};
            return std::nullopt;
        }
        info.kind = "jws";
        info.complete = loaded == TJwsData::LoadResult::Complete;
        info.problem = d.problem().empty() ? "" : d.problem().text();
        d.GetMinMaxZahyo();
        info.version = d.Enthd.jwVer;
        info.baseX = d.Enthd.BasePoint_x;
        info.baseY = d.Enthd.BasePoint_y;
        info.counts = {{"lines", CliText::InfoLines, d.EntLineN()},
                       {"arcs", CliText::InfoArcs, d.EntEnkoN()},
                       {"points", CliText::InfoPoints, d.EntTenN()},
                       {"texts", CliText::InfoTexts, d.EntMojiN()},
                       {"dimensions", CliText::InfoDimensions, d.EntSunpoN()},
                       {"solids", CliText::InfoSolids, d.EntSolidN()},
                       {"blockReferences", CliText::InfoBlockReferences, d.EntBlockN()}};
        info.minX = d.myMinWx, info.minY = d.myMinWy, info.maxX = d.myMaxWx, info.maxY = d.myMaxWy;
        // The picture is framed from the document already read: a second reading would
        // hold the file twice.
        PictureSize(MakeDrawing(d).viewBox, kPictureSide, info.pictureWidth, info.pictureHeight);
        return info;
    }
    if (!TJwkData::FileCheck(file)) {
        error = {"not-a-figure-file", "ファイルデータ内容が不正です"};
        return std::nullopt;
    }
    {
        TJwkData k;
        info.kind = "jwk";
        info.complete = k.FileIn(file);
        info.problem = k.problem().empty() ? "" : k.problem().text();
        k.GetMinMaxZahyo();
        info.scale = k.Enthd.scale;
        info.counts = {{"lines", CliText::InfoLines, k.Enthd.lineCount},
                       {"arcs", CliText::InfoArcs, k.Enthd.arcCount},
                       {"points", CliText::InfoPoints, k.Enthd.tenCount},
                       {"texts", CliText::InfoTexts, k.Enthd.mojiCount}};
        info.minX = k.myMinWx, info.minY = k.myMinWy, info.maxX = k.myMaxWx, info.maxY = k.myMaxWy;
    }
    // The .jwk document is gone by now; the picture is framed from its translation.
    PictureSize(LoadFigureDrawing(file).drawing.viewBox, kPictureSide, info.pictureWidth,
                info.pictureHeight);
    return info;
}

void printText(const Info &i, std::ostream &out)
{
    out << ToUtf8(i.file) << "\n";
    if (i.kind == "jws")
        out << cliText(CliText::InfoJws, {std::to_string(i.version)}) << "\n";
    else
        out << cliText(CliText::InfoJwk, {number(i.scale)}) << "\n";
    if (!i.complete)
        out << "  ファイルデータが欠落しています(データ変換は行われます): " << i.problem << "\n";
    out << cliText(CliText::InfoBasePoint, {number(i.baseX), number(i.baseY)}) << "\n";
    out << cliText(CliText::InfoCounts);
    for (const Count &c : i.counts)
        out << " " << cliText(c.label) << " " << c.n;
    out << "\n";
    if (i.kind == "jws") {
        out << cliText(CliText::InfoDefinitions, {std::to_string(i.jws->EntBlockDef.size())})
            << "\n";
        for (const TEntJwwBlockDef &b : i.jws->EntBlockDef)
            out << cliText(
                       CliText::InfoDefinition,
                       {ToUtf8(UserBlockName(b.strName)), std::to_string(b.nNumber),
                        std::to_string(members(b)),
                        cliText(b.ref_flag ? CliText::InfoReferenced : CliText::InfoUnreferenced)})
                << "\n";
    }
    out << cliText(CliText::InfoExtents,
                   {number(i.minX), number(i.minY), number(i.maxX), number(i.maxY)})
        << "\n";
    out << cliText(CliText::InfoPicture,
                   {std::to_string(i.pictureWidth), std::to_string(i.pictureHeight)})
        << "\n";
}

void printJson(const Info &i, std::ostream &out)
{
    out << "{\"file\":" << jsonString(i.file) << ",\"kind\":\"" << i.kind << "\"";
    if (i.kind == "jws")
        out << ",\"version\":" << i.version;
    else
        out << ",\"scale\":" << jsonNumber(i.scale);
    out << ",\"complete\":" << (i.complete ? "true" : "false");
    if (!i.complete)
        out << ",\"problem\":" << jsonString(FromUtf8(i.problem));
    out << ",\"basePoint\":[" << jsonNumber(i.baseX) << "," << jsonNumber(i.baseY)
        << "],\"counts\":{";
    for (std::size_t k = 0; k < i.counts.size(); ++k)
        out << (k ? "," : "") << "\"" << i.counts[k].key << "\":" << i.counts[k].n;
    out << "}";
    if (i.kind == "jws") {
        out << ",\"blocks\":[";
        for (std::size_t k = 0; k < i.jws->EntBlockDef.size(); ++k) {
            const TEntJwwBlockDef &b = i.jws->EntBlockDef[k];
            out << (k ? "," : "") << "{\"name\":" << jsonString(UserBlockName(b.strName))
                << ",\"number\":" << b.nNumber << ",\"members\":" << members(b)
                << ",\"referenced\":" << (b.ref_flag ? "true" : "false") << "}";
        }
        out << "]";
    }
    out << ",\"extents\":[" << jsonNumber(i.minX) << "," << jsonNumber(i.minY) << ","
        << jsonNumber(i.maxX) << "," << jsonNumber(i.maxY) << "],\"picture\":[" << i.pictureWidth
        << "," << i.pictureHeight << "]}";
}

} // namespace

int runInfo(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    bool json = false;
    std::vector<std::u16string> files;
    for (const std::string &a : args) {
        if (a == "--json")
            json = true;
        else if (a.size() > 1 && a[0] == '-') {
            err << cliText(CliText::UnknownOption, {"pravelot-cli info", a}) << "\n";
            return 2;
        } else
            files.push_back(FromUtf8(a));
    }
    if (files.empty()) {
        err << cliText(CliText::NoFiles, {"pravelot-cli info"}) << "\n";
        return 2;
    }
    ResetJwcDefaults();
    ResetJwwDefaults();
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
            err << ToUtf8(f) << " -- " << error.message << "\n";
            status = 1;
            // A script reading the list finds every file given, in order.
            if (json) {
                out << (first ? "" : ",\n") << "{\"file\":" << jsonString(f) << ",\"error\":\""
                    << error.code << "\",\"message\":" << jsonString(FromUtf8(error.message))
                    << "}";
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
