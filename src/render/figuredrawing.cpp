#include "render/figuredrawing.h"

#include "convert/converter.h"
#include "convert/datacheck.h"
#include "core/numeric.h"
#include "core/path.h"
#include "jwk/jwkdata.h"
#include "jwk/jwtrans.h"
#include "jws/jwsdata.h"
#include "jws/jwsreader.h"

namespace pravelot {

namespace {

FigureDrawing unreadable(std::u16string message)
{
    FigureDrawing f;
    f.message = std::move(message);
    return f;
}

void tell(FigureDrawing &f, bool complete, const ReadProblem &problem)
{
    f.status = complete ? FigureDrawing::Status::Drawn : FigureDrawing::Status::Incomplete;
    if (!complete) {
        f.message = u"ファイルデータが欠落しています(読めた部分を表示しています)";
        f.detail = problem.text();
    }
}

} // namespace

std::u16string drawingCutNote(DrawingCut cut)
{
    switch (cut) {
    case DrawingCut::Primitives:
        return u"図形の要素が多すぎるため、最初の" +
               IntToText(static_cast<std::int32_t>(kDrawingBudget)) + u"個のみ表示しています";
    case DrawingCut::Instances:
        return u"ブロックの入れ子が深すぎるため、配置の最初の" +
               IntToText(TJwsData::kBlockTreeCeiling) + u"個のみ表示しています";
    case DrawingCut::None:
        break;
    }
    return {};
}

Drawing makeJwkDrawing(TJwkData &jwk, const std::atomic<bool> *cancel, DrawingKeep keep,
                       PrimitiveSink *sink)
{
    TJwsData header;
    TJwTrans trans;
    setJwkConversionSettings(trans);
    trans.P_JWK = &jwk;
    trans.P_JWS = &header;
    trans.resetJwsDocument();
    return makeDrawing(
        header, [&trans](EntitySink &s) { trans.translate(s); }, cancel, keep, sink);
}

FigureDrawing readFigure(const std::u16string &file,
                         const std::function<void(const FigureDrawer &)> &draw,
                         const std::atomic<bool> *cancel)
{
    std::error_code reason;
    if (const FigureProblem p = precheckFigure(file, &reason); p != FigureProblem::None)
        return unreadable(figureProblemLine(p, reason));
    // Why a file that is there did not read: the system's reason, or its content.
    auto notRead = [&] {
        const FigureProblem p = notReadProblem(file, reason);
        return unreadable(figureProblemLine(p, reason));
    };
    FigureDrawing f;
    if (FileExtLower(file) == u".jws") {
        const JwsReading r = readJwsFile(file, {JwsMembers::Drawn});
        if (r.status == JwsReadStatus::NotJws)
            return notRead();
        f.kind = u"JWS";
        f.version = r.doc.Enthd.jwVer;
        draw([&](DrawingKeep keep, PrimitiveSink *sink) {
            return sink ? makeDrawing(r.doc, *sink) : makeDrawing(r.doc, cancel, keep);
        });
        tell(f, r.complete(), r.problem);
        return f;
    }
    if (!TJwkData::FileCheck(file))
        return notRead();
    TJwkData jwk;
    const bool complete = jwk.FileIn(file);
    f.kind = u"JWK";
    draw([&](DrawingKeep keep, PrimitiveSink *sink) {
        return makeJwkDrawing(jwk, cancel, sink ? DrawingKeep::FrameOnly : keep, sink);
    });
    tell(f, complete, jwk.problem());
    return f;
}

FigureDrawing loadFigureDrawing(const std::u16string &file, const std::atomic<bool> *cancel,
                                DrawingKeep keep)
{
    Drawing drawing;
    FigureDrawing f = readFigure(
        file, [&](const FigureDrawer &draw) { drawing = draw(keep, nullptr); }, cancel);
    f.drawing = std::move(drawing);
    return f;
}

} // namespace pravelot
