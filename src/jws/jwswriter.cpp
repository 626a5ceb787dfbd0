// Writing a TJwsData as a .jws file.

#include "jws/jwswriter.h"

#include "core/bytewriter.h"
#include "core/path.h"
#include "jws/archiveforms.h"
#include "jws/blocknumberindex.h"
#include "jws/classnames.h"
#include "jws/jwsout.h"
#include "jws/recordlayout.h"
#include "jws/writtenattr.h"

#include <algorithm>
#include <array>

namespace pravelot {

std::u16string JwsOut::textWithOptions(std::u16string_view str) const
{
    std::u16string t = TextOutClean(str);
    // Option 16 applies the text substitution list, which nothing in this program fills.
    if ((m_options & 8) && t.starts_with(u"^@BM%temp%"))
        t = u"^@BM" + t.substr(10);
    if ((m_options & 1) && t.starts_with(u"^@BM")) {
        const std::size_t comma = t.find(u',');
        if (comma != std::u16string::npos)
            t = u"^@BM" + FileNameOf(std::u16string_view(t).substr(4, comma - 4)) + t.substr(comma);
    }
    return t;
}

namespace {

// Writes one document: its header, its top-level list and the block definitions the
// block tree marks, each entity through the record layouts.
class JwsWriter {
public:
    JwsWriter(ByteWriter &w, const TJwsData &d, const JwsWriteOptions &o)
        : m_d(d), m_out(w, writtenVersion(o.version), d.FileOutOpt), m_index(d.EntBlockDef),
          m_produce(o.produce), m_streamCount(o.streamedMembers)
    {
        m_splitSunpo = m_out.version() < 420 && d.Enthd.jwVer >= 420;
    }

    void write();

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
    // The tag of an object of the given kind (8: a block definition): its class the first
    // time, a reference to it after.
    void classTag(std::int32_t kind);
    void recordOut(const TEntJwwLine &e, std::size_t) { lineFields(m_out, e); }
    void recordOut(const TEntJwwEnko &e, std::size_t) { enkoFields(m_out, e); }
    void recordOut(const TEntJwwTen &e, std::size_t)
    {
        tenFields(m_out, e);
        tenExtension(m_out, e);
    }
    void recordOut(const TEntJwwMoji &e, std::size_t)
    {
        mojiFields(m_out, e);
        mojiStrings(m_out, e, TextUse::Entity);
    }
    void recordOut(const TEntJwwSunpo &s, std::size_t);
    void recordOut(const TEntJwwSolid &e, std::size_t)
    {
        solidFields(m_out, e);
        solidColor(m_out, e);
    }
    void recordOut(const TEntJwwBlock &e, std::size_t i);
    void entryOut(ConstEntityLists lists, const TEntJwwNo &e);
    void listOut(ConstEntityLists lists, std::span<const TEntJwwNo> order, std::int64_t n);
    void blockDefsOut();

    const TJwsData &m_d;
    JwsOut m_out;
    bool m_splitSunpo = false;
    std::array<std::uint64_t, 9> m_classIndex{}; // 0 = class not written yet
    std::uint64_t m_running = 1;
    BlockNumberIndex m_index;
    std::int32_t m_def = -1; // position of the definition whose members are being written
    const MemberProducer *m_produce;
    std::uint64_t m_streamCount;
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

void JwsWriter::classTag(std::int32_t kind)
{
    std::uint64_t &idx = m_classIndex[static_cast<std::size_t>(kind)];
    if (idx != 0) {
        m_out.ClassTagOut({false, static_cast<std::int64_t>(idx), {}});
        return;
    }
    const std::string_view name = kClassNames[static_cast<std::size_t>(kind)];
    m_out.ClassTagOut(
        {true, 0, std::span(reinterpret_cast<const std::uint8_t *>(name.data()), name.size())});
    idx = m_running++;
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

void JwsWriter::recordOut(const TEntJwwSunpo &s, std::size_t)
{
    if (m_out.version() >= 420) {
        const TEntJwwSunpoExt x = s.ext();
        sunpoFields(m_out, s, &x);
        return;
    }
    sunpoFields(m_out, s, static_cast<const TEntJwwSunpoExt *>(nullptr));
    if (!splits(s))
        return;
    // An older version has no place for the extended parts: they follow as objects of
    // their own, the last two points marked as temporary.
    TEntJwwSunpoExt x = s.ext();
    x.Kt1.bKariten = x.Kt2.bKariten = 1;
    for (const TEntJwwLine *line : {&x.Ho1, &x.Ho2}) {
        ++m_running;
        classTag(kEntLine);
        lineFields(m_out, *line);
    }
    for (const TEntJwwTen *t : {&x.Te1, &x.Te2, &x.Kt1, &x.Kt2}) {
        ++m_running;
        classTag(kEntTen);
        tenFields(m_out, *t);
        tenExtension(m_out, *t);
    }
}

void JwsWriter::recordOut(const TEntJwwBlock &e, std::size_t i)
{
    TEntJwwBlock b = e;
    const bool closes = m_def >= 0 && m_d.closesCycle(m_def, i);
    b.nNumber = closes ? static_cast<std::uint32_t>(m_d.EntBlockNum) : blockNo(b.nNumber);
    blockFields(m_out, b);
}

void JwsWriter::entryOut(ConstEntityLists lists, const TEntJwwNo &e)
{
    if (!lists.valid(e))
        return;
    classTag(e.EntType);
    const auto i = static_cast<std::size_t>(e.EntNo);
    forKind(lists, e.EntType, [&](const auto &array) { recordOut(array[i], i); });
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
    m_out.CountOut(static_cast<std::uint64_t>(std::max(m_d.EntBlockNum, 0)));
    for (std::size_t p = 0; p < m_d.EntBlockDef.size(); ++p) {
        const TEntJwwBlockDef &def = m_d.EntBlockDef[p];
        if (!def.ref_flag)
            continue;
        m_def = static_cast<std::int32_t>(p);
        classTag(kEntBlockDef);
        const std::uint32_t number = blockNo(def.nNumber);
        blockDefFields(m_out, def.att, number, def.bRefferd, def.dtime);
        m_out.StringOut(TextOutClean(def.strName));
        if (m_produce && &def == &m_d.EntBlockDef.back()) {
            m_out.CountOut(m_streamCount);
            ++m_running;
            MemberOut out(*this);
            (*m_produce)(out);
            continue;
        }
        const ConstEntityLists members = listsOf(def);
        m_out.CountOut(countList(members, def.mNo(), def.N));
        ++m_running;
        listOut(members, def.mNo(), def.N);
    }
}

void JwsWriter::write()
{
    const TEntJwsHeader &h = m_d.Enthd;
    const std::int32_t version = m_out.version();
    headerStart(m_out, h.jwID, version);
    std::array<double, 16> scales{};
    for (std::size_t g = 0; g < scales.size() && g < m_d.EntLgrp.size(); ++g)
        scales[g] = m_d.EntLgrp[g].adScale;
    headerRest(m_out, h, scales);

    const ConstEntityLists top = m_d.topLists();
    m_out.CountOut(countList(top, m_d.EntNo, h.n1));
    listOut(top, m_d.EntNo, h.n1);
    blockDefsOut();
}

} // namespace

void writeJws(ByteWriter &w, const TJwsData &d, const JwsWriteOptions &options)
{
    JwsWriter(w, d, options).write();
}

Bytes writeJws(const TJwsData &d, const JwsWriteOptions &options)
{
    ByteWriter w;
    writeJws(w, d, options);
    return w.release();
}

bool writeJwsFile(const TJwsData &d, NewFile &file, const JwsWriteOptions &options)
{
    return writeNewFile(file, [&](ByteWriter &w) {
        writeJws(w, d, options);
        return w.ok();
    });
}

bool FileOut(const TJwsData &d, NewFile &file, std::int32_t Ver)
{
    return writeJwsFile(d, file, {Ver});
}

bool FileOut(const TJwsData &d, const std::u16string &FName, std::int32_t Ver)
{
    NewFile file{FName, {}, {}, {}};
    return FileOut(d, file, Ver);
}

} // namespace pravelot
