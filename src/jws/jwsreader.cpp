// Reading .jws files into TJwsData.

#include "core/bytereader.h"
#include "core/file.h"
#include "jws/jwsdata.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>

namespace pravelot {

namespace {

constexpr std::size_t kHeaderSize = 452;
constexpr std::size_t kWorkBufferSize = 2048;
constexpr std::array<std::u16string_view, 7> kClassNames = {
    u"CDataSen",    u"CDataEnko",  u"CDataTen",  u"CDataMoji",
    u"CDataSunpou", u"CDataSolid", u"CDataBlock"};

const char *className(std::int32_t kind)
{
    static const char *const names[] = {"?",         "CDataSen",    "CDataEnko",  "CDataTen",
                                        "CDataMoji", "CDataSunpou", "CDataSolid", "CDataBlock"};
    return kind >= 1 && kind <= 7 ? names[kind] : "?";
}

template <class T> T load(const std::uint8_t *p)
{
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
}

// How many records of each kind one list holds: [0] its order entries, [k] its records of
// kind k.
using ListSizes = std::array<std::uint64_t, 8>;

// What a first reading of a large file found, so that the second one gives every large
// array its final size at once: an array that grows by doubling takes up to three times
// its final size while it moves, which a file of small records cannot afford.
struct ReadPlan {
    ListSizes top{};
    std::uint64_t defs = 0;
    // Definitions with many members, by position (1, 2 …); the arrays of the others are
    // small and packed when read.
    std::vector<std::pair<std::uint64_t, ListSizes>> large;
};

// Files from this size on are read twice: first to count, then to keep.
constexpr std::uint64_t kPlanBytes = 8 << 20;
constexpr std::uint64_t kLargeList = 1024;
// Every object that is kept takes at least a tag and a point record of an old file.
constexpr std::uint64_t kSmallestObject = 2 + 33;

// Ends the whole reading: FileIn returns false, what was read stays.
struct ReadEnd {
    std::string message;
    std::string detail;
};

bool versionAccepted(std::int32_t v) { return v >= 230 && v <= 700; }

bool isJwsId(std::span<const std::uint8_t> id7)
{
    std::u16string id = AnsiBytesToText(id7);
    return id == u"JwsData";
}

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

} // namespace

class JwsReader {
public:
    // With count set, the reading only counts what each list holds, into *count, and
    // keeps nothing (strings are not even decoded); with plan set, it gives the arrays
    // the sizes that the plan found.
    JwsReader(ByteReader &r, TJwsData &d, ReadPlan *count = nullptr, const ReadPlan *plan = nullptr)
        : m_r(r), m_d(d), m_count(count), m_plan(plan)
    {
    }

    // False when the header is refused; the document then holds the header fields read.
    bool header();
    // Reads both object lists; throws ReadEnd when reading cannot go on.
    void body();

private:
    // Reads that the format does not check: running out of file ends the reading.
    template <class T> T need(const char *what)
    {
        T v{};
        if (!m_r.get(v))
            throw ReadEnd{"File I/O Error", std::string("file ends in ") + what};
        return v;
    }
    std::span<const std::uint8_t> needBytes(std::size_t n, const char *what)
    {
        if (n == 0)
            return {};
        auto s = m_r.take(n);
        if (s.empty())
            throw ReadEnd{"File I/O Error", std::string("file ends in ") + what};
        return s;
    }
    // A read the format checks: false when it delivers nothing; missing bytes read as zero.
    bool checked(std::uint8_t *dst, std::size_t n)
    {
        std::size_t got = m_r.read(dst, n);
        std::memset(dst + got, 0, n - got);
        return got > 0;
    }
    // A record with an attribute at its head, widened to the 15-byte attribute for old
    // versions: a pointer to its fullSize bytes (in the reader's buffer, or in buf when
    // they had to be copied), or nullptr when the read delivered nothing.
    const std::uint8_t *recordIn(std::uint8_t *buf, std::size_t fullSize)
    {
        if (m_wide) {
            auto s = m_r.take(fullSize);
            if (!s.empty())
                return s.data();
            return checked(buf, fullSize) ? buf : nullptr;
        }
        const bool got = checked(buf, fullSize - 2);
        std::memmove(buf + 9, buf + 7, fullSize - 9);
        buf[7] = buf[8] = 0;
        return got ? buf : nullptr;
    }
    // An attribute-headed block read without check (parts of a dimension).
    void recordNeed(std::uint8_t *buf, std::size_t fullSize, const char *what)
    {
        const std::size_t n = m_wide ? fullSize : fullSize - 2;
        auto s = needBytes(n, what);
        std::memcpy(buf, s.data(), n);
        if (!m_wide) {
            std::memmove(buf + 9, buf + 7, fullSize - 9);
            buf[7] = buf[8] = 0;
        }
    }

    std::uint64_t archiveCount(const char *what, bool firstChecked);
    std::u16string StringIn();
    void readList(EntityLists lists, std::vector<TEntJwwNo> &order, std::int64_t n,
                  const char *listName, ListSizes *sizes = nullptr);
    // Gives each array the size the plan found for it, when the plan has one.
    void reserve(EntityLists lists, std::vector<TEntJwwNo> &order, const ListSizes &n);
    bool readRecord(std::int32_t kind, EntityLists lists);
    void blockDefs();

    static void dropLast(EntityLists lists, std::int32_t kind);
    static TEntJwwAttr attrAt(const std::uint8_t *p);
    static void lineAt(const std::uint8_t *p, TEntJwwLine &e);
    static void tenAt(const std::uint8_t *p, TEntJwwTen &e);
    static void mojiAt(const std::uint8_t *p, TEntJwwMoji &e);
    void tenExtension(TEntJwwTen &e, const char *what);
    void mojiStrings(TEntJwwMoji &e);
    static void sizeRepair(TEntJwwMoji &e);

    // A definition's members are read here first, and the definition takes them over
    // whole (packed when they are few).
    EntityLists memberLists()
    {
        return {m_mLine, m_mEnko, m_mTen, m_mMoji, m_mSunpo, m_mSolid, m_mBlock};
    }

    ByteReader &m_r;
    TJwsData &m_d;
    ReadPlan *m_count;
    const ReadPlan *m_plan;
    std::size_t m_nextLarge = 0;
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
    // Where the object being read starts, for the account of a reading that stopped.
    const char *m_listName = "header";
    std::int64_t m_objectIndex = 0;
    std::uint64_t m_objectOffset = 0;
    std::int32_t m_objectKind = 0;

public:
    std::string where() const;
    static bool run(ByteReader &r, TJwsData &d);
};

std::string JwsReader::where() const
{
    std::string w = std::string(m_listName) + " object " + std::to_string(m_objectIndex + 1);
    if (m_objectKind != 0)
        w += std::string(" (") + className(m_objectKind) + ")";
    return w + " at byte " + std::to_string(m_objectOffset);
}

void JwsReader::dropLast(EntityLists lists, std::int32_t kind)
{
    switch (kind) {
    case kEntLine:
        lists.line.pop_back();
        break;
    case kEntEnko:
        lists.enko.pop_back();
        break;
    case kEntTen:
        lists.ten.pop_back();
        break;
    case kEntMoji:
        lists.moji.pop_back();
        break;
    case kEntSunpo:
        lists.sunpo.pop_back();
        break;
    case kEntSolid:
        lists.solid.pop_back();
        break;
    case kEntBlock:
        lists.block.pop_back();
        break;
    default:
        break;
    }
}

TEntJwwAttr JwsReader::attrAt(const std::uint8_t *p)
{
    TEntJwwAttr a;
    a.lGroup = load<std::uint32_t>(p);
    a.nPenStyle = p[4];
    a.nPenColor = load<std::uint16_t>(p + 5);
    a.nPenWidth = load<std::uint16_t>(p + 7);
    a.nLayer = load<std::uint16_t>(p + 9);
    a.nGLayer = load<std::uint16_t>(p + 11);
    a.sFlg = load<std::uint16_t>(p + 13);
    return a;
}

void JwsReader::lineAt(const std::uint8_t *p, TEntJwwLine &e)
{
    e.att = attrAt(p);
    e.start_x = load<double>(p + 15);
    e.start_y = load<double>(p + 23);
    e.end_x = load<double>(p + 31);
    e.end_y = load<double>(p + 39);
}

void JwsReader::tenAt(const std::uint8_t *p, TEntJwwTen &e)
{
    e.att = attrAt(p);
    e.start_x = load<double>(p + 15);
    e.start_y = load<double>(p + 23);
    e.bKariten = load<std::uint32_t>(p + 31);
}

void JwsReader::mojiAt(const std::uint8_t *p, TEntJwwMoji &e)
{
    e.att = attrAt(p);
    e.start_x = load<double>(p + 15);
    e.start_y = load<double>(p + 23);
    e.end_x = load<double>(p + 31);
    e.end_y = load<double>(p + 39);
    e.nMojiShu = load<std::uint32_t>(p + 47);
    e.dSizeX = load<double>(p + 51);
    e.dSizeY = load<double>(p + 59);
    e.dKankaku = load<double>(p + 67);
    e.degKakudo = load<double>(p + 75);
}

void JwsReader::tenExtension(TEntJwwTen &e, const char *what)
{
    if (e.att.nPenStyle == 100) {
        e.nCode = need<std::uint32_t>(what);
        e.radKaitenKaku = need<double>(what);
        e.dBairitsu = need<double>(what);
    }
}

void JwsReader::sizeRepair(TEntJwwMoji &e)
{
    if (!std::isfinite(e.dSizeX))
        e.dSizeX = 3.0;
    if (!std::isfinite(e.dSizeY))
        e.dSizeY = 3.0;
    if (!std::isfinite(e.dKankaku))
        e.dKankaku = 0.0;
}

void JwsReader::mojiStrings(TEntJwwMoji &e)
{
    e.strFontName = StringIn();
    e.str = StringIn();
    sizeRepair(e);
}

std::u16string JwsReader::StringIn()
{
    const std::uint8_t n = need<std::uint8_t>("a string length");
    if (n < 255) {
        const auto bytes = needBytes(n, "a string");
        return m_count ? std::u16string() : ansiClean(bytes);
    }
    const std::uint16_t w = need<std::uint16_t>("a string length");
    if (w != 0xFFFE) {
        const auto bytes = needBytes(w, "a string");
        return m_count ? std::u16string() : ansiClean(bytes);
    }
    m_d.MojiEncode = true;
    std::uint32_t m = need<std::uint8_t>("a string length");
    if (m == 255)
        m = need<std::uint16_t>("a string length");
    const auto bytes = needBytes(2 * std::size_t{m}, "a string");
    return m_count ? std::u16string() : TextInClean(Utf16BytesToText(bytes));
}

std::uint64_t JwsReader::archiveCount(const char *what, bool firstChecked)
{
    std::uint16_t c16 = 0;
    if (firstChecked) {
        std::uint8_t b[2];
        if (!checked(b, 2))
            throw ReadEnd{"File I/O Error", std::string("file ends before ") + what};
        c16 = load<std::uint16_t>(b);
    } else {
        c16 = need<std::uint16_t>(what);
    }
    std::uint64_t count = c16;
    if (c16 == 0xFFFF)
        count = need<std::uint32_t>(what);
    // A count that does not fit a signed 32-bit number cannot be held, as when its
    // arrays could not be allocated.
    if (count > 0x7FFFFFFF)
        throw ReadEnd{"File I/O Error", std::string(what) + " too large"};
    return count;
}

bool JwsReader::header()
{
    std::array<std::uint8_t, kHeaderSize> h{};
    const std::size_t got = m_r.read(h.data(), h.size());
    m_d.EntLgrp.assign(16, TEntJwwLayerGroup{});
    m_d.Enthd.jwID = AnsiBytesToText(std::span(h.data(), 7));
    if (m_d.Enthd.jwID != u"JwsData") {
        m_d.m_problem = {"JWS-Header Error", "identification is not JwsData"};
        return false;
    }
    TEntJwsHeader &hd = m_d.Enthd;
    hd.jwVer = load<std::int32_t>(h.data() + 200);
    if (!versionAccepted(hd.jwVer)) {
        m_d.m_problem = {"JWS-Version Error", "version " + std::to_string(hd.jwVer)};
        return false;
    }
    hd.BasePoint_x = load<double>(h.data() + 204);
    hd.BasePoint_y = load<double>(h.data() + 212);
    for (std::size_t g = 0; g < 16; ++g) {
        TEntJwwLayerGroup &lg = m_d.EntLgrp[g];
        lg.adScale = load<double>(h.data() + 220 + 8 * g);
        lg.anGLay = 2;
    }
    std::int32_t *dmy[] = {&hd.dmy01, &hd.dmy02, &hd.dmy03, &hd.dmy04, &hd.dmy05, &hd.dmy06};
    for (std::size_t i = 0; i < 6; ++i)
        *dmy[i] = load<std::int32_t>(h.data() + 348 + 4 * i);
    double *dd[] = {&hd.dmy11, &hd.dmy12, &hd.dmy13, &hd.dmy14, &hd.dmy15,
                    &hd.dmy16, &hd.Mx1,   &hd.My1,   &hd.Mx2,   &hd.My2};
    for (std::size_t i = 0; i < 10; ++i)
        *dd[i] = load<double>(h.data() + 372 + 8 * i);
    if (got <= 444) {
        m_d.m_problem = {"File I/O Error", "the header ends before its last field"};
        return false;
    }
    m_wide = hd.jwVer >= 351;
    m_extendedSunpo = hd.jwVer >= 420;
    return true;
}

bool JwsReader::readRecord(std::int32_t kind, EntityLists lists)
{
    std::array<std::uint8_t, 96> buf{};
    switch (kind) {
    case kEntLine: {
        const std::uint8_t *p = recordIn(buf.data(), 47);
        if (!p)
            return false;
        lineAt(p, lists.line.emplace_back());
        return true;
    }
    case kEntEnko: {
        const std::uint8_t *p = recordIn(buf.data(), 75);
        if (!p)
            return false;
        TEntJwwEnko &e = lists.enko.emplace_back();
        e.att = attrAt(p);
        e.start_x = load<double>(p + 15);
        e.start_y = load<double>(p + 23);
        e.dHankei = load<double>(p + 31);
        e.radKaishiKaku = load<double>(p + 39);
        e.radEnkoKaku = load<double>(p + 47);
        e.radKatamukiKaku = load<double>(p + 55);
        e.dHenpeiRitsu = load<double>(p + 63);
        e.bZenEnFlg = load<std::uint32_t>(p + 71);
        return true;
    }
    case kEntTen: {
        const std::uint8_t *p = recordIn(buf.data(), 35);
        if (!p)
            return false;
        TEntJwwTen e;
        tenAt(p, e);
        if (e.att.nPenStyle == 100)
            tenExtension(e, "a point");
        else
            e.dBairitsu = 1.0;
        lists.ten.push_back(e);
        return true;
    }
    case kEntMoji: {
        const std::uint8_t *p = recordIn(buf.data(), 83);
        if (!p)
            return false;
        TEntJwwMoji e;
        mojiAt(p, e);
        mojiStrings(e);
        lists.moji.push_back(std::move(e));
        return true;
    }
    case kEntSunpo: {
        // The dimension's own attribute is its main read; the parts after it are not
        // checked, apart from the text and the last point, which read missing bytes as zero.
        const std::uint8_t *own = recordIn(buf.data(), 15);
        if (!own)
            return false;
        TEntJwwSunpo e;
        e.att = attrAt(own);
        recordNeed(buf.data(), 47, "a dimension line");
        lineAt(buf.data(), e.Sen);
        buf.fill(0);
        const std::uint8_t *moji = recordIn(buf.data(), 83);
        if (!moji)
            return false;
        mojiAt(moji, e.Moji);
        mojiStrings(e.Moji);
        if (m_extendedSunpo) {
            e.bSxfMode = need<std::uint16_t>("a dimension");
            TEntJwwSunpoExt &x = e.editExt();
            recordNeed(buf.data(), 47, "a dimension");
            lineAt(buf.data(), x.Ho1);
            recordNeed(buf.data(), 47, "a dimension");
            lineAt(buf.data(), x.Ho2);
            TEntJwwTen *pts[] = {&x.Te1, &x.Te2, &x.Kt1, &x.Kt2};
            for (TEntJwwTen *t : pts) {
                buf.fill(0);
                if (t == &x.Kt2) {
                    if (!checked(buf.data(), 35))
                        return false;
                } else {
                    recordNeed(buf.data(), 35, "a dimension");
                }
                tenAt(buf.data(), *t);
                tenExtension(*t, "a dimension");
            }
        } else {
            e.bSxfMode = 0;
            e.deriveExtFromAtt();
        }
        lists.sunpo.push_back(std::move(e));
        return true;
    }
    case kEntSolid: {
        const std::uint8_t *p = recordIn(buf.data(), 79);
        if (!p)
            return false;
        TEntJwwSolid e;
        e.att = attrAt(p);
        double *v[] = {&e.start_x,   &e.start_y,   &e.end_x,     &e.end_y,
                       &e.DPoint2_x, &e.DPoint2_y, &e.DPoint3_x, &e.DPoint3_y};
        for (std::size_t i = 0; i < 8; ++i)
            *v[i] = load<double>(p + 15 + 8 * i);
        if (e.att.nPenColor == 10)
            e.Color = need<std::uint32_t>("a solid");
        lists.solid.push_back(e);
        return true;
    }
    case kEntBlock: {
        const std::uint8_t *p = recordIn(buf.data(), 59);
        if (!p)
            return false;
        TEntJwwBlock &e = lists.block.emplace_back();
        e.att = attrAt(p);
        e.DPKijunTen_x = load<double>(p + 15);
        e.DPKijunTen_y = load<double>(p + 23);
        e.dBairitsuX = load<double>(p + 31);
        e.dBairitsuY = load<double>(p + 39);
        e.radKaitenKaku = load<double>(p + 47);
        e.nNumber = load<std::uint32_t>(p + 55);
        return true;
    }
    default:
        return false;
    }
}

void JwsReader::reserve(EntityLists lists, std::vector<TEntJwwNo> &order, const ListSizes &n)
{
    auto exactly = [](auto &v, std::uint64_t size) { v.reserve(static_cast<std::size_t>(size)); };
    exactly(order, n[0]);
    exactly(lists.line, n[kEntLine]);
    exactly(lists.enko, n[kEntEnko]);
    exactly(lists.ten, n[kEntTen]);
    exactly(lists.moji, n[kEntMoji]);
    exactly(lists.sunpo, n[kEntSunpo]);
    exactly(lists.solid, n[kEntSolid]);
    exactly(lists.block, n[kEntBlock]);
}

void JwsReader::readList(EntityLists lists, std::vector<TEntJwwNo> &order, std::int64_t n,
                         const char *listName, ListSizes *sizes)
{
    // No more entries than the rest of the file can back, when no plan gave the number.
    if (order.capacity() == 0 && !m_count)
        order.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(
            static_cast<std::uint64_t>(n), m_r.remaining() / kSmallestObject + 1)));
    std::int64_t k = 0;
    while (k < n) {
        m_listName = listName;
        m_objectIndex = k;
        m_objectOffset = m_r.offset();
        m_objectKind = 0;
        const std::uint16_t tag = need<std::uint16_t>("an object tag");
        std::int32_t kind = 0;
        std::int64_t classIndex = -1;
        if (tag == 0xFFFF) {
            need<std::uint16_t>("a class schema");
            const std::uint16_t len = need<std::uint16_t>("a class name");
            // A class name longer than the work buffer is refused like an unknown one.
            if (len >= kWorkBufferSize)
                throw ReadEnd{"File I/O Error", "class name too long"};
            std::u16string name = AnsiBytesToText(needBytes(len, "a class name"));
            for (std::size_t i = 0; i < kClassNames.size(); ++i)
                if (name == kClassNames[i])
                    kind = static_cast<std::int32_t>(i + 1);
            if (kind == 0)
                throw ReadEnd{"File I/O Error", "unknown class name"};
            m_slots[static_cast<std::size_t>(kind - 1)] = m_running++;
        } else {
            if (tag == 0x7FFF) {
                std::uint32_t v = need<std::uint32_t>("a class reference");
                classIndex = v & 0x7FFFFFFFu;
            } else {
                classIndex = static_cast<std::int64_t>(tag) - 0x8000;
            }
            // Only classes defined so far count; a reference to none is skipped.
            for (std::size_t i = 0; i < m_slots.size(); ++i)
                if (m_slots[i] != 0 && static_cast<std::int64_t>(m_slots[i]) == classIndex)
                    kind = static_cast<std::int32_t>(i + 1);
            if (kind == 0)
                continue;
        }
        m_objectKind = kind;
        if (readRecord(kind, lists)) {
            if (sizes) {
                // Counted, not kept.
                ++(*sizes)[0];
                ++(*sizes)[static_cast<std::size_t>(kind)];
                dropLast(lists, kind);
            } else {
                order.push_back({kind, lists.count(kind) - 1});
            }
        }
        ++k;
        ++m_running;
    }
}

void JwsReader::blockDefs()
{
    m_listName = "block definition count";
    m_objectOffset = m_r.offset();
    const std::uint64_t count = archiveCount("the block definition count", false);
    if (count == 0)
        return;
    // One more than the file holds: the blocking transform adds a definition, which must
    // not move every other one to a new array. A definition takes at least 30 bytes.
    if (!m_count)
        m_d.EntBlockDef.reserve(static_cast<std::size_t>(
            (m_plan ? m_plan->defs : std::min<std::uint64_t>(count, m_r.remaining() / 30)) + 1));
    TEntJwwBlockDef counted;
    const std::size_t fixedSize = m_wide ? 27 : 25;
    for (std::uint64_t p = 1; p <= count; ++p) {
        m_listName = "block definition";
        m_objectIndex = static_cast<std::int64_t>(p - 1);
        m_objectOffset = m_r.offset();
        m_objectKind = 0;
        const std::uint16_t tag = need<std::uint16_t>("a block definition tag");
        if (tag == 0xFFFF) {
            need<std::uint16_t>("a class schema");
            const std::uint16_t len = need<std::uint16_t>("a class name");
            if (len >= kWorkBufferSize)
                throw ReadEnd{"File I/O Error", "class name too long"};
            needBytes(len, "a class name");
            ++m_running;
        } else if (tag == 0x7FFF) {
            need<std::uint32_t>("a class reference");
        }
        std::array<std::uint8_t, 27> f{};
        if (!checked(f.data(), fixedSize))
            throw ReadEnd{"File I/O Error", "file ends in a block definition"};
        if (!m_wide) {
            std::memmove(f.data() + 9, f.data() + 7, 18);
            f[7] = f[8] = 0;
        }
        TEntJwwBlockDef &d = m_count ? counted : m_d.EntBlockDef.emplace_back();
        if (m_count)
            m_count->defs = p;
        d.att = attrAt(f.data());
        d.nNumber = load<std::uint32_t>(f.data() + 15);
        d.bRefferd = load<std::uint32_t>(f.data() + 19);
        d.dtime = load<std::uint32_t>(f.data() + 23);
        if (d.dtime >= 0x80000000u) {
            d.dtime = static_cast<std::uint32_t>(p);
            needBytes(8, "a block definition");
        }
        d.strName = StringIn();
        const std::uint64_t n = archiveCount("a member count", false);
        d.N = static_cast<std::int32_t>(n);
        ++m_running;
        if (m_count) {
            ListSizes sizes{};
            readList(memberLists(), m_mNo, static_cast<std::int64_t>(n), "block member", &sizes);
            if (sizes[0] >= kLargeList)
                m_count->large.emplace_back(p, sizes);
            continue;
        }
        if (m_plan && m_nextLarge < m_plan->large.size() && m_plan->large[m_nextLarge].first == p)
            reserve(memberLists(), m_mNo, m_plan->large[m_nextLarge++].second);
        // What was read stays with the definition, also when reading stops inside it.
        try {
            readList(memberLists(), m_mNo, static_cast<std::int64_t>(n), "block member");
        } catch (...) {
            d.members.take(memberLists(), m_mNo);
            throw;
        }
        d.members.take(memberLists(), m_mNo);
    }
}

void JwsReader::body()
{
    m_listName = "top-level count";
    m_objectOffset = m_r.offset();
    const std::uint64_t count = archiveCount("the top-level count", true);
    m_d.Enthd.n1 = static_cast<std::int32_t>(count);
    m_d.Enthd.n2 = 0;
    if (m_count) {
        readList(memberLists(), m_mNo, static_cast<std::int64_t>(count), "top-level",
                 &m_count->top);
    } else {
        if (m_plan)
            reserve(m_d.topLists(), m_d.EntNo, m_plan->top);
        readList(m_d.topLists(), m_d.EntNo, static_cast<std::int64_t>(count), "top-level");
    }
    blockDefs();
}

bool JwsReader::run(ByteReader &r, TJwsData &d)
{
    // A large file is counted first, into a document of its own that keeps nothing.
    ReadPlan plan;
    bool planned = false;
    if (r.remaining() >= kPlanBytes) {
        TJwsData scratch;
        JwsReader counter(r, scratch, &plan);
        planned = true;
        if (counter.header()) {
            try {
                counter.body();
            } catch (const ReadEnd &) {
                // What was counted up to here is the plan.
            } catch (const std::bad_alloc &) {
                planned = false;
            }
        }
        if (!r.restart()) {
            d.m_problem = {"File I/O Error", "the file cannot be read a second time"};
            return false;
        }
    }
    JwsReader reader(r, d, nullptr, planned ? &plan : nullptr);
    if (!reader.header())
        return false;
    bool complete = true;
    try {
        reader.body();
    } catch (const ReadEnd &e) {
        // Only the file's own faults end reading here: running out of memory is no
        // damage of the file, and goes on to the caller as std::bad_alloc.
        complete = false;
        d.m_problem = {e.message, e.detail + ": " + reader.where()};
    }
    // Only the definitions actually read are kept, so a reference never binds to one
    // that was never in the file.
    d.Enthd.n2 = d.EntBlockDefN();
    d.MakeBlockTree();
    return complete;
}

namespace {
bool readJws(ByteReader &r, TJwsData &d) { return JwsReader::run(r, d); }
} // namespace

bool TJwsData::FileCheckBytes(std::span<const std::uint8_t> data)
{
    if (data.size() < 204 || !isJwsId(data.first(7)))
        return false;
    return versionAccepted(load<std::int32_t>(data.data() + 200));
}

bool TJwsData::FileCheck(const std::u16string &FName)
{
    auto f = InputFile::open(FName);
    if (!f)
        return false;
    ByteReader r(f->fd(), f->size());
    std::array<std::uint8_t, 204> head{};
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
    if (!FileCheckBytes(r.peek(204)))
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
