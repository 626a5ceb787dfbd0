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
#include <new>
#include <string>
#include <unordered_set>

namespace pravelot {

namespace {

constexpr std::size_t kWorkBufferSize = 2048;
// The largest fixed part of a record: a text's.
constexpr std::size_t kLargestFixedPart = 83;

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
    // With count set, the reading only counts what each list holds, into *count, and
    // keeps nothing (strings are not even decoded); with plan set, it gives the arrays
    // the sizes that the plan found.
    JwsReader(ByteReader &r, TJwsData &d, ReadPlan *count = nullptr, const ReadPlan *plan = nullptr)
        : m_r(r), m_d(d), m_count(count), m_plan(plan)
    {
    }

    static bool run(ByteReader &r, TJwsData &d, TJwsData::MembersKept kept);

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
                  const char *listName, ListSizes *sizes = nullptr);
    // Gives each array the size the plan found for it, when the plan has one.
    static void reserve(EntityLists lists, std::vector<TEntJwwNo> &order, const ListSizes &n);
    static void dropLast(EntityLists lists, std::int32_t kind);
    // Reads a definition's member list: counted, or kept by the definition.
    bool membersIn(TEntJwwBlockDef &d, std::uint64_t position, std::uint64_t n);
    // Where a definition's member list starts and how the classes stood there, so that
    // the list can be read again from there.
    void rememberSkimmed(std::uint64_t position, std::uint64_t n);
    // Reads again, whole, the member lists that were read past and that the block tree
    // reaches (the references they keep are the ones they hold, in order, so the tree is
    // the tree of the whole reading).
    void readReachedSkimmed();
    bool keepsStrings() const { return m_count == nullptr && !m_skimming; }
    // Notes where object k of a list starts, for the account of a reading that stops,
    // and reads its class: its kind, 0 for a reference to no class.
    std::int32_t objectAt(const char *listName, std::int64_t k);
    // Reads a definition's member list past, keeping only its references (and not
    // decoding the strings of the rest).
    void skimList(std::int64_t n);
    void skimRecord(std::int32_t kind, EntityLists lists, std::vector<TEntJwwNo> &order);
    bool readRecord(std::int32_t kind, EntityLists lists);
    template <class Rec, class Fields> bool appendFixed(std::vector<Rec> &to, Fields fields);
    // Reads past a record that is only a fixed part, taking the bytes appendFixed takes:
    // the whole part, or what the end of the file leaves of it.
    template <class Rec, class Fields> void skipFixed(Fields fields);
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
    ReadPlan *m_count;
    const ReadPlan *m_plan;
    std::size_t m_nextLarge = 0;
    TEntJwwBlockDef m_counted; // the definition being counted, when only counting
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
    // A reading for a drawing keeps only what some reference drawn reaches: the members
    // of a definition whose number no top-level reference and no definition kept so far
    // names are read past (skimmed), only their references being kept, and read again at
    // the end when the block tree reaches the definition after all.
    bool m_drawnOnly = false;
    bool m_skimming = false;
    std::unordered_set<std::uint32_t> m_wanted; // numbers named by the references kept
    struct Skimmed {
        std::uint64_t position; // of the definition, from 1
        std::uint64_t offset;   // of its member list
        std::uint64_t members;
        std::uint64_t running;
        std::size_t slots; // into m_slotSets
    };
    std::vector<Skimmed> m_skimmed;
    std::vector<std::array<std::uint64_t, 7>> m_slotSets;
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
    if (n < 255) {
        const auto bytes = needBytes(n, "a string");
        return keepsStrings() ? ansiClean(bytes) : std::u16string();
    }
    const std::uint16_t w = need<std::uint16_t>("a string length");
    if (w != 0xFFFE) {
        const auto bytes = needBytes(w, "a string");
        return keepsStrings() ? ansiClean(bytes) : std::u16string();
    }
    m_d.MojiEncode = true;
    std::uint32_t m = need<std::uint8_t>("a string length");
    if (m == 255)
        m = need<std::uint16_t>("a string length");
    const auto bytes = needBytes(2 * std::size_t{m}, "a string");
    return keepsStrings() ? TextInClean(Utf16BytesToText(bytes)) : std::u16string();
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

template <class Rec, class Fields> void JwsReader::skipFixed(Fields fields)
{
    const std::size_t n = fixedSize(m_wide, [&](auto &f) {
        Rec e;
        fields(f, e);
    });
    m_r.take(m_r.peek(n).size());
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

std::int32_t JwsReader::objectAt(const char *listName, std::int64_t k)
{
    m_listName = listName;
    m_objectIndex = k;
    m_objectOffset = m_r.offset();
    m_objectKind = objectKind();
    return m_objectKind;
}

void JwsReader::skimList(std::int64_t n)
{
    EntityLists lists = memberLists();
    std::int64_t k = 0;
    while (k < n) {
        const std::int32_t kind = objectAt("block member", k);
        if (failed())
            return;
        if (kind == 0)
            continue;
        skimRecord(kind, lists, m_mNo);
        if (failed())
            return;
        ++k;
        ++m_running;
    }
}

void JwsReader::skimRecord(std::int32_t kind, EntityLists lists, std::vector<TEntJwwNo> &order)
{
    // Lines and arcs, most of what a figure holds, are only fixed parts.
    if (kind == kEntLine)
        return skipFixed<TEntJwwLine>([](auto &f, auto &e) { lineFields(f, e); });
    if (kind == kEntEnko)
        return skipFixed<TEntJwwEnko>([](auto &f, auto &e) { enkoFields(f, e); });
    if (!readRecord(kind, lists))
        return;
    if (kind == kEntBlock)
        order.push_back({kind, lists.count(kind) - 1});
    else
        dropLast(lists, kind);
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
        const std::int32_t kind = objectAt(listName, k);
        if (failed())
            return;
        // A reference to no class is skipped without counting.
        if (kind == 0)
            continue;
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
    TEntJwwBlockDef &d = m_count ? m_counted : m_d.EntBlockDef.emplace_back();
    if (m_count)
        m_count->defs = position;
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
    return membersIn(d, position, n);
}

bool JwsReader::membersIn(TEntJwwBlockDef &d, std::uint64_t position, std::uint64_t n)
{
    if (m_count) {
        ListSizes sizes{};
        readList(memberLists(), m_mNo, static_cast<std::int64_t>(n), "block member", &sizes);
        if (failed())
            return false;
        if (sizes[0] >= kLargeList)
            m_count->large.emplace_back(position, sizes);
        return true;
    }
    const bool skim = m_drawnOnly && !m_wanted.contains(d.nNumber);
    if (m_plan && m_nextLarge < m_plan->large.size() &&
        m_plan->large[m_nextLarge].first == position) {
        if (!skim)
            reserve(memberLists(), m_mNo, m_plan->large[m_nextLarge].second);
        ++m_nextLarge;
    }
    // What was read stays with the definition, also when reading stops inside it.
    if (skim) {
        if (n > 0)
            rememberSkimmed(position, n);
        m_skimming = true;
        skimList(static_cast<std::int64_t>(n));
        m_skimming = false;
    } else {
        readList(memberLists(), m_mNo, static_cast<std::int64_t>(n), "block member");
    }
    d.members.take(memberLists(), m_mNo);
    if (m_drawnOnly && !skim)
        for (const TEntJwwBlock &b : d.mBlock())
            m_wanted.insert(b.nNumber);
    return !failed();
}

void JwsReader::rememberSkimmed(std::uint64_t position, std::uint64_t n)
{
    // The classes change only where a file defines one, so few sets are kept.
    if (m_slotSets.empty() || m_slotSets.back() != m_slots)
        m_slotSets.push_back(m_slots);
    m_skimmed.push_back({position, m_r.offset(), n, m_running, m_slotSets.size() - 1});
}

void JwsReader::readReachedSkimmed()
{
    // The block tree, built from the references the skimmed lists keep, has marked every
    // definition that a drawn reference reaches.
    const bool stopped = failed();
    for (const Skimmed &s : m_skimmed) {
        TEntJwwBlockDef &d = m_d.EntBlockDef[s.position - 1];
        if (!d.ref_flag)
            continue;
        if (!m_r.seek(s.offset)) {
            stop("the file cannot be read a second time");
            break;
        }
        m_running = s.running;
        m_slots = m_slotSets[s.slots];
        d.members = BlockMembers();
        readList(memberLists(), m_mNo, static_cast<std::int64_t>(s.members), "block member");
        d.members.take(memberLists(), m_mNo);
        // A reading that had stopped stops again where it did, in the last list.
        if (failed() && !stopped)
            break;
    }
    if (stopped)
        m_r.fail();
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
    if (m_count) {
        readList(memberLists(), m_mNo, static_cast<std::int64_t>(count), "top-level",
                 &m_count->top);
    } else {
        if (m_plan)
            reserve(m_d.topLists(), m_d.EntNo, m_plan->top);
        readList(m_d.topLists(), m_d.EntNo, static_cast<std::int64_t>(count), "top-level");
        if (m_drawnOnly)
            for (const TEntJwwBlock &b : m_d.EntBlock)
                m_wanted.insert(b.nNumber);
    }
    if (!failed())
        blockDefs();
}

bool JwsReader::run(ByteReader &r, TJwsData &d, TJwsData::MembersKept kept)
{
    // A large file is counted first, into a document of its own that keeps nothing.
    ReadPlan plan;
    bool planned = false;
    if (r.remaining() >= kPlanBytes) {
        TJwsData scratch;
        JwsReader counter(r, scratch, &plan);
        planned = true;
        // What was counted up to where the file ended is the plan; running out of
        // memory leaves no plan.
        try {
            if (counter.header())
                counter.body();
        } catch (const std::bad_alloc &) {
            planned = false;
        }
        if (!r.restart()) {
            d.m_problem = {"File I/O Error", "the file cannot be read a second time"};
            return false;
        }
    }
    JwsReader reader(r, d, nullptr, planned ? &plan : nullptr);
    reader.m_drawnOnly = kept == TJwsData::MembersKept::Drawn;
    if (!reader.header())
        return false;
    reader.body();
    const bool complete = !reader.failed();
    if (!complete)
        d.m_problem = {"File I/O Error", reader.failure() + ": " + reader.where()};
    // Only the definitions actually read are kept, so a reference never binds to one
    // that was never in the file.
    d.Enthd.n2 = d.EntBlockDefN();
    d.MakeBlockTree();
    reader.readReachedSkimmed();
    // A file that changed since it was read first can fail the second reading, and then
    // hold other references.
    if (complete && reader.failed()) {
        d.m_problem = {"File I/O Error", reader.failure() + ": " + reader.where()};
        d.MakeBlockTree();
    }
    return r.ok();
}

namespace {
bool readJws(ByteReader &r, TJwsData &d, TJwsData::MembersKept kept = TJwsData::MembersKept::All)
{
    return JwsReader::run(r, d, kept);
}
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

TJwsData::LoadResult TJwsData::load(const std::u16string &FName, MembersKept kept)
{
    DataInit();
    auto f = InputFile::open(FName);
    if (!f)
        return LoadResult::NotJws;
    ByteReader r(f->fd(), f->size());
    return load(r, kept);
}

TJwsData::LoadResult TJwsData::load(ByteReader &r, MembersKept kept)
{
    DataInit();
    if (!FileCheckBytes(r.peek(kJwsHeaderStartSize)))
        return LoadResult::NotJws;
    return readJws(r, *this, kept) ? LoadResult::Complete : LoadResult::Incomplete;
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
