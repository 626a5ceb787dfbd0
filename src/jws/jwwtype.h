// Records of the JWS figure model and the defaults the writer falls back on.
// Records are plain data; field names are those of the figure format, which names its
// records in Japanese:
//   Line        a straight line               Enko       an arc or circle (円弧)
//   Ten         a point (点)                   Moji       a text (文字)
//   Sunpo       a dimension (寸法)             Solid      a filled area
//   Block       a placed block (a reference)  BlockDef   a block definition
//   BlockTree   which definitions a definition places
//   No          an entry of an order list (EntType, EntNo: which record comes next)
//   Attr        what every entity carries: group, pen style, colour and width, layer,
//               layer group (GLayer)
//   LayerGroup  a layer group: its layers, scale and name
//   MojiType    a text type (size, spacing, colour)
//   Enthd       the header (Ent header); in fields Kaku/Kakudo is an angle, Kankaku a
//               spacing
#pragma once

#include "core/compacttext.h"
#include "jws/blockmembers.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace pravelot {

// Entity kind codes of the order lists (EntType); 0 marks an entry without entity.
enum EntKind : std::int32_t {
    kEntNone = 0,
    kEntLine = 1,
    kEntEnko = 2,
    kEntTen = 3,
    kEntMoji = 4,
    kEntSunpo = 5,
    kEntSolid = 6,
    kEntBlock = 7,
    kEntBlockDef = 8, // only as the kind of a block definition's attribute
};

struct TEntJwwAttr {
    std::uint32_t lGroup = 0;
    std::uint8_t nPenStyle = 0;
    std::uint16_t nPenColor = 0;
    std::uint16_t nPenWidth = 0;
    std::uint16_t nLayer = 0;
    std::uint16_t nGLayer = 0;
    std::uint16_t sFlg = 0;
    bool operator==(const TEntJwwAttr &) const = default;
};

struct TEntJwwNo {
    std::int32_t EntType = 0;
    std::int32_t EntNo = 0;
    bool operator==(const TEntJwwNo &) const = default;
};

struct TEntJwwLine {
    TEntJwwAttr att;
    double start_x = 0, start_y = 0, end_x = 0, end_y = 0;
    bool operator==(const TEntJwwLine &) const = default;
};

struct TEntJwwEnko {
    TEntJwwAttr att;
    double start_x = 0, start_y = 0;
    double dHankei = 0;
    double radKaishiKaku = 0;
    double radEnkoKaku = 0;
    double radKatamukiKaku = 0;
    double dHenpeiRitsu = 0;
    std::uint32_t bZenEnFlg = 0;
    bool operator==(const TEntJwwEnko &) const = default;
};

struct TEntJwwTen {
    TEntJwwAttr att;
    double start_x = 0, start_y = 0;
    std::uint32_t bKariten = 0;
    std::uint32_t nCode = 0;
    double radKaitenKaku = 0;
    double dBairitsu = 0;
    bool operator==(const TEntJwwTen &) const = default;
};

struct TEntJwwMoji {
    TEntJwwAttr att;
    double start_x = 0, start_y = 0, end_x = 0, end_y = 0;
    std::uint32_t nMojiShu = 0;
    double dSizeX = 0, dSizeY = 0, dKankaku = 0, degKakudo = 0;
    // A file may hold millions of texts, most of them short.
    CompactText strFontName;
    CompactText str;
    bool operator==(const TEntJwwMoji &) const = default;
};

// The extended part of a dimension: its two auxiliary lines and four points.
struct TEntJwwSunpoExt {
    TEntJwwLine Ho1, Ho2;
    TEntJwwTen Te1, Te2, Kt1, Kt2;
    bool operator==(const TEntJwwSunpoExt &) const = default;
};

struct TEntJwwSunpo {
    TEntJwwAttr att;
    TEntJwwLine Sen;
    TEntJwwMoji Moji;
    std::uint16_t bSxfMode = 0;

    TEntJwwSunpo() = default;
    TEntJwwSunpo(const TEntJwwSunpo &o)
        : att(o.att), Sen(o.Sen), Moji(o.Moji), bSxfMode(o.bSxfMode), m_derived(o.m_derived),
          m_ext(o.m_ext ? std::make_unique<TEntJwwSunpoExt>(*o.m_ext) : nullptr)
    {
    }
    TEntJwwSunpo(TEntJwwSunpo &&) noexcept = default;
    TEntJwwSunpo &operator=(const TEntJwwSunpo &o)
    {
        if (this != &o)
            *this = TEntJwwSunpo(o);
        return *this;
    }
    TEntJwwSunpo &operator=(TEntJwwSunpo &&) noexcept = default;
    ~TEntJwwSunpo() = default;

    // The extended part Ho1, Ho2, Te1, Te2, Kt1, Kt2 (all zero until set). A dimension of
    // a file before version 420 has none in the file: its parts are the dimension's own
    // attribute (the points with style 0) and zeros, which are derived from att instead of
    // held, since such dimensions would otherwise take three times their file size.
    TEntJwwSunpoExt ext() const
    {
        if (m_ext)
            return *m_ext;
        TEntJwwSunpoExt x;
        if (m_derived) {
            x.Ho1.att = x.Ho2.att = att;
            for (TEntJwwTen *t : {&x.Te1, &x.Te2, &x.Kt1, &x.Kt2}) {
                t->att = att;
                t->att.nPenStyle = 0;
            }
        }
        return x;
    }
    // The extended part to change; it is held from then on.
    TEntJwwSunpoExt &editExt()
    {
        if (!m_ext)
            m_ext = std::make_unique<TEntJwwSunpoExt>(ext());
        return *m_ext;
    }
    // The extended part as a file before version 420 gives it.
    void deriveExtFromAtt()
    {
        m_ext.reset();
        m_derived = true;
    }

    bool operator==(const TEntJwwSunpo &o) const
    {
        return att == o.att && Sen == o.Sen && Moji == o.Moji && bSxfMode == o.bSxfMode &&
               ext() == o.ext();
    }

private:
    bool m_derived = false;
    std::unique_ptr<TEntJwwSunpoExt> m_ext;
};

struct TEntJwwSolid {
    TEntJwwAttr att;
    double start_x = 0, start_y = 0, end_x = 0, end_y = 0;
    double DPoint2_x = 0, DPoint2_y = 0, DPoint3_x = 0, DPoint3_y = 0;
    std::uint32_t Color = 0;
    bool operator==(const TEntJwwSolid &) const = default;
};

struct TEntJwwBlock {
    TEntJwwAttr att;
    double DPKijunTen_x = 0, DPKijunTen_y = 0;
    double dBairitsuX = 0, dBairitsuY = 0;
    double radKaitenKaku = 0;
    std::uint32_t nNumber = 0;
    bool operator==(const TEntJwwBlock &) const = default;
};

// The seven entity arrays of one list (a document's top level or a block definition's
// members), so that reading, writing and moving are written once: the arrays themselves
// (EntityLists), to change or append to, or views of them (ConstEntityLists).
template <bool Const> struct EntityListsT {
    template <class T> using Arr = std::conditional_t<Const, std::span<const T>, std::vector<T> &>;
    Arr<TEntJwwLine> line;
    Arr<TEntJwwEnko> enko;
    Arr<TEntJwwTen> ten;
    Arr<TEntJwwMoji> moji;
    Arr<TEntJwwSunpo> sunpo;
    Arr<TEntJwwSolid> solid;
    Arr<TEntJwwBlock> block;

    // Number of records of kind k (1–7); 0 for any other kind.
    std::int32_t count(std::int32_t k) const;
    // The arrays also serve where only reading is needed.
    operator EntityListsT<true>() const requires(!Const)
    {
        return {line, enko, ten, moji, sunpo, solid, block};
    }

    // An order entry refers to a record of this list.
    bool valid(const TEntJwwNo &e) const { return e.EntNo >= 0 && e.EntNo < count(e.EntType); }
};
using EntityLists = EntityListsT<false>;
using ConstEntityLists = EntityListsT<true>;

// The one place where an entity kind code meets its record type: calls f with the array
// of kind k (1–7) of lists, and does nothing for any other kind.
template <class Lists, class F> void forKind(Lists &&lists, std::int32_t k, F &&f)
{
    switch (k) {
    case kEntLine:
        f(lists.line);
        break;
    case kEntEnko:
        f(lists.enko);
        break;
    case kEntTen:
        f(lists.ten);
        break;
    case kEntMoji:
        f(lists.moji);
        break;
    case kEntSunpo:
        f(lists.sunpo);
        break;
    case kEntSolid:
        f(lists.solid);
        break;
    case kEntBlock:
        f(lists.block);
        break;
    default:
        break;
    }
}

// Calls f with each of the seven arrays of lists, in kind order, and the kind.
template <class Lists, class F> void forEachKind(Lists &&lists, F &&f)
{
    for (std::int32_t k = kEntLine; k <= kEntBlock; ++k)
        forKind(lists, k, [&](auto &array) { f(array, k); });
}

// Calls f with the record that order entry e refers to; does nothing for an entry that
// refers to no record of lists.
template <class Lists, class F> void forEntry(Lists &&lists, const TEntJwwNo &e, F &&f)
{
    if (lists.valid(e))
        forKind(lists, e.EntType,
                [&](auto &array) { f(array[static_cast<std::size_t>(e.EntNo)]); });
}

template <bool Const> std::int32_t EntityListsT<Const>::count(std::int32_t k) const
{
    std::size_t n = 0;
    forKind(*this, k, [&](const auto &array) { n = array.size(); });
    return static_cast<std::int32_t>(n);
}

struct TEntJwwBlockDef {
    TEntJwwAttr att;
    std::uint32_t nNumber = 0;
    std::uint32_t bRefferd = 0;
    std::uint32_t dtime = 0;
    // Entries of mNo in use. mNo may hold fewer: the missing entries are (0, 0), which
    // every list walk skips.
    std::int32_t N = 0;
    // A file may hold millions of definitions, most of them with short names. (N is
    // held before the name so that a definition takes 64 bytes.)
    CompactText strName;
    // The order list mNo and the member records mLine … mBlock, each array's size being
    // its count (mLineN … mBlockN). Read them through the views below; change them
    // through members.edit() and members.editOrder().
    BlockMembers members;
    std::int32_t ref_no = -1;
    bool ref_flag = false;

    std::span<const TEntJwwNo> mNo() const { return members.order(); }
    std::span<const TEntJwwLine> mLine() const { return members.lists().line; }
    std::span<const TEntJwwEnko> mEnko() const { return members.lists().enko; }
    std::span<const TEntJwwTen> mTen() const { return members.lists().ten; }
    std::span<const TEntJwwMoji> mMoji() const { return members.lists().moji; }
    std::span<const TEntJwwSunpo> mSunpo() const { return members.lists().sunpo; }
    std::span<const TEntJwwSolid> mSolid() const { return members.lists().solid; }
    std::span<const TEntJwwBlock> mBlock() const { return members.lists().block; }

    std::int32_t mLineN() const { return static_cast<std::int32_t>(mLine().size()); }
    std::int32_t mEnkoN() const { return static_cast<std::int32_t>(mEnko().size()); }
    std::int32_t mTenN() const { return static_cast<std::int32_t>(mTen().size()); }
    std::int32_t mMojiN() const { return static_cast<std::int32_t>(mMoji().size()); }
    std::int32_t mSunpoN() const { return static_cast<std::int32_t>(mSunpo().size()); }
    std::int32_t mSolidN() const { return static_cast<std::int32_t>(mSolid().size()); }
    std::int32_t mBlockN() const { return static_cast<std::int32_t>(mBlock().size()); }
};

static_assert(sizeof(TEntJwwBlockDef) <= 64 || sizeof(void *) < 8);

inline ConstEntityLists listsOf(const TEntJwwBlockDef &d) { return d.members.lists(); }

// One placed instance of a block. It refers to its definition by position (defno) and
// holds no copy of it: the instance's name is EntBlockDef[defno].strName.
struct TEntJwwBlockTree {
    TEntJwwAttr att;
    std::int32_t level = 0;
    std::int32_t parent = -1;
    std::uint32_t no = 0;
    std::int32_t defno = -1;
    double x = 0, y = 0;
    double r1 = 1, r2 = 0, r3 = 0, r4 = 1;
};

struct TEntJwwLayerGroup {
    std::int32_t anGLay = 0;
    std::int32_t anWriteLay = 0;
    double adScale = 0;
    std::int32_t anGLayProtect = 0;
    std::u16string aStrGLayName;
    bool operator==(const TEntJwwLayerGroup &) const = default;
};

struct TEntJwwMojiType {
    double adMojiX = 0, adMojiY = 0, adMojiD = 0;
    std::int32_t anMojiCol = 0;
};

struct TBindImageType {
    std::u16string Fname;
    std::int32_t Fsize = 0;
    bool exf = false;
};

struct TEntJwsHeader {
    std::u16string jwID;
    std::int32_t jwVer = 0;
    double BasePoint_x = 0, BasePoint_y = 0;
    std::int32_t dmy01 = 0, dmy02 = 0, dmy03 = 0, dmy04 = 0, dmy05 = 0, dmy06 = 0;
    double dmy11 = 0, dmy12 = 0, dmy13 = 0, dmy14 = 0, dmy15 = 0, dmy16 = 0;
    double Mx1 = 0, My1 = 0, Mx2 = 0, My2 = 0;
    std::int32_t n1 = 0;
    std::int32_t n2 = 0;
    bool operator==(const TEntJwsHeader &) const = default;
};

// The colour and line style the writer puts in place of invalid values.
inline constexpr std::uint16_t DefaultPenColor = 1;
inline constexpr std::uint8_t DefaultPenStyle = 1;

} // namespace pravelot
