#include "convert/datacheck.h"

#include "convert/blocking.h"
#include "core/numeric.h"
#include "core/path.h"

#include <functional>
#include <new>
#include <string>

namespace pravelot {

namespace {

const std::u16string kBadExtension = u" -- ファイル拡張子が不正です";
const std::u16string kMissing = u" -- ファイルが存在しません";
const std::u16string kInvalid = u" -- ファイルデータ内容が不正です";
const std::u16string kIncomplete(kIncompleteWarning);
const std::u16string kOneBlock = u" -- 既に1つのブロックです(ブロック名は使われません)";
const std::u16string kOutOfMemory = u" -- メモリ不足のため読み込めません(変換時に再度読み込みます)";

} // namespace

bool IsBlankCell(std::u16string_view file)
{
    for (char16_t c : file)
        if (c != u' ' && c != u'\u3000' && c >= 0x20)
            return false;
    return true;
}

CheckOutcome DataCheck(std::span<const SourceRow> rows, Converter &conv, RunHost &host)
{
    CheckOutcome out;
    auto line = [&](const std::u16string &text) { host.appendCheckLine(text, true); };
    int done = 0;
    for (const SourceRow &row : rows) {
        host.progress(done++, static_cast<int>(rows.size()));
        const bool lastRow = &row == &rows.back();
        if (host.escapePressed()) {
            out.interrupted = true;
            break;
        }
        const std::u16string &file = row.file;
        if (IsBlankCell(file))
            continue;
        const std::u16string ext = FileExtLower(file);
        if (ext != u".jwk" && ext != u".jws") {
            line(file + kBadExtension);
            out.error = true;
            continue;
        }
        // Only a regular file can be a source: a folder, a pipe or a device is missing.
        if (!RegularFileExistsSafe(file)) {
            line(file + kMissing);
            out.error = true;
            continue;
        }
        bool keep = false;
        try {
            if (ext == u".jwk") {
                if (!TJwkData::FileCheck(file)) {
                    line(file + kInvalid);
                    out.error = true;
                } else if (!conv.loadJwkForCheck(file)) {
                    line(file + kIncomplete);
                    out.warning = true;
                }
                keep = true;
            } else {
                switch (conv.loadJwsForCheck(file)) {
                case TJwsData::LoadResult::NotJws:
                    line(file + kInvalid);
                    out.error = true;
                    break;
                case TJwsData::LoadResult::Incomplete:
                    line(file + kIncomplete);
                    out.warning = true;
                    break;
                case TJwsData::LoadResult::Complete:
                    // A figure that is already one block is written as it is: no block of
                    // the row's name is added, so that name cannot clash, and it is not used.
                    if (NothingToGather(conv.JWS)) {
                        line(file + kOneBlock);
                        out.warning = true;
                        break;
                    }
                    for (const TEntJwwBlockDef &d : conv.JWS.EntBlockDef) {
                        if (UserBlockName(d.strName) == row.name) {
                            line(file + u" ブロック名【" + row.name +
                                 u"】は既に図形ファイル内で使用済です");
                            out.error = true;
                            out.nameInUse = true;
                            break;
                        }
                    }
                    break;
                }
                keep = true;
            }
        } catch (const std::bad_alloc &) {
            // Running out of memory says nothing about the file: the conversion reads it
            // again, and fails on its own if memory is still short.
            conv.keepForConversion(false);
            line(file + kOutOfMemory);
            out.warning = true;
            keep = false;
        }
        // Nothing of a checked file stays, but for the last row's: a run of one file
        // then converts it without reading it again.
        conv.keepForConversion(keep && lastRow && !out.error);
        host.processEvents();
    }
    host.progress(done, static_cast<int>(rows.size()));
    return out;
}

std::u16string CheckStatusText(const CheckOutcome &outcome, int rowCount)
{
    if (outcome.interrupted)
        return u"変換チェック～変換を中断しました(ESC)";
    if (outcome.error)
        return u"エラー発生のため変換は行われません。確認して下さい(" + IntToText(rowCount) + u")";
    return u"変換チェック完了(" + IntToText(rowCount) + u")";
}

namespace {

// The listing of one figure file that is there, by its extension.
void listBlocks(const std::u16string &fn, const std::u16string &ext,
                std::span<const SourceRow> rows, Converter &conv,
                const std::function<void(const std::u16string &)> &line)
{
    if (ext == u".jwk") {
        if (!TJwkData::FileCheck(fn))
            line(u"　ファイルデータ内容が不正です");
        else if (conv.JWK.FileIn(fn))
            line(u"　JWKファイルにブロック図形は存在しません");
        else
            line(u"　ファイルデータが欠落しています(データ変換は行われます)");
        return;
    }
    const TJwsData::LoadResult loaded = conv.JWS.Load(fn);
    if (loaded == TJwsData::LoadResult::NotJws) {
        line(u"　ファイルデータ内容が不正です");
        return;
    }
    if (loaded == TJwsData::LoadResult::Incomplete)
        line(u"　ファイルデータが欠落しています(データ変換は行われます)");
    line(u"　ブロック図形定義数：" + IntToText(conv.JWS.EntBlockDefN()));
    for (const TEntJwwBlockDef &d : conv.JWS.EntBlockDef) {
        const std::u16string user = UserBlockName(d.strName);
        bool clash = false;
        for (const SourceRow &r : rows)
            clash = clash || r.name == user;
        line((clash ? u"◆" : u"　") + (u"ブロック名：" + user));
    }
}

} // namespace

void Data1Check(const std::u16string &fn, std::span<const SourceRow> rows, Converter &conv,
                RunHost &host)
{
    auto line = [&](const std::u16string &text) { host.appendCheckLine(text, false); };
    line(u"ファイル名：" + fn);
    const std::u16string ext = FileExtLower(fn);
    if (ext != u".jwk" && ext != u".jws") {
        line(u"　ファイル拡張子が不正です(※JWK/JWSのみ対応)");
        return;
    }
    if (!RegularFileExistsSafe(fn)) {
        line(u"　ファイルが存在しません");
        return;
    }
    try {
        listBlocks(fn, ext, rows, conv, line);
    } catch (const std::bad_alloc &) {
        line(u"　メモリ不足のため読み込めません");
    }
    conv.JWK.DataFree();
    conv.JWS.DataFree();
}

} // namespace pravelot
