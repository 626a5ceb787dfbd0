// Reading .jws files into TJwsData.

#include "core/bytereader.h"
#include "core/file.h"
#include "jws/classnames.h"
#include "jws/jwsdata.h"
#include "jws/recordlayout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>

namespace pravelot {

namespace {

constexpr std::size_t kWorkBufferSize = 2048;
// The largest fixed part of a record: a text's.
constexpr std::size_t kLargestFixedPart = 83;

bool versionAccepted(std::int32_t v) { return v >= 230 && v <= 700; }

// Decodes an ANSI archive string and drops control characters in one pass.
std::u16string ansiClean(std::span<const std::uint8_t> bytes)
{
    std::u16string s;
    bool ascii = true;
    for (std::uint8_t b : bytes) {
        if (b == 0)
            break;
        if (b >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii)
        return TextInClean(AnsiBytesToText(bytes));
    s.reserve(bytes.size());
    for (std::uint8_t b : bytes) {
        if (b == 0)
            break;
        if (b >= 0x20)
            s.push_back(b);
    }
    return s;
}

void sizeRepair(TEntJwwMoji &e)
{
    if (!std::isfinite(e.dSizeX))
        e.dSizeX = 3.0;
    if (!std::isfinite(e.dSizeY))
        e.dSizeY = 3.0;
    if (!std::isfinite(e.dKankaku))
        e.dKankaku = 0.0;
}

// Reads the fields of a fixed part from bytes known to hold it whole.
class FixedIn {
public:
    FixedIn(const std::uint8_t *p, bool wide) : m_p(p), m_wide(wide) {}
    template <class T> void operator()(T &v)
    {
        std::memcpy(&v, m_p, sizeof(T));
        m_p += sizeof(T);
    }
    void attr(TEntJwwAttr &a, std::int32_t) { attrFields(*this, a); }
    void textSize(double &v) { (*this)(v); }
    bool wide() const { return m_wide; }
    void id(std::u16string &s)
    {
        s = AnsiBytesToText(std::span(m_p, 7));
        m_p += 7;
    }
    void filler(std::size_t n) { m_p += n; }

private:
    const std::uint8_t *m_p;
    bool m_wide;
};

} // namespace

// Reads a file's body through the sticky reader: a read that fails ends the reading,
// and the lists check for it once per object. What failed first is kept for the
// account of where reading stopped.
class JwsReader {
public:
    JwsReader(ByteReader &r, TJwsData &d) : m_r(r), m_d(d) {}

    static bool run(ByteReader &r, TJwsData &d);

    // The stream side of the record layouts (see recordlayout.h).
    template <class T> void operator()(T &v) { v = need<T>(m_what); }
    void label(const char *what) { m_what = what; }
    void string(std::u16string &s, TextUse) { s = StringIn(); }
    template <class F> bool fixedPart(F &&f);
    template <class F> void wholePart(const char *what, F &&f);

private:
    // A fixed part cut short by the end of the file: what is there, and zeros.
    template <class F> bool cutPart(std::span<const std::uint8_t> s, F &&f);
    // False when the header is refused; the document then holds the header fields read.
    bool header();
    void body();

    // A field whose read the format does not check: when the file ends, the reading ends.
    template <class T> T need(const char *what)
    {
        T v;
        if (!m_r.get(v))
            ended(what);
        return v;
    }
    std::span<const std::uint8_t> needBytes(std::size_t n, const char *what)
    {
        if (n == 0)
            return {};
        auto s = m_r.take(n);
        if (s.empty())
            ended(what);
        return s;
    }
    void ended(const char *what)
    {
        if (m_endedIn == nullptr && m_stop.empty())
            m_endedIn = what;
    }
    // Ends the reading for a value it cannot go on with.
    void stop(std::string detail)
    {
        if (!m_r.ok())
            return;
        m_stop = std::move(detail);
        m_r.fail();
    }
    bool failed() const { return !m_r.ok(); }
    std::string failure() const
    {
        return m_stop.empty() ? std::string("file ends in ") + m_endedIn : m_stop;
    }
    std::string where() const;

    std::uint64_t archiveCount(const char *what, bool firstChecked);
    std::u16string StringIn();
    std::span<const std::uint8_t> classNameIn();
    std::int32_t objectKind();
    void readList(EntityLists lists, std::vector<TEntJwwNo> &order, std::int64_t n,
                  const char *listName);
    bool readRecord(std::int32_t kind, EntityLists lists);
    template <class Rec, class Fields> bool appendFixed(std::vector<Rec> &to, Fields fields);
    bool readTen(std::vector<TEntJwwTen> &to);
    bool readMoji(std::vector<TEntJwwMoji> &to);
    bool readSunpo(std::vector<TEntJwwSunpo> &to);
    bool readSolid(std::vector<TEntJwwSolid> &to);
    void blockDefs();
    bool blockDef(std::uint64_t position);

    // A definition's members are read here first, and the definition takes them over
    // whole (packed when they are few).
    EntityLists memberLists()
    {
        return {m_mLine, m_mEnko, m_mTen, m_mMoji, m_mSunpo, m_mSolid, m_mBlock};
    }

    ByteReader &m_r;
    TJwsData &m_d;
    std::vector<TEntJwwNo> m_mNo;
    std::vector<TEntJwwLine> m_mLine;
    std::vector<TEntJwwEnko> m_mEnko;
    std::vector<TEntJwwTen> m_mTen;
    std::vector<TEntJwwMoji> m_mMoji;
    std::vector<TEntJwwSunpo> m_mSunpo;
    std::vector<TEntJwwSolid> m_mSolid;
    std::vector<TEntJwwBlock> m_mBlock;
    bool m_wide = true;                     // 15-byte attributes (version 351 on)
    bool m_extendedSunpo = true;            // dimensions carry the extended part (version 420 on)
    std::array<std::uint64_t, 7> m_slots{}; // class index of each entity kind, 0 = none yet
    std::uint64_t m_running = 1;
    const char *m_what = "";         // what the next plain field read belongs to
    const char *m_endedIn = nullptr; // what the file ended in, when it did
    std::string m_stop;              // why reading was ended, when it was for a value
    // Where the object being read starts, for the account of a reading that stopped.
    const char *m_listName = "header";
    std::int64_t m_objectIndex = 0;
    std::uint64_t m_objectOffset = 0;
    std::int32_t m_objectKind = 0;
};

template <class F> bool JwsReader::fixedPart(F &&f)
{
    // A read the format checks: it fails only when it delivers nothing at all, and the
    // bytes a record cut short by the end of the file misses read as zero.
    const std::size_t n = fixedSize(m_wide, f);
    auto s = m_r.peek(n);
    if (s.size() < n)
        return cutPart(s, f);
    m_r.take(n);
    FixedIn in(s.data(), m_wide);
    f(in);
    return true;
}

template <class F> bool JwsReader::cutPart(std::span<const std::uint8_t> s, F &&f)
{
    if (s.empty())
        return false;
    std::array<std::uint8_t, kLargestFixedPart> cut{};
    std::memcpy(cut.data(), s.data(), s.size());
    m_r.take(s.size());
    FixedIn in(cut.data(), m_wide);
    f(in);
    return true;
}

template <class F> void JwsReader::wholePart(const char *what, F &&f)
{
    auto s = needBytes(fixedSize(m_wide, f), what);
    if (s.empty())
        return;
    FixedIn in(s.data(), m_wide);
    f(in);
}

std::string JwsReader::where() const
{
    std::string w = std::string(m_listName) + " object " + std::to_string(m_objectIndex + 1);
    if (m_objectKind != 0)
        w += " (" + std::string(entityClassName(m_objectKind)) + ")";
    return w + " at byte " + std::to_string(m_objectOffset);
}

std::u16string JwsReader::StringIn()
{
    const std::uint8_t n = need<std::uint8_t>("a string length");
    if (n < 255)
        return ansiClean(needBytes(n, "a string"));
    const std::uint16_t w = need<std::uint16_t>("a string length");
    if (w != 0xFFFE)
        return ansiClean(needBytes(w, "a string"));
    m_d.MojiEncode = true;
    std::uint32_t m = need<std::uint8_t>("a string length");
    if (m == 255)
        m = need<std::uint16_t>("a string length");
    return TextInClean(Utf16BytesToText(needBytes(2 * std::size_t{m}, "a string")));
}

std::uint64_t JwsReader::archiveCount(const char *what, bool firstChecked)
{
    std::uint16_t c16 = 0;
    if (firstChecked) {
        std::array<std::uint8_t, 2> b{};
        if (m_r.read(b.data(), b.size()) == 0) {
            stop(std::string("file ends before ") + what);
            return 0;
        }
        std::memcpy(&c16, b.data(), b.size());
    } else {
        c16 = need<std::uint16_t>(what);
    }
    std::uint64_t count = c16;
    if (c16 == 0xFFFF)
        count = need<std::uint32_t>(what);
    // A count that does not fit a signed 32-bit number cannot be held, as when its
    // arrays could not be allocated.
    if (count > 0x7FFFFFFF) {
        stop(std::string(what) + " too large");
        return 0;
    }
    return count;
}

bool JwsReader::header()
{
    std::array<std::uint8_t, kJwsHeaderSize> h{};
    const std::size_t got = m_r.read(h.data(), h.size());
    m_d.EntLgrp.assign(16, TEntJwwLayerGroup{});
    TEntJwsHeader &hd = m_d.Enthd;
    FixedIn in(h.data(), true);
    std::int32_t version = 0;
    headerStart(in, hd.jwID, version);
    if (hd.jwID != u"JwsData") {
        m_d.m_problem = {"JWS-Header Error", "identification is not JwsData"};
        return false;
    }
    hd.jwVer = version;
    if (!versionAccepted(hd.jwVer)) {
        m_d.m_problem = {"JWS-Version Error", "version " + std::to_string(hd.jwVer)};
        return false;
    }
    std::array<double, 16> scales{};
    headerRest(in, hd, scales);
    for (std::size_t g = 0; g < scales.size(); ++g) {
        m_d.EntLgrp[g].adScale = scales[g];
        m_d.EntLgrp[g].anGLay = 2;
    }
    if (got <= kJwsHeaderSize - sizeof(double)) {
        m_d.m_problem = {"File I/O Error", "the header ends before its last field"};
        return false;
    }
    m_wide = hd.jwVer >= 351;
    m_extendedSunpo = hd.jwVer >= 420;
    return true;
}

template <class Rec, class Fields> bool JwsReader::appendFixed(std::vector<Rec> &to, Fields fields)
{
    Rec e;
    if (!fixedPart([&](auto &f) { fields(f, e); }))
        return false;
    to.push_back(e);
    return true;
}

bool JwsReader::readTen(std::vector<TEntJwwTen> &to)
{
    TEntJwwTen e;
    if (!fixedPart([&](auto &f) { tenFields(f, e); }))
        return false;
    m_what = "a point";
    tenExtension(*this, e);
    if (e.att.nPenStyle != 100)
        e.dBairitsu = 1.0;
    if (failed())
        return false;
    to.push_back(e);
    return true;
}

bool JwsReader::readMoji(std::vector<TEntJwwMoji> &to)
{
    TEntJwwMoji e;
    if (!fixedPart([&](auto &f) { mojiFields(f, e); }))
        return false;
    mojiStrings(*this, e, TextUse::Entity);
    if (failed())
        return false;
    sizeRepair(e);
    to.push_back(std::move(e));
    return true;
}

bool JwsReader::readSunpo(std::vector<TEntJwwSunpo> &to)
{
    TEntJwwSunpo e;
    TEntJwwSunpoExt *x = m_extendedSunpo ? &e.editExt() : nullptr;
    if (!sunpoFields(*this, e, x) || failed())
        return false;
    if (!x) {
        e.bSxfMode = 0;
        e.deriveExtFromAtt();
    }
    sizeRepair(e.Moji);
    to.push_back(std::move(e));
    return true;
}

bool JwsReader::readSolid(std::vector<TEntJwwSolid> &to)
{
    TEntJwwSolid e;
    if (!fixedPart([&](auto &f) { solidFields(f, e); }))
        return false;
    m_what = "a solid";
    solidColor(*this, e);
    if (failed())
        return false;
    to.push_back(e);
    return true;
}

// Appends the record of the given kind to its array; false when it was dropped.
bool JwsReader::readRecord(std::int32_t kind, EntityLists lists)
{
    switch (kind) {
    case kEntLine:
        return appendFixed(lists.line, [](auto &f, auto &e) { lineFields(f, e); });
    case kEntEnko:
        return appendFixed(lists.enko, [](auto &f, auto &e) { enkoFields(f, e); });
    case kEntTen:
        return readTen(lists.ten);
    case kEntMoji:
        return readMoji(lists.moji);
    case kEntSunpo:
        return readSunpo(lists.sunpo);
    case kEntSolid:
        return readSolid(lists.solid);
    case kEntBlock:
        return appendFixed(lists.block, [](auto &f, auto &e) { blockFields(f, e); });
    default:
        return false;
    }
}

std::span<const std::uint8_t> JwsReader::classNameIn()
{
    need<std::uint16_t>("a class schema");
    const std::uint16_t len = need<std::uint16_t>("a class name");
    // A class name longer than the work buffer is refused like an unknown one.
    if (len >= kWorkBufferSize) {
        stop("class name too long");
        return {};
    }
    return needBytes(len, "a class name");
}

std::int32_t JwsReader::objectKind()
{
    const std::uint16_t tag = need<std::uint16_t>("an object tag");
    if (tag == 0xFFFF) {
        const std::u16string name = AnsiBytesToText(classNameIn());
        if (failed())
            return 0;
        const std::int32_t kind = entityKindNamed(name);
        if (kind == 0) {
            stop("unknown class name");
            return 0;
        }
        m_slots[static_cast<std::size_t>(kind - 1)] = m_running++;
        return kind;
    }
    const std::int64_t classIndex = tag == 0x7FFF
                                        ? need<std::uint32_t>("a class reference") & 0x7FFFFFFFu
                                        : static_cast<std::int64_t>(tag) - 0x8000;
    // Only classes defined so far count. Every slot holds an index of its own, so at
    // most one matches.
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        if (m_slots[i] != 0 && static_cast<std::int64_t>(m_slots[i]) == classIndex)
            return static_cast<std::int32_t>(i + 1);
    return 0;
}

void JwsReader::readList(EntityLists lists, std::vector<TEntJwwNo> &order, std::int64_t n,
                         const char *listName)
{
    // Every object takes at least two bytes, so no more entries can be backed.
    order.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(n), m_r.remaining() / 2)));
    std::int64_t k = 0;
    while (k < n) {
        m_listName = listName;
        m_objectIndex = k;
        m_objectOffset = m_r.offset();
        m_objectKind = 0;
        const std::int32_t kind = objectKind();
        if (failed())
            return;
        // A reference to no class is skipped without counting.
        if (kind == 0)
            continue;
        m_objectKind = kind;
        if (readRecord(kind, lists))
            order.push_back({kind, lists.count(kind) - 1});
        if (failed())
            return;
        ++k;
        ++m_running;
    }
}

bool JwsReader::blockDef(std::uint64_t position)
{
    const std::uint16_t tag = need<std::uint16_t>("a block definition tag");
    if (tag == 0xFFFF) {
        classNameIn();
        ++m_running;
    } else if (tag == 0x7FFF) {
        need<std::uint32_t>("a class reference");
    }
    if (failed())
        return false;
    TEntJwwAttr att;
    std::uint32_t number = 0, refferd = 0, dtime = 0;
    if (!fixedPart([&](auto &f) { blockDefFields(f, att, number, refferd, dtime); })) {
        stop("file ends in a block definition");
        return false;
    }
    TEntJwwBlockDef &d = m_d.EntBlockDef.emplace_back();
    d.att = att;
    d.nNumber = number;
    d.bRefferd = refferd;
    d.dtime = dtime;
    if (d.dtime >= 0x80000000u) {
        d.dtime = static_cast<std::uint32_t>(position);
        needBytes(8, "a block definition");
    }
    std::u16string name = StringIn();
    if (failed())
        return false;
    d.strName = name;
    const std::uint64_t n = archiveCount("a member count", false);
    if (failed())
        return false;
    d.N = static_cast<std::int32_t>(n);
    ++m_running;
    // What was read stays with the definition, also when reading stops inside it.
    readList(memberLists(), m_mNo, static_cast<std::int64_t>(n), "block member");
    d.members.take(memberLists(), m_mNo);
    return !failed();
}

void JwsReader::blockDefs()
{
    m_listName = "block definition count";
    m_objectOffset = m_r.offset();
    const std::uint64_t count = archiveCount("the block definition count", false);
    if (count == 0)
        return;
    // One more than the file holds: the blocking transform adds a definition, which must
    // not move every other one to a new array.
    m_d.EntBlockDef.reserve(
        static_cast<std::size_t>(std::min<std::uint64_t>(count, m_r.remaining() / 27) + 1));
    for (std::uint64_t p = 1; p <= count; ++p) {
        m_listName = "block definition";
        m_objectIndex = static_cast<std::int64_t>(p - 1);
        m_objectOffset = m_r.offset();
        m_objectKind = 0;
        if (!blockDef(p))
            return;
    }
}

void JwsReader::body()
{
    m_listName = "top-level count";
    m_objectOffset = m_r.offset();
    const std::uint64_t count = archiveCount("the top-level count", true);
    if (failed())
        return;
    m_d.Enthd.n1 = static_cast<std::int32_t>(count);
    m_d.Enthd.n2 = 0;
    readList(m_d.topLists(), m_d.EntNo, static_cast<std::int64_t>(count), "top-level");
    if (!failed())
        blockDefs();
}

bool JwsReader::run(ByteReader &r, TJwsData &d)
{
    JwsReader reader(r, d);
    if (!reader.header())
        return false;
    reader.body();
    if (reader.failed())
        d.m_problem = {"File I/O Error", reader.failure() + ": " + reader.where()};
    // Only the definitions actually read are kept, so a reference never binds to one
    // that was never in the file.
    d.Enthd.n2 = d.EntBlockDefN();
    d.MakeBlockTree();
    return r.ok();
}

namespace {
bool readJws(ByteReader &r, TJwsData &d) { return JwsReader::run(r, d); }
} // namespace

bool TJwsData::FileCheckBytes(std::span<const std::uint8_t> data)
{
    if (data.size() < kJwsHeaderStartSize)
        return false;
    FixedIn in(data.data(), true);
    std::u16string id;
    std::int32_t version = 0;
    headerStart(in, id, version);
    return id == u"JwsData" && versionAccepted(version);
}

bool TJwsData::FileCheck(const std::u16string &FName)
{
    auto f = InputFile::open(FName);
    if (!f)
        return false;
    ByteReader r(f->fd(), f->size());
    std::array<std::uint8_t, kJwsHeaderStartSize> head{};
    const std::size_t got = r.read(head.data(), head.size());
    return FileCheckBytes(std::span(head.data(), got));
}

TJwsData::LoadResult TJwsData::Load(const std::u16string &FName)
{
    DataInit();
    auto f = InputFile::open(FName);
    if (!f)
        return LoadResult::NotJws;
    ByteReader r(f->fd(), f->size());
    return Load(r);
}

TJwsData::LoadResult TJwsData::Load(ByteReader &r)
{
    DataInit();
    if (!FileCheckBytes(r.peek(kJwsHeaderStartSize)))
        return LoadResult::NotJws;
    return readJws(r, *this) ? LoadResult::Complete : LoadResult::Incomplete;
}

bool TJwsData::FileInBytes(std::span<const std::uint8_t> data)
{
    DataInit();
    ByteReader r(data);
    return readJws(r, *this);
}

bool TJwsData::FileIn(const std::u16string &FName)
{
    DataInit();
    auto f = InputFile::open(FName);
    if (!f) {
        m_problem = {"File I/O Error", "the file cannot be opened"};
        MakeBlockTree();
        return false;
    }
    ByteReader r(f->fd(), f->size());
    return readJws(r, *this);
}

} // namespace pravelot
