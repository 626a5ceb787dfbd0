// Structure-aware: the fuzzer's bytes choose a figure document (nested, shared, cyclic
// and dangling block references, duplicated numbers, long names; or a .jwk whose texts
// share pool strings) and the block name; the document is written as a file, and that
// file is converted as pravelot-cli converts it. Checked for every input: the conversion
// stays within its memory bound, the output reads back completely, no written definition
// reaches itself, every written definition is reached, the block name keeps its marker,
// and the drawing is the same.

#include "convert/blocking.h"
#include "convert/converter.h"
#include "heapmeter.h"
#include "hostiledoc.h"
#include "jws/jwswriter.h"
#include "support/drawing.h"

#include <cstdlib>

using namespace pravelot;

namespace {

// Long names, long pool strings and many texts, smaller than the property tests take
// them: the structure is what is fuzzed, and small documents make many more inputs a
// second.
constexpr fuzz::HostileSizes kSizes{64, 64, 8};

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// The bound of every conversion: twice the file's size and 64 MB.
void checkBound(std::size_t base, std::size_t fileSize)
{
    check(fuzz::heapPeak() - base <= 2 * fileSize + (std::size_t{64} << 20));
}

std::u16string blockName(fuzz::ByteChoices &c)
{
    switch (c.below(8)) {
    case 0:
        return u"";
    case 1: // too long for the file's string forms; rarer, as each costs as much as
            // a hundred small documents
        if (c.chance(8))
            return std::u16string(40000, c.chance(2) ? u'名' : u'a');
        return u"部品@@SfigorgFlag@@";
    case 2:
        return u"door@@sfigorgflag@@";
    default:
        return u"部品";
    }
}

void convertJws(fuzz::ByteChoices &c)
{
    TJwsData made = fuzz::hostileJws(c, kSizes);
    const std::u16string name = blockName(c);
    const Bytes file = writeJws(made, {made.Enthd.jwVer});

    const JwsReading reading = readJws(file);
    check(reading.complete());
    const TJwsData &read = reading.doc;
    const bool whole = read.EntBlockTreeN() < TJwsData::kBlockTreeCeiling - 1;
    const std::vector<test::Primitive> before =
        whole ? test::drawing(read) : std::vector<test::Primitive>{};

    fuzz::resetHeapPeak();
    const std::size_t base = fuzz::heapInUse();
    {
        TJwsData d = readJws(file).doc;
        d.GetMinMaxZahyo();
        DataTransJWS(d, name);
        checkBound(base, file.size());
        d.SetFileOutOption(d.MojiEncode ? 32 : 0);
        const Bytes out = writeJws(d, {d.Enthd.jwVer});

        const JwsReading backReading = readJws(out);
        check(backReading.complete());
        const TJwsData &back = backReading.doc;
        check(!fuzz::someDefinitionReachesItself(back));
        check(back.EntBlockDefN() == back.EntBlockNum);
        if (!back.EntBlockDef.empty() && d.EntBlockDefN() > read.EntBlockDefN())
            check(StrIndexOf(kBlockNameMarkerUpper, StrUpper(back.EntBlockDef.back().strName)) >=
                  0);
        if (whole && back.EntBlockTreeN() < TJwsData::kBlockTreeCeiling)
            check(test::drawing(back) == before);
    }
}

void convertJwk(fuzz::ByteChoices &c)
{
    static TJwTrans trans; // the curve-group counter goes on from file to file, as in a run
    const Bytes file = fuzz::hostileJwk(c, kSizes);
    fuzz::resetHeapPeak();
    const std::size_t base = fuzz::heapInUse();
    TJwkData jwk;
    jwk.FileInBytes(file);
    jwk.GetMinMaxZahyo();
    // What a conversion holds: a document of the translation only when it is small (a
    // larger one is written as it is translated).
    const std::uint64_t records =
        jwk.EntLine.size() + jwk.EntArc.size() + jwk.EntMoji.size() + jwk.EntTen.size();
    if (records >= 65536 || jwk.stringBytes() >= Converter::kStreamStringBytes) {
        checkBound(base, file.size());
        return;
    }
    TJwsData jws;
    translateJwk(trans, jwk, jws);
    const std::size_t texts = jws.EntMoji.size();
    DataTransJWS(jws, blockName(c));
    checkBound(base, file.size());
    jws.SetFileOutOption(0);
    const JwsReading back = readJws(writeJws(jws, {jws.Enthd.jwVer}));
    check(back.complete());
    if (back.doc.EntBlockDefN() == 1)
        check(back.doc.EntBlockDef[0].mMoji().size() == texts);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::ByteChoices c(std::span(data, size));
    if (c.below(4) == 0)
        convertJwk(c);
    else
        convertJws(c);
    return 0;
}
