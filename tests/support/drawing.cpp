#include "support/drawing.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace pravelot::test {

namespace {

struct Placement {
    double x = 0, y = 0, r1 = 1, r2 = 0, r3 = 0, r4 = 1;
    void point(std::vector<double> &v, double u, double w) const
    {
        v.push_back(x + r1 * u + r2 * w);
        v.push_back(y + r3 * u + r4 * w);
    }
};

void describeLine(const TEntJwwLine &l, const Placement &p, Primitive &pr)
{
    pr.att = l.att;
    p.point(pr.v, l.start_x, l.start_y);
    p.point(pr.v, l.end_x, l.end_y);
}

void describeEnko(const TEntJwwEnko &a, const Placement &p, Primitive &pr)
{
    pr.att = a.att;
    p.point(pr.v, a.start_x, a.start_y);
    pr.v.insert(pr.v.end(), {a.dHankei, a.radKaishiKaku, a.radEnkoKaku, a.radKatamukiKaku,
                             a.dHenpeiRitsu, double(a.bZenEnFlg)});
}

void describeTen(const TEntJwwTen &t, const Placement &p, Primitive &pr)
{
    pr.att = t.att;
    p.point(pr.v, t.start_x, t.start_y);
    pr.v.push_back(t.bKariten);
    if (t.att.nPenStyle == 100)
        pr.v.insert(pr.v.end(), {double(t.nCode), t.radKaitenKaku, t.dBairitsu});
}

void describeMoji(const TEntJwwMoji &t, const Placement &p, Primitive &pr)
{
    pr.att = t.att;
    p.point(pr.v, t.start_x, t.start_y);
    p.point(pr.v, t.end_x, t.end_y);
    pr.v.insert(pr.v.end(), {double(t.nMojiShu), t.dSizeX, t.dSizeY, t.dKankaku, t.degKakudo});
    pr.text = t.strFontName.str() + u"|" + t.str.str();
}

void describeSunpo(const TEntJwwSunpo &s, std::int32_t ver, const Placement &p, Primitive &pr)
{
    auto &v = pr.v;
    pr.att = s.att;
    p.point(v, s.Sen.start_x, s.Sen.start_y);
    p.point(v, s.Sen.end_x, s.Sen.end_y);
    p.point(v, s.Moji.start_x, s.Moji.start_y);
    p.point(v, s.Moji.end_x, s.Moji.end_y);
    pr.text = s.Moji.str;
    if (ver >= 420 && s.bSxfMode != 0) {
        const TEntJwwSunpoExt x = s.ext();
        for (const TEntJwwLine *l : {&x.Ho1, &x.Ho2}) {
            p.point(v, l->start_x, l->start_y);
            p.point(v, l->end_x, l->end_y);
        }
        for (const TEntJwwTen *t : {&x.Te1, &x.Te2, &x.Kt1, &x.Kt2})
            p.point(v, t->start_x, t->start_y);
    }
}

void describeSolid(const TEntJwwSolid &s, const Placement &p, Primitive &pr)
{
    auto &v = pr.v;
    pr.att = s.att;
    p.point(v, s.start_x, s.start_y);
    if (s.att.nPenStyle < 101) {
        p.point(v, s.end_x, s.end_y);
        p.point(v, s.DPoint2_x, s.DPoint2_y);
        p.point(v, s.DPoint3_x, s.DPoint3_y);
    } else {
        v.insert(v.end(), {s.end_x, s.end_y, s.DPoint2_x, s.DPoint2_y, s.DPoint3_x, s.DPoint3_y});
    }
    v.push_back(s.att.nPenColor == 10 ? s.Color : 0);
}

// The primitive of one entity of the lists, placed by p.
Primitive describe(ConstEntityLists lists, const TEntJwwNo &e, std::int32_t ver, const Placement &p)
{
    const auto i = static_cast<std::size_t>(e.EntNo);
    Primitive pr;
    pr.kind = e.EntType;
    switch (e.EntType) {
    case kEntLine:
        describeLine(lists.line[i], p, pr);
        break;
    case kEntEnko:
        describeEnko(lists.enko[i], p, pr);
        break;
    case kEntTen:
        describeTen(lists.ten[i], p, pr);
        break;
    case kEntMoji:
        describeMoji(lists.moji[i], p, pr);
        break;
    case kEntSunpo:
        describeSunpo(lists.sunpo[i], ver, p, pr);
        break;
    case kEntSolid:
        describeSolid(lists.solid[i], p, pr);
        break;
    default:
        break;
    }
    return pr;
}

void drawList(ConstEntityLists lists, std::span<const TEntJwwNo> order, std::int32_t n,
              std::int32_t ver, const Placement &p, std::vector<Primitive> &out)
{
    const std::size_t end =
        std::min<std::size_t>(order.size(), static_cast<std::size_t>(std::max(n, 0)));
    for (std::size_t k = 0; k < end; ++k) {
        const TEntJwwNo &e = order[k];
        if (lists.valid(e) && e.EntType != kEntBlock)
            out.push_back(describe(lists, e, ver, p));
    }
}

bool lessAttr(const TEntJwwAttr &a, const TEntJwwAttr &b)
{
    return std::tie(a.lGroup, a.nPenStyle, a.nPenColor, a.nPenWidth, a.nLayer, a.nGLayer, a.sFlg) <
           std::tie(b.lGroup, b.nPenStyle, b.nPenColor, b.nPenWidth, b.nLayer, b.nGLayer, b.sFlg);
}

} // namespace

std::vector<Primitive> drawing(const TJwsData &d)
{
    std::vector<Primitive> out;
    drawList(d.topLists(), d.EntNo, d.Enthd.n1, d.Enthd.jwVer, Placement{}, out);
    for (const TEntJwwBlockTree &t : d.EntBlockTree) {
        if (t.defno < 0)
            continue;
        const TEntJwwBlockDef &def = d.EntBlockDef[static_cast<std::size_t>(t.defno)];
        drawList(listsOf(def), def.mNo(), def.N, d.Enthd.jwVer,
                 Placement{t.x, t.y, t.r1, t.r2, t.r3, t.r4}, out);
    }
    // Sorted by what does not move with the coordinates, then by rounded coordinates.
    std::sort(out.begin(), out.end(), [](const Primitive &a, const Primitive &b) {
        if (a.kind != b.kind)
            return a.kind < b.kind;
        if (a.text != b.text)
            return a.text < b.text;
        if (!(a.att == b.att))
            return lessAttr(a.att, b.att);
        for (std::size_t i = 0; i < std::min(a.v.size(), b.v.size()); ++i) {
            const double x = std::round(a.v[i] * 1e3), y = std::round(b.v[i] * 1e3);
            if (x != y)
                return x < y;
        }
        return a.v.size() < b.v.size();
    });
    return out;
}

} // namespace pravelot::test
