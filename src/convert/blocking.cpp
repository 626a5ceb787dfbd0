#include "convert/blocking.h"

#include <algorithm>
#include <unordered_set>

namespace pravelot {

std::u16string StoredBlockName(std::u16string_view BLname)
{
    std::u16string name(BLname);
    if (StrIndexOf(kBlockNameMarkerUpper, StrUpper(BLname)) < 0)
        name.append(kBlockNameMarker);
    return name;
}

std::u16string UserBlockName(std::u16string_view stored)
{
    const std::int32_t p = StrIndexOf(kBlockNameMarkerUpper, StrUpper(stored));
    return p >= 0 ? StrSub(stored, 0, p) : std::u16string(stored);
}

std::uint32_t NewBlockNumber(const TJwsData &doc)
{
    if (doc.EntBlockDef.empty())
        return 0;
    std::uint32_t largest = 0;
    for (const TEntJwwBlockDef &d : doc.EntBlockDef)
        largest = std::max(largest, d.nNumber);
    std::uint32_t n = largest + 1; // wraps past 0xFFFFFFFF to 0

    // Numbers in use by definitions and by references (a reference may name a missing
    // definition): the moved content must never refer to the new definition.
    std::unordered_set<std::uint32_t> used;
    for (const TEntJwwBlockDef &d : doc.EntBlockDef) {
        used.insert(d.nNumber);
        for (const TEntJwwBlock &b : d.mBlock)
            used.insert(b.nNumber);
    }
    for (const TEntJwwBlock &b : doc.EntBlock)
        used.insert(b.nNumber);
    while (used.count(n) != 0)
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

bool NothingToGather(const TJwsData &doc)
{
    return doc.EntMoji.empty() && doc.EntSolid.empty() && doc.EntLine.empty() &&
           doc.EntEnko.empty() && doc.EntTen.empty() && doc.EntSunpo.empty() &&
           doc.EntBlockN() <= 1;
}

void DataTransJWS(TJwsData &doc, std::u16string_view BLname)
{
    const std::u16string name = StoredBlockName(BLname);
    if (NothingToGather(doc))
        return;

    const double BX = doc.Enthd.BasePoint_x;
    const double BY = doc.Enthd.BasePoint_y;
    const std::uint32_t number = NewBlockNumber(doc);

    TEntJwwBlockDef def;
    def.att = kNewAttr;
    def.nNumber = number;
    def.bRefferd = 1;
    def.dtime = 0;
    def.strName = name;
    def.N = doc.Enthd.n1;
    // The top-level arrays move into the definition whole, so the indices in the order
    // list keep pointing at the same records.
    def.mNo = std::move(doc.EntNo);
    if (def.mNo.size() > static_cast<std::size_t>(std::max(def.N, 0)))
        def.mNo.resize(static_cast<std::size_t>(std::max(def.N, 0)));
    def.mLine = std::move(doc.EntLine);
    def.mEnko = std::move(doc.EntEnko);
    def.mTen = std::move(doc.EntTen);
    def.mMoji = std::move(doc.EntMoji);
    def.mSunpo = std::move(doc.EntSunpo);
    def.mSolid = std::move(doc.EntSolid);
    def.mBlock = std::move(doc.EntBlock);

    for (TEntJwwLine &l : def.mLine)
        moveEnds(l, BX, BY);
    for (TEntJwwEnko &a : def.mEnko)
        moveStart(a, BX, BY);
    for (TEntJwwTen &t : def.mTen)
        moveStart(t, BX, BY);
    for (TEntJwwMoji &t : def.mMoji)
        moveEnds(t, BX, BY);
    const bool extendedSunpo = doc.Enthd.jwVer >= 420;
    for (TEntJwwSunpo &s : def.mSunpo) {
        moveEnds(s.Sen, BX, BY);
        moveEnds(s.Moji, BX, BY);
        if (extendedSunpo && s.bSxfMode != 0) {
            moveEnds(s.Ho1, BX, BY);
            moveEnds(s.Ho2, BX, BY);
            for (TEntJwwTen *t : {&s.Te1, &s.Te2, &s.Kt1, &s.Kt2})
                moveStart(*t, BX, BY);
        }
    }
    for (TEntJwwSolid &s : def.mSolid) {
        moveStart(s, BX, BY);
        // From pen style 101 on the other six values are the shape of a curved solid.
        if (s.att.nPenStyle < 101) {
            s.end_x -= BX;
            s.end_y -= BY;
            s.DPoint2_x -= BX;
            s.DPoint2_y -= BY;
            s.DPoint3_x -= BX;
            s.DPoint3_y -= BY;
        }
    }
    for (TEntJwwBlock &b : def.mBlock) {
        b.DPKijunTen_x -= BX;
        b.DPKijunTen_y -= BY;
    }

    doc.EntBlockDef.push_back(std::move(def));
    doc.Enthd.n2 = doc.EntBlockDefN();

    doc.EntLine.clear();
    doc.EntEnko.clear();
    doc.EntTen.clear();
    doc.EntMoji.clear();
    doc.EntSunpo.clear();
    doc.EntSolid.clear();
    doc.EntBlock.clear();
    doc.EntNo.assign(1, TEntJwwNo{kEntBlock, 0});
    doc.Enthd.n1 = 1;
    TEntJwwBlock ref;
    ref.att = kNewAttr;
    ref.DPKijunTen_x = BX;
    ref.DPKijunTen_y = BY;
    ref.dBairitsuX = 1.0;
    ref.dBairitsuY = 1.0;
    ref.radKaitenKaku = 0.0;
    ref.nNumber = number;
    doc.EntBlock.push_back(ref);

    doc.MakeBlockTree();
}

} // namespace pravelot
