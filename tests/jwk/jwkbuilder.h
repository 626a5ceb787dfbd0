// Builds the bytes of small .jwk files for the tests: header block A with the
// identification text, header block B from the records added (or as given), the
// records, and the string pool.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace pravelot::test {

class JwkBuilder {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Each record's flag and attribute bytes in file order.
    JwkBuilder &line(float x1, float y1, float x2, float y2, std::uint8_t typ = 1,
                     std::uint8_t col = 1, std::uint8_t lay = 0, std::uint8_t flg1 = 0,
                     std::uint8_t flg2 = 0, std::uint8_t flg3 = 0)
    {
        Bytes r;
        f32(r, x1);
        f32(r, y1);
        f32(r, x2);
        f32(r, y2);
        r.insert(r.end(), {typ, col, lay, flg1, flg2, flg3});
        m_lines.insert(m_lines.end(), r.begin(), r.end());
        ++m_lineN;
        return *this;
    }
    // Flattening and angles as the file stores them: × 10000 and × 65536.
    JwkBuilder &arcRaw(float x, float y, float r, std::uint16_t h, std::int32_t st, std::int32_t et,
                       std::int32_t tt, std::uint8_t typ = 1, std::uint8_t col = 1,
                       std::uint8_t lay = 0, std::uint8_t flg1 = 0, std::uint8_t flg2 = 0,
                       std::uint8_t flg3 = 0)
    {
        Bytes b;
        f32(b, x);
        f32(b, y);
        f32(b, r);
        u16(b, h);
        i32(b, st);
        i32(b, et);
        i32(b, tt);
        b.insert(b.end(), {typ, col, lay, flg1, flg2, flg3});
        m_arcs.insert(m_arcs.end(), b.begin(), b.end());
        ++m_arcN;
        return *this;
    }
    // Whole-degree angles and a flattening of 1.
    JwkBuilder &arc(float x, float y, float r, std::int32_t stDeg, std::int32_t etDeg,
                    std::int32_t ttDeg = 0, std::uint8_t col = 1, std::uint8_t flg2 = 0)
    {
        return arcRaw(x, y, r, 10000, stDeg * 65536, etDeg * 65536, ttDeg * 65536, 1, col, 0, 0,
                      flg2);
    }
    JwkBuilder &ten(float x, float y, std::uint8_t lay = 0, std::uint8_t col = 1,
                    std::uint8_t flg1 = 0, std::uint8_t flg2 = 0)
    {
        Bytes b;
        f32(b, x);
        f32(b, y);
        b.insert(b.end(), {lay, col, flg1, flg2});
        m_tens.insert(m_tens.end(), b.begin(), b.end());
        ++m_tenN;
        return *this;
    }
    // A text whose string (bytes as given, Shift_JIS) is appended to the pool.
    JwkBuilder &moji(float x1, float y1, float x2, float y2, const std::string &s,
                     std::uint8_t no = 1, std::uint8_t lay = 0, std::uint8_t flg1 = 0,
                     std::uint8_t flg2 = 0)
    {
        const auto p = static_cast<std::uint16_t>(m_pool.size());
        m_pool.insert(m_pool.end(), s.begin(), s.end());
        m_pool.push_back(0);
        return mojiAt(x1, y1, x2, y2, p, no, lay, flg1, flg2);
    }
    // A text pointing at pool offset p.
    JwkBuilder &mojiAt(float x1, float y1, float x2, float y2, std::uint16_t p, std::uint8_t no = 1,
                       std::uint8_t lay = 0, std::uint8_t flg1 = 0, std::uint8_t flg2 = 0)
    {
        Bytes b;
        f32(b, x1);
        f32(b, y1);
        f32(b, x2);
        f32(b, y2);
        u16(b, p);
        u16(b, 0xBEEF);
        b.insert(b.end(), {no, lay, flg1, flg2});
        m_mojis.insert(m_mojis.end(), b.begin(), b.end());
        ++m_mojiN;
        return *this;
    }
    // Raw pool bytes, appended.
    JwkBuilder &pool(const std::string &bytes)
    {
        m_pool.insert(m_pool.end(), bytes.begin(), bytes.end());
        return *this;
    }
    // The ninth value of block B, as text.
    JwkBuilder &scale(const std::string &s)
    {
        m_scale = s;
        return *this;
    }
    JwkBuilder &comments(const std::string &c1, const std::string &c2)
    {
        m_comment1 = c1;
        m_comment2 = c2;
        return *this;
    }
    // Block B exactly as given (padded with NUL bytes to 200), instead of the counts.
    JwkBuilder &blockB(const std::string &text)
    {
        m_blockB = text;
        return *this;
    }

    std::string countsText() const
    {
        return std::to_string(m_lineN) + "," + std::to_string(m_arcN) + "," +
               std::to_string(m_tenN) + "," + std::to_string(m_mojiN) + ",0,0,1," +
               std::to_string(m_pool.size()) + "," + m_scale;
    }

    Bytes bytes() const
    {
        Bytes out(400, 0);
        const std::string id = "jw_cad(c)sym........";
        std::memcpy(out.data(), id.data(), id.size());
        std::memcpy(out.data() + 40, m_comment1.data(),
                    std::min<std::size_t>(32, m_comment1.size()));
        std::memcpy(out.data() + 72, m_comment2.data(),
                    std::min<std::size_t>(32, m_comment2.size()));
        const std::string b = m_blockB.empty() ? countsText() : m_blockB;
        std::memcpy(out.data() + 200, b.data(), std::min<std::size_t>(200, b.size()));
        for (const Bytes *part : {&m_lines, &m_arcs, &m_tens, &m_mojis, &m_pool})
            out.insert(out.end(), part->begin(), part->end());
        return out;
    }

private:
    static void f32(Bytes &b, float v)
    {
        std::uint8_t raw[4];
        std::memcpy(raw, &v, 4);
        b.insert(b.end(), raw, raw + 4);
    }
    static void u16(Bytes &b, std::uint16_t v)
    {
        b.push_back(static_cast<std::uint8_t>(v & 0xFF));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    static void i32(Bytes &b, std::int32_t v)
    {
        const auto u = static_cast<std::uint32_t>(v);
        for (int k = 0; k < 4; ++k)
            b.push_back(static_cast<std::uint8_t>((u >> (8 * k)) & 0xFF));
    }

    Bytes m_lines, m_arcs, m_tens, m_mojis, m_pool;
    int m_lineN = 0, m_arcN = 0, m_tenN = 0, m_mojiN = 0;
    std::string m_scale = "1";
    std::string m_comment1, m_comment2, m_blockB;
};

// A random file of every kind of record: lines some of which vanish under rounding,
// curve-group flags, arcs, plain and image texts, points, and a scale of 1 or 20.
inline JwkBuilder::Bytes randomJwk(std::mt19937 &rng)
{
    std::uniform_real_distribution<float> coord(-1000, 1000);
    std::uniform_int_distribution<int> byte(0, 255), small(0, 9);
    JwkBuilder b;
    const int lines = small(rng) * 3, arcs = small(rng), texts = small(rng), points = small(rng);
    for (int i = 0; i < lines; ++i) {
        const float x = coord(rng), y = coord(rng);
        // Some lines vanish under the rounding and are dropped.
        const float len = small(rng) < 3 ? 0.0000001f : coord(rng);
        const std::uint8_t flags[] = {0x00, 0x40, 0x80, 0x20};
        b.line(x, y, x + len, y + (small(rng) < 5 ? 0.0000009f : coord(rng)),
               static_cast<std::uint8_t>(1 + small(rng)), static_cast<std::uint8_t>(small(rng)),
               static_cast<std::uint8_t>(byte(rng)), 0, flags[small(rng) % 4],
               static_cast<std::uint8_t>(byte(rng)));
    }
    for (int i = 0; i < arcs; ++i)
        b.arc(coord(rng), coord(rng), small(rng) == 0 ? 0.0f : std::fabs(coord(rng)),
              small(rng) * 40, small(rng) * 40, small(rng) * 10,
              static_cast<std::uint8_t>(small(rng)));
    for (int i = 0; i < texts; ++i) {
        const float x = coord(rng), y = coord(rng);
        b.moji(x, y, x + coord(rng), y + coord(rng),
               small(rng) < 3 ? "^@BM%temp%pic.bmp,100,50" : "\x8e\xe8\x82\xb7\x82\xe8",
               static_cast<std::uint8_t>(small(rng) + small(rng)));
    }
    for (int i = 0; i < points; ++i)
        b.ten(coord(rng), coord(rng), static_cast<std::uint8_t>(byte(rng)),
              static_cast<std::uint8_t>(small(rng)));
    b.scale(small(rng) < 5 ? "1" : "20");
    return b.bytes();
}

} // namespace pravelot::test
