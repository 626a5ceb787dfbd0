#include "figuregen.h"

#include "core/bytewriter.h"

#include <random>
#include <string>

namespace pravelot::bench {

namespace {

const char16_t *const kWords[] = {u"扉",   u"窓",   u"階段", u"手摺", u"W=900",  u"H=2100",
                                  u"足場", u"親綱", u"A-1",  u"断面", u"平面図", u"ｱﾝｶｰ"};

class Rand {
public:
    explicit Rand(std::uint32_t seed) : m_rng(seed) {}
    double coord() { return std::uniform_real_distribution<double>(-20000, 20000)(m_rng); }
    double near(double x) { return x + std::uniform_real_distribution<double>(-500, 500)(m_rng); }
    int pick(int n) { return static_cast<int>(m_rng() % static_cast<std::uint32_t>(n)); }
    std::u16string text()
    {
        std::u16string s = kWords[pick(12)];
        if (pick(2) == 0)
            s += kWords[pick(12)];
        return s;
    }

private:
    std::mt19937 m_rng;
};

TEntJwwAttr attr(Rand &r, std::uint8_t style)
{
    return {0,
            style,
            static_cast<std::uint16_t>(1 + r.pick(9)),
            0,
            static_cast<std::uint16_t>(r.pick(16)),
            static_cast<std::uint16_t>(r.pick(4)),
            0};
}

template <class T>
std::int32_t push(std::vector<T> &v, std::vector<TEntJwwNo> &order, std::int32_t kind, T e)
{
    v.push_back(std::move(e));
    const auto i = static_cast<std::int32_t>(v.size() - 1);
    order.push_back({kind, i});
    return i;
}

// Appends one entity of a kind chosen in drawing-like proportions.
void addEntity(Rand &r, EntityLists lists, std::vector<TEntJwwNo> &order, std::uint32_t blocks)
{
    const int k = r.pick(100);
    const double x = r.coord(), y = r.coord();
    if (k < 58) {
        TEntJwwLine l{attr(r, static_cast<std::uint8_t>(1 + r.pick(9))), x, y, r.near(x),
                      r.near(y)};
        push(lists.line, order, kEntLine, l);
    } else if (k < 70) {
        TEntJwwEnko a{attr(r, 1),
                      x,
                      y,
                      10.0 * (1 + r.pick(50)),
                      0,
                      1.5,
                      0,
                      1,
                      static_cast<std::uint32_t>(r.pick(2))};
        push(lists.enko, order, kEntEnko, a);
    } else if (k < 85) {
        TEntJwwMoji t;
        t.att = attr(r, 1);
        t.start_x = x;
        t.start_y = y;
        t.end_x = x + 30;
        t.end_y = y;
        t.nMojiShu = 3;
        t.dSizeX = t.dSizeY = 3;
        t.dKankaku = 0.5;
        t.strFontName = u"ＭＳ ゴシック";
        t.str = r.text();
        push(lists.moji, order, kEntMoji, std::move(t));
    } else if (k < 90) {
        TEntJwwTen p{attr(r, 1), x, y, 0, 0, 0, 1};
        push(lists.ten, order, kEntTen, p);
    } else if (k < 95) {
        TEntJwwSunpo s;
        s.att = attr(r, 1);
        s.Sen = {attr(r, 1), x, y, x + 900, y};
        s.Moji.att = attr(r, 1);
        s.Moji.start_x = x + 400;
        s.Moji.start_y = y + 5;
        s.Moji.end_x = x + 500;
        s.Moji.end_y = y + 5;
        s.Moji.dSizeX = s.Moji.dSizeY = 2.5;
        s.Moji.strFontName = u"ＭＳ ゴシック";
        s.Moji.str = u"900";
        s.bSxfMode = static_cast<std::uint16_t>(r.pick(2));
        push(lists.sunpo, order, kEntSunpo, std::move(s));
    } else if (k < 98 || blocks == 0) {
        TEntJwwSolid s{attr(r, 1), x, y, x + 10, y, x + 10, y + 10, x, y + 10, 0};
        push(lists.solid, order, kEntSolid, s);
    } else {
        TEntJwwBlock b{attr(r, 1),
                       x,
                       y,
                       1,
                       1,
                       0,
                       static_cast<std::uint32_t>(r.pick(static_cast<int>(blocks)))};
        push(lists.block, order, kEntBlock, b);
    }
}

} // namespace

TJwsData generateJws(std::int64_t entities, std::int32_t version, std::uint32_t seed,
                     std::uint32_t blocks, int members)
{
    Rand r(seed);
    TJwsData d;
    d.Enthd.jwID = u"JwsData";
    d.Enthd.jwVer = version;
    d.Enthd.BasePoint_x = 1000;
    d.Enthd.BasePoint_y = -500;
    d.EntLgrp.assign(16, TEntJwwLayerGroup{2, 0, 50, 0, {}});
    // Later definitions place earlier ones.
    for (std::uint32_t i = 0; i < blocks; ++i) {
        TEntJwwBlockDef &def = d.EntBlockDef.emplace_back();
        def.att = {0, 1, 2, 0, 0, 0, 0};
        def.nNumber = i;
        def.strName = u"部品" + fromUtf8(std::to_string(i)) + u"@@SfigorgFlag@@4";
        for (int m = 0; m < members; ++m)
            addEntity(r, def.members.edit(), def.members.editOrder(), i);
        def.N = static_cast<std::int32_t>(def.mNo().size());
    }
    d.Enthd.n2 = d.EntBlockDefN();
    d.EntNo.reserve(static_cast<std::size_t>(entities));
    for (std::int64_t i = 0; i < entities; ++i)
        addEntity(r, d.topLists(), d.EntNo, blocks);
    d.Enthd.n1 = static_cast<std::int32_t>(d.EntNo.size());
    d.MakeBlockTree();
    d.SetFileOutOption(0);
    return d;
}

Bytes generateJwk(std::int64_t entities, std::uint32_t seed)
{
    Rand r(seed);
    const std::int64_t lines = entities * 70 / 100, arcs = entities * 12 / 100,
                       points = entities * 5 / 100;
    const std::int64_t texts = entities - lines - arcs - points;
    Bytes pool;
    std::vector<std::uint16_t> offsets;
    for (int i = 0; i < 200; ++i) {
        offsets.push_back(static_cast<std::uint16_t>(pool.size()));
        appendAnsiBytes(r.text(), pool);
        pool.push_back(0);
    }
    ByteWriter w;
    Bytes a(200, 0);
    const char id[] = "jw_cad(c)sym........";
    std::copy(id, id + 20, a.begin());
    w.put(a);
    std::string b = std::to_string(lines) + "," + std::to_string(arcs) + "," +
                    std::to_string(points) + "," + std::to_string(texts) + ",0,0,1," +
                    std::to_string(pool.size()) + ",1";
    b.resize(200, '\0');
    w.put(std::span(reinterpret_cast<const std::uint8_t *>(b.data()), b.size()));
    auto f32 = [&](double v) { w.put(static_cast<float>(v)); };
    for (std::int64_t i = 0; i < lines; ++i) {
        const double x = r.coord(), y = r.coord();
        f32(x), f32(y), f32(r.near(x)), f32(r.near(y));
        for (std::uint8_t v :
             {std::uint8_t(1 + r.pick(9)), std::uint8_t(1 + r.pick(7)), std::uint8_t(r.pick(256)),
              std::uint8_t(0), std::uint8_t(r.pick(2) ? 0x40 : 0), std::uint8_t(0)})
            w.u8(v);
    }
    for (std::int64_t i = 0; i < arcs; ++i) {
        f32(r.coord()), f32(r.coord()), f32(10 + r.pick(500));
        w.u16(10000);
        w.i32(r.pick(360) * 65536);
        w.i32(r.pick(360) * 65536);
        w.i32(0);
        for (int k = 0; k < 6; ++k)
            w.u8(k < 2 ? 1 : 0);
    }
    for (std::int64_t i = 0; i < points; ++i) {
        f32(r.coord()), f32(r.coord());
        w.u32(0x00000100);
    }
    for (std::int64_t i = 0; i < texts; ++i) {
        const double x = r.coord(), y = r.coord();
        f32(x), f32(y), f32(x + 30), f32(y);
        w.u16(offsets[static_cast<std::size_t>(r.pick(200))]);
        w.u16(0);
        w.u8(static_cast<std::uint8_t>(1 + r.pick(10)));
        w.u8(0);
        w.u8(0);
        w.u8(0);
    }
    w.put(pool);
    return w.release();
}

} // namespace pravelot::bench
