// Reading .jws files into a new TJwsData.

#include "jws/jwsreader.h"

#include "core/bytereader.h"
#include "core/file.h"
#include "jws/archiveforms.h"
#include "jws/jwsin.h"
#include "jws/recordlayout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <string>

namespace pravelot {

namespace {

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
// Class names pass through a work buffer of this size: a longer one is refused.
constexpr std::size_t kWorkBufferSize = 2048;

bool versionAccepted(std::int32_t v) { return v >= 230 && v <= 700; }

void sizeRepair(TEntJwwMoji &e)
{
    if (!std::isfinite(e.dSizeX))
        e.dSizeX = 3.0;
    if (!std::isfinite(e.dSizeY))
        e.dSizeY = 3.0;
    if (!std::isfinite(e.dKankaku))
        e.dKankaku = 0.0;
}

// A list's arrays and order list, where a definition's members are read first: the
// definition then takes them over whole (packed when they are few).
struct ListArrays {
    std::vector<TEntJwwNo> order;
    std::vector<TEntJwwLine> line;
    std::vector<TEntJwwEnko> enko;
    std::vector<TEntJwwTen> ten;
    std::vector<TEntJwwMoji> moji;
    std::vector<TEntJwwSunpo> sunpo;
    std::vector<TEntJwwSolid> solid;
    std::vector<TEntJwwBlock> block;
    EntityLists lists() { return {line, enko, ten, moji, sunpo, solid, block}; }
};

// Gives each array the size n found for it.
void reserve(EntityLists lists, std::vector<TEntJwwNo> &order, const ListSizes &n)
{
    order.reserve(static_cast<std::size_t>(n[0]));
    forEachKind(lists, [&](auto &array, std::int32_t k) {
        array.reserve(static_cast<std::size_t>(n[static_cast<std::size_t>(k)]));
    });
}

void dropLast(EntityLists lists, std::int32_t kind)
{
    forKind(lists, kind, [](auto &array) { array.pop_back(); });
}

// The plain fields and strings of one record, as the record layouts read them. The
// parts of a dimension are read as the format checks them: its own attribute, its text
// and its last point drop the dimension when the file holds nothing of them (and then
// nothing more of it is read); the other parts end the reading when the file does not
// hold them whole.
class RecordIn {
public:
    RecordIn(JwsIn &in, Strings strings, const char *what)
        : m_in(in), m_strings(strings), m_what(what)
    {
    }
    template <class T> void operator()(T &v)
    {
        if (!m_dropped)
            v = m_in.need<T>(m_what);
    }
    void string(CompactText &s, TextUse)
    {
        if (!m_dropped)
            s = m_in.StringIn(m_strings);
    }
    template <class F> void part(SunpoPart p, F &&f)
    {
        if (m_dropped)
            return;
        switch (p) {
        case SunpoPart::Attr:
        case SunpoPart::Moji:
        case SunpoPart::Kt2:
            m_dropped = !m_in.fixedPart(f);
            break;
        case SunpoPart::Sen:
            m_in.wholePart("a dimension line", f);
            break;
        default:
            m_in.wholePart("a dimension", f);
            break;
        }
    }
    // A part whose read the format checks delivered nothing: the record is dropped.
    bool dropped() const { return m_dropped; }

private:
    JwsIn &m_in;
    Strings m_strings;
    const char *m_what;
    bool m_dropped = false;
};

// Reading one record of each kind and appending it to its array: false when it was
// dropped (a part the format checks delivered nothing, or the reading ended in it).
template <class Rec, class Fields> bool appendFixed(JwsIn &in, std::vector<Rec> &to, Fields fields)
{
    Rec e;
    if (!in.fixedPart([&](auto &f) { fields(f, e); }))
        return false;
    to.push_back(e);
    return true;
}

bool readInto(JwsIn &in, std::vector<TEntJwwLine> &to, Strings)
{
    return appendFixed(in, to, [](auto &f, auto &e) { lineFields(f, e); });
}

bool readInto(JwsIn &in, std::vector<TEntJwwEnko> &to, Strings)
{
    return appendFixed(in, to, [](auto &f, auto &e) { enkoFields(f, e); });
}

// A record of a fixed part and the fields or strings that follow it in the stream, which
// rest reads (and repairs), what they belong to being `what`.
template <class Rec, class Fixed, class Rest>
bool appendWithRest(JwsIn &in, std::vector<Rec> &to, Strings strings, const char *what, Fixed fixed,
                    Rest rest)
{
    Rec e;
    if (!in.fixedPart([&](auto &f) { fixed(f, e); }))
        return false;
    RecordIn rec(in, strings, what);
    rest(rec, e);
    if (in.failed())
        return false;
    to.push_back(std::move(e));
    return true;
}

bool readInto(JwsIn &in, std::vector<TEntJwwTen> &to, Strings strings)
{
    return appendWithRest(
        in, to, strings, "a point", [](auto &f, auto &e) { tenFields(f, e); },
        [](RecordIn &rec, TEntJwwTen &e) {
            tenExtension(rec, e);
            if (e.att.nPenStyle != 100)
                e.dBairitsu = 1.0;
        });
}

bool readInto(JwsIn &in, std::vector<TEntJwwMoji> &to, Strings strings)
{
    return appendWithRest(
        in, to, strings, "a text", [](auto &f, auto &e) { mojiFields(f, e); },
        [](RecordIn &rec, TEntJwwMoji &e) {
            mojiStrings(rec, e, TextUse::Entity);
            sizeRepair(e);
        });
}

bool readInto(JwsIn &in, std::vector<TEntJwwSunpo> &to, Strings strings)
{
    TEntJwwSunpo e;
    TEntJwwSunpoExt *x = in.extendedSunpo() ? &e.editExt() : nullptr;
    RecordIn rec(in, strings, "a dimension");
    sunpoFields(rec, e, x);
    if (rec.dropped() || in.failed())
        return false;
    if (!x) {
        e.bSxfMode = 0;
        e.deriveExtFromAtt();
    }
    sizeRepair(e.Moji);
    to.push_back(std::move(e));
    return true;
}

bool readInto(JwsIn &in, std::vector<TEntJwwSolid> &to, Strings strings)
{
    return appendWithRest(
        in, to, strings, "a solid", [](auto &f, auto &e) { solidFields(f, e); },
        [](RecordIn &rec, TEntJwwSolid &e) { solidColor(rec, e); });
}

bool readInto(JwsIn &in, std::vector<TEntJwwBlock> &to, Strings)
{
    return appendFixed(in, to, [](auto &f, auto &e) { blockFields(f, e); });
}

// Appends the record of the given kind to its array; false when it was dropped.
bool readRecord(JwsIn &in, std::int32_t kind, EntityLists lists, Strings strings)
{
    bool kept = false;
    forKind(lists, kind, [&](auto &array) { kept = readInto(in, array, strings); });
    return kept;
}

// What a list reading does with each record it reads: keeps it (KeepRecords), counts it
// (CountRecords), or keeps it only when it is a block reference (KeepReferences).
struct KeepRecords {
    EntityLists lists;
    std::vector<TEntJwwNo> &order;

    void start(std::int64_t n, std::uint64_t remaining)
    {
        // No more entries than the rest of the file can back, when no plan gave the number.
        if (order.capacity() == 0)
            order.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(
                static_cast<std::uint64_t>(n), remaining / kSmallestObject + 1)));
    }
    void record(JwsIn &in, std::int32_t kind)
    {
        if (readRecord(in, kind, lists, Strings::Keep))
            order.push_back({kind, lists.count(kind) - 1});
    }
};

// Counts each record by kind into sizes and lets it go, without decoding its strings.
struct CountRecords {
    EntityLists scratch;
    ListSizes &sizes;

    void start(std::int64_t, std::uint64_t) {}
    void record(JwsIn &in, std::int32_t kind)
    {
        if (!readRecord(in, kind, scratch, Strings::Skip))
            return;
        ++sizes[0];
        ++sizes[static_cast<std::size_t>(kind)];
        dropLast(scratch, kind);
    }
};

// Keeps the block references with their order entries and reads past everything else,
// without decoding strings.
struct KeepReferences {
    EntityLists lists;
    std::vector<TEntJwwNo> &order;

    void start(std::int64_t, std::uint64_t) {}
    void record(JwsIn &in, std::int32_t kind)
    {
        // Lines and arcs, most of what a figure holds, are only fixed parts.
        if (kind == kEntLine)
            return in.skipPart([](auto &f) {
                TEntJwwLine e;
                lineFields(f, e);
            });
        if (kind == kEntEnko)
            return in.skipPart([](auto &f) {
                TEntJwwEnko e;
                enkoFields(f, e);
            });
        if (!readRecord(in, kind, lists, Strings::Skip))
            return;
        if (kind == kEntBlock)
            order.push_back({kind, lists.count(kind) - 1});
        else
            dropLast(lists, kind);
    }
};

// Reads the n objects of a list; keep decides what becomes of each record.
template <class Keep> void readList(JwsIn &in, std::int64_t n, const char *listName, Keep &&keep)
{
    keep.start(n, in.bytes().remaining());
    std::int64_t k = 0;
    while (k < n) {
        in.at(listName, k);
        const std::int32_t kind = in.objectKind(in.ClassTagIn("an object tag"));
        in.atKind(kind);
        if (in.failed())
            return;
        // A reference to no class is skipped without counting.
        if (kind == 0)
            continue;
        keep.record(in, kind);
        if (in.failed())
            return;
        ++k;
        ++in.running();
    }
}

// The bodies: what a reading keeps of each list of a file.

// Counts what each list holds and keeps nothing: the plan of a second reading.
class PlanCounter {
public:
    static constexpr Strings kNames = Strings::Skip;
    explicit PlanCounter(ReadPlan &plan) : m_plan(plan) {}

    void topLevel(JwsIn &in, std::uint64_t n)
    {
        readList(in, static_cast<std::int64_t>(n), "top-level",
                 CountRecords{m_scratch.lists(), m_plan.top});
    }
    void expectDefinitions(JwsIn &, std::uint64_t) {}
    TEntJwwBlockDef &definition(std::uint64_t position)
    {
        m_plan.defs = position;
        return m_def;
    }
    bool members(JwsIn &in, TEntJwwBlockDef &, std::uint64_t position, std::uint64_t n)
    {
        ListSizes sizes{};
        readList(in, static_cast<std::int64_t>(n), "block member",
                 CountRecords{m_scratch.lists(), sizes});
        if (in.failed())
            return false;
        if (sizes[0] >= kLargeList)
            m_plan.large.emplace_back(position, sizes);
        return true;
    }

private:
    ReadPlan &m_plan;
    TEntJwwBlockDef m_def; // the definition being counted
    ListArrays m_scratch;
};

// Keeps everything: the top level in the document's arrays, every definition with its
// members. With a plan, the large arrays get the sizes it found.
class KeepAll {
public:
    static constexpr Strings kNames = Strings::Keep;
    KeepAll(TJwsData &doc, const ReadPlan *plan) : m_doc(doc), m_plan(plan) {}

    void topLevel(JwsIn &in, std::uint64_t n)
    {
        m_doc.Enthd.n1 = static_cast<std::int32_t>(n);
        m_doc.Enthd.n2 = 0;
        if (m_plan)
            reserve(m_doc.topLists(), m_doc.EntNo, m_plan->top);
        readList(in, static_cast<std::int64_t>(n), "top-level",
                 KeepRecords{m_doc.topLists(), m_doc.EntNo});
    }
    void expectDefinitions(JwsIn &in, std::uint64_t count)
    {
        // One more than the file holds: the blocking transform adds a definition, which
        // must not move every other one to a new array. A definition takes at least 30
        // bytes.
        m_doc.EntBlockDef.reserve(static_cast<std::size_t>(
            (m_plan ? m_plan->defs : std::min<std::uint64_t>(count, in.bytes().remaining() / 30)) +
            1));
    }
    TEntJwwBlockDef &definition(std::uint64_t) { return m_doc.EntBlockDef.emplace_back(); }
    bool members(JwsIn &in, TEntJwwBlockDef &d, std::uint64_t position, std::uint64_t n)
    {
        if (const ListSizes *sizes = planned(position))
            reserve(m_members.lists(), m_members.order, *sizes);
        readList(in, static_cast<std::int64_t>(n), "block member",
                 KeepRecords{m_members.lists(), m_members.order});
        // What was read stays with the definition, also when reading stops inside it.
        d.members.take(m_members.lists(), m_members.order);
        return !in.failed();
    }
    void finish(JwsIn &) {}

protected:
    // The sizes the plan found for the definition at position, when it is a large one.
    const ListSizes *planned(std::uint64_t position)
    {
        if (!m_plan || m_nextLarge >= m_plan->large.size() ||
            m_plan->large[m_nextLarge].first != position)
            return nullptr;
        return &m_plan->large[m_nextLarge++].second;
    }

    TJwsData &m_doc;
    const ReadPlan *m_plan;
    std::size_t m_nextLarge = 0;
    ListArrays m_members;
};

// Keeps what a drawing needs: only what some reference drawn reaches. The members of a
// definition whose number no top-level reference and no definition kept so far names
// are read past (skimmed), only their references being kept, and read again at the end
// when the block tree reaches the definition after all.
class KeepDrawn : public KeepAll {
public:
    using KeepAll::KeepAll;

    void topLevel(JwsIn &in, std::uint64_t n)
    {
        // A bit for every eight bytes of the file at most: a table mostly empty, whatever
        // the number of definitions the file can hold.
        m_bits = 10;
        while (m_bits < kMostWantedBits &&
               (std::uint64_t{1} << m_bits) < in.bytes().remaining() / 8)
            ++m_bits;
        m_wanted.assign(std::size_t{1} << (m_bits - 6), 0);
        KeepAll::topLevel(in, n);
        for (const TEntJwwBlock &b : m_doc.EntBlock)
            want(b.nNumber);
    }
    bool members(JwsIn &in, TEntJwwBlockDef &d, std::uint64_t position, std::uint64_t n)
    {
        if (wanted(d.nNumber)) {
            const bool ok = KeepAll::members(in, d, position, n);
            for (const TEntJwwBlock &b : d.mBlock())
                want(b.nNumber);
            return ok;
        }
        planned(position);
        if (n > 0)
            remember(in, position, n);
        readList(in, static_cast<std::int64_t>(n), "block member",
                 KeepReferences{m_members.lists(), m_members.order});
        d.members.take(m_members.lists(), m_members.order);
        return !in.failed();
    }
    // Reads again, whole, the member lists that were read past and that the block tree
    // reaches (the references they keep are the ones they hold, in order, so the tree is
    // the tree of the whole reading). A reading that had stopped stops again where it
    // did, in the last list.
    void finish(JwsIn &in);

private:
    // Where a skimmed member list starts and how the classes stood there.
    void remember(JwsIn &in, std::uint64_t position, std::uint64_t n)
    {
        // The classes change only where a file defines one, so few sets are kept.
        if (m_slotSets.empty() || m_slotSets.back() != in.slots())
            m_slotSets.push_back(in.slots());
        m_skimmed.push_back(
            {position, in.bytes().offset(), n, in.running(), m_slotSets.size() - 1});
    }

    // The numbers named by the references kept, as bits of a table of at most a
    // megabyte indexed by a hash of the number: a number that shares its bit with a
    // wanted one is taken as wanted too, and its members are read whole as if it were
    // (the drawing does not change), but a file of millions of definitions takes no
    // more than the table.
    static constexpr unsigned kMostWantedBits = 23;
    std::size_t bitOf(std::uint32_t number) const
    {
        return (number * std::uint32_t{0x9E3779B1}) >> (32 - m_bits);
    }
    void want(std::uint32_t number)
    {
        const std::size_t bit = bitOf(number);
        m_wanted[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
    bool wanted(std::uint32_t number) const
    {
        const std::size_t bit = bitOf(number);
        return (m_wanted[bit / 64] >> (bit % 64)) & 1;
    }

    unsigned m_bits = 10;
    std::vector<std::uint64_t> m_wanted = std::vector<std::uint64_t>(16);
    struct Skimmed {
        std::uint64_t position; // of the definition, from 1
        std::uint64_t offset;   // of its member list
        std::uint64_t members;
        std::uint64_t running;
        std::size_t slots; // into m_slotSets
    };
    std::vector<Skimmed> m_skimmed;
    std::vector<JwsIn::ClassSlots> m_slotSets;
};

void KeepDrawn::finish(JwsIn &in)
{
    // The block tree, built from the references the skimmed lists keep, has marked every
    // definition that a drawn reference reaches.
    ByteReader &r = in.bytes();
    const bool stopped = in.failed();
    for (const Skimmed &s : m_skimmed) {
        TEntJwwBlockDef &d = m_doc.EntBlockDef[s.position - 1];
        if (!d.ref_flag)
            continue;
        if (!r.seek(s.offset)) {
            in.stop("the file cannot be read a second time");
            break;
        }
        in.restore(m_slotSets[s.slots], s.running);
        d.members = BlockMembers();
        readList(in, static_cast<std::int64_t>(s.members), "block member",
                 KeepRecords{m_members.lists(), m_members.order});
        d.members.take(m_members.lists(), m_members.order);
        if (in.failed() && !stopped)
            break;
    }
    if (stopped)
        r.fail();
}

// Reads a block definition at position (from 1): its tag, fixed part, name and member
// list. False when the reading ended in it.
template <class Body> bool readDefinition(JwsIn &in, Body &body, std::uint64_t position)
{
    // The tag's class is not checked.
    if (in.ClassTagIn("a block definition tag").isNew)
        ++in.running();
    if (in.failed())
        return false;
    TEntJwwAttr att;
    std::uint32_t number = 0, refferd = 0, dtime = 0;
    if (!in.fixedPart([&](auto &f) { blockDefFields(f, att, number, refferd, dtime); })) {
        in.stop("file ends in a block definition");
        return false;
    }
    TEntJwwBlockDef &d = body.definition(position);
    d.att = att;
    d.nNumber = number;
    d.bRefferd = refferd;
    d.dtime = dtime;
    if (d.dtime >= 0x80000000u) {
        d.dtime = static_cast<std::uint32_t>(position);
        in.needBytes(8, "a block definition");
    }
    std::u16string name = in.StringIn(Body::kNames);
    if (in.failed())
        return false;
    d.strName = name;
    const std::uint64_t n = in.CountIn("a member count", false);
    if (in.failed())
        return false;
    d.N = static_cast<std::int32_t>(n);
    ++in.running();
    return body.members(in, d, position, n);
}

// Reads a file's body: the top-level list, then the block definitions with their member
// lists, body deciding what is kept of each.
template <class Body> void readBody(JwsIn &in, Body &body)
{
    in.atList("top-level count");
    const std::uint64_t count = in.CountIn("the top-level count", true);
    if (in.failed())
        return;
    body.topLevel(in, count);
    if (in.failed())
        return;
    in.atList("block definition count");
    const std::uint64_t defs = in.CountIn("the block definition count", false);
    if (defs == 0)
        return;
    body.expectDefinitions(in, defs);
    for (std::uint64_t p = 1; p <= defs; ++p) {
        in.at("block definition", static_cast<std::int64_t>(p - 1));
        if (!readDefinition(in, body, p))
            return;
    }
}

// Reads the 452-byte header into doc; false, with the problem, when it is refused.
bool readHeader(JwsIn &in, TJwsData &doc, ReadProblem &problem)
{
    std::array<std::uint8_t, kJwsHeaderSize> h{};
    const std::size_t got = in.bytes().read(h.data(), h.size());
    doc.EntLgrp.assign(16, TEntJwwLayerGroup{});
    TEntJwsHeader &hd = doc.Enthd;
    FixedIn fields(h.data(), true);
    std::int32_t version = 0;
    headerStart(fields, hd.jwID, version);
    if (hd.jwID != u"JwsData") {
        problem = {"JWS-Header Error", "identification is not JwsData"};
        return false;
    }
    hd.jwVer = version;
    if (!versionAccepted(hd.jwVer)) {
        problem = {"JWS-Version Error", "version " + std::to_string(hd.jwVer)};
        return false;
    }
    std::array<double, 16> scales{};
    headerRest(fields, hd, scales);
    for (std::size_t g = 0; g < scales.size(); ++g) {
        doc.EntLgrp[g].adScale = scales[g];
        doc.EntLgrp[g].anGLay = 2;
    }
    if (got <= kJwsHeaderSize - sizeof(double)) {
        problem = {"File I/O Error", "the header ends before its last field"};
        return false;
    }
    in.setVersion(hd.jwVer);
    return true;
}

// Counts what the lists of a file hold; false when the plan cannot be made (memory).
bool countPlan(ByteReader &r, ReadPlan &plan)
{
    TJwsData scratch;
    ReadProblem ignored;
    JwsIn in(r);
    PlanCounter body(plan);
    // What was counted up to where the file ended is the plan; running out of memory
    // leaves no plan.
    try {
        if (readHeader(in, scratch, ignored))
            readBody(in, body);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

// The reading proper, past the header: the body as body keeps it, then the block tree.
template <class Body> void readAfterHeader(JwsIn &in, Body &body, JwsReading &out)
{
    TJwsData &doc = out.doc;
    readBody(in, body);
    const bool complete = !in.failed();
    if (!complete)
        out.problem = {"File I/O Error", in.failure()};
    // Only the definitions actually read are kept, so a reference never binds to one
    // that was never in the file.
    doc.Enthd.n2 = doc.EntBlockDefN();
    doc.MakeBlockTree();
    body.finish(in);
    // A file that changed since it was read first can fail the second reading, and then
    // hold other references.
    if (complete && in.failed()) {
        out.problem = {"File I/O Error", in.failure()};
        doc.MakeBlockTree();
    }
    doc.MojiEncode = in.sawUtf16();
    out.status = in.bytes().ok() ? JwsReadStatus::Complete : JwsReadStatus::Incomplete;
}

} // namespace

std::string JwsIn::failure() const
{
    std::string why = m_stop;
    if (why.empty())
        why = std::string("file ends in ") + (m_endedIn ? m_endedIn : "the file");
    std::string w = std::string(m_listName) + " object " + std::to_string(m_objectIndex + 1);
    if (m_objectKind != 0)
        w += " (" + std::string(entityClassName(m_objectKind)) + ")";
    return why + ": " + w + " at byte " + std::to_string(m_objectOffset);
}

// The rest of an object's tag, beside its short form in archiveforms.h: out of the way of
// the short form that nearly every object takes.
ClassTag JwsIn::escapedClassTagIn(std::uint16_t tag)
{
    ClassTag t;
    if (tag == 0x7FFF) {
        t.index = need<std::uint32_t>("a class reference") & 0x7FFFFFFFu;
        return t;
    }
    t.isNew = true;
    need<std::uint16_t>("a class schema");
    const std::uint16_t len = need<std::uint16_t>("a class name");
    // A class name longer than the work buffer is refused like an unknown one.
    if (len >= kWorkBufferSize) {
        stop("class name too long");
        return t;
    }
    t.name = needBytes(len, "a class name");
    return t;
}

bool FileCheck(std::span<const std::uint8_t> head)
{
    if (head.size() < kJwsHeaderStartSize)
        return false;
    FixedIn in(head.data(), true);
    std::u16string id;
    std::int32_t version = 0;
    headerStart(in, id, version);
    return id == u"JwsData" && versionAccepted(version);
}

bool FileCheck(const std::u16string &FName)
{
    auto f = InputFile::open(FName);
    if (!f)
        return false;
    ByteReader r(f->fd(), f->size());
    std::array<std::uint8_t, kJwsHeaderStartSize> head{};
    const std::size_t got = r.read(head.data(), head.size());
    return FileCheck(std::span(head.data(), got));
}

JwsReading readJws(ByteReader &r, JwsReadOptions options)
{
    JwsReading out;
    const bool jws = FileCheck(r.peek(kJwsHeaderStartSize));
    // A large file is counted first, so that the reading proper sizes its arrays once.
    ReadPlan plan;
    bool planned = false;
    if (jws && r.remaining() >= kPlanBytes) {
        planned = countPlan(r, plan);
        if (!r.restart()) {
            out.status = JwsReadStatus::Incomplete;
            out.problem = {"File I/O Error", "the file cannot be read a second time"};
            return out;
        }
    }
    JwsIn in(r);
    if (!readHeader(in, out.doc, out.problem)) {
        out.status = jws ? JwsReadStatus::Incomplete : JwsReadStatus::NotJws;
        return out;
    }
    const ReadPlan *p = planned ? &plan : nullptr;
    if (options.members == JwsMembers::Drawn) {
        KeepDrawn body(out.doc, p);
        readAfterHeader(in, body, out);
    } else {
        KeepAll body(out.doc, p);
        readAfterHeader(in, body, out);
    }
    return out;
}

JwsReading readJws(std::span<const std::uint8_t> bytes, JwsReadOptions options)
{
    ByteReader r(bytes);
    return readJws(r, options);
}

JwsReading readJwsFile(const std::u16string &FName, JwsReadOptions options)
{
    auto f = InputFile::open(FName);
    if (!f) {
        JwsReading out;
        out.problem = {"File I/O Error", "the file cannot be opened"};
        return out;
    }
    ByteReader r(f->fd(), f->size());
    return readJws(r, options);
}

bool FileIn(TJwsData &doc, const std::u16string &FName, ReadProblem *problem)
{
    JwsReading r = readJwsFile(FName);
    doc.adopt(std::move(r.doc));
    if (problem)
        *problem = r.problem;
    return r.complete();
}

} // namespace pravelot
