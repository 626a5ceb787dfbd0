#include "render/textlayout.h"

#include "core/text.h"
#include "jws/writtenattr.h"
#include "render/palette.h"

#include <cmath>
#include <numbers>

namespace pravelot {

TextLayout::TextRun TextLayout::measure(std::u16string_view s)
{
    TextRun r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF)
            ++i;
        // Half-width: what code page 932 holds in one byte.
        const bool half = c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);
        r.cells += half ? 0.5 : 1.0;
        ++r.chars;
    }
    return r;
}

std::uint32_t TextLayout::intern(std::u16string s)
{
    if (m_out.handsOver()) {
        // The drawing holds the strings of the primitive at hand only.
        m_drawing.strings.push_back(std::move(s));
        return static_cast<std::uint32_t>(m_drawing.strings.size() - 1);
    }
    if (m_out.frameOnly())
        return 0;
    auto [it, fresh] =
        m_strings.try_emplace(s, static_cast<std::uint32_t>(m_drawing.strings.size()));
    if (fresh)
        m_drawing.strings.push_back(std::move(s));
    return it->second;
}

const TextLayout::TextInfo &TextLayout::info(const TEntJwwMoji &e)
{
    // What is kept for texts placed again is only there to save time: a drawing of
    // millions of text members keeps no more than kKeptTexts of them at a time, and one
    // whose strings go with each primitive keeps none.
    if (m_out.handsOver()) {
        m_drawing.strings.clear();
        m_passing = TextInfo{};
        return fill(e, m_passing);
    }
    if (m_texts.size() >= kKeptTexts && !m_texts.contains(&e))
        m_texts.clear();
    auto [it, fresh] = m_texts.try_emplace(&e);
    TextInfo &t = it->second;
    if (!fresh)
        return t;
    return fill(e, t);
}

const TextLayout::TextInfo &TextLayout::fill(const TEntJwwMoji &e, TextInfo &t)
{
    // The strings a written file carries.
    std::u16string s = TextOutClean(e.str);
    if (s.empty() || s == u" ")
        return t;
    t.drawn = true;
    t.image = isImageText(s);
    if (t.image) {
        t.picture = ParseImageText(s);
        t.string = intern(t.picture.FileName);
    } else {
        t.run = measure(s);
        t.string = intern(std::move(s));
        t.font = intern(TextOutClean(e.strFontName));
    }
    return t;
}

void TextLayout::passingText(const TEntJwwMoji &e)
{
    text(e, Place{});
    m_texts.erase(&e);
}

void TextLayout::text(const TEntJwwMoji &e, const Place &p)
{
    const TextInfo &t = info(e);
    if (!t.drawn || !allUsable(e.start_x, e.start_y))
        return;
    const std::uint32_t rgb = penOf(e.att, kEntMoji, m_ver).rgb;
    if (t.image) {
        picture(e, t, p);
        return;
    }
    DrawnText d;
    const double angle = e.degKakudo * std::numbers::pi / 180;
    if (!std::isfinite(angle) || !usable(e.dKankaku))
        return;
    const double c = std::cos(angle), s = std::sin(angle);
    d.origin = p.point(e.start_x, e.start_y);
    d.ex = p.vec(c, s);
    d.ey = p.vec(-s, c);
    d.width = writtenTextSize(e.dSizeX);
    d.height = writtenTextSize(e.dSizeY);
    d.spacing = e.dKankaku;
    d.length = d.width * t.run.cells + d.spacing * (static_cast<double>(t.run.chars) - 1);
    d.string = t.string;
    d.font = t.font;
    d.rgb = rgb;
    const Vec2 along = plus(d.origin, times(d.ex, d.length));
    const Vec2 up = times(d.ey, d.height);
    const Vec2 corners[4] = {d.origin, along, plus(along, up), plus(d.origin, up)};
    for (const Vec2 &q : corners)
        if (!usable(q))
            return;
    for (const Vec2 &q : corners)
        m_bounds.widen(q);
    m_out.add(d);
}

void TextLayout::picture(const TEntJwwMoji &e, const TextInfo &t, const Place &p)
{
    const double w = t.picture.Width, h = t.picture.Height;
    const double angle = t.picture.Angle * std::numbers::pi / 180;
    if (!allUsable(w, h) || !std::isfinite(angle))
        return;
    const double c = std::cos(angle), s = std::sin(angle);
    auto corner = [&](double u, double v) {
        return p.point(e.start_x + u * c - v * s, e.start_y + u * s + v * c);
    };
    DrawnImage img{{corner(0, 0), corner(w, 0), corner(w, h), corner(0, h)}, t.string};
    for (const Vec2 &q : img.corners)
        if (!usable(q))
            return;
    m_out.add(img);
}

} // namespace pravelot
