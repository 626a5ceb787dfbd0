// The byte layout of the .jws header and records, written once for both directions.
//
// Each function lists a record's fields in file order against an Io, which is the
// reader's cursor (fields are references to fill) or the writer's (fields are values
// to write). An Io offers:
//   io(v)              one plain field;
//   io.attr(a, kind)   an entity attribute of the given kind (the writer writes the
//                      copy that the file's version can hold, see writtenAttr);
//   io.textSize(v)     a text's width or height (the writer writes writtenTextSize);
//   io.wide()          whether attributes carry nPenWidth (version 351 on);
//   io.string(s, use)  an archive string (the writer cleans it, and applies the text
//                      options to the string of a text entity);
//   io.part(p, f)      f(io) over the part p of a dimension: the reader decides how each
//                      part is read (see jwsreader.cpp), the writer just writes it;
//   io.id(s), io.filler(n)  the header's identification and filler.
// How much of a record the reader takes at once, and what it does when the file ends
// inside one, is the reader's policy, not the layout's.
#pragma once

#include "jws/jwwtype.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace pravelot {

constexpr std::size_t kJwsHeaderSize = 452;
constexpr std::size_t kJwsFillerSize = 193;
// The header up to and with the version: all that a quick check of a file needs.
constexpr std::size_t kJwsHeaderStartSize = 7 + kJwsFillerSize + 4;

// How the writer treats the string of a text: as the text entity's own string (cleaned,
// then the text options) or as any other string (cleaned).
enum class TextUse { Plain, Entity };

// The identification, the filler and the version.
template <class Io, class Id, class Ver> inline void headerStart(Io &io, Id &jwID, Ver &jwVer)
{
    io.id(jwID);
    io.filler(kJwsFillerSize);
    io(jwVer);
}

// The rest of the header: the base point, the scales of the 16 layer groups, the spare
// fields and the last view.
template <class Io, class Header, class Scales>
inline void headerRest(Io &io, Header &h, Scales &adScale)
{
    io(h.BasePoint_x);
    io(h.BasePoint_y);
    for (auto &s : adScale)
        io(s);
    for (auto *v : {&h.dmy01, &h.dmy02, &h.dmy03, &h.dmy04, &h.dmy05, &h.dmy06})
        io(*v);
    for (auto *v : {&h.dmy11, &h.dmy12, &h.dmy13, &h.dmy14, &h.dmy15, &h.dmy16, &h.Mx1, &h.My1,
                    &h.Mx2, &h.My2})
        io(*v);
}

// The attribute at the head of every entity and block definition: 15 bytes, or 13
// without nPenWidth before version 351.
template <class Io, class Attr> inline void attrFields(Io &io, Attr &a)
{
    io(a.lGroup);
    io(a.nPenStyle);
    io(a.nPenColor);
    if (io.wide())
        io(a.nPenWidth);
    io(a.nLayer);
    io(a.nGLayer);
    io(a.sFlg);
}

template <class Io, class Line> inline void lineFields(Io &io, Line &e)
{
    io.attr(e.att, kEntLine);
    io(e.start_x);
    io(e.start_y);
    io(e.end_x);
    io(e.end_y);
}

template <class Io, class Enko> inline void enkoFields(Io &io, Enko &e)
{
    io.attr(e.att, kEntEnko);
    for (auto *v : {&e.start_x, &e.start_y, &e.dHankei, &e.radKaishiKaku, &e.radEnkoKaku,
                    &e.radKatamukiKaku, &e.dHenpeiRitsu})
        io(*v);
    io(e.bZenEnFlg);
}

// A point's fixed part; its extension follows in the stream (tenExtension).
template <class Io, class Ten> inline void tenFields(Io &io, Ten &e)
{
    io.attr(e.att, kEntTen);
    io(e.start_x);
    io(e.start_y);
    io(e.bKariten);
}

// Only a point of line style 100 (in the document, before the attribute's mapping)
// carries these.
template <class Io, class Ten> inline void tenExtension(Io &io, Ten &e)
{
    if (e.att.nPenStyle != 100)
        return;
    io(e.nCode);
    io(e.radKaitenKaku);
    io(e.dBairitsu);
}

// A text's fixed part; its two strings follow in the stream (mojiStrings).
template <class Io, class Moji> inline void mojiFields(Io &io, Moji &e)
{
    io.attr(e.att, kEntMoji);
    io(e.start_x);
    io(e.start_y);
    io(e.end_x);
    io(e.end_y);
    io(e.nMojiShu);
    io.textSize(e.dSizeX);
    io.textSize(e.dSizeY);
    io(e.dKankaku);
    io(e.degKakudo);
}

template <class Io, class Moji> inline void mojiStrings(Io &io, Moji &e, TextUse use)
{
    io.string(e.strFontName, TextUse::Plain);
    io.string(e.str, use);
}

template <class Io, class Solid> inline void solidFields(Io &io, Solid &e)
{
    io.attr(e.att, kEntSolid);
    for (auto *v : {&e.start_x, &e.start_y, &e.end_x, &e.end_y, &e.DPoint2_x, &e.DPoint2_y,
                    &e.DPoint3_x, &e.DPoint3_y})
        io(*v);
}

// Only a solid of colour 10 (in the document) carries its own colour.
template <class Io, class Solid> inline void solidColor(Io &io, Solid &e)
{
    if (e.att.nPenColor == 10)
        io(e.Color);
}

template <class Io, class Block> inline void blockFields(Io &io, Block &e)
{
    io.attr(e.att, kEntBlock);
    for (auto *v :
         {&e.DPKijunTen_x, &e.DPKijunTen_y, &e.dBairitsuX, &e.dBairitsuY, &e.radKaitenKaku})
        io(*v);
    io(e.nNumber);
}

// A block definition's fixed part; an extended time may follow, then its name and its
// member list.
template <class Io, class Attr, class U32>
inline void blockDefFields(Io &io, Attr &att, U32 &nNumber, U32 &bRefferd, U32 &dtime)
{
    io.attr(att, kEntBlockDef);
    io(nNumber);
    io(bRefferd);
    io(dtime);
}

// The parts of a dimension, named after its fields, in file order.
enum class SunpoPart { Attr, Sen, Moji, Ho1, Ho2, Te1, Te2, Kt1, Kt2 };

// A dimension: its own attribute, its line and its text with their strings, then (when
// x is given: version 420 on) the extended part.
template <class Io, class Sunpo, class Ext> inline void sunpoFields(Io &io, Sunpo &e, Ext *x)
{
    io.part(SunpoPart::Attr, [&](auto &f) { f.attr(e.att, kEntSunpo); });
    io.part(SunpoPart::Sen, [&](auto &f) { lineFields(f, e.Sen); });
    io.part(SunpoPart::Moji, [&](auto &f) { mojiFields(f, e.Moji); });
    mojiStrings(io, e.Moji, TextUse::Plain);
    if (!x)
        return;
    io(e.bSxfMode);
    io.part(SunpoPart::Ho1, [&](auto &f) { lineFields(f, x->Ho1); });
    io.part(SunpoPart::Ho2, [&](auto &f) { lineFields(f, x->Ho2); });
    const std::pair<SunpoPart, decltype(&x->Te1)> points[] = {{SunpoPart::Te1, &x->Te1},
                                                              {SunpoPart::Te2, &x->Te2},
                                                              {SunpoPart::Kt1, &x->Kt1},
                                                              {SunpoPart::Kt2, &x->Kt2}};
    for (const auto &point : points) {
        auto *t = point.second;
        io.part(point.first, [&](auto &f) { tenFields(f, *t); });
        tenExtension(io, *t);
    }
}

} // namespace pravelot
