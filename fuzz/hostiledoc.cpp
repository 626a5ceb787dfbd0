#include "hostiledoc.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace pravelot::fuzz {

std::uint32_t ByteChoices::below(std::uint32_t n)
{
    if (n <= 1)
        return 0;
    std::uint32_t v = byte();
    if (n > 256)
        v = v << 8 | byte();
    return v % n;
}

namespace {

constexpr std::array<std::int32_t, 7> kVersions = {230, 350, 351, 419, 420, 600, 700};

// Appends records to one list (the top level or a definition's members) with their order
// entries. Every record is one the writer keeps as it is, and every placement is exact in
// binary (integer positions, scales of 1, 2 or ½, no rotation), so that a drawing can be
// compared exactly after it was moved into a block and back.
class ListBuilder {
public:
    ListBuilder(ByteChoices &c, std::int32_t version, EntityLists lists,
                std::vector<TEntJwwNo> &order)
        : m_c(c), m_version(version), m_lists(lists), m_order(order)
    {
    }

    void entities(std::uint32_t most)
    {
        const std::uint32_t n = m_c.below(most + 1);
        for (std::uint32_t i = 0; i < n; ++i) {
            switch (m_c.below(6)) {
            case 0:
                line();
                break;
            case 1:
                arc();
                break;
            case 2:
                text();
                break;
            case 3:
                dimension();
                break;
            case 4:
                point();
                break;
            default:
                solid();
                break;
            }
        }
    }

    void reference(std::uint32_t number)
    {
        TEntJwwBlock &b = m_lists.block.emplace_back();
        b.att = attr(1, 2);
        b.DPKijunTen_x = coord();
        b.DPKijunTen_y = coord();
        static constexpr double scales[] = {1, 2, 0.5};
        b.dBairitsuX = scales[m_c.below(3)];
        b.dBairitsuY = scales[m_c.below(3)];
        b.nNumber = number;
        push(kEntBlock, m_lists.block.size());
    }

private:
    double coord()
    {
        return static_cast<double>(static_cast<std::int32_t>(m_c.below(2001)) - 1000);
    }
    TEntJwwAttr attr(std::uint8_t style, std::uint16_t color)
    {
        TEntJwwAttr a;
        a.lGroup = m_c.below(3);
        a.nPenStyle = style;
        a.nPenColor = color;
        a.nPenWidth = m_version >= 351 ? static_cast<std::uint16_t>(m_c.below(3)) : 0;
        a.nLayer = static_cast<std::uint16_t>(m_c.below(16));
        a.nGLayer = static_cast<std::uint16_t>(m_c.below(16));
        return a;
    }
    void push(std::int32_t kind, std::size_t size)
    {
        m_order.push_back({kind, static_cast<std::int32_t>(size - 1)});
    }
    std::u16string string()
    {
        static const std::u16string alphabet = u"AbZ09 .,図形ｱ^@BM";
        std::u16string s;
        for (std::uint32_t n = m_c.below(12); n > 0; --n)
            s.push_back(alphabet[m_c.below(static_cast<std::uint32_t>(alphabet.size()))]);
        return s;
    }
    TEntJwwLine lineRecord()
    {
        TEntJwwLine l;
        l.att = attr(1, static_cast<std::uint16_t>(1 + m_c.below(9)));
        l.start_x = coord();
        l.start_y = coord();
        l.end_x = coord();
        l.end_y = coord();
        return l;
    }
    TEntJwwMoji textRecord()
    {
        TEntJwwMoji t;
        t.att = attr(static_cast<std::uint8_t>(1 + m_c.below(9)), 1);
        t.start_x = coord();
        t.start_y = coord();
        t.end_x = coord();
        t.end_y = coord();
        t.nMojiShu = m_c.below(11);
        t.dSizeX = t.dSizeY = 2.5;
        t.strFontName = m_c.chance(2) ? u"ＭＳ ゴシック" : u"";
        t.str = string();
        return t;
    }
    void line()
    {
        m_lists.line.push_back(lineRecord());
        push(kEntLine, m_lists.line.size());
    }
    void arc()
    {
        TEntJwwEnko &a = m_lists.enko.emplace_back();
        a.att = attr(1, 1);
        a.start_x = coord();
        a.start_y = coord();
        a.dHankei = 1 + m_c.below(100);
        a.radEnkoKaku = 1;
        a.dHenpeiRitsu = 1;
        a.bZenEnFlg = m_c.below(2);
        push(kEntEnko, m_lists.enko.size());
    }
    void text()
    {
        m_lists.moji.push_back(textRecord());
        push(kEntMoji, m_lists.moji.size());
    }
    void dimension()
    {
        TEntJwwSunpo s;
        s.att = attr(1, 1);
        s.Sen = lineRecord();
        s.Moji = textRecord();
        if (m_version >= 420) {
            s.bSxfMode = static_cast<std::uint16_t>(m_c.below(2));
            TEntJwwSunpoExt &x = s.editExt();
            x.Ho1 = lineRecord();
            x.Ho2 = lineRecord();
            for (TEntJwwTen *t : {&x.Te1, &x.Te2, &x.Kt1, &x.Kt2}) {
                t->att = attr(1, 1);
                t->start_x = coord();
                t->start_y = coord();
            }
        } else {
            // What an older file carries: the dimension's own attribute, nothing else.
            s.deriveExtFromAtt();
        }
        m_lists.sunpo.push_back(std::move(s));
        push(kEntSunpo, m_lists.sunpo.size());
    }
    void point()
    {
        TEntJwwTen &t = m_lists.ten.emplace_back();
        t.att = attr(1, 1);
        t.start_x = coord();
        t.start_y = coord();
        t.dBairitsu = 1;
        push(kEntTen, m_lists.ten.size());
    }
    void solid()
    {
        TEntJwwSolid &s = m_lists.solid.emplace_back();
        s.att = attr(m_c.chance(3) ? 101 : 1, 1);
        for (double *v : {&s.start_x, &s.start_y, &s.end_x, &s.end_y, &s.DPoint2_x, &s.DPoint2_y,
                          &s.DPoint3_x, &s.DPoint3_y})
            *v = coord();
        push(kEntSolid, m_lists.solid.size());
    }

    ByteChoices &m_c;
    std::int32_t m_version;
    EntityLists m_lists;
    std::vector<TEntJwwNo> &m_order;
};

std::u16string blockName(ByteChoices &c, const HostileSizes &sizes)
{
    switch (c.below(6)) {
    case 0:
        return u"";
    case 1:
        return u"扉@@SfigorgFlag@@4";
    case 2: // long enough for the tree to have copied it into each instance
        return std::u16string(std::size_t{sizes.nameChars} * (1 + c.below(16)), u'名');
    default:
        return u"part" + std::u16string(c.below(4), u'x');
    }
}

} // namespace

TJwsData hostileJws(ByteChoices &c, const HostileSizes &sizes)
{
    TJwsData d;
    d.Enthd.jwID = u"JwsData";
    d.Enthd.jwVer = kVersions[c.below(kVersions.size())];
    d.Enthd.BasePoint_x = static_cast<double>(c.below(200)) - 100;
    d.Enthd.BasePoint_y = static_cast<double>(c.below(200)) - 100;
    TEntJwwLayerGroup group;
    group.anGLay = 2;
    group.adScale = 1;
    d.EntLgrp.assign(16, group);
    d.MojiEncode = c.chance(3);
    d.FileOutOpt = d.MojiEncode ? 32 : 0;

    // Numbers come from a small range, so that references meet definitions, some
    // definitions share a number, and some references name none.
    const std::uint32_t range = 2 + c.below(10);
    auto number = [&] { return c.chance(16) ? 0xFFFFFFF0u + c.below(16) : c.below(range); };
    ListBuilder top(c, d.Enthd.jwVer, d.topLists(), d.EntNo);
    top.entities(6);
    for (std::uint32_t n = c.below(5); n > 0; --n)
        top.reference(number());
    const std::uint32_t defs = c.below(range + 2);
    for (std::uint32_t i = 0; i < defs; ++i) {
        TEntJwwBlockDef &def = d.EntBlockDef.emplace_back();
        def.att = TEntJwwAttr{0, 1, 2, 0, 0, 0, 0};
        def.nNumber = number();
        def.bRefferd = 1;
        def.strName = blockName(c, sizes);
        ListBuilder members(c, d.Enthd.jwVer, def.members.edit(), def.members.editOrder());
        members.entities(4);
        for (std::uint32_t n = c.below(4); n > 0; --n)
            members.reference(number());
        def.N = static_cast<std::int32_t>(def.mNo().size());
    }
    d.Enthd.n1 = static_cast<std::int32_t>(d.EntNo.size());
    d.Enthd.n2 = d.EntBlockDefN();
    d.MakeBlockTree();
    return d;
}

Bytes hostileJwk(ByteChoices &c, const HostileSizes &sizes)
{
    // The pool: strings of some length, each ended by a zero byte, or none.
    Bytes pool;
    for (std::uint32_t n = c.below(6); n > 0; --n) {
        const std::uint32_t len = c.chance(4) ? sizes.poolChars * c.below(40) : c.below(20);
        for (std::uint32_t i = 0; i < len; ++i)
            pool.push_back(static_cast<std::uint8_t>(c.chance(8) ? 0x82 : 'a' + i % 26));
        if (!c.chance(5))
            pool.push_back(0);
    }
    const std::uint32_t lines = c.below(8), arcs = c.below(8), points = c.below(8);
    const std::uint32_t texts = c.chance(4) ? sizes.manyTexts * c.below(50) : c.below(40);
    Bytes f(200, 0);
    const std::string_view id = "jw_cad(c)sym........";
    std::copy(id.begin(), id.end(), f.begin());
    std::string b = std::to_string(lines) + "," + std::to_string(arcs) + "," +
                    std::to_string(points) + "," + std::to_string(texts) + ",0,0,1," +
                    std::to_string(pool.size()) + "," + std::to_string(1 + c.below(100));
    b.resize(200, '\0');
    f.insert(f.end(), b.begin(), b.end());
    auto f32 = [&](float v) {
        std::uint8_t bytes[4];
        std::memcpy(bytes, &v, 4);
        f.insert(f.end(), bytes, bytes + 4);
    };
    auto coord = [&] { return static_cast<float>(c.below(2001)) - 1000.0f; };
    for (std::uint32_t i = 0; i < lines; ++i) {
        f32(coord()), f32(coord()), f32(coord()), f32(coord());
        for (int k = 0; k < 6; ++k)
            f.push_back(c.byte());
    }
    for (std::uint32_t i = 0; i < arcs; ++i) {
        f32(coord()), f32(coord()), f32(static_cast<float>(c.below(100)));
        for (int k = 0; k < 20; ++k)
            f.push_back(c.byte());
    }
    for (std::uint32_t i = 0; i < points; ++i) {
        f32(coord()), f32(coord());
        for (int k = 0; k < 4; ++k)
            f.push_back(c.byte());
    }
    // Many texts share an offset; some point into the middle of a string or past the pool.
    const std::uint32_t shared = c.below(static_cast<std::uint32_t>(pool.size()) + 2);
    for (std::uint32_t i = 0; i < texts; ++i) {
        f32(coord()), f32(coord()), f32(coord()), f32(coord());
        const std::uint32_t p = c.empty() || c.chance(2)
                                    ? shared
                                    : c.below(static_cast<std::uint32_t>(pool.size()) + 2);
        f.push_back(static_cast<std::uint8_t>(p));
        f.push_back(static_cast<std::uint8_t>(p >> 8));
        f.push_back(0);
        f.push_back(0);
        f.push_back(static_cast<std::uint8_t>(c.below(13)));
        f.push_back(c.byte());
        f.push_back(c.byte());
        f.push_back(c.byte());
    }
    f.insert(f.end(), pool.begin(), pool.end());
    // Sometimes the file ends early.
    if (c.chance(8))
        f.resize(f.size() - std::min<std::size_t>(f.size(), c.below(64)));
    return f;
}

bool someDefinitionReachesItself(const TJwsData &d)
{
    std::vector<std::pair<std::uint32_t, std::size_t>> byNumber;
    for (std::size_t i = 0; i < d.EntBlockDef.size(); ++i)
        byNumber.emplace_back(d.EntBlockDef[i].nNumber, i);
    std::stable_sort(byNumber.begin(), byNumber.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    auto first = [&](std::uint32_t n) -> std::int64_t {
        auto it = std::lower_bound(byNumber.begin(), byNumber.end(), n,
                                   [](const auto &e, std::uint32_t v) { return e.first < v; });
        return it != byNumber.end() && it->first == n ? static_cast<std::int64_t>(it->second) : -1;
    };
    // Depth first from every definition: a reference to one still open is a cycle.
    enum : std::uint8_t { kNew, kOpen, kDone };
    std::vector<std::uint8_t> state(d.EntBlockDef.size(), kNew);
    std::vector<std::pair<std::size_t, std::size_t>> stack;
    for (std::size_t root = 0; root < d.EntBlockDef.size(); ++root) {
        if (state[root] != kNew)
            continue;
        state[root] = kOpen;
        stack.emplace_back(root, 0);
        while (!stack.empty()) {
            const std::size_t k = stack.back().first;
            const std::size_t j = stack.back().second++;
            const auto refs = d.EntBlockDef[k].mBlock();
            if (j == refs.size()) {
                state[k] = kDone;
                stack.pop_back();
                continue;
            }
            const std::int64_t t = first(refs[j].nNumber);
            if (t < 0)
                continue;
            if (state[static_cast<std::size_t>(t)] == kOpen)
                return true;
            if (state[static_cast<std::size_t>(t)] == kNew) {
                state[static_cast<std::size_t>(t)] = kOpen;
                stack.emplace_back(static_cast<std::size_t>(t), 0);
            }
        }
    }
    return false;
}

} // namespace pravelot::fuzz
