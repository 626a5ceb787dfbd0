// pravelot-cli info: what a user wants to know about a figure file before converting it.

#include "cli/commands.h"
#include "convert/blocking.h"
#include "core/path.h"
#include "jwk/jwkdata.h"
#include "jws/jwsdata.h"
#include "render/figuredrawing.h"
#include "render/viewport.h"

#include <cmath>
#include <cstdio>
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
    const char *key;   // for --json
    const char *label; // for people
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
    struct Block {
        std::u16string name;
        std::uint32_t number;
        std::int32_t members;
        bool referenced;
    };
    std::vector<Block> blocks;
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

std::optional<Info> inspect(const std::u16string &file, std::string &error)
{
    Info info;
    info.file = file;
    const std::u16string ext = FileExtLower(file);
    if (ext != u".jws" && ext != u".jwk") {
        error = "ファイル拡張子が不正です(※JWK/JWSのみ対応)";
        return std::nullopt;
    }
    if (!RegularFileExistsSafe(file)) {
        error = "ファイルが存在しません";
        return std::nullopt;
    }
    if (ext == u".jws") {
        TJwsData d;
        const TJwsData::LoadResult loaded = d.Load(file);
        if (loaded == TJwsData::LoadResult::NotJws) {
            error = "ファイルデータ内容が不正です";
            return std::nullopt;
        }
        info.kind = "jws";
        info.complete = loaded == TJwsData::LoadResult::Complete;
        info.problem = d.problem().empty() ? "" : d.problem().text();
        d.GetMinMaxZahyo();
        info.version = d.Enthd.jwVer;
        info.baseX = d.Enthd.BasePoint_x;
        info.baseY = d.Enthd.BasePoint_y;
        info.counts = {{"lines", "線", d.EntLineN()},
                       {"arcs", "円弧", d.EntEnkoN()},
                       {"points", "点", d.EntTenN()},
                       {"texts", "文字", d.EntMojiN()},
                       {"dimensions", "寸法", d.EntSunpoN()},
                       {"solids", "ソリッド", d.EntSolidN()},
                       {"blockReferences", "ブロック", d.EntBlockN()}};
        for (const TEntJwwBlockDef &def : d.EntBlockDef)
            info.blocks.push_back(
                {UserBlockName(def.strName), def.nNumber, members(def), def.ref_flag});
        info.minX = d.myMinWx, info.minY = d.myMinWy, info.maxX = d.myMaxWx, info.maxY = d.myMaxWy;
    } else {
        if (!TJwkData::FileCheck(file)) {
            error = "ファイルデータ内容が不正です";
            return std::nullopt;
        }
        TJwkData k;
        info.kind = "jwk";
        info.complete = k.FileIn(file);
        info.problem = k.problem().empty() ? "" : k.problem().text();
        k.GetMinMaxZahyo();
        info.scale = k.Enthd.scale;
        info.counts = {{"lines", "線", k.Enthd.lineCount},
                       {"arcs", "円弧", k.Enthd.arcCount},
                       {"points", "点", k.Enthd.tenCount},
                       {"texts", "文字", k.Enthd.mojiCount}};
        info.minX = k.myMinWx, info.minY = k.myMinWy, info.maxX = k.myMaxWx, info.maxY = k.myMaxWy;
    }
    PictureSize(LoadFigureDrawing(file).drawing.viewBox, kPictureSide, info.pictureWidth,
                info.pictureHeight);
    return info;
}

void printText(const Info &i, std::ostream &out)
{
    out << ToUtf8(i.file) << "\n";
    if (i.kind == "jws")
        out << "  種類: JWS (バージョン " << i.version << ")\n";
    else
        out << "  種類: JWK (縮尺 1/" << number(i.scale) << ")\n";
    if (!i.complete)
        out << "  ファイルデータが欠落しています(データ変換は行われます): " << i.problem << "\n";
    out << "  基点: (" << number(i.baseX) << ", " << number(i.baseY) << ")\n";
    out << "  図形数:";
    for (const Count &c : i.counts)
        out << " " << c.label << " " << c.n;
    out << "\n";
    if (i.kind == "jws") {
        out << "  ブロック図形定義数: " << i.blocks.size() << "\n";
        for (const Info::Block &b : i.blocks)
            out << "    " << ToUtf8(b.name) << "  番号 " << b.number << "  要素 " << b.members
                << "  " << (b.referenced ? "参照あり" : "参照なし") << "\n";
    }
    out << "  範囲: (" << number(i.minX) << ", " << number(i.minY) << ") - (" << number(i.maxX)
        << ", " << number(i.maxY) << ")\n";
    out << "  画像: " << i.pictureWidth << " × " << i.pictureHeight << " px (render の既定)\n";
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
        for (std::size_t k = 0; k < i.blocks.size(); ++k) {
            const Info::Block &b = i.blocks[k];
            out << (k ? "," : "") << "{\"name\":" << jsonString(b.name)
                << ",\"number\":" << b.number << ",\"members\":" << b.members
                << ",\"referenced\":" << (b.referenced ? "true" : "false") << "}";
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
            err << "pravelot-cli info: unknown option " << a << "\n";
            return 2;
        } else
            files.push_back(FromUtf8(a));
    }
    if (files.empty()) {
        err << "pravelot-cli info: no files given (see --help)\n";
        return 2;
    }
    ResetJwcDefaults();
    ResetJwwDefaults();
    int status = 0;
    if (json)
        out << "[";
    bool first = true;
    for (const std::u16string &f : files) {
        std::string error;
        std::optional<Info> info;
        try {
            info = inspect(f, error);
        } catch (const std::bad_alloc &) {
            error = "メモリ不足のため読み込めません";
        }
        if (!info) {
            err << ToUtf8(f) << " -- " << error << "\n";
            status = 1;
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
