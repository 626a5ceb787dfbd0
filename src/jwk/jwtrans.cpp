#include "jwk/jwtrans.h"

#include "core/numeric.h"
#include "jwk/jwkdata.h"
#include "jws/imagetext.h"
#include "jws/jwsdata.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <string>

namespace pravelot {

namespace {

bool finite(std::initializer_list<double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// The scaled coordinate, as the single that the rounding starts from.
float scaledSingle(float c, double f) { return toSingle(static_cast<double>(c) * f); }

constexpr std::u16string_view kBoundImage = u"^@BM%temp%";

// An image text with its bound-image prefix dropped and its two size fields divided
// by the scale; any other text as it is.
std::u16string rewriteImageText(const std::u16string &s, double f)
{
    std::u16string t = s;
    if (t.starts_with(kBoundImage))
        t.replace(0, kBoundImage.size(), ImageMarker);
    if (!isImageText(t))
        return t;
    const std::size_t comma = t.find(u',');
    if (comma == std::u16string::npos)
        return t;
    std::u16string out = t.substr(0, comma + 1);
    std::u16string_view rest = std::u16string_view(t).substr(comma + 1);
    const std::size_t c2 = rest.find(u',');
    out += FloatToText(TextToFloat(rest.substr(0, c2)) * f);
    if (c2 == std::u16string_view::npos)
        return out;
    rest = rest.substr(c2 + 1);
    const std::size_t c3 = rest.find(u',');
    out += u',';
    out += FloatToText(TextToFloat(rest.substr(0, c3)) * f);
    if (c3 != std::u16string_view::npos) {
        out += u',';
        out += rest.substr(c3 + 1);
    }
    return out;
}

TEntJwwAttr attr(std::uint32_t group, std::uint8_t style, std::uint16_t color, std::uint16_t width,
                 std::uint8_t lay, std::uint16_t flags)
{
    TEntJwwAttr a;
    a.lGroup = group;
    a.nPenStyle = style;
    a.nPenColor = color;
    a.nPenWidth = width;
    a.nLayer = static_cast<std::uint16_t>(lay & 0x0F);
    a.nGLayer = static_cast<std::uint16_t>(lay >> 4);
    a.sFlg = flags;
    return a;
}

std::size_t upTo(std::int32_t count, std::size_t size)
{
    return count > 0 ? std::min(static_cast<std::size_t>(count), size) : 0;
}

// Powers of ten as exact as a double holds them; a C library's pow() need not be.
constexpr double kPowersOfTen[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
constexpr double kTenths[] = {1, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6};

} // namespace

void TJwTrans::SetKeta(std::int32_t k) { keta = kPowersOfTen[std::clamp(k, 0, 6)]; }

void TJwTrans::SetMarume(std::int32_t m) { marume = m != 0; }

void TJwTrans::SetLenZero(std::int32_t l) { lzero = l != 0; }

void TJwTrans::SetSeido(std::int32_t d) { seido = kTenths[std::clamp(d, 0, 6)] + 1e-12; }

double TJwTrans::RoundKeta(float v) const { return roundToUnit(v, keta, marume ? 0.0L : 0.5L); }

double TJwTrans::RoundFactor(float v, double f) { return roundToUnit(v, f, 0.5L); }

std::uint16_t TJwTrans::PenColorNo(std::int32_t n)
{
    if (n >= 1 && n <= 6)
        return static_cast<std::uint16_t>(n);
    return n == 7 ? 9 : 1;
}

std::uint32_t TJwTrans::CurveGroupNo(std::uint8_t b)
{
    if (b & 0x80) {
        if (curveNo <= 0)
            curveNo = 1;
        return static_cast<std::uint32_t>(curveNo);
    }
    if (b & 0x40) {
        curveNo = std::min(curveNo + 1, 5000);
        return static_cast<std::uint32_t>(curveNo);
    }
    return 0;
}

std::uint16_t TJwTrans::LineFlag(const TEntJwcLine &e)
{
    return static_cast<std::uint16_t>((e.flg2 & 0x20) | ((e.flg3 & 0xB8) << 8));
}

std::uint16_t TJwTrans::ArcFlag(const TEntJwcArc2 &e) { return e.flg2 & 0xF0; }

std::uint16_t TJwTrans::TenFlag(const TEntJwcTen &e) { return e.flg1 & 0xF0; }

std::uint16_t TJwTrans::MojiFlag(const TEntJwcMoji2 &e)
{
    return static_cast<std::uint16_t>((e.flg1 & 0xF0) | (e.flg2 << 8));
}

bool TJwTrans::ends(float x1, float y1, float x2, float y2, double f, Ends &out) const
{
    const double ex1 = x1 * f, ey1 = y1 * f, ex2 = x2 * f, ey2 = y2 * f;
    const float sx1 = scaledSingle(x1, f), sy1 = scaledSingle(y1, f);
    const float sx2 = scaledSingle(x2, f), sy2 = scaledSingle(y2, f);
    if (!finite({x1, y1, x2, y2, ex1, ey1, ex2, ey2, sx1, sy1, sx2, sy2}))
        return false;
    out = {RoundKeta(sx1), RoundKeta(sy1), RoundKeta(sx2), RoundKeta(sy2)};
    const double dx = std::fabs(ex2 - ex1);
    const double dy = std::fabs(ey2 - ey1);
    // Nearly vertical or horizontal becomes exactly so; both tests use the unrounded
    // differences.
    if (dx <= seido && dx < dy)
        out.X2 = out.X1;
    if (dy <= seido && dy < dx)
        out.Y2 = out.Y1;
    if (std::fabs(out.X2 - out.X1) <= 1e-12 && std::fabs(out.Y2 - out.Y1) <= 1e-12) {
        const double half = 0.5 / keta;
        if (!lzero && dx < half && dy < half)
            return false;
        out = {RoundTo12Places(ex1), RoundTo12Places(ey1), RoundTo12Places(ex2),
               RoundTo12Places(ey2)};
    }
    return true;
}

void TJwTrans::AppendLine(const TEntJwcLine &e, double f)
{
    // The group counter moves on for every line, also for one that is then dropped.
    const std::uint32_t group = CurveGroupNo(e.flg2);
    Ends p;
    if (!ends(e.x1, e.y1, e.x2, e.y2, f, p))
        return;
    TEntJwwLine l;
    l.att = attr(group, e.typ, PenColorNo(e.col), 0, e.lay, LineFlag(e));
    l.start_x = p.X1;
    l.start_y = p.Y1;
    l.end_x = p.X2;
    l.end_y = p.Y2;
    m_sink->line(l);
}

void TJwTrans::AppendEnko(const TEntJwcArc2 &e, double f)
{
    const double ex = e.x * f, ey = e.y * f, er = e.r * f;
    const float sx = scaledSingle(e.x, f), sy = scaledSingle(e.y, f), sr = scaledSingle(e.r, f);
    if (!finite({e.x, e.y, e.r, e.h, e.st, e.et, e.tt, ex, ey, er, sx, sy, sr}))
        return;
    double R = RoundKeta(sr);
    if (std::fabs(R) <= 1e-12) {
        if (!lzero && std::fabs(er) < 0.5 / keta)
            return;
        R = er;
    }
    // A sweep that wraps to 0 is a whole circle, as one of 360 is.
    double W = wrapAngleDegrees(static_cast<double>(e.et) - e.st);
    const bool whole = std::fabs(W) < 1e-14 || std::fabs(W - 360) < 1e-14;
    if (whole)
        W = 360;

    TEntJwwEnko a;
    a.att = attr(0, e.typ, PenColorNo(e.col), 0, e.lay, ArcFlag(e));
    a.start_x = RoundKeta(sx);
    a.start_y = RoundKeta(sy);
    a.dHankei = R;
    a.radKaishiKaku = degToRad(RoundFactor(e.st, 1000000));
    a.radEnkoKaku = degToRad(RoundFactor(static_cast<float>(W), 1000000));
    a.radKatamukiKaku = degToRad(RoundFactor(e.tt, 1000000));
    a.dHenpeiRitsu = RoundFactor(e.h, 1000000);
    a.bZenEnFlg = whole ? 1 : 0;
    m_sink->arc(a);
}

void TJwTrans::AppendMoji(const TJwkData &k, const TEntJwcMoji2 &e, double f,
                          const JwcMojiTypeTable &types)
{
    Ends p;
    if (!ends(e.x1, e.y1, e.x2, e.y2, f, p))
        return;
    // A text-type number past the table uses the all-zero entry.
    const TEntJwcMojiType t = e.no < types.size() ? types[e.no] : TEntJwcMojiType{};

    const double deg = wrapAngleDegrees(
        RoundToPlaces(2, 2, DirectionAngle(p.X2 - p.X1, p.Y2 - p.Y1) * 180 / std::numbers::pi));

    TEntJwwMoji m;
    m.att = attr(0, 1, PenColorNo(t.penNo), 1, e.lay, MojiFlag(e));
    m.start_x = p.X1;
    m.start_y = p.Y1;
    m.end_x = p.X2;
    m.end_y = p.Y2;
    m.nMojiShu = e.no;
    // Text sizes are paper sizes: the scale does not apply to them. Tenths are taken in
    // long double so that 30 tenths are exactly 3.
    m.dSizeX = static_cast<double>(t.width * 0.1L);
    m.dSizeY = static_cast<double>(t.height * 0.1L);
    m.dKankaku = static_cast<double>(t.dist * 0.1L);
    m.degKakudo = deg;
    if (m_sink->wantsStrings()) {
        m.strFontName = mojiFont;
        m.str = rewriteImageText(k.stringOf(e), f);
    }
    m_sink->text(std::move(m));
}

void TJwTrans::AppendTen(const TEntJwcTen &e, double f)
{
    const float sx = scaledSingle(e.x, f), sy = scaledSingle(e.y, f);
    if (!finite({e.x, e.y, e.x * f, e.y * f, sx, sy}))
        return;
    TEntJwwTen t;
    t.att = attr(0, 1, PenColorNo(e.col), 0, e.lay, TenFlag(e));
    t.start_x = RoundKeta(sx);
    t.start_y = RoundKeta(sy);
    t.bKariten = 0;
    t.nCode = 0;
    t.radKaitenKaku = 0;
    t.dBairitsu = 1;
    m_sink->point(t);
}

namespace {

// Appends each translated entity to a document's top level, with its order entry.
class AppendToDocument : public EntitySink {
public:
    explicit AppendToDocument(TJwsData &s) : m_s(s) {}
    void line(const TEntJwwLine &e) override { append(m_s.EntLine, e, kEntLine); }
    void arc(const TEntJwwEnko &e) override { append(m_s.EntEnko, e, kEntEnko); }
    void text(TEntJwwMoji &&e) override { append(m_s.EntMoji, std::move(e), kEntMoji); }
    void point(const TEntJwwTen &e) override { append(m_s.EntTen, e, kEntTen); }

private:
    template <class T> void append(std::vector<T> &v, T e, std::int32_t kind)
    {
        v.push_back(std::move(e));
        m_s.EntNo.push_back({kind, static_cast<std::int32_t>(v.size() - 1)});
    }
    TJwsData &m_s;
};

} // namespace

void TJwTrans::resetJwsDocument()
{
    const TJwkData &k = *P_JWK;
    TJwsData &s = *P_JWS;
    s.DataInit();
    s.Enthd.jwID = u"JwsData";
    s.Enthd.jwVer = 420;
    s.Enthd.BasePoint_x = 0;
    s.Enthd.BasePoint_y = 0;
    s.Enthd.Mx1 = k.myMinWx;
    s.Enthd.My1 = k.myMinWy;
    s.Enthd.Mx2 = k.myMaxWx;
    s.Enthd.My2 = k.myMaxWy;
    TEntJwwLayerGroup group;
    group.adScale = k.Enthd.scale;
    s.EntLgrp.assign(16, group);
}

void TJwTrans::translate(EntitySink &sink)
{
    const TJwkData &k = *P_JWK;
    const double f = 1.0 / k.Enthd.scale;
    m_sink = &sink;
    for (std::size_t i = 0; i < upTo(k.Enthd.lineCount, k.EntLine.size()); ++i)
        AppendLine(k.EntLine[i], f);
    for (std::size_t i = 0; i < upTo(k.Enthd.arcCount, k.EntArc.size()); ++i)
        AppendEnko(k.EntArc[i], f);
    for (std::size_t i = 0; i < upTo(k.Enthd.mojiCount, k.EntMoji.size()); ++i)
        AppendMoji(k, k.EntMoji[i], f, kJwcMojiTypes);
    for (std::size_t i = 0; i < upTo(k.Enthd.tenCount, k.EntTen.size()); ++i)
        AppendTen(k.EntTen[i], f);
    m_sink = nullptr;
}

void TJwTrans::JWKtoJWSobj()
{
    assert(P_JWK && P_JWS);
    if (!P_JWK || !P_JWS)
        return;
    const TJwkData &k = *P_JWK;
    TJwsData &s = *P_JWS;
    resetJwsDocument();
    const std::size_t lines = upTo(k.Enthd.lineCount, k.EntLine.size());
    const std::size_t arcs = upTo(k.Enthd.arcCount, k.EntArc.size());
    const std::size_t mojis = upTo(k.Enthd.mojiCount, k.EntMoji.size());
    const std::size_t tens = upTo(k.Enthd.tenCount, k.EntTen.size());
    s.EntLine.reserve(lines);
    s.EntEnko.reserve(arcs);
    s.EntMoji.reserve(mojis);
    s.EntTen.reserve(tens);
    s.EntNo.reserve(lines + arcs + mojis + tens);
    AppendToDocument append(s);
    translate(append);
    s.Enthd.n1 = static_cast<std::int32_t>(s.EntNo.size());
}

} // namespace pravelot
