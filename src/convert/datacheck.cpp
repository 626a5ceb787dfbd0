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

FigureProblem problemOf(JwsReadStatus status)
{
    switch (status) {
    case JwsReadStatus::NotJws:
        return FigureProblem::NotFigure;
    case JwsReadStatus::Incomplete:
        return FigureProblem::Incomplete;
    case JwsReadStatus::Complete:
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
    // The file read (whole or in part) is already one block: the name is not used.
    bool oneBlock = false;
    // The name is used: it was looked at as the output will store it.
    bool nameChecked = false;
    std::u16string storedName = {};
    bool nameInUse = false;
    // The file was read and may be kept for the conversion.
    bool read = false;
};

// The row's name as the output will store it (utf16: its strings are UTF-16), and, given
// the source's document, whether a definition there has it already.
void checkName(const SourceRow &row, const TJwsData *doc, bool utf16, RowCheck &c)
{
    c.nameChecked = true;
    c.storedName = storedUserName(row.name, utf16);
    c.nameInUse = doc && blockNameInUse(*doc, c.storedName);
}

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
        if (c.problem != FigureProblem::NotFigure)
            checkName(row, nullptr, false, c);
        return c;
    }
    c.problem = problemOf(conv.loadJwsForCheck(row.file));
    if (c.problem == FigureProblem::NotFigure)
        return c;
    // A figure that is already one block is written as it is: no block of the row's
    // name is added, so that name cannot clash, and it is not used. A file read in part
    // is converted as far as it was read, so its names count as well.
    c.oneBlock = nothingToGather(conv.JWS);
    if (!c.oneBlock)
        checkName(row, &conv.JWS, conv.JWS.MojiEncode, c);
    return c;
}

// What the check found in one row, to be marked in the outcome.
struct RowFindings {
    bool error = false;
    bool warning = false;
    bool nameInUse = false;
};

// Appends the lines about the row's block name.
void reportName(const SourceRow &row, const RowCheck &c, RowFindings &f,
                const std::function<void(const std::u16string &)> &line)
{
    if (blankBlockName(c.storedName)) {
        line(row.file + blockNameBlankText(row.name));
        f.error = true;
        return;
    }
    // Said whenever the name given is not the name stored: a character the code page
    // lacks, a control character, a name too long.
    if (c.storedName != userBlockName(row.name)) {
        line(row.file + blockNameChangedText(row.name, c.storedName));
        f.warning = true;
    }
    if (c.nameInUse) {
        line(row.file + blockNameInUseText(row.name));
        f.error = true;
        f.nameInUse = true;
    }
}

// Appends the row's lines, if any, and tells what they found.
RowFindings reportRow(const SourceRow &row, const RowCheck &c,
                      const std::function<void(const std::u16string &)> &line)
{
    const std::u16string &file = row.file;
    RowFindings f;
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
        f.warning = true;
        break;
    case FigureProblem::None:
        break;
    }
    if (c.oneBlock) {
        line(file + u" -- " + std::u16string(kOneBlock));
        f.warning = true;
    } else if (c.nameChecked) {
        reportName(row, c, f, line);
    }
    return f;
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
    const JwsReading read = readJwsFile(fn);
    const FigureProblem problem = problemOf(read.status);
    if (problem != FigureProblem::None)
        line(figureProblemText(problem));
    if (problem == FigureProblem::NotFigure)
        return;
    line(u"ブロック図形定義数：" + IntToText(read.doc.EntBlockDefN()));
    for (const TEntJwwBlockDef &d : read.doc.EntBlockDef) {
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
    JwsReading r = readJwsFile(file);
    info.problem = problemOf(r.status);
    if (info.problem == FigureProblem::NotFigure)
        return;
    info.jws = std::make_unique<TJwsData>(std::move(r.doc));
    TJwsData &d = *info.jws;
    info.detail = r.problem.empty() ? "" : r.problem.text();
    info.extentsCut = d.measureExtents(info.minX, info.minY, info.maxX, info.maxY);
    info.version = d.Enthd.jwVer;
    info.baseX = d.Enthd.BasePoint_x;
    info.baseY = d.Enthd.BasePoint_y;
    using K = EntityCount::Kind;
    info.counts = {{K::Lines, d.EntLineN()},           {K::Arcs, d.EntEnkoN()},
                   {K::Points, d.EntTenN()},           {K::Texts, d.EntMojiN()},
                   {K::Dimensions, d.EntSunpoN()},     {K::Solids, d.EntSolidN()},
                   {K::BlockReferences, d.EntBlockN()}};
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
