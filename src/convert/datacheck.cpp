#include "convert/datacheck.h"

#include "convert/blocking.h"
#include "core/numeric.h"
#include "core/path.h"

#include <functional>
#include <new>
#include <string>

namespace pravelot {

namespace {

// The check before a run names a bad extension without the kinds that are taken.
constexpr std::u16string_view kBadExtensionShort = u"ファイル拡張子が不正です";
constexpr std::u16string_view kOneBlock = u"既に1つのブロックです(ブロック名は使われません)";
constexpr std::u16string_view kOutOfMemoryAgain = u"(変換時に再度読み込みます)";

FigureProblem problemOf(TJwsData::LoadResult loaded)
{
    switch (loaded) {
    case TJwsData::LoadResult::NotJws:
        return FigureProblem::NotFigure;
    case TJwsData::LoadResult::Incomplete:
        return FigureProblem::Incomplete;
    case TJwsData::LoadResult::Complete:
        break;
    }
    return FigureProblem::None;
}

bool isJwk(const std::u16string &file) { return FileExtLower(file) == u".jwk"; }

} // namespace

std::u16string_view figureProblemText(FigureProblem problem)
{
    switch (problem) {
    case FigureProblem::BadExtension:
        return u"ファイル拡張子が不正です(※JWK/JWSのみ対応)";
    case FigureProblem::Missing:
        return u"ファイルが存在しません";
    case FigureProblem::NotFigure:
        return u"ファイルデータ内容が不正です";
    case FigureProblem::Incomplete:
        return kIncompleteWarning.substr(4);
    case FigureProblem::None:
        break;
    }
    return {};
}

FigureProblem precheckFigure(const std::u16string &file)
{
    const std::u16string ext = FileExtLower(file);
    if (ext != u".jwk" && ext != u".jws")
        return FigureProblem::BadExtension;
    // Only a regular file can be a source: a folder, a pipe or a device is missing.
    if (!regularFileExistsSafe(file))
        return FigureProblem::Missing;
    return FigureProblem::None;
}

bool isBlankCell(std::u16string_view file)
{
    for (char16_t c : file)
        if (c != u' ' && c != u'\u3000' && c >= 0x20)
            return false;
    return true;
}

namespace {

// What the check found in one row.
struct RowCheck {
    FigureProblem problem = FigureProblem::None;
    // The file read whole is already one block, or its block name is taken in it.
    bool oneBlock = false;
    bool nameInUse = false;
    // The file was read and may be kept for the conversion.
    bool read = false;
};

// Reads the file of a row that passed precheckFigure through the converter, which may
// keep it for the conversion.
RowCheck checkRow(const SourceRow &row, Converter &conv)
{
    RowCheck c;
    c.read = true;
    if (isJwk(row.file)) {
        if (!TJwkData::FileCheck(row.file))
            c.problem = FigureProblem::NotFigure;
        else if (!conv.loadJwkForCheck(row.file))
            c.problem = FigureProblem::Incomplete;
        return c;
    }
    c.problem = problemOf(conv.loadJwsForCheck(row.file));
    if (c.problem != FigureProblem::None)
        return c;
    // A figure that is already one block is written as it is: no block of the row's
    // name is added, so that name cannot clash, and it is not used.
    c.oneBlock = nothingToGather(conv.JWS);
    for (const TEntJwwBlockDef &d : conv.JWS.EntBlockDef)
        c.nameInUse = c.nameInUse || (!c.oneBlock && userBlockName(d.strName) == row.name);
    return c;
}

// What the check found in one row, to be marked in the outcome.
struct RowFindings {
    bool error = false;
    bool warning = false;
    bool nameInUse = false;
};

// Appends the row's line, if any, and tells what it found.
RowFindings reportRow(const SourceRow &row, const RowCheck &c,
                      const std::function<void(const std::u16string &)> &line)
{
    const std::u16string &file = row.file;
    switch (c.problem) {
    case FigureProblem::BadExtension:
        line(file + u" -- " + std::u16string(kBadExtensionShort));
        return {true};
    case FigureProblem::Missing:
    case FigureProblem::NotFigure:
        line(file + u" -- " + std::u16string(figureProblemText(c.problem)));
        return {true};
    case FigureProblem::Incomplete:
        line(file + std::u16string(kIncompleteWarning));
        return {false, true};
    case FigureProblem::None:
        break;
    }
    if (c.oneBlock) {
        line(file + u" -- " + std::u16string(kOneBlock));
        return {false, true};
    }
    if (c.nameInUse) {
        line(file + u" ブロック名【" + row.name + u"】は既に図形ファイル内で使用済です");
        return {true, false, true};
    }
    return {};
}

void mark(CheckOutcome &out, std::size_t row, const RowFindings &f)
{
    if (f.error) {
        out.error = true;
        out.errorRows.push_back(row);
    }
    if (f.warning) {
        out.warning = true;
        out.warningRows.push_back(row);
    }
    out.nameInUse = out.nameInUse || f.nameInUse;
}

} // namespace

CheckOutcome DataCheck(std::span<const SourceRow> rows, Converter &conv, RunHost &host)
{
    CheckOutcome out;
    auto line = [&](const std::u16string &text) { host.appendCheckLine(text, true); };
    int done = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const SourceRow &row = rows[r];
        host.progress(done++, static_cast<int>(rows.size()));
        if (host.escapePressed()) {
            out.interrupted = true;
            break;
        }
        if (isBlankCell(row.file))
            continue;
        if (const FigureProblem p = precheckFigure(row.file); p != FigureProblem::None) {
            mark(out, r, reportRow(row, RowCheck{p}, line));
            continue;
        }
        bool keep = false;
        try {
            const RowCheck c = checkRow(row, conv);
            mark(out, r, reportRow(row, c, line));
            keep = c.read;
        } catch (const std::bad_alloc &) {
            // Running out of memory says nothing about the file: the conversion reads it
            // again, and fails on its own if memory is still short.
            conv.keepForConversion(false);
            line(row.file + u" -- " + std::u16string(kOutOfMemoryText) +
                 std::u16string(kOutOfMemoryAgain));
            mark(out, r, {false, true});
        }
        // Nothing of a checked file stays, but for the last row's: a run of one file
        // then converts it without reading it again.
        conv.keepForConversion(keep && r + 1 == rows.size() && !out.error);
        host.processEvents();
    }
    host.progress(done, static_cast<int>(rows.size()));
    return out;
}

std::u16string checkStatusText(const CheckOutcome &outcome, int rowCount)
{
    if (outcome.interrupted)
        return u"変換チェック～変換を中断しました(ESC)";
    if (outcome.error)
        return u"エラー発生のため変換は行われません。確認して下さい(" + IntToText(rowCount) + u")";
    return u"変換チェック完了(" + IntToText(rowCount) + u")";
}

namespace {

// The listing of one figure file that is there, by its extension. Every line but a
// marked one is indented.
void listBlocks(const std::u16string &fn, std::span<const SourceRow> rows, Converter &conv,
                const std::function<void(const std::u16string &)> &append)
{
    auto line = [&](std::u16string_view text) { append(u"　" + std::u16string(text)); };
    if (isJwk(fn)) {
        if (!TJwkData::FileCheck(fn))
            line(figureProblemText(FigureProblem::NotFigure));
        else if (conv.JWK.FileIn(fn))
            line(u"JWKファイルにブロック図形は存在しません");
        else
            line(figureProblemText(FigureProblem::Incomplete));
        return;
    }
    const FigureProblem problem = problemOf(conv.JWS.load(fn));
    if (problem != FigureProblem::None)
        line(figureProblemText(problem));
    if (problem == FigureProblem::NotFigure)
        return;
    line(u"ブロック図形定義数：" + IntToText(conv.JWS.EntBlockDefN()));
    for (const TEntJwwBlockDef &d : conv.JWS.EntBlockDef) {
        const std::u16string user = userBlockName(d.strName);
        bool clash = false;
        for (const SourceRow &r : rows)
            clash = clash || r.name == user;
        if (clash)
            append(u"◆ブロック名：" + user);
        else
            line(u"ブロック名：" + user);
    }
}

} // namespace

void Data1Check(const std::u16string &fn, std::span<const SourceRow> rows, Converter &conv,
                RunHost &host)
{
    auto append = [&](const std::u16string &text) { host.appendCheckLine(text, false); };
    append(u"ファイル名：" + fn);
    if (const FigureProblem problem = precheckFigure(fn); problem != FigureProblem::None) {
        append(u"　" + std::u16string(figureProblemText(problem)));
        return;
    }
    try {
        listBlocks(fn, rows, conv, append);
    } catch (const std::bad_alloc &) {
        append(u"　" + std::u16string(kOutOfMemoryText));
    }
    conv.JWK.DataFree();
    conv.JWS.DataFree();
}

namespace {

void inspectJws(const std::u16string &file, FigureInspection &info)
{
    info.jws = std::make_unique<TJwsData>();
    TJwsData &d = *info.jws;
    info.problem = problemOf(d.load(file));
    if (info.problem == FigureProblem::NotFigure) {
        info.jws.reset();
        return;
    }
    info.detail = d.problem().empty() ? "" : d.problem().text();
    d.GetMinMaxZahyo();
    info.version = d.Enthd.jwVer;
    info.baseX = d.Enthd.BasePoint_x;
    info.baseY = d.Enthd.BasePoint_y;
    using K = EntityCount::Kind;
    info.counts = {{K::Lines, d.EntLineN()},           {K::Arcs, d.EntEnkoN()},
                   {K::Points, d.EntTenN()},           {K::Texts, d.EntMojiN()},
                   {K::Dimensions, d.EntSunpoN()},     {K::Solids, d.EntSolidN()},
                   {K::BlockReferences, d.EntBlockN()}};
    info.minX = d.myMinWx;
    info.minY = d.myMinWy;
    info.maxX = d.myMaxWx;
    info.maxY = d.myMaxWy;
}

void inspectJwk(const std::u16string &file, FigureInspection &info)
{
    info.jwk = true;
    if (!TJwkData::FileCheck(file)) {
        info.problem = FigureProblem::NotFigure;
        return;
    }
    info.jwkDocument = std::make_unique<TJwkData>();
    TJwkData &k = *info.jwkDocument;
    info.problem = k.FileIn(file) ? FigureProblem::None : FigureProblem::Incomplete;
    info.detail = k.problem().empty() ? "" : k.problem().text();
    k.GetMinMaxZahyo();
    info.scale = k.Enthd.scale;
    using K = EntityCount::Kind;
    info.counts = {{K::Lines, k.Enthd.lineCount},
                   {K::Arcs, k.Enthd.arcCount},
                   {K::Points, k.Enthd.tenCount},
                   {K::Texts, k.Enthd.mojiCount}};
    info.minX = k.myMinWx;
    info.minY = k.myMinWy;
    info.maxX = k.myMaxWx;
    info.maxY = k.myMaxWy;
}

} // namespace

FigureInspection inspectFigure(const std::u16string &file)
{
    FigureInspection info;
    info.problem = precheckFigure(file);
    if (info.problem != FigureProblem::None)
        return info;
    if (isJwk(file))
        inspectJwk(file, info);
    else
        inspectJws(file, info);
    return info;
}

std::int32_t countMembers(const TEntJwwBlockDef &d)
{
    return d.mLineN() + d.mEnkoN() + d.mTenN() + d.mMojiN() + d.mSunpoN() + d.mSolidN() +
           d.mBlockN();
}

} // namespace pravelot
