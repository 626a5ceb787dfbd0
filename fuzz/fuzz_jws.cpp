// The whole conversion of a .jws file in memory: read, extents, blocking, write, and the
// output read back. The conversion stays within its memory bound; any output reads back
// completely, with every entity and every definition that was written, no written
// definition reaching itself, and so does a second round.

#include "convert/blocking.h"
#include "heapmeter.h"
#include "hostiledoc.h"
#include "jws/jwsdata.h"
#include "jws/jwsreader.h"
#include "jws/jwswriter.h"

#include <cstdlib>

using namespace pravelot;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void roundTrip(TJwsData &doc, TJwsData &back)
{
    doc.SetFileOutOption(doc.MojiEncode ? 32 : 0);
    JwsReading r = readJws(writeJws(doc, {doc.Enthd.jwVer}));
    check(r.complete());
    back = std::move(r.doc);
    check(back.EntBlockDefN() == doc.EntBlockNum);
    check(!fuzz::someDefinitionReachesItself(back));
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
    if (!FileCheck(std::span(data, size)))
        return 0;
    fuzz::resetHeapPeak();
    const std::size_t base = fuzz::heapInUse();
    TJwsData doc = readJws(std::span(data, size)).doc;
    doc.GetMinMaxZahyo();
    DataTransJWS(doc, u"fuzz");
    // What pravelot-cli convert and info hold: at most twice the file and 64 MB.
    check(fuzz::heapPeak() - base <= 2 * size + (std::size_t{64} << 20));
    TJwsData back, again;
    roundTrip(doc, back);
    roundTrip(back, again);
    check(sameCounts(back, again));
    return 0;
}
