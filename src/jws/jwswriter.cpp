// Writing TJwsData as a .jws file.

#include "core/bytewriter.h"
#include "core/file.h"
#include "core/path.h"
#include "jws/blocknumberindex.h"
#include "jws/jwsdata.h"
#include "jws/writtenattr.h"

#include <array>
#include <cmath>

namespace pravelot {

namespace {

constexpr std::array<std::string_view, 9> kClassNames = {"",           "CDataSen",   "CDataEnko",
                                                         "CDataTen",   "CDataMoji",  "CDataSunpou",
                                                         "CDataSolid", "CDataBlock", "CDataList"};

// Longest prefix of Shift_JIS bytes the ANSI string form can hold: at most 65535 bytes,
// never 65534 (that length is the UTF-16 marker), never splitting a two-byte character.
std::size_t ansiFitLength(const Bytes &b)
{
    if (b.size() <= 65533 || b.size() == 65535)
        return b.size();
    std::size_t fit = 0;
    for (std::size_t i = 0; i < b.size();) {
        const std::uint8_t c = b[i];
        const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        const std::size_t next = i + (lead ? 2 : 1);
        if (next > 65535 || next > b.size())
            break;
        if (next != 65534)
            fit = next;
        i = next;
    }
    return fit;
}

} // namespace

class JwsWriter {
public:
    JwsWriter(ByteWriter &w, const TJwsData &d, std::int32_t ver)
        : m_w(w), m_d(d), m_c(WrittenVersion(ver)), m_index(d.EntBlockDef)
    {
        m_utf16 = (d.FileOutOpt & 32) != 0;
        m_splitSunpo = m_c < 420 && d.Enthd.jwVer >= 420;
    }

    void write();
    // The members of the last definition come from produce, `count` of them.
    void streamLastDefinition(std::uint64_t count, const TJwsData::MemberProducer &produce)
    {
        m_streamCount = count;
        m_produce = &produce;
    }

private:
    class MemberOut;
    // Block numbers as written: the first definition of each number decides. A reference
    // to no definition, or one that closes a cycle, gets the number one past the last
    // written definition, so that it can never bind to a written one.
    std::uint32_t blockNo(std::uint32_t n) const
    {
        const std::int32_t i = m_index.find(n);
        if (i < 0)
            return static_cast<std::uint32_t>(m_d.EntBlockNum);
        const TEntJwwBlockDef &def = m_d.EntBlockDef[static_cast<std::size_t>(i)];
        return def.ref_flag ? static_cast<std::uint32_t>(def.ref_no) : n;
    }
    bool splits(const TEntJwwSunpo &s) const { return m_splitSunpo && s.bSxfMode != 0; }
    std::uint64_t countList(ConstEntityLists lists, std::span<const TEntJwwNo> order,
                            std::int64_t n) const;
    void CountOut(std::uint64_t n);
    void ClassRefOut(std::uint64_t k);
    void classTag(std::int32_t kind);
    void AttrOut(TEntJwwAttr a, std::int32_t kind);
    void StringOut(const std::u16string &s);
    void lineOut(const TEntJwwLine &e, std::int32_t kind);
    void tenOut(const TEntJwwTen &e, std::uint32_t kariten);
    void mojiBody(const TEntJwwMoji &e);
    std::u16string textWithOptions(const TEntJwwMoji &e) const;
    void entryOut(ConstEntityLists lists, const TEntJwwNo &e);
    void listOut(ConstEntityLists lists, std::span<const TEntJwwNo> order, std::int64_t n);

    ByteWriter &m_w;
    const TJwsData &m_d;
    std::int32_t m_c;
    bool m_utf16 = false;
    bool m_splitSunpo = false;
    std::array<std::uint64_t, 9> m_classIndex{}; // 0 = class not written yet
    std::uint64_t m_running = 1;
    BlockNumberIndex m_index;
    std::int32_t m_def = -1; // position of the definition whose members are being written
    Bytes m_scratch;
    std::uint64_t m_streamCount = 0;
    const TJwsData::MemberProducer *m_produce = nullptr;
};

// Writes each entity handed over as the one entry of a list of its own, so that it
// takes the same path, class tags and running index as one held in an array.
class JwsWriter::MemberOut : public EntitySink {
public:
    explicit MemberOut(JwsWriter &w) : m_w(w) {}
    void line(const TEntJwwLine &e) override
    {
        m_line[0] = e;
        m_w.entryOut(lists(), {kEntLine, 0});
    }
    void arc(const TEntJwwEnko &e) override
    {
        m_enko[0] = e;
        m_w.entryOut(lists(), {kEntEnko, 0});
    }
    void text(TEntJwwMoji &&e) override
    {
        m_moji[0] = std::move(e);
        m_w.entryOut(lists(), {kEntMoji, 0});
    }
    void point(const TEntJwwTen &e) override
    {
        m_ten[0] = e;
        m_w.entryOut(lists(), {kEntTen, 0});
    }

private:
    ConstEntityLists lists() const
    {
        return {m_line, m_enko, m_ten, m_moji, m_sunpo, m_solid, m_block};
    }

    JwsWriter &m_w;
    std::vector<TEntJwwLine> m_line = std::vector<TEntJwwLine>(1);
    std::vector<TEntJwwEnko> m_enko = std::vector<TEntJwwEnko>(1);
    std::vector<TEntJwwTen> m_ten = std::vector<TEntJwwTen>(1);
    std::vector<TEntJwwMoji> m_moji = std::vector<TEntJwwMoji>(1);
    std::vector<TEntJwwSunpo> m_sunpo;
    std::vector<TEntJwwSolid> m_solid;
    std::vector<TEntJwwBlock> m_block;
};

void JwsWriter::CountOut(std::uint64_t n)
{
    if (n < 0xFFFF) {
        m_w.u16(static_cast<std::uint16_t>(n));
    } else {
        m_w.u16(0xFFFF);
        m_w.u32(static_cast<std::uint32_t>(n));
    }
}

void JwsWriter::ClassRefOut(std::uint64_t k)
{
    if (k < 0x7FFF) {
        m_w.u16(static_cast<std::uint16_t>(0x8000 + k));
    } else {
        m_w.u16(0x7FFF);
        m_w.u32(static_cast<std::uint32_t>(0x80000000u + k));
    }
}

void JwsWriter::classTag(std::int32_t kind)
{
    std::uint64_t &idx = m_classIndex[static_cast<std::size_t>(kind)];
    if (idx != 0) {
        ClassRefOut(idx);
        return;
    }
    const std::string_view name = kClassNames[static_cast<std::size_t>(kind)];
    m_w.u16(0xFFFF);
    m_w.u16(static_cast<std::uint16_t>(m_c & 0xFFFF));
    m_w.u16(static_cast<std::uint16_t>(name.size()));
    m_w.put(std::span(reinterpret_cast<const std::uint8_t *>(name.data()), name.size()));
    idx = m_running++;
}

void JwsWriter::AttrOut(TEntJwwAttr a, std::int32_t kind)
{
    a = WrittenAttr(a, kind, m_c);
    m_w.u32(a.lGroup);
    m_w.u8(a.nPenStyle);
    m_w.u16(a.nPenColor);
    if (m_c >= 351)
        m_w.u16(a.nPenWidth);
    m_w.u16(a.nLayer);
    m_w.u16(a.nGLayer);
    m_w.u16(a.sFlg);
}

void JwsWriter::StringOut(const std::u16string &s)
{
    if (m_utf16) {
        std::size_t m = s.size();
        // Cut to what the form can hold, never splitting a surrogate pair.
        if (m > 65535)
            m = (s[65534] >= 0xD800 && s[65534] <= 0xDBFF) ? 65534 : 65535;
        m_w.u8(0xFF);
        m_w.u16(0xFFFE);
        if (m < 255) {
            m_w.u8(static_cast<std::uint8_t>(m));
        } else {
            m_w.u8(0xFF);
            m_w.u16(static_cast<std::uint16_t>(m));
        }
        for (std::size_t i = 0; i < m; ++i)
            m_w.u16(s[i]);
        return;
    }
    m_scratch.clear();
    AppendAnsiBytes(s, m_scratch);
    m_scratch.resize(static_cast<std::size_t>(ZeroTermLength(m_scratch)));
    const std::size_t n = ansiFitLength(m_scratch);
    if (n < 255) {
        m_w.u8(static_cast<std::uint8_t>(n));
    } else {
        m_w.u8(0xFF);
        m_w.u16(static_cast<std::uint16_t>(n));
    }
    m_w.put(std::span(m_scratch.data(), n));
}

void JwsWriter::lineOut(const TEntJwwLine &e, std::int32_t kind)
{
    AttrOut(e.att, kind);
    m_w.f64(e.start_x);
    m_w.f64(e.start_y);
    m_w.f64(e.end_x);
    m_w.f64(e.end_y);
}

void JwsWriter::tenOut(const TEntJwwTen &e, std::uint32_t kariten)
{
    AttrOut(e.att, kEntTen);
    m_w.f64(e.start_x);
    m_w.f64(e.start_y);
    m_w.u32(kariten);
    if (e.att.nPenStyle == 100) {
        m_w.u32(e.nCode);
        m_w.f64(e.radKaitenKaku);
        m_w.f64(e.dBairitsu);
    }
}

void JwsWriter::mojiBody(const TEntJwwMoji &e)
{
    AttrOut(e.att, kEntMoji);
    m_w.f64(e.start_x);
    m_w.f64(e.start_y);
    m_w.f64(e.end_x);
    m_w.f64(e.end_y);
    m_w.u32(e.nMojiShu);
    m_w.f64(WrittenTextSize(e.dSizeX));
    m_w.f64(WrittenTextSize(e.dSizeY));
    m_w.f64(e.dKankaku);
    m_w.f64(e.degKakudo);
    StringOut(TextOutClean(e.strFontName));
}

std::u16string JwsWriter::textWithOptions(const TEntJwwMoji &e) const
{
    std::u16string t = TextOutClean(e.str);
    // Option 16 applies the text substitution list, which nothing in this program fills.
    if ((m_d.FileOutOpt & 8) && t.starts_with(u"^@BM%temp%"))
        t = u"^@BM" + t.substr(10);
    if ((m_d.FileOutOpt & 1) && t.starts_with(u"^@BM")) {
        const std::size_t comma = t.find(u',');
        if (comma != std::u16string::npos)
            t = u"^@BM" + FileNameOf(std::u16string_view(t).substr(4, comma - 4)) + t.substr(comma);
    }
    return t;
}

std::uint64_t JwsWriter::countList(ConstEntityLists lists, std::span<const TEntJwwNo> order,
                                   std::int64_t n) const
{
    std::uint64_t count = 0;
    const std::size_t end =
        std::min<std::size_t>(order.size(), static_cast<std::size_t>(std::max<std::int64_t>(n, 0)));
    for (std::size_t i = 0; i < end; ++i) {
        const TEntJwwNo &e = order[i];
        if (!lists.valid(e))
            continue;
        count += (e.EntType == kEntSunpo && splits(lists.sunpo[static_cast<std::size_t>(e.EntNo)]))
                     ? 7
                     : 1;
    }
    return count;
}

void JwsWriter::entryOut(ConstEntityLists lists, const TEntJwwNo &e)
{
    if (!lists.valid(e))
        return;
    const auto i = static_cast<std::size_t>(e.EntNo);
    classTag(e.EntType);
    switch (e.EntType) {
    case kEntLine:
        lineOut(lists.line[i], kEntLine);
        break;
    case kEntEnko: {
        const TEntJwwEnko &a = lists.enko[i];
        AttrOut(a.att, kEntEnko);
        for (double v : {a.start_x, a.start_y, a.dHankei, a.radKaishiKaku, a.radEnkoKaku,
                         a.radKatamukiKaku, a.dHenpeiRitsu})
            m_w.f64(v);
        m_w.u32(a.bZenEnFlg);
        break;
    }
    case kEntTen:
        tenOut(lists.ten[i], lists.ten[i].bKariten);
        break;
    case kEntMoji: {
        const TEntJwwMoji &t = lists.moji[i];
        mojiBody(t);
        StringOut(textWithOptions(t));
        break;
    }
    case kEntSunpo: {
        const TEntJwwSunpo &s = lists.sunpo[i];
        AttrOut(s.att, kEntSunpo);
        lineOut(s.Sen, kEntLine);
        mojiBody(s.Moji);
        StringOut(TextOutClean(s.Moji.str));
        const TEntJwwSunpoExt x = m_c >= 420 || splits(s) ? s.ext() : TEntJwwSunpoExt{};
        if (m_c >= 420) {
            m_w.u16(s.bSxfMode);
            lineOut(x.Ho1, kEntLine);
            lineOut(x.Ho2, kEntLine);
            for (const TEntJwwTen *t : {&x.Te1, &x.Te2, &x.Kt1, &x.Kt2})
                tenOut(*t, t->bKariten);
        } else if (splits(s)) {
            // An older version has no place for the extended parts: they follow as
            // objects of their own.
            ++m_running;
            classTag(kEntLine);
            lineOut(x.Ho1, kEntLine);
            ++m_running;
            classTag(kEntLine);
            lineOut(x.Ho2, kEntLine);
            ++m_running;
            classTag(kEntTen);
            tenOut(x.Te1, x.Te1.bKariten);
            ++m_running;
            classTag(kEntTen);
            tenOut(x.Te2, x.Te2.bKariten);
            ++m_running;
            classTag(kEntTen);
            tenOut(x.Kt1, 1);
            ++m_running;
            classTag(kEntTen);
            tenOut(x.Kt2, 1);
        }
        break;
    }
    case kEntSolid: {
        const TEntJwwSolid &s = lists.solid[i];
        AttrOut(s.att, kEntSolid);
        for (double v : {s.start_x, s.start_y, s.end_x, s.end_y, s.DPoint2_x, s.DPoint2_y,
                         s.DPoint3_x, s.DPoint3_y})
            m_w.f64(v);
        if (s.att.nPenColor == 10)
            m_w.u32(s.Color);
        break;
    }
    case kEntBlock: {
        const TEntJwwBlock &b = lists.block[i];
        AttrOut(b.att, kEntBlock);
        for (double v :
             {b.DPKijunTen_x, b.DPKijunTen_y, b.dBairitsuX, b.dBairitsuY, b.radKaitenKaku})
            m_w.f64(v);
        const bool closes = m_def >= 0 && m_d.closesCycle(m_def, i);
        m_w.u32(closes ? static_cast<std::uint32_t>(m_d.EntBlockNum) : blockNo(b.nNumber));
        break;
    }
    default:
        break;
    }
    ++m_running;
}

void JwsWriter::listOut(ConstEntityLists lists, std::span<const TEntJwwNo> order, std::int64_t n)
{
    const std::size_t end =
        std::min<std::size_t>(order.size(), static_cast<std::size_t>(std::max<std::int64_t>(n, 0)));
    for (std::size_t i = 0; i < end; ++i)
        entryOut(lists, order[i]);
}

void JwsWriter::write()
{
    const TEntJwsHeader &h = m_d.Enthd;
    const std::uint8_t id[] = {'J', 'w', 's', 'D', 'a', 't', 'a'};
    m_w.put(std::span(id));
    m_w.fill(0x2E, 193);
    m_w.i32(m_c);
    m_w.f64(h.BasePoint_x);
    m_w.f64(h.BasePoint_y);
    for (std::size_t g = 0; g < 16; ++g)
        m_w.f64(g < m_d.EntLgrp.size() ? m_d.EntLgrp[g].adScale : 0.0);
    for (std::int32_t v : {h.dmy01, h.dmy02, h.dmy03, h.dmy04, h.dmy05, h.dmy06})
        m_w.i32(v);
    for (double v :
         {h.dmy11, h.dmy12, h.dmy13, h.dmy14, h.dmy15, h.dmy16, h.Mx1, h.My1, h.Mx2, h.My2})
        m_w.f64(v);

    const ConstEntityLists top = m_d.topLists();
    CountOut(countList(top, m_d.EntNo, h.n1));
    listOut(top, m_d.EntNo, h.n1);

    CountOut(static_cast<std::uint64_t>(std::max(m_d.EntBlockNum, 0)));
    for (std::size_t p = 0; p < m_d.EntBlockDef.size(); ++p) {
        const TEntJwwBlockDef &def = m_d.EntBlockDef[p];
        if (!def.ref_flag)
            continue;
        m_def = static_cast<std::int32_t>(p);
        classTag(kEntBlockDef);
        AttrOut(def.att, kEntBlockDef);
        m_w.u32(blockNo(def.nNumber));
        m_w.u32(def.bRefferd);
        m_w.u32(def.dtime);
        StringOut(TextOutClean(def.strName));
        if (m_produce && &def == &m_d.EntBlockDef.back()) {
            CountOut(m_streamCount);
            ++m_running;
            MemberOut out(*this);
            (*m_produce)(out);
            continue;
        }
        const ConstEntityLists members = listsOf(def);
        CountOut(countList(members, def.mNo(), def.N));
        ++m_running;
        listOut(members, def.mNo(), def.N);
    }
}

void TJwsData::writeTo(ByteWriter &w, std::int32_t Ver, std::uint64_t streamed,
                       const MemberProducer *produce)
{
    Enthd.jwID = u"JwsData";
    JwsWriter writer(w, *this, Ver);
    if (produce)
        writer.streamLastDefinition(streamed, *produce);
    writer.write();
}

bool TJwsData::FileOutStreamed(NewFile &file, std::int32_t Ver, std::uint64_t members,
                               const MemberProducer &produce)
{
    return WriteNewFile(file, [&](ByteWriter &w) {
        writeTo(w, Ver, members, &produce);
        return w.ok();
    });
}

Bytes TJwsData::FileOutBytes(std::int32_t Ver)
{
    ByteWriter w;
    writeTo(w, Ver);
    return w.take();
}

bool TJwsData::FileOut(const std::u16string &FName, std::int32_t Ver)
{
    NewFile file{FName, {}, {}, {}};
    return FileOut(file, Ver);
}

bool TJwsData::FileOut(NewFile &file, std::int32_t Ver)
{
    return WriteNewFile(file, [&](ByteWriter &w) {
        writeTo(w, Ver);
        return w.ok();
    });
}

} // namespace pravelot
