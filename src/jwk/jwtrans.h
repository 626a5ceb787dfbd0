// TJwTrans: turns a loaded JWK document into a JWS document.
#pragma once

#include "jwk/jwctype.h"
#include "jws/entitysink.h"
#include "jws/jwsdata.h"

#include <cstdint>
#include <string>

namespace pravelot {

class TJwkData;
class TJwsData;

class TJwTrans {
public:
    // Coordinates are rounded half away from zero to multiples of 1 / keta.
    void SetKeta(std::int32_t k);    // keta := 10^k, k clamped to 0 … 6
    void SetMarume(std::int32_t m);  // marume := m ≠ 0 (cut toward zero instead)
    void SetLenZero(std::int32_t l); // lzero := l ≠ 0 (keep what vanishes)
    void SetSeido(std::int32_t d);   // seido := 10^−d + 1e-12, d clamped to 0 … 6

    // Empties *P_JWS and fills it with the lines, arcs, texts and points of *P_JWK, in
    // that order, each divided by the JWK scale and rounded: header "JwsData" version
    // 420 with base point (0, 0) and the JWK extents, 16 layer groups at the JWK scale,
    // no blocks. An entity that vanishes under the rounding is dropped unless lzero;
    // one with a coordinate or measure that is not a finite number, before or after
    // scaling, is always dropped. Walks each JWK kind up to its header count or the
    // length of its array, whichever is smaller. Both documents must be set; neither is
    // owned.
    void JWKtoJWSobj();
    // The same translation in two parts, for a caller that does not keep the entities:
    // resetJwsDocument empties *P_JWS and gives it the header JWKtoJWSobj gives, and
    // translate hands the entities to sink in order instead of appending them. curveNo
    // moves on as in JWKtoJWSobj.
    void resetJwsDocument();
    void translate(EntitySink &sink);

    // v rounded to a multiple of 1 / keta: half away from zero, or toward zero when
    // marume. Never −0.0; a value too large to have fractional digits comes back as is.
    double RoundKeta(float v) const;
    // The same with the unit 1 / f, always half away from zero.
    static double RoundFactor(float v, double f);
    // JWK colour to JWS pen colour: 1 … 6 stay, 7 becomes 9, anything else 1.
    static std::uint16_t PenColorNo(std::int32_t n);
    // Curve-group number of a line with flag byte flg2: 0x80 continues the current
    // group (starting group 1 when none has begun), 0x40 starts the next one (at most
    // 5000), anything else is no group (0).
    std::uint32_t CurveGroupNo(std::uint8_t b);
    static std::uint16_t LineFlag(const TEntJwcLine &e);
    static std::uint16_t ArcFlag(const TEntJwcArc2 &e);
    static std::uint16_t TenFlag(const TEntJwcTen &e);
    static std::uint16_t MojiFlag(const TEntJwcMoji2 &e);

    double keta = 1000;
    bool marume = false;
    bool lzero = false;
    double seido = 0;
    // Keeps counting from one JWK file to the next for the translator's lifetime.
    std::int32_t curveNo = 0;
    std::u16string mojiFont = u"ＭＳ ゴシック";
    TJwkData *P_JWK = nullptr;
    TJwsData *P_JWS = nullptr;

private:
    struct Ends {
        double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    };
    // The rounded, straightened ends of a line or text; false when it is dropped.
    bool ends(float x1, float y1, float x2, float y2, double f, Ends &out) const;

    void AppendLine(const TEntJwcLine &e, double f);
    void AppendEnko(const TEntJwcArc2 &e, double f);
    void AppendMoji(const TJwkData &k, const TEntJwcMoji2 &e, double f,
                    const JwcMojiTypeTable &types);
    void AppendTen(const TEntJwcTen &e, double f);

    EntitySink *m_sink = nullptr;
};

} // namespace pravelot
