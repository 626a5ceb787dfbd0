#include "convert/datacheck.h"

#include "convert/blocking.h"
#include "convert/conversionpool.h"
#include "core/file.h"
#include "core/numeric.h"
#include "core/path.h"

#include <deque>
#include <functional>
#include <future>
#include <new>
#include <optional>
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
    case FigureProblem::Unreadable:
        return u"ファイルを読み込めません";
    case FigureProblem::NotFigure:
        return u"ファイルデータ内容が不正です";
    case FigureProblem::Incomplete:
        return kIncompleteWarning.substr(4);
    case FigureProblem::None:
        break;
    }
    return {};
}

std::u16string figureProblemLine(FigureProblem problem, const std::error_code &reason)
{
    std::u16string line(figureProblemText(problem));
    if (reason &&
        !(problem == FigureProblem::Missing && reason == std::errc::no_such_file_or_directory))
        line += u"(" + reasonInJapanese(reason) + u")";
    return line;
}

namespace {

// A reason that means nothing stands at the name (or at one of its folders).
bool meansMissing(const std::error_code &e)
{
    return e == std::errc::no_such_file_or_directory || e == std::errc::not_a_directory ||
           e == std::errc::is_a_directory || e == std::errc::too_many_symbolic_link_levels ||
           e == std::errc::filename_too_long;
}

} // namespace

FigureProblem precheckFigure(const std::u16string &file, std::error_code *reason)
{
    const std::u16string ext = FileExtLower(file);
    if (ext != u".jwk" && ext != u".jws")
        return FigureProblem::BadExtension;
    // Only a regular file can be a source: a folder is no file, and a pipe or a device is
    // never read.
    const std::error_code e = checkRegularFile(file);
    if (reason)
        *reason = e;
    if (!e)
        return FigureProblem::None;
    return meansMissing(e) ? FigureProblem::Missing : FigureProblem::Unreadable;
}

FigureProblem notReadProblem(const std::u16string &file, std::error_code &reason)
{
    if (InputFile::open(file, reason))
        reason.clear();
    if (!reason)
        return FigureProblem::NotFigure;
    return meansMissing(reason) ? FigureProblem::Missing : FigureProblem::Unreadable;
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
    std::error_code reason;
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
            c.problem = notReadProblem(row.file, c.reason);
        else if (!conv.loadJwkForCheck(row.file))
            c.problem = FigureProblem::Incomplete;
        if (c.problem == FigureProblem::None || c.problem == FigureProblem::Incomplete)
            checkName(row, nullptr, false, c);
        return c;
    }
    c.problem = problemOf(conv.loadJwsForCheck(row.file));
    if (c.problem == FigureProblem::NotFigure) {
        c.problem = notReadProblem(row.file, c.reason);
        return c;
    }
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
    case FigureProblem::Unreadable:
    case FigureProblem::NotFigure:
        line(file + u" -- " + figureProblemLine(c.problem, c.reason));
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

namespace {

// The check of one row: what precheckFigure tells, else what reading it tells.
RowCheck checkOneRow(const SourceRow &row, Converter &conv)
{
    RowCheck c;
    c.problem = precheckFigure(row.file, &c.reason);
    if (c.problem == FigureProblem::None)
        c = checkRow(row, conv);
    return c;
}

// Rows read on worker threads ahead of the row being told, each with a converter of its
// own that keeps nothing; the last row is read by the caller's converter, which may keep
// it for the conversion. What is read ahead is bounded: a few rows for each thread.
class CheckAhead {
public:
    CheckAhead(std::span<const SourceRow> rows, Converter &conv)
        : m_rows(rows), m_pool(rows.size() > 2 ? ConversionPool::defaultWorkers() : 0, conv),
          m_window(rows.size() > 2 ? 4 * ConversionPool::defaultWorkers() : 0)
    {
    }
    ~CheckAhead() { m_pool.dropQueued(); }
    CheckAhead(const CheckAhead &) = delete;
    CheckAhead &operator=(const CheckAhead &) = delete;

    // The check of row r (not blank, not the last); nullopt when memory ran out.
    std::optional<RowCheck> take(std::size_t r)
    {
        for (; m_next < m_rows.size() && m_next < r + 1 + m_window; ++m_next)
            if (m_next + 1 < m_rows.size() && !isBlankCell(m_rows[m_next].file))
                m_ahead.push_back(m_pool.submit<std::optional<RowCheck>>(
                    [&row = m_rows[m_next]](Converter &c) -> std::optional<RowCheck> {
                        try {
                            c.setKeepsChecked(false);
                            RowCheck rc = checkOneRow(row, c);
                            c.keepForConversion(false);
                            return rc;
                        } catch (const std::bad_alloc &) {
                            c.keepForConversion(false);
                            return std::nullopt;
                        }
                    },
                    false));
        std::optional<RowCheck> c = m_ahead.front().get();
        m_ahead.pop_front();
        return c;
    }

private:
    std::span<const SourceRow> m_rows;
    std::deque<std::future<std::optional<RowCheck>>> m_ahead;
    std::size_t m_next = 0;
    ConversionPool m_pool;
    std::size_t m_window;
};

// The check of row r, and whether it was read (and may be kept); nullopt when memory
// ran out.
std::optional<RowCheck> checkInTurn(std::span<const SourceRow> rows, std::size_t r, Converter &conv,
                                    CheckAhead &ahead)
{
    if (r + 1 < rows.size())
        return ahead.take(r);
    try {
        return checkOneRow(rows[r], conv);
    } catch (const std::bad_alloc &) {
        return std::nullopt;
    }
}

} // namespace

CheckOutcome DataCheck(std::span<const SourceRow> rows, Converter &conv, RunHost &host)
{
    CheckOutcome out;
    auto line = [&](const std::u16string &text) { host.appendCheckLine(text, true); };
    CheckAhead ahead(rows, conv);
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
        const std::optional<RowCheck> c = checkInTurn(rows, r, conv, ahead);
        if (c) {
            mark(out, r, reportRow(row, *c, line));
        } else {
            // Running out of memory says nothing about the file: the conversion reads it
            // again, and fails on its own if memory is still short.
            line(row.file + u" -- " + std::u16string(kOutOfMemoryText) +
                 std::u16string(kOutOfMemoryAgain));
            mark(out, r, {false, true});
        }
        // Nothing of a checked file stays, but for the last row's: a run of one file
        // then converts it without reading it again.
        conv.keepForConversion(c && c->read && r + 1 == rows.size() && !out.error);
        // A window repaints after each file read.
        if (!c || c->read)
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
    std::error_code reason;
    if (isJwk(fn)) {
        if (!TJwkData::FileCheck(fn))
            line(figureProblemLine(notReadProblem(fn, reason), reason));
        else if (conv.JWK.FileIn(fn))
            line(u"JWKファイルにブロック図形は存在しません");
        else
            line(figureProblemText(FigureProblem::Incomplete));
        return;
    }
    const JwsReading read = readJwsFile(fn);
    const FigureProblem problem = problemOf(read.status);
    if (problem == FigureProblem::NotFigure) {
        line(figureProblemLine(notReadProblem(fn, reason), reason));
        return;
    }
    if (problem != FigureProblem::None)
        line(figureProblemText(problem));
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
    std::error_code reason;
    if (const FigureProblem problem = precheckFigure(fn, &reason); problem != FigureProblem::None) {
        append(u"　" + figureProblemLine(problem, reason));
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
    if (info.problem == FigureProblem::NotFigure) {
        info.problem = notReadProblem(file, info.reason);
        return;
    }
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
        info.problem = notReadProblem(file, info.reason);
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
    info.problem = precheckFigure(file, &info.reason);
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
