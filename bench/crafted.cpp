#include "crafted.h"

#include <algorithm>
#include <array>
#include <string>

namespace pravelot::bench {

namespace {

// Figures of many entities lay them out 1,000 to a row: the row of entity i.
double gridRow(std::uint64_t i)
{
    const std::uint64_t row = i / 1000;
    return static_cast<double>(row);
}

// Writes the object lists of a .jws file as the program's writer does: class tags, the
// running index, counts and strings in their archive forms.
class JwsEmitter {
public:
    JwsEmitter(ByteWriter &w, std::int32_t version) : m_w(w), m_version(version) {}

    void header()
    {
        const std::uint8_t id[] = {'J', 'w', 's', 'D', 'a', 't', 'a'};
        m_w.put(std::span(id));
        m_w.fill(0x2E, 193);
        m_w.i32(m_version);
        m_w.f64(0);
        m_w.f64(0);
        for (int g = 0; g < 16; ++g)
            m_w.f64(1);
        for (int i = 0; i < 6; ++i)
            m_w.i32(0);
        for (int i = 0; i < 10; ++i)
            m_w.f64(0);
    }

    void count(std::uint64_t n)
    {
        if (n < 0xFFFF) {
            m_w.u16(static_cast<std::uint16_t>(n));
        } else {
            m_w.u16(0xFFFF);
            m_w.u32(static_cast<std::uint32_t>(n));
        }
    }

    void line(double x1, double y1, double x2, double y2)
    {
        tag(1);
        attr(1, 1);
        for (double v : {x1, y1, x2, y2})
            m_w.f64(v);
        ++m_running;
    }

    // An arc that is not a whole circle: its extents take 73 samples.
    void arc(double x, double y, double r)
    {
        tag(2);
        attr(1, 1);
        for (double v : {x, y, r, 0.0, 1.0, 0.0, 1.0})
            m_w.f64(v);
        m_w.u32(0);
        ++m_running;
    }

    void point(double x, double y)
    {
        tag(3);
        attr(1, 1);
        m_w.f64(x);
        m_w.f64(y);
        m_w.u32(0);
        ++m_running;
    }

    void text(double x, double y, std::string_view font, std::string_view str)
    {
        tag(4);
        textRecord(x, y, font, str);
        ++m_running;
    }

    // A dimension of a file before version 420: its line and its text only.
    void dimension(double x, double y)
    {
        tag(5);
        attr(1, 1);
        attr(1, 1);
        for (double v : {x, y, x + 10, y})
            m_w.f64(v);
        textRecord(x, y + 1, "", "1");
        ++m_running;
    }

    void blockRef(std::uint32_t number, double x, double y)
    {
        tag(7);
        attr(1, 2);
        for (double v : {x, y, 1.0, 1.0, 0.0})
            m_w.f64(v);
        m_w.u32(number);
        ++m_running;
    }

    // The head of a block definition; its `members` members follow.
    void definition(std::uint32_t number, std::string_view name, std::uint64_t members)
    {
        tag(8);
        attr(1, 2);
        m_w.u32(number);
        m_w.u32(1);
        m_w.u32(0);
        string(name);
        count(members);
        ++m_running;
    }

private:
    void tag(int kind)
    {
        static constexpr std::array<std::string_view, 9> names = {
            "",           "CDataSen",   "CDataEnko", "CDataTen", "CDataMoji", "CDataSunpou",
            "CDataSolid", "CDataBlock", "CDataList"};
        std::uint64_t &slot = m_slots[static_cast<std::size_t>(kind)];
        if (slot != 0) {
            if (slot < 0x7FFF) {
                m_w.u16(static_cast<std::uint16_t>(0x8000 + slot));
            } else {
                m_w.u16(0x7FFF);
                m_w.u32(static_cast<std::uint32_t>(0x80000000u + slot));
            }
            return;
        }
        const std::string_view name = names[static_cast<std::size_t>(kind)];
        m_w.u16(0xFFFF);
        m_w.u16(static_cast<std::uint16_t>(m_version));
        m_w.u16(static_cast<std::uint16_t>(name.size()));
        m_w.put(std::span(reinterpret_cast<const std::uint8_t *>(name.data()), name.size()));
        slot = m_running++;
    }

    void attr(std::uint8_t style, std::uint16_t color)
    {
        m_w.u32(0);
        m_w.u8(style);
        m_w.u16(color);
        if (m_version >= 351)
            m_w.u16(0);
        m_w.u16(0);
        m_w.u16(0);
        m_w.u16(0);
    }

    void string(std::string_view s)
    {
        if (s.size() < 255) {
            m_w.u8(static_cast<std::uint8_t>(s.size()));
        } else {
            m_w.u8(0xFF);
            m_w.u16(static_cast<std::uint16_t>(s.size()));
        }
        m_w.put(std::span(reinterpret_cast<const std::uint8_t *>(s.data()), s.size()));
    }

    void textRecord(double x, double y, std::string_view font, std::string_view str)
    {
        attr(1, 1);
        for (double v : {x, y, x + 10, y})
            m_w.f64(v);
        m_w.u32(1);
        for (double v : {2.0, 2.0, 0.0, 0.0})
            m_w.f64(v);
        string(font);
        string(str);
    }

    ByteWriter &m_w;
    std::int32_t m_version;
    std::array<std::uint64_t, 9> m_slots{};
    std::uint64_t m_running = 1;
};

// Bytes each shape spends per repeated unit, to turn a size into a count.
constexpr std::uint64_t kHeader = 452;
constexpr std::uint64_t kLongName = 65000;
constexpr std::uint32_t kFanout = 362; // 362 × 362 instances: about the tree's ceiling

std::uint64_t units(std::uint64_t bytes, std::uint64_t fixed, std::uint64_t each)
{
    return bytes > fixed + each ? (bytes - fixed) / each : 1;
}

// Distinct block numbers that follow no order.
std::uint32_t scattered(std::uint64_t i) { return static_cast<std::uint32_t>(i * 2654435761u); }

void names(std::uint64_t bytes, ByteWriter &w)
{
    JwsEmitter e(w, 600);
    // Names of 65,000 bytes from a file of 512 KB on; a smaller file has shorter ones.
    const std::uint64_t length = std::min<std::uint64_t>(kLongName, bytes / 8);
    const std::uint64_t defs = std::max<std::uint64_t>(2, units(bytes, kHeader, length + 160));
    const std::string name(length, 'N');
    e.header();
    e.count(2);
    e.line(0, 0, 10, 10);
    e.blockRef(0, 0, 0);
    e.count(defs);
    for (std::uint64_t i = 0; i < defs; ++i) {
        const bool last = i + 1 == defs;
        e.definition(static_cast<std::uint32_t>(i), name, last ? 1 : 2);
        if (last) {
            e.line(0, 0, 1, 1);
        } else {
            e.blockRef(static_cast<std::uint32_t>(i + 1), 1, 0);
            e.blockRef(static_cast<std::uint32_t>(i + 1), 0, 1);
        }
    }
}

void cycle(std::uint64_t bytes, ByteWriter &w)
{
    JwsEmitter e(w, 600);
    const std::uint64_t defs = units(bytes, kHeader, 93);
    e.header();
    e.count(2);
    e.line(0, 0, 10, 10);
    e.blockRef(0, 0, 0);
    e.count(defs);
    for (std::uint64_t i = 0; i < defs; ++i) {
        e.definition(static_cast<std::uint32_t>(i), "", 1);
        e.blockRef(static_cast<std::uint32_t>((i + 1) % defs), 1, 1);
    }
}

void arcs(std::uint64_t bytes, ByteWriter &w)
{
    JwsEmitter e(w, 600);
    const std::uint64_t refs = 2 * std::uint64_t{kFanout} * 61;
    const std::uint64_t n = units(bytes, kHeader + refs, 77);
    e.header();
    e.count(1 + kFanout);
    e.line(0, 0, 10, 10);
    for (std::uint32_t i = 0; i < kFanout; ++i)
        e.blockRef(1, i * 100.0, 0);
    e.count(2);
    e.definition(0, "arcs", n);
    for (std::uint64_t i = 0; i < n; ++i)
        e.arc(static_cast<double>(i % 1000), gridRow(i), 5);
    e.definition(1, "placed", kFanout);
    for (std::uint32_t i = 0; i < kFanout; ++i)
        e.blockRef(0, 0, i * 100.0);
}

// No definitions at all, and a reference to the number 0 beside the lines.
void zeroRef(std::uint64_t bytes, ByteWriter &w)
{
    JwsEmitter e(w, 600);
    const std::uint64_t n = units(bytes, kHeader + 100, 49);
    e.header();
    e.count(n + 1);
    e.blockRef(0, 0, 0);
    for (std::uint64_t i = 0; i < n; ++i)
        e.line(static_cast<double>(i % 1000), gridRow(i), 0, 0);
    e.count(0);
}

void emptyDefs(std::uint64_t bytes, ByteWriter &w)
{
    JwsEmitter e(w, 600);
    const std::uint64_t defs = units(bytes, kHeader + 200, 32);
    e.header();
    e.count(2);
    e.line(0, 0, 10, 10);
    e.blockRef(scattered(0), 0, 0);
    e.count(defs);
    for (std::uint64_t i = 0; i < defs; ++i)
        e.definition(scattered(i), "", 0);
}

void dimensions(std::uint64_t bytes, ByteWriter &w)
{
    JwsEmitter e(w, 419);
    const std::uint64_t n = units(bytes, kHeader + 200, 150);
    e.header();
    e.count(n);
    for (std::uint64_t i = 0; i < n; ++i)
        e.dimension(static_cast<double>(i % 1000), gridRow(i));
    e.count(0);
}

void references(std::uint64_t bytes, ByteWriter &w)
{
    JwsEmitter e(w, 600);
    const std::uint64_t n = units(bytes, kHeader + 200, 61);
    e.header();
    e.count(n);
    for (std::uint64_t i = 0; i < n; ++i)
        e.blockRef(0, static_cast<double>(i % 1000), gridRow(i));
    e.count(1);
    e.definition(0, "part", 1);
    e.line(0, 0, 1, 1);
}

void points(std::uint64_t bytes, ByteWriter &w)
{
    JwsEmitter e(w, 350);
    const std::uint64_t n = units(bytes, kHeader + 200, 35);
    e.header();
    e.count(n);
    for (std::uint64_t i = 0; i < n; ++i)
        e.point(static_cast<double>(i % 1000), gridRow(i));
    e.count(0);
}

void texts(std::uint64_t bytes, ByteWriter &w)
{
    JwsEmitter e(w, 600);
    const std::uint64_t n = units(bytes, kHeader + 200, 103);
    e.header();
    e.count(n);
    for (std::uint64_t i = 0; i < n; ++i)
        e.text(static_cast<double>(i % 1000), gridRow(i), "FontName", "Text0123");
    e.count(0);
}

// A .jwk whose texts all begin at offset 0 of a pool that holds one string of 1,000 bytes.
void sharedString(std::uint64_t bytes, ByteWriter &w)
{
    constexpr std::uint64_t kString = 1000;
    const std::uint64_t n = units(bytes, 400 + kString + 1, 24);
    std::array<std::uint8_t, 200> a{};
    const std::string_view id = "jw_cad(c)sym........";
    std::copy(id.begin(), id.end(), a.begin());
    w.put(a);
    std::string b = "0,0,0," + std::to_string(n) + ",0,0,1," + std::to_string(kString + 1) + ",1";
    b.resize(200, '\0');
    w.put(std::span(reinterpret_cast<const std::uint8_t *>(b.data()), b.size()));
    for (std::uint64_t i = 0; i < n; ++i) {
        w.put(static_cast<float>(i % 1000));
        w.put(static_cast<float>(gridRow(i)));
        w.put(static_cast<float>(i % 1000 + 30));
        w.put(static_cast<float>(gridRow(i)));
        w.u16(0); // the string's offset in the pool
        w.u16(0);
        w.u8(1);
        w.u8(0);
        w.u8(0);
        w.u8(0);
    }
    w.fill('S', kString);
    w.u8(0);
}

} // namespace

const std::vector<CraftedShape> &craftedShapes()
{
    static const std::vector<CraftedShape> shapes = {
        {"names", ".jws", "nested definitions with names of 65,000 bytes"},
        {"cycle", ".jws", "a chain of definitions that closes into a cycle"},
        {"arcs", ".jws", "a definition of arcs placed about 130,000 times"},
        {"shared", ".jwk", "texts that all share one string of the pool"},
        {"zeroref", ".jws", "a reference to block 0 in a file without definitions"},
        {"emptydefs", ".jws", "empty block definitions"},
        {"dimensions", ".jws", "dimensions of a version-419 file"},
        {"references", ".jws", "top-level references to one definition"},
        {"points", ".jws", "points of a version-350 file"},
        {"texts", ".jws", "texts with eight-character strings"},
    };
    return shapes;
}

bool writeCrafted(std::string_view shape, std::uint64_t bytes, ByteWriter &w)
{
    if (shape == "names")
        names(bytes, w);
    else if (shape == "cycle")
        cycle(bytes, w);
    else if (shape == "arcs")
        arcs(bytes, w);
    else if (shape == "shared")
        sharedString(bytes, w);
    else if (shape == "zeroref")
        zeroRef(bytes, w);
    else if (shape == "emptydefs")
        emptyDefs(bytes, w);
    else if (shape == "dimensions")
        dimensions(bytes, w);
    else if (shape == "references")
        references(bytes, w);
    else if (shape == "points")
        points(bytes, w);
    else if (shape == "texts")
        texts(bytes, w);
    else
        return false;
    return true;
}

} // namespace pravelot::bench
