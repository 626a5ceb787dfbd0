#include "jwk/jwkdata.h"

#include "core/bytereader.h"
#include "core/fdio.h"
#include "core/file.h"
#include "core/numeric.h"
#include "core/text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace pravelot {

namespace {

constexpr std::u16string_view kJwkId = u"jw_cad(c)sym........";
constexpr std::size_t kIdBytes = 20;
constexpr std::size_t kHeaderBlock = 200;
constexpr std::size_t kLineBytes = 22;
constexpr std::size_t kArcBytes = 32;
constexpr std::size_t kTenBytes = 12;
constexpr std::size_t kMojiBytes = 24;
constexpr std::size_t kHeaderFields = 9;

// One record's bytes, zero where the file ended before the record did.
using RecordBuffer = std::array<std::uint8_t, kArcBytes>;

// Fixed-point angles are stored in 1/65536 degree.
float angleIn(ByteReader &in) { return static_cast<float>(in.get<std::int32_t>()) / 65536.0f; }

// The records' fields in file order, from one record's bytes.
void lineIn(ByteReader &in, TEntJwcLine &e)
{
    for (float *v : {&e.x1, &e.y1, &e.x2, &e.y2})
        *v = in.get<float>();
    for (std::uint8_t *v : {&e.typ, &e.col, &e.lay, &e.flg1, &e.flg2, &e.flg3})
        *v = in.get<std::uint8_t>();
}

void arcIn(ByteReader &in, TEntJwcArc2 &e)
{
    for (float *v : {&e.x, &e.y, &e.r})
        *v = in.get<float>();
    e.h = static_cast<float>(in.get<std::uint16_t>()) / 10000.0f;
    for (float *v : {&e.st, &e.et, &e.tt})
        *v = angleIn(in);
    for (std::uint8_t *v : {&e.typ, &e.col, &e.lay, &e.flg1, &e.flg2, &e.flg3})
        *v = in.get<std::uint8_t>();
}

void tenIn(ByteReader &in, TEntJwcTen &e)
{
    e.x = in.get<float>();
    e.y = in.get<float>();
    // The layer comes before the colour in a point record.
    for (std::uint8_t *v : {&e.lay, &e.col, &e.flg1, &e.flg2})
        *v = in.get<std::uint8_t>();
}

void mojiIn(ByteReader &in, TEntJwcMoji2 &e)
{
    for (float *v : {&e.x1, &e.y1, &e.x2, &e.y2})
        *v = in.get<float>();
    e.p = in.get<std::uint16_t>();
    in.take(2); // not read
    for (std::uint8_t *v : {&e.no, &e.lay, &e.flg1, &e.flg2})
        *v = in.get<std::uint8_t>();
}

// Reads the records of one kind in file order, counting those read in n. Returns the
// index of the first record whose read delivered no byte at all, or the count.
template <class Rec>
std::size_t recordsIn(ByteReader &r, std::vector<Rec> &to, std::size_t size, std::int32_t &n,
                      void (*decode)(ByteReader &, Rec &))
{
    RecordBuffer b;
    for (std::size_t i = 0; i < to.size(); ++i, ++n) {
        b.fill(0);
        if (r.read(b.data(), size) == 0)
            return i;
        ByteReader in{std::span<const std::uint8_t>(b).first(size)};
        decode(in, to[i]);
    }
    return to.size();
}

// The comma-separated fields of header block B, at most n of them, the last one ending
// at the next comma when there is one. Fields that are not there stay empty, which
// reads as 0 like the "0" they stand for.
std::array<std::span<const std::uint8_t>, kHeaderFields>
splitHeaderFields(std::span<const std::uint8_t> text)
{
    std::array<std::span<const std::uint8_t>, kHeaderFields> fields{};
    for (std::size_t i = 0; i < kHeaderFields; ++i) {
        auto comma = std::find(text.begin(), text.end(), std::uint8_t{','});
        if (comma == text.end()) {
            fields[i] = text;
            break;
        }
        const auto len = static_cast<std::size_t>(comma - text.begin());
        fields[i] = text.first(len);
        text = text.subspan(len + 1);
    }
    return fields;
}

// A field's value ends at its end or at a NUL byte; decoding stops at the first NUL.
std::u16string fieldText(std::span<const std::uint8_t> field) { return AnsiBytesToText(field); }

std::string countNote(const char *what, std::int32_t count, std::uint64_t backed,
                      std::uint64_t offset)
{
    return std::string(what) + ": header count " + std::to_string(count) + ", file holds " +
           std::to_string(backed) + " (byte " + std::to_string(offset) + ")";
}

} // namespace

TJwkData::TJwkData() { DataInit(); }

TJwkData::~TJwkData() { DataFree(); }

void TJwkData::DataInit()
{
    EntLine.clear();
    EntArc.clear();
    EntTen.clear();
    EntMoji.clear();
    lineN = arcN = tenN = mojiN = 0;
    Enthd = TEntJwkHeader{};
    m_pool.clear();
    m_stringBytes = 0;
    EntMjtp.assign(kJwcMojiTypes.begin(), kJwcMojiTypes.end());
}

void TJwkData::DataFree()
{
    DataInit();
    // One document serves a whole run of files: give the memory back, not just the counts.
    std::vector<TEntJwcLine>().swap(EntLine);
    std::vector<TEntJwcArc2>().swap(EntArc);
    std::vector<TEntJwcTen>().swap(EntTen);
    std::vector<TEntJwcMoji2>().swap(EntMoji);
    std::vector<std::uint8_t>().swap(m_pool);
    EntMjtp.clear();
}

bool TJwkData::FileCheckBytes(std::span<const std::uint8_t> data)
{
    return AnsiBytesToText(data.first(std::min(data.size(), kIdBytes))) == kJwkId;
}

bool TJwkData::FileCheck(const std::u16string &FName)
{
    auto file = InputFile::open(FName);
    if (!file)
        return false;
    std::array<std::uint8_t, kIdBytes> buf{};
    const std::size_t got = readUpTo(file->fd(), buf.data(), buf.size());
    return FileCheckBytes(std::span(buf.data(), got));
}

bool TJwkData::FileIn(const std::u16string &FName)
{
    DataInit();
    m_problem = {};
    auto file = InputFile::open(FName);
    if (!file)
        return fail("File I/O Error", "the file cannot be opened");
    ByteReader r(file->fd(), file->size());
    return FileIn(r);
}

bool TJwkData::FileInBytes(std::span<const std::uint8_t> data)
{
    ByteReader r(data);
    return FileIn(r);
}

bool TJwkData::FileIn(ByteReader &r)
{
    DataInit();
    m_problem = {};
    return readFrom(r);
}

bool TJwkData::fail(const char *message, std::string where)
{
    if (m_problem.empty())
        m_problem = {message, std::move(where)};
    return false;
}

bool TJwkData::HeaderIn(ByteReader &r)
{
    std::array<std::uint8_t, kHeaderBlock> block{};
    if (r.read(block.data(), block.size()) == 0)
        return fail("File I/O Error", "header block A (byte 0)");
    const std::span<const std::uint8_t> a(block);
    Enthd.jwID = AnsiBytesToText(a.first(40));
    Enthd.comment1 = AnsiBytesToText(a.subspan(40, 32));
    Enthd.comment2 = AnsiBytesToText(a.subspan(72, 32));

    block.fill(0);
    if (r.read(block.data(), block.size()) == 0)
        return fail("File I/O Error", "header block B (byte 200)");
    const auto f = splitHeaderFields(block);
    Enthd.lineCount = TextToInt(fieldText(f[0]));
    Enthd.arcCount = TextToInt(fieldText(f[1]));
    Enthd.tenCount = TextToInt(fieldText(f[2]));
    Enthd.mojiCount = TextToInt(fieldText(f[3]));
    Enthd.org_x = toSingle(TextToFloat(fieldText(f[4])));
    Enthd.org_y = toSingle(TextToFloat(fieldText(f[5])));
    Enthd.dispScale = toSingle(TextToFloat(fieldText(f[6])));
    Enthd.strSpace = TextToInt(fieldText(f[7]));
    Enthd.scale = toSingle(TextToFloat(fieldText(f[8])));
    // Coordinates are divided by the scale: one too small to divide by, or too large
    // for a single, is no scale at all.
    if (!(Enthd.scale > 1e-14) || !std::isfinite(Enthd.scale))
        Enthd.scale = 1;
    return true;
}

bool TJwkData::readFrom(ByteReader &r)
{
    if (!HeaderIn(r))
        return false;
    TEntJwkHeader &h = Enthd;
    if (h.lineCount < 0 || h.arcCount < 0 || h.tenCount < 0 || h.mojiCount < 0) {
        std::string where = "negative count (lines " + std::to_string(h.lineCount) + ", arcs " +
                            std::to_string(h.arcCount) + ", points " + std::to_string(h.tenCount) +
                            ", texts " + std::to_string(h.mojiCount) + ")";
        h.lineCount = h.arcCount = h.tenCount = h.mojiCount = 0;
        return fail("JWK-Header Error", std::move(where));
    }
    const bool backed = backCounts(r.remaining(), r.offset());
    EntLine.resize(static_cast<std::size_t>(h.lineCount));
    EntArc.resize(static_cast<std::size_t>(h.arcCount));
    EntTen.resize(static_cast<std::size_t>(h.tenCount));
    EntMoji.resize(static_cast<std::size_t>(h.mojiCount));
    if (!listsIn(r) || !poolIn(r))
        return false;
    return backed;
}

bool TJwkData::backCounts(std::uint64_t left, std::uint64_t at)
{
    // No count may promise more records than the rest of the file holds, so nothing is
    // allocated for records that are not there. A last record cut short still counts.
    bool backed = true;
    auto back = [&](std::int32_t &count, std::uint64_t size, const char *what) {
        const std::uint64_t fit = left / size + (left % size != 0 ? 1 : 0);
        if (static_cast<std::uint64_t>(count) > fit) {
            fail("File I/O Error", countNote(what, count, fit, at));
            count = static_cast<std::int32_t>(fit);
            backed = false;
        }
        const std::uint64_t bytes = std::min(left, static_cast<std::uint64_t>(count) * size);
        left -= bytes;
        at += bytes;
    };
    TEntJwkHeader &h = Enthd;
    back(h.lineCount, kLineBytes, "line records");
    back(h.arcCount, kArcBytes, "arc records");
    back(h.tenCount, kTenBytes, "point records");
    back(h.mojiCount, kMojiBytes, "text records");
    if (h.strSpace > 0 && static_cast<std::uint64_t>(h.strSpace) > left) {
        fail("File I/O Error", countNote("string pool", h.strSpace, left, at));
        h.strSpace = static_cast<std::int32_t>(left);
        backed = false;
    }
    return backed;
}

bool TJwkData::listsIn(ByteReader &r)
{
    // A read that delivers no byte at all ends FileIn.
    auto all = [&](std::size_t got, std::size_t count, const char *what) {
        if (got == count)
            return true;
        return fail("File I/O Error", std::string(what) + " " + std::to_string(got) + " (byte " +
                                          std::to_string(r.offset()) + ")");
    };
    return all(recordsIn(r, EntLine, kLineBytes, lineN, lineIn), EntLine.size(), "line record") &&
           all(recordsIn(r, EntArc, kArcBytes, arcN, arcIn), EntArc.size(), "arc record") &&
           all(recordsIn(r, EntTen, kTenBytes, tenN, tenIn), EntTen.size(), "point record") &&
           all(recordsIn(r, EntMoji, kMojiBytes, mojiN, mojiIn), EntMoji.size(), "text record");
}

bool TJwkData::poolIn(ByteReader &r)
{
    if (Enthd.strSpace <= 0)
        return true;
    m_pool.resize(static_cast<std::size_t>(Enthd.strSpace));
    const std::uint64_t offset = r.offset();
    if (r.read(m_pool.data(), m_pool.size()) == 0) {
        m_pool.clear();
        return fail("File I/O Error", "string pool (byte " + std::to_string(offset) + ")");
    }
    // Texts may share pool bytes, so their strings together could grow with the square
    // of the file (and so would a figure that holds them all). The bytes they take
    // together are capped far above what distinct strings, or many texts sharing a
    // string of ordinary length, can take; texts past the cap get what is left of it.
    std::uint64_t budget = 4 * static_cast<std::uint64_t>(m_pool.size()) + (1u << 20) +
                           256 * static_cast<std::uint64_t>(EntMoji.size());
    const std::span<const std::uint8_t> all(m_pool);
    for (TEntJwcMoji2 &e : EntMoji) {
        // An offset at or past the end of the pool finds only its closing zero.
        const auto p = static_cast<std::size_t>(e.p);
        if (p >= all.size())
            continue;
        const auto avail = std::min<std::uint64_t>(all.size() - p, budget);
        e.sLen = static_cast<std::uint32_t>(
            ZeroTermLength(all.subspan(p, static_cast<std::size_t>(avail))));
        budget -= e.sLen;
        m_stringBytes += e.sLen;
    }
    return true;
}

std::u16string TJwkData::stringOf(const TEntJwcMoji2 &e) const
{
    const auto p = static_cast<std::size_t>(e.p);
    if (e.sLen == 0 || p >= m_pool.size() || e.sLen > m_pool.size() - p)
        return {};
    return TextInClean(AnsiBytesToText(std::span(m_pool).subspan(p, e.sLen)));
}

void TJwkData::GetMinMaxZahyo()
{
    ExtentAccumulator acc;
    const double s = Enthd.scale;
    auto add = [&acc, s](double x, double y) { ExtentAdd(acc, x, y, s); };
    auto upTo = [](std::int32_t count, std::size_t size) {
        return count > 0 ? std::min(static_cast<std::size_t>(count), size) : std::size_t{0};
    };

    ExtentStart(acc, 0, 0, s);
    for (std::size_t i = 0; i < upTo(Enthd.lineCount, EntLine.size()); ++i) {
        const TEntJwcLine &e = EntLine[i];
        add(e.x1, e.y1);
        add(e.x2, e.y2);
    }

    // A whole circle or ellipse counts by its four axis points.
    constexpr double kAxes[] = {0, std::numbers::pi / 2, std::numbers::pi,
                                3 * std::numbers::pi / 2};
    for (std::size_t i = 0; i < upTo(Enthd.arcCount, EntArc.size()); ++i) {
        const TEntJwcArc2 &e = EntArc[i];
        const double a = e.r;
        const double b = static_cast<double>(e.r) * static_cast<double>(e.h);
        const double t = degToRad(e.tt);
        const double ct = std::cos(t), st = std::sin(t);
        auto point = [&](double theta) {
            const double c = std::cos(theta), sn = std::sin(theta);
            add(e.x + ct * a * c - st * b * sn, e.y + st * a * c + ct * b * sn);
        };
        const double S = wrapAngleDegrees(e.st);
        const double W = wrapAngleDegrees(e.et - S);
        if (std::fabs(W) < 1e-14 || std::fabs(W - 360) < 1e-14) {
            for (const double theta : kAxes)
                point(theta);
            continue;
        }
        point(degToRad(e.st));
        point(degToRad(e.et));
        // The axis points that the arc passes through.
        if (360 - S <= W)
            point(0);
        for (int q = 90; q <= 270; q += 90) {
            double d = q - S;
            if (d < 0)
                d += 360;
            if (d <= W)
                point(degToRad(q));
        }
    }

    for (std::size_t i = 0; i < upTo(Enthd.mojiCount, EntMoji.size()); ++i) {
        const TEntJwcMoji2 &e = EntMoji[i];
        if (std::fabs(double{e.x2} - e.x1) <= 1e-12 && std::fabs(double{e.y2} - e.y1) <= 1e-12)
            continue;
        add(e.x1, e.y1);
        add(e.x2, e.y2);
    }
    for (std::size_t i = 0; i < upTo(Enthd.tenCount, EntTen.size()); ++i)
        add(EntTen[i].x, EntTen[i].y);

    ExtentFinish(acc, myMinWx, myMinWy, myMaxWx, myMaxWy);
}

} // namespace pravelot
