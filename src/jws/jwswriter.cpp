// Writing TJwsData as a .jws file.

#include "core/bytewriter.h"
#include "core/file.h"
#include "core/path.h"
#include "jws/blocknumberindex.h"
#include "jws/classnames.h"
#include "jws/jwsdata.h"
#include "jws/recordlayout.h"
#include "jws/writtenattr.h"

#include <array>
#include <cmath>

namespace pravelot {

namespace {

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
        : m_w(w), m_d(d), m_version(writtenVersion(ver)), m_index(d.EntBlockDef)
    {
        m_utf16 = (d.FileOutOpt & 32) != 0;
        m_splitSunpo = m_version < 420 && d.Enthd.jwVer >= 420;
    }

    void write();
    // The members of the last definition come from produce, `count` of them.
    void streamLastDefinition(std::uint64_t count, const TJwsData::MemberProducer &produce)
    {
        m_streamCount = count;
        m_produce = &produce;
    }

    // The writing side of the record layouts (see recordlayout.h).
    template <class T> void operator()(const T &v) { m_w.put(v); }
    void attr(const TEntJwwAttr &a, std::int32_t kind)
    {
        const TEntJwwAttr written = writtenAttr(a, kind, m_version);
        attrFields(*this, written);
    }
    void textSize(double v) { m_w.f64(writtenTextSize(v)); }
    bool wide() const { return m_version >= 351; }
    void label(const char *) {}
    void id(const std::u16string &)
    {
        const std::uint8_t id[] = {'J', 'w', 's', 'D', 'a', 't', 'a'};
        m_w.put(std::span(id));
    }
    void filler(std::size_t n) { m_w.fill(0x2E, n); }
    template <class F> bool fixedPart(F &&f)
    {
        f(*this);
        return true;
    }
    template <class F> void wholePart(const char *, F &&f) { f(*this); }
    void string(const std::u16string &s, TextUse use)
    {
        StringOut(use == TextUse::Entity ? textWithOptions(s) : TextOutClean(s));
    }

private:
    class MemberOut;
    // Block numbers as written: the first definition of each number decides. A reference
    // to no definition, or one that closes a cycle, gets the number one past the last
    // written definition, so that it can never bind to a written one.
    std::uint32_t blockNo(std::uint32_t n) const
    {
        return m_index.writtenNumber(n, m_d.EntBlockDef,
                                     static_cast<std::uint32_t>(m_d.EntBlockNum));
    }
    bool splits(const TEntJwwSunpo &s) const { return m_splitSunpo && s.bSxfMode != 0; }
    std::uint64_t countList(ConstEntityLists lists, std::span<const TEntJwwNo> order,
                            std::int64_t n) const;
    void CountOut(std::uint64_t n);
    void ClassRefOut(std::uint64_t k);
    void classTag(std::int32_t kind);
    void StringOut(const std::u16string &s);
    std::u16string textWithOptions(const std::u16string &str) const;
    void sunpoOut(const TEntJwwSunpo &s);
    void recordOut(ConstEntityLists lists, std::int32_t kind, std::size_t i);
    void entryOut(ConstEntityLists lists, const TEntJwwNo &e);
    void listOut(ConstEntityLists lists, std::span<const TEntJwwNo> order, std::int64_t n);
    void blockDefsOut();

    ByteWriter &m_w;
    const TJwsData &m_d;
    std::int32_t m_version; // the version written, as writtenVersion gives it
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
    m_w.u16(static_cast<std::uint16_t>(m_version & 0xFFFF));
    m_w.u16(static_cast<std::uint16_t>(name.size()));
    m_w.put(std::span(reinterpret_cast<const std::uint8_t *>(name.data()), name.size()));
    idx = m_running++;
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
    appendAnsiBytes(s, m_scratch);
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

std::u16string JwsWriter::textWithOptions(const std::u16string &str) const
{
    std::u16string t = TextOutClean(str);
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

void JwsWriter::sunpoOut(const TEntJwwSunpo &s)
{
    if (m_version >= 420) {
        const TEntJwwSunpoExt x = s.ext();
        sunpoFields(*this, s, &x);
        return;
    }
    sunpoFields(*this, s, static_cast<const TEntJwwSunpoExt *>(nullptr));
    if (!splits(s))
        return;
    // An older version has no place for the extended parts: they follow as objects of
    // their own, the last two points marked as temporary.
    TEntJwwSunpoExt x = s.ext();
    x.Kt1.bKariten = x.Kt2.bKariten = 1;
    for (const TEntJwwLine *line : {&x.Ho1, &x.Ho2}) {
        ++m_running;
        classTag(kEntLine);
        lineFields(*this, *line);
    }
    for (const TEntJwwTen *t : {&x.Te1, &x.Te2, &x.Kt1, &x.Kt2}) {
        ++m_running;
        classTag(kEntTen);
        tenFields(*this, *t);
        tenExtension(*this, *t);
    }
}

void JwsWriter::recordOut(ConstEntityLists lists, std::int32_t kind, std::size_t i)
{
    switch (kind) {
    case kEntLine:
        lineFields(*this, lists.line[i]);
        break;
    case kEntEnko:
        enkoFields(*this, lists.enko[i]);
        break;
    case kEntTen:
        tenFields(*this, lists.ten[i]);
        tenExtension(*this, lists.ten[i]);
        break;
    case kEntMoji:
        mojiFields(*this, lists.moji[i]);
        mojiStrings(*this, lists.moji[i], TextUse::Entity);
        break;
    case kEntSunpo:
        sunpoOut(lists.sunpo[i]);
        break;
    case kEntSolid:
        solidFields(*this, lists.solid[i]);
        solidColor(*this, lists.solid[i]);
        break;
    case kEntBlock: {
        TEntJwwBlock b = lists.block[i];
        const bool closes = m_def >= 0 && m_d.closesCycle(m_def, i);
        b.nNumber = closes ? static_cast<std::uint32_t>(m_d.EntBlockNum) : blockNo(b.nNumber);
        blockFields(*this, b);
        break;
    }
    default:
        break;
    }
}

void JwsWriter::entryOut(ConstEntityLists lists, const TEntJwwNo &e)
{
    if (!lists.valid(e))
        return;
    classTag(e.EntType);
    recordOut(lists, e.EntType, static_cast<std::size_t>(e.EntNo));
    ++m_running;
}

void JwsWriter::listOut(ConstEntityLists lists, std::span<const TEntJwwNo> order, std::int64_t n)
{
    const std::size_t end =
        std::min<std::size_t>(order.size(), static_cast<std::size_t>(std::max<std::int64_t>(n, 0)));
    for (std::size_t i = 0; i < end; ++i)
        entryOut(lists, order[i]);
}

void JwsWriter::blockDefsOut()
{
    CountOut(static_cast<std::uint64_t>(std::max(m_d.EntBlockNum, 0)));
    for (std::size_t p = 0; p < m_d.EntBlockDef.size(); ++p) {
        const TEntJwwBlockDef &def = m_d.EntBlockDef[p];
        if (!def.ref_flag)
            continue;
        m_def = static_cast<std::int32_t>(p);
        classTag(kEntBlockDef);
        const std::uint32_t number = blockNo(def.nNumber);
        blockDefFields(*this, def.att, number, def.bRefferd, def.dtime);
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

void JwsWriter::write()
{
    const TEntJwsHeader &h = m_d.Enthd;
    headerStart(*this, h.jwID, m_version);
    std::array<double, 16> scales{};
    for (std::size_t g = 0; g < scales.size() && g < m_d.EntLgrp.size(); ++g)
        scales[g] = m_d.EntLgrp[g].adScale;
    headerRest(*this, h, scales);

    const ConstEntityLists top = m_d.topLists();
    CountOut(countList(top, m_d.EntNo, h.n1));
    listOut(top, m_d.EntNo, h.n1);
    blockDefsOut();
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
    return writeNewFile(file, [&](ByteWriter &w) {
        writeTo(w, Ver, members, &produce);
        return w.ok();
    });
}

Bytes TJwsData::FileOutBytes(std::int32_t Ver)
{
    ByteWriter w;
    writeTo(w, Ver);
    return w.release();
}

bool TJwsData::FileOut(const std::u16string &FName, std::int32_t Ver)
{
    NewFile file{FName, {}, {}, {}};
    return FileOut(file, Ver);
}

bool TJwsData::FileOut(NewFile &file, std::int32_t Ver)
{
    return writeNewFile(file, [&](ByteWriter &w) {
        writeTo(w, Ver);
        return w.ok();
    });
}

} // namespace pravelot
