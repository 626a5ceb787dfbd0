#include "render/figuredrawing.h"

#include "convert/converter.h"
#include "convert/datacheck.h"
#include "core/path.h"
#include "jwk/jwkdata.h"
#include "jwk/jwtrans.h"
#include "jws/jwsdata.h"

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

Drawing makeJwkDrawing(TJwkData &jwk, const std::atomic<bool> *cancel, DrawingKeep keep)
{
    TJwsData header;
    TJwTrans trans;
    setJwkConversionSettings(trans);
    trans.P_JWK = &jwk;
    trans.P_JWS = &header;
    trans.resetJwsDocument();
    return makeDrawing(
        header, [&trans](EntitySink &sink) { trans.translate(sink); }, cancel, keep);
}

FigureDrawing loadFigureDrawing(const std::u16string &file, const std::atomic<bool> *cancel,
                                DrawingKeep keep)
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
        TJwsData doc;
        const TJwsData::LoadResult r = doc.load(file, TJwsData::MembersKept::Drawn);
        if (r == TJwsData::LoadResult::NotJws)
            return notRead();
        f.kind = u"JWS";
        f.version = doc.Enthd.jwVer;
        f.drawing = makeDrawing(doc, cancel, keep);
        tell(f, r == TJwsData::LoadResult::Complete, doc.problem());
        return f;
    }
    if (!TJwkData::FileCheck(file))
        return notRead();
    TJwkData jwk;
    const bool complete = jwk.FileIn(file);
    f.kind = u"JWK";
    f.drawing = makeJwkDrawing(jwk, cancel, keep);
    tell(f, complete, jwk.problem());
    return f;
}

} // namespace pravelot
