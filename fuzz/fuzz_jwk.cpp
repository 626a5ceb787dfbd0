// A .jwk file read, measured, translated, blocked and written in memory; the output
// must read back completely.

#include "convert/blocking.h"
#include "convert/converter.h"
#include "jwk/jwkdata.h"
#include "jwk/jwtrans.h"
#include "jws/jwsdata.h"

#include <cstdlib>

using namespace pravelot;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static TJwTrans trans; // the curve-group counter goes on from input to input, as in a run
    if (!TJwkData::FileCheckBytes(std::span(data, size)))
        return 0;
    TJwkData jwk;
    jwk.FileInBytes(std::span(data, size));
    TJwsData jws;
    TranslateJwk(trans, jwk, jws);
    DataTransJWS(jws, u"fuzz");
    jws.SetFileOutOption(0);
    TJwsData back;
    if (!back.FileInBytes(jws.FileOutBytes(jws.Enthd.jwVer)))
        std::abort();
    return 0;
}
