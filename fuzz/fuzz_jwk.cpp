// A .jwk file read, measured, translated, blocked and written in memory: the reading
// stays within its memory bound, and the output reads back completely with every text.

#include "convert/blocking.h"
#include "convert/converter.h"
#include "heapmeter.h"
#include "jwk/jwkdata.h"
#include "jwk/jwtrans.h"
#include "jws/jwsdata.h"
#include "jws/jwsreader.h"
#include "jws/jwswriter.h"

#include <cstdlib>

using namespace pravelot;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static TJwTrans trans; // the curve-group counter goes on from input to input, as in a run
    if (!TJwkData::FileCheckBytes(std::span(data, size)))
        return 0;
    fuzz::resetHeapPeak();
    const std::size_t base = fuzz::heapInUse();
    TJwkData jwk;
    jwk.FileInBytes(std::span(data, size));
    jwk.GetMinMaxZahyo();
    if (fuzz::heapPeak() - base > 2 * size + (std::size_t{64} << 20))
        std::abort();
    TJwsData jws;
    translateJwk(trans, jwk, jws);
    const std::size_t texts = jws.EntMoji.size();
    DataTransJWS(jws, u"fuzz");
    jws.SetFileOutOption(0);
    const JwsReading back = readJws(writeJws(jws, {jws.Enthd.jwVer}));
    if (!back.complete())
        std::abort();
    if (back.doc.EntBlockDefN() == 1 && back.doc.EntBlockDef[0].mMoji().size() != texts)
        std::abort();
    return 0;
}
