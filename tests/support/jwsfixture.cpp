#include "support/jwsfixture.h"

#include "core/text.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace pravelot::test {

bool readInto(TJwsData &d, std::span<const std::uint8_t> bytes, ReadProblem *problem)
{
    JwsReading r = readJws(bytes);
    d.adopt(std::move(r.doc));
    if (problem)
        *problem = r.problem;
    return r.complete();
}

TJwsData emptyDoc(std::int32_t ver)
{
    TJwsData d;
    d.Enthd.jwID = u"JwsData";
    d.Enthd.jwVer = ver;
    d.EntLgrp.assign(16, TEntJwwLayerGroup{});
    for (TEntJwwLayerGroup &g : d.EntLgrp) {
        g.anGLay = 2;
        g.adScale = 1;
    }
    return d;
}

namespace {
template <class T>
std::int32_t pushTop(TJwsData &d, std::vector<T> &v, const T &e, std::int32_t kind)
{
    v.push_back(e);
    const auto i = static_cast<std::int32_t>(v.size() - 1);
    d.EntNo.push_back({kind, i});
    d.Enthd.n1 = static_cast<std::int32_t>(d.EntNo.size());
    return i;
}
// Appends e to the array of def's members that pick selects, with its order entry.
template <class T, class Pick>
void pushMember(TEntJwwBlockDef &def, Pick pick, const T &e, std::int32_t kind)
{
    std::vector<T> &v = pick(def.members.edit());
    v.push_back(e);
    std::vector<TEntJwwNo> &order = def.members.editOrder();
    order.push_back({kind, static_cast<std::int32_t>(v.size() - 1)});
    def.N = static_cast<std::int32_t>(order.size());
}
} // namespace

std::int32_t addTop(TJwsData &d, const TEntJwwLine &e)
{
    return pushTop(d, d.EntLine, e, kEntLine);
}
std::int32_t addTop(TJwsData &d, const TEntJwwEnko &e)
{
    return pushTop(d, d.EntEnko, e, kEntEnko);
}
std::int32_t addTop(TJwsData &d, const TEntJwwTen &e) { return pushTop(d, d.EntTen, e, kEntTen); }
std::int32_t addTop(TJwsData &d, const TEntJwwMoji &e)
{
    return pushTop(d, d.EntMoji, e, kEntMoji);
}
std::int32_t addTop(TJwsData &d, const TEntJwwSunpo &e)
{
    return pushTop(d, d.EntSunpo, e, kEntSunpo);
}
std::int32_t addTop(TJwsData &d, const TEntJwwSolid &e)
{
    return pushTop(d, d.EntSolid, e, kEntSolid);
}
std::int32_t addTop(TJwsData &d, const TEntJwwBlock &e)
{
    return pushTop(d, d.EntBlock, e, kEntBlock);
}
void addMember(TEntJwwBlockDef &def, const TEntJwwLine &e)
{
    pushMember(
        def, [](EntityLists l) -> auto & { return l.line; }, e, kEntLine);
}
void addMember(TEntJwwBlockDef &def, const TEntJwwBlock &e)
{
    pushMember(
        def, [](EntityLists l) -> auto & { return l.block; }, e, kEntBlock);
}

TEntJwwBlockDef &addDef(TJwsData &d, std::uint32_t number, const std::u16string &name)
{
    TEntJwwBlockDef &def = d.EntBlockDef.emplace_back();
    def.att = {0, 1, 2, 0, 0, 0, 0};
    def.nNumber = number;
    def.strName = name;
    d.Enthd.n2 = d.EntBlockDefN();
    return def;
}

TEntJwwLine line(double x1, double y1, double x2, double y2, std::uint8_t style)
{
    TEntJwwLine l;
    l.att = {0, style, 1, 0, 0, 0, 0};
    l.start_x = x1;
    l.start_y = y1;
    l.end_x = x2;
    l.end_y = y2;
    return l;
}

TEntJwwBlock blockRef(std::uint32_t number, double x, double y, double sx, double sy, double rot)
{
    TEntJwwBlock b;
    b.att = {0, 1, 2, 0, 0, 0, 0};
    b.nNumber = number;
    b.DPKijunTen_x = x;
    b.DPKijunTen_y = y;
    b.dBairitsuX = sx;
    b.dBairitsuY = sy;
    b.radKaitenKaku = rot;
    return b;
}

TJwsData placedTimes(int lines, int times)
{
    TJwsData d = emptyDoc(600);
    TEntJwwBlockDef &def = addDef(d, 0, u"lines");
    for (int k = 0; k < lines; ++k)
        addMember(def, line(k, 0, k, 100));
    for (int k = 0; k < times; ++k)
        addTop(d, blockRef(0, 0, k * 200.0));
    d.MakeBlockTree();
    return d;
}

TJwsData doublingNesting(std::uint32_t depth)
{
    TJwsData d = emptyDoc(600);
    for (std::uint32_t i = 0; i < depth; ++i) {
        TEntJwwBlockDef &def = addDef(d, i, u"level");
        addMember(def, line(0, 0, 1, 1));
        if (i + 1 < depth) {
            addMember(def, blockRef(i + 1, 1, 0));
            addMember(def, blockRef(i + 1, 0, 1));
        }
    }
    addTop(d, blockRef(0, 0, 0));
    d.MakeBlockTree();
    return d;
}

namespace {

class Gen {
public:
    Gen(std::mt19937 &rng, const GenOptions &o) : m_rng(rng), m_o(o) {}

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    double coord() { return std::uniform_real_distribution<double>(-5000, 5000)(m_rng); }
    double real(double lo, double hi)
    {
        return std::uniform_real_distribution<double>(lo, hi)(m_rng);
    }
    std::uint32_t u32() { return static_cast<std::uint32_t>(m_rng()); }

    // An attribute the writer keeps as it is for an entity of this kind and version.
    TEntJwwAttr attr(std::int32_t kind)
    {
        TEntJwwAttr a;
        a.lGroup = pick(0, 3) == 0 ? u32() : 0;
        const bool new420 = m_o.version >= 420;
        switch (kind) {
        case kEntLine:
        case kEntEnko: {
            static const int styles[] = {1, 2, 5, 9, 11, 19, 31, 45, 46, 62};
            a.nPenStyle = static_cast<std::uint8_t>(styles[pick(0, new420 ? 9 : 5)]);
            break;
        }
        case kEntTen:
            a.nPenStyle = pick(0, 1) ? 1 : 100;
            break;
        case kEntMoji:
            a.nPenStyle = static_cast<std::uint8_t>(pick(1, 9));
            break;
        default:
            a.nPenStyle = static_cast<std::uint8_t>(pick(0, 255));
            break;
        }
        if (kind >= kEntLine && kind <= kEntSunpo)
            a.nPenColor =
                static_cast<std::uint16_t>(new420 && pick(0, 1) ? pick(101, 356) : pick(1, 9));
        else if (kind == kEntSolid)
            a.nPenColor = static_cast<std::uint16_t>(new420 && pick(0, 2) == 0 ? pick(101, 356)
                                                                               : pick(1, 10));
        else
            a.nPenColor = static_cast<std::uint16_t>(pick(0, 65535));
        a.nPenWidth = m_o.version >= 351 ? static_cast<std::uint16_t>(pick(0, 30000)) : 0;
        a.nLayer = static_cast<std::uint16_t>(pick(0, 15));
        a.nGLayer = static_cast<std::uint16_t>(pick(0, 15));
        a.sFlg = static_cast<std::uint16_t>(pick(0, 65535));
        return a;
    }

    std::u16string text(int maxLen)
    {
        static const std::u16string ansi = u"ABCxyz0129 .,-_図形部品寸法ｱｲｳ（）・";
        static const std::u16string wide = u"ABCxyz019 .図形éß€😀";
        const std::u16string &alphabet = m_o.utf16 ? wide : ansi;
        std::u16string s;
        const int n = pick(0, maxLen);
        for (int i = 0; i < n; ++i) {
            char16_t c =
                alphabet[static_cast<std::size_t>(pick(0, static_cast<int>(alphabet.size()) - 1))];
            if (c >= 0xD800 && c <= 0xDBFF) { // keep surrogate pairs whole
                s.push_back(c);
                s.push_back(alphabet[alphabet.find(c) + 1]);
            } else if (c < 0xDC00 || c > 0xDFFF) {
                s.push_back(c);
            }
        }
        return s;
    }

    TEntJwwLine lineRec(std::int32_t kind = kEntLine)
    {
        TEntJwwLine l;
        l.att = attr(kind);
        l.start_x = coord();
        l.start_y = coord();
        l.end_x = coord();
        l.end_y = coord();
        return l;
    }
    TEntJwwEnko enko()
    {
        TEntJwwEnko a;
        a.att = attr(kEntEnko);
        a.start_x = coord();
        a.start_y = coord();
        a.dHankei = real(0.1, 500);
        a.radKaishiKaku = real(0, 6.28);
        a.radEnkoKaku = real(0.1, 6.28);
        a.radKatamukiKaku = real(-1, 1);
        a.dHenpeiRitsu = real(0.2, 3);
        a.bZenEnFlg = static_cast<std::uint32_t>(pick(0, 1));
        return a;
    }
    // A point as the reader leaves it (the extension fields exist only for style 100).
    TEntJwwTen ten(bool member = false)
    {
        TEntJwwTen t;
        t.att = attr(kEntTen);
        t.start_x = coord();
        t.start_y = coord();
        t.bKariten = static_cast<std::uint32_t>(pick(0, 1));
        if (t.att.nPenStyle == 100) {
            t.nCode = u32();
            t.radKaitenKaku = real(-3, 3);
            t.dBairitsu = real(0.1, 10);
        } else {
            t.dBairitsu = member ? 0.0 : 1.0;
        }
        return t;
    }
    TEntJwwMoji moji()
    {
        TEntJwwMoji t;
        t.att = attr(kEntMoji);
        t.start_x = coord();
        t.start_y = coord();
        t.end_x = coord();
        t.end_y = coord();
        t.nMojiShu = static_cast<std::uint32_t>(pick(0, 10));
        t.dSizeX = real(0.5, 10);
        t.dSizeY = real(0.5, 10);
        t.dKankaku = real(0, 2);
        t.degKakudo = real(0, 360);
        t.strFontName = m_o.utf16 ? u"ＭＳ ゴシック" : (pick(0, 1) ? u"ＭＳ ゴシック" : u"");
        t.str = pick(0, 20) == 0 ? text(300) : text(12);
        return t;
    }
    TEntJwwSunpo sunpo()
    {
        TEntJwwSunpo s;
        s.att = attr(kEntSunpo);
        s.Sen = lineRec();
        s.Moji = moji();
        if (m_o.version >= 420) {
            s.bSxfMode = static_cast<std::uint16_t>(pick(0, 1) ? pick(1, 65535) : 0);
            TEntJwwSunpoExt &x = s.editExt();
            x.Ho1 = lineRec();
            x.Ho2 = lineRec();
            for (TEntJwwTen *t : {&x.Te1, &x.Te2, &x.Kt1, &x.Kt2})
                *t = ten(true);
        } else {
            // What an older file carries: the dimension's own attribute, nothing else.
            s.deriveExtFromAtt();
        }
        return s;
    }
    TEntJwwSolid solid()
    {
        TEntJwwSolid s;
        s.att = attr(kEntSolid);
        for (double *v : {&s.start_x, &s.start_y, &s.end_x, &s.end_y, &s.DPoint2_x, &s.DPoint2_y,
                          &s.DPoint3_x, &s.DPoint3_y})
            *v = coord();
        if (s.att.nPenColor == 10)
            s.Color = u32();
        return s;
    }
    TEntJwwBlock block(std::uint32_t number)
    {
        TEntJwwBlock b;
        b.att = attr(kEntBlock);
        b.DPKijunTen_x = coord();
        b.DPKijunTen_y = coord();
        b.dBairitsuX = real(0.2, 3);
        b.dBairitsuY = real(0.2, 3);
        b.radKaitenKaku = real(-3.14, 3.14);
        b.nNumber = number;
        return b;
    }

    // Fills one list with a few entities of every kind, in shuffled order; references
    // go to the numbers in refs.
    template <class Push> void fill(Push push, const std::vector<std::uint32_t> &refs, int size)
    {
        std::vector<int> kinds;
        for (int k = 1; k <= 6; ++k)
            for (int n = pick(0, size); n > 0; --n)
                kinds.push_back(k);
        for (std::uint32_t r : refs)
            kinds.push_back(-static_cast<int>(r) - 1);
        std::shuffle(kinds.begin(), kinds.end(), m_rng);
        for (int k : kinds) {
            switch (k) {
            case 1:
                push(lineRec());
                break;
            case 2:
                push(enko());
                break;
            case 3:
                push(ten());
                break;
            case 4:
                push(moji());
                break;
            case 5:
                push(sunpo());
                break;
            case 6:
                push(solid());
                break;
            default:
                push(block(static_cast<std::uint32_t>(-k - 1)));
                break;
            }
        }
    }

private:
    std::mt19937 &m_rng;
    const GenOptions &m_o;
};

} // namespace

TJwsData randomDoc(std::mt19937 &rng, const GenOptions &opt)
{
    Gen g(rng, opt);
    TJwsData d = emptyDoc(opt.version);
    d.Enthd.BasePoint_x = g.pick(0, 3) == 0 ? 0.0 : g.coord();
    d.Enthd.BasePoint_y = g.pick(0, 3) == 0 ? 0.0 : g.coord();
    for (TEntJwwLayerGroup &lg : d.EntLgrp)
        lg.adScale = g.pick(1, 100);
    d.Enthd.dmy01 = g.pick(-5, 5);
    d.Enthd.dmy16 = g.real(-1, 1);
    d.Enthd.Mx1 = g.coord();
    d.Enthd.My2 = g.coord();
    d.MojiEncode = opt.utf16;
    d.FileOutOpt = opt.utf16 ? 32 : 0;

    // Definitions form a DAG: a definition refers only to later ones. In a canonical
    // document each is referenced by the top level or by an earlier definition and is
    // numbered by its position; otherwise numbers are scattered and some definitions are
    // referenced by nothing.
    const int nDefs = g.pick(0, 5);
    std::vector<std::uint32_t> numbers;
    numbers.reserve(static_cast<std::size_t>(nDefs));
    for (int i = 0; i < nDefs; ++i)
        numbers.push_back(opt.canonical ? static_cast<std::uint32_t>(i) : g.u32() % 1000);
    std::vector<std::vector<std::uint32_t>> refsOf(static_cast<std::size_t>(nDefs) +
                                                   1); // [0] = top level
    for (int j = 0; j < nDefs; ++j) {
        if (!opt.canonical && g.pick(0, 3) == 0)
            continue;                    // referenced by nothing
        const int holder = g.pick(0, j); // 0 = top level, i = definition i - 1 (< j)
        refsOf[static_cast<std::size_t>(holder)].push_back(numbers[static_cast<std::size_t>(j)]);
        if (g.pick(0, 2) == 0)
            refsOf[static_cast<std::size_t>(g.pick(0, j))].push_back(
                numbers[static_cast<std::size_t>(j)]);
    }
    g.fill([&](auto e) { addTop(d, e); }, refsOf[0], 4);
    for (int i = 0; i < nDefs; ++i) {
        TEntJwwBlockDef &def =
            addDef(d, numbers[static_cast<std::size_t>(i)], g.text(10) + u"@@SfigorgFlag@@4");
        def.att = g.attr(kEntBlockDef);
        def.bRefferd = static_cast<std::uint32_t>(g.pick(0, 1));
        def.dtime = g.u32() & 0x7FFFFFFF;
        g.fill(
            [&](auto e) {
                using T = decltype(e);
                const EntityLists m = def.members.edit();
                std::vector<TEntJwwNo> &order = def.members.editOrder();
                auto addTo = [&](auto &vec, std::int32_t kind) {
                    vec.push_back(e);
                    order.push_back({kind, static_cast<std::int32_t>(vec.size() - 1)});
                };
                if constexpr (std::is_same_v<T, TEntJwwLine>)
                    addTo(m.line, kEntLine);
                else if constexpr (std::is_same_v<T, TEntJwwEnko>)
                    addTo(m.enko, kEntEnko);
                else if constexpr (std::is_same_v<T, TEntJwwTen>)
                    addTo(m.ten, kEntTen);
                else if constexpr (std::is_same_v<T, TEntJwwMoji>)
                    addTo(m.moji, kEntMoji);
                else if constexpr (std::is_same_v<T, TEntJwwSunpo>)
                    addTo(m.sunpo, kEntSunpo);
                else if constexpr (std::is_same_v<T, TEntJwwSolid>)
                    addTo(m.solid, kEntSolid);
                else
                    addTo(m.block, kEntBlock);
                def.N = static_cast<std::int32_t>(order.size());
            },
            refsOf[static_cast<std::size_t>(i) + 1], 3);
    }
    d.MakeBlockTree();
    return d;
}

::testing::AssertionResult sameDrawing(const std::vector<Primitive> &a,
                                       const std::vector<Primitive> &b)
{
    if (a.size() != b.size())
        return ::testing::AssertionFailure()
               << "primitive count " << a.size() << " vs " << b.size();
    for (std::size_t i = 0; i < a.size(); ++i) {
        const Primitive &p = a[i], &q = b[i];
        if (p.kind != q.kind || p.text != q.text || !(p.att == q.att) || p.v.size() != q.v.size())
            return ::testing::AssertionFailure()
                   << "primitive " << i << " of kind " << p.kind << " differs";
        for (std::size_t k = 0; k < p.v.size(); ++k)
            if (std::fabs(p.v[k] - q.v[k]) > 1e-7 * std::max(1.0, std::fabs(p.v[k])))
                return ::testing::AssertionFailure()
                       << "primitive " << i << " of kind " << p.kind << ", value " << k << ": "
                       << p.v[k] << " vs " << q.v[k];
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult sameDocument(const TJwsData &a, const TJwsData &b)
{
    auto fail = [](const char *what) {
        return ::testing::AssertionFailure() << what << " differs";
    };
    if (!(a.Enthd == b.Enthd))
        return fail("header");
    if (!(a.EntLgrp == b.EntLgrp))
        return fail("layer groups");
    if (!(a.EntNo == b.EntNo))
        return fail("top-level order");
    if (a.EntLine != b.EntLine)
        return fail("lines");
    if (a.EntEnko != b.EntEnko)
        return fail("arcs");
    if (a.EntTen != b.EntTen)
        return fail("points");
    if (a.EntMoji != b.EntMoji)
        return fail("texts");
    if (a.EntSunpo != b.EntSunpo)
        return fail("dimensions");
    if (a.EntSolid != b.EntSolid)
        return fail("solids");
    if (a.EntBlock != b.EntBlock)
        return fail("block references");
    if (a.MojiEncode != b.MojiEncode)
        return fail("MojiEncode");
    if (a.EntBlockDef.size() != b.EntBlockDef.size())
        return fail("block definition count");
    for (std::size_t i = 0; i < a.EntBlockDef.size(); ++i) {
        const TEntJwwBlockDef &p = a.EntBlockDef[i], &q = b.EntBlockDef[i];
        if (!(p.att == q.att) || p.nNumber != q.nNumber || p.bRefferd != q.bRefferd ||
            p.dtime != q.dtime || p.strName != q.strName || p.N != q.N ||
            !std::ranges::equal(p.mNo(), q.mNo()) || !std::ranges::equal(p.mLine(), q.mLine()) ||
            !std::ranges::equal(p.mEnko(), q.mEnko()) || !std::ranges::equal(p.mTen(), q.mTen()) ||
            !std::ranges::equal(p.mMoji(), q.mMoji()) ||
            !std::ranges::equal(p.mSunpo(), q.mSunpo()) ||
            !std::ranges::equal(p.mSolid(), q.mSolid()) ||
            !std::ranges::equal(p.mBlock(), q.mBlock()))
            return ::testing::AssertionFailure() << "block definition " << i << " differs";
    }
    return ::testing::AssertionSuccess();
}

} // namespace pravelot::test
