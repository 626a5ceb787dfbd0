// The whole conversion of a .jws file in memory: read, extents, blocking, write, and
// the output read back. Any output must read back completely, with every entity and
// every definition that was written, and so must a second round.

#include "convert/blocking.h"
#include "jws/jwsdata.h"

#include <cstdlib>

using namespace pravelot;

namespace {

void roundTrip(TJwsData &doc, TJwsData &back)
{
    doc.SetFileOutOption(doc.MojiEncode ? 32 : 0);
    if (!back.FileInBytes(doc.FileOutBytes(doc.Enthd.jwVer)))
        std::abort();
    if (back.EntBlockDefN() != doc.EntBlockNum)
        std::abort();
}

bool sameCounts(const TJwsData &a, const TJwsData &b)
{
    return a.Enthd.n1 == b.Enthd.n1 && a.EntLineN() == b.EntLineN() &&
           a.EntEnkoN() == b.EntEnkoN() && a.EntTenN() == b.EntTenN() &&
           a.EntMojiN() == b.EntMojiN() && a.EntSunpoN() == b.EntSunpoN() &&
           a.EntSolidN() == b.EntSolidN() && a.EntBlockN() == b.EntBlockN() &&
           a.EntBlockDefN() == b.EntBlockDefN();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (!TJwsData::FileCheckBytes(std::span(data, size)))
        return 0;
    TJwsData doc;
    doc.FileInBytes(std::span(data, size));
    doc.GetMinMaxZahyo();
    DataTransJWS(doc, u"fuzz");
    TJwsData back, again;
    roundTrip(doc, back);
    roundTrip(back, again);
    if (!sameCounts(back, again))
        std::abort();
    return 0;
}
