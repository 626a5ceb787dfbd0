#include "convert/blocking.h"

#include "jws/blocknumberindex.h"

#include <algorithm>
#include <vector>

namespace pravelot {

namespace {

// A file's string forms hold at most 65,535 UTF-16 code units, or 65,535 bytes of code
// page 932 of which 65,534 is the one length that is not allowed. A stored name fits both.
constexpr std::size_t kNameUnits = 65535;
constexpr std::size_t kNameAnsiBytes = 65533;

bool highSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool lowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Code units of the longest beginning of s, in whole characters, that takes at most
// `units` code units and `bytes` bytes of code page 932.
std::size_t fittingLength(std::u16string_view s, std::size_t units, std::size_t bytes)
{
    // No code unit takes more than two bytes.
    if (s.size() <= units && 2 * s.size() <= bytes)
        return s.size();
    std::size_t i = 0, used = 0;
    Bytes one;
    while (i < s.size()) {
        const std::size_t len =
            highSurrogate(s[i]) && i + 1 < s.size() && lowSurrogate(s[i + 1]) ? 2 : 1;
        one.clear();
        appendAnsiBytes(s.substr(i, len), one);
        if (i + len > units || used + one.size() > bytes)
            break;
        used += one.size();
        i += len;
    }
    return i;
}

} // namespace

std::u16string storedBlockName(std::u16string_view BLname)
{
    const std::int32_t at = StrIndexOf(kBlockNameMarkerUpper, StrUpper(BLname));
    // The user's part, and what follows it: the marker, as appended or as the user wrote
    // it. A name too long for the file is cut in the user's part, so that the marker,
    // by which the name is recognised and cut again, always stays.
    const std::u16string_view user =
        at < 0 ? BLname : BLname.substr(static_cast<std::size_t>(0), static_cast<std::size_t>(at));
    std::u16string rest(at < 0 ? kBlockNameMarker : BLname.substr(static_cast<std::size_t>(at)));
    rest.resize(fittingLength(rest, kNameUnits, kNameAnsiBytes));
    const std::size_t restBytes = TextToAnsiBytes(rest).size();
    std::u16string name(
        user.substr(0, fittingLength(user, kNameUnits - rest.size(), kNameAnsiBytes - restBytes)));
    name += rest;
    return name;
}

std::u16string userBlockName(std::u16string_view stored)
{
    const std::int32_t p = StrIndexOf(kBlockNameMarkerUpper, StrUpper(stored));
    return p >= 0 ? StrSub(stored, 0, p) : std::u16string(stored);
}

std::uint32_t newBlockNumber(const TJwsData &doc)
{
    // Numbers in use by definitions and by references (a reference may name a missing
    // definition): the moved content must never refer to the new definition, and
    // neither may anything else.
    const BlockNumberIndex defs(doc.EntBlockDef);
    std::vector<std::uint32_t> refs;
    for (const TEntJwwBlock &b : doc.EntBlock)
        refs.push_back(b.nNumber);
    for (const TEntJwwBlockDef &d : doc.EntBlockDef)
        for (const TEntJwwBlock &b : d.mBlock())
            refs.push_back(b.nNumber);
    std::sort(refs.begin(), refs.end());
    auto used = [&](std::uint32_t n) {
        return defs.contains(n) || std::binary_search(refs.begin(), refs.end(), n);
    };

    std::uint32_t n = 0;
    if (!doc.EntBlockDef.empty()) {
        std::uint32_t largest = 0;
        for (const TEntJwwBlockDef &d : doc.EntBlockDef)
            largest = std::max(largest, d.nNumber);
        n = largest + 1; // wraps past 0xFFFFFFFF to 0
    }
    // Fewer numbers are in use than there are, so this ends.
    while (used(n))
        ++n;
    return n;
}

namespace {

constexpr TEntJwwAttr kNewAttr{0, 1, 2, 0, 0, 0, 0};

void moveEnds(auto &e, double bx, double by)
{
    e.start_x -= bx;
    e.start_y -= by;
    e.end_x -= bx;
    e.end_y -= by;
}

void moveStart(auto &e, double bx, double by)
{
    e.start_x -= bx;
    e.start_y -= by;
}

} // namespace

bool nothingToGather(const TJwsData &doc)
{
    return doc.EntMoji.empty() && doc.EntSolid.empty() && doc.EntLine.empty() &&
           doc.EntEnko.empty() && doc.EntTen.empty() && doc.EntSunpo.empty() &&
           doc.EntBlockN() <= 1;
}

namespace {

// Moves every top-level entity by (−bx, −by), so that the base point becomes the origin.
void moveToOrigin(TJwsData &doc, double bx, double by)
{
    for (TEntJwwLine &l : doc.EntLine)
        moveEnds(l, bx, by);
    for (TEntJwwEnko &a : doc.EntEnko)
        moveStart(a, bx, by);
    for (TEntJwwTen &t : doc.EntTen)
        moveStart(t, bx, by);
    for (TEntJwwMoji &t : doc.EntMoji)
        moveEnds(t, bx, by);
    const bool extendedSunpo = doc.Enthd.jwVer >= 420;
    for (TEntJwwSunpo &s : doc.EntSunpo) {
        moveEnds(s.Sen, bx, by);
        moveEnds(s.Moji, bx, by);
        if (extendedSunpo && s.bSxfMode != 0) {
            TEntJwwSunpoExt &x = s.editExt();
            moveEnds(x.Ho1, bx, by);
            moveEnds(x.Ho2, bx, by);
            for (TEntJwwTen *t : {&x.Te1, &x.Te2, &x.Kt1, &x.Kt2})
                moveStart(*t, bx, by);
        }
    }
    for (TEntJwwSolid &s : doc.EntSolid) {
        moveStart(s, bx, by);
        // From pen style 101 on the other six values are the shape of a curved solid.
        if (s.att.nPenStyle < 101) {
            s.end_x -= bx;
            s.end_y -= by;
            s.DPoint2_x -= bx;
            s.DPoint2_y -= by;
            s.DPoint3_x -= bx;
            s.DPoint3_y -= by;
        }
    }
    for (TEntJwwBlock &b : doc.EntBlock) {
        b.DPKijunTen_x -= bx;
        b.DPKijunTen_y -= by;
    }
}

// Moves the whole top level into a new definition numbered `number`, appended to the
// definitions; the top level is left empty.
void gatherTopLevel(TJwsData &doc, const std::u16string &name, std::uint32_t number)
{
    TEntJwwBlockDef def;
    def.att = kNewAttr;
    def.nNumber = number;
    def.bRefferd = 1;
    def.dtime = 0;
    def.strName = name;
    def.N = doc.Enthd.n1;
    // The moved top-level arrays become the definition's whole, so the indices in the
    // order list keep pointing at the same records.
    def.members.take(doc.topLists(), doc.EntNo);

    doc.EntBlockDef.push_back(std::move(def));
    doc.Enthd.n2 = doc.EntBlockDefN();

    doc.EntLine.clear();
    doc.EntEnko.clear();
    doc.EntTen.clear();
    doc.EntMoji.clear();
    doc.EntSunpo.clear();
    doc.EntSolid.clear();
    doc.EntBlock.clear();
}

// Makes the top level one reference to definition `number`, placed at (bx, by).
void placeOnlyReference(TJwsData &doc, double bx, double by, std::uint32_t number)
{
    doc.EntNo.assign(1, TEntJwwNo{kEntBlock, 0});
    doc.Enthd.n1 = 1;
    TEntJwwBlock ref;
    ref.att = kNewAttr;
    ref.DPKijunTen_x = bx;
    ref.DPKijunTen_y = by;
    ref.dBairitsuX = 1.0;
    ref.dBairitsuY = 1.0;
    ref.radKaitenKaku = 0.0;
    ref.nNumber = number;
    doc.EntBlock.push_back(ref);
}

} // namespace

void DataTransJWS(TJwsData &doc, std::u16string_view BLname)
{
    const std::u16string name = storedBlockName(BLname);
    if (nothingToGather(doc))
        return;

    const double BX = doc.Enthd.BasePoint_x;
    const double BY = doc.Enthd.BasePoint_y;
    const std::uint32_t number = newBlockNumber(doc);
    moveToOrigin(doc, BX, BY);
    gatherTopLevel(doc, name, number);
    placeOnlyReference(doc, BX, BY, number);
    doc.MakeBlockTree();
}

} // namespace pravelot
