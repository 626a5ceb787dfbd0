// What a figure draws, as world-space primitives (millimetres, y up): the display model
// of the preview and of the pictures the command line writes. Built from a document;
// holds no reference to it.
#pragma once

#include "jws/entitysink.h"
#include "jws/jwsdata.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace pravelot {

struct Vec2 {
    double x = 0, y = 0;
    bool operator==(const Vec2 &) const = default;
};

struct Box {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    double width() const { return maxX - minX; }
    double height() const { return maxY - minY; }
    bool operator==(const Box &) const = default;
};

// How a line is drawn: colour 0xRRGGBB, line style and pen width as the file keeps
// them (see render/palette.h).
struct Pen {
    std::uint32_t rgb = 0;
    std::uint8_t style = 1;
    std::uint16_t width = 0;
    bool operator==(const Pen &) const = default;
};

struct DrawnLine {
    Vec2 a, b;
    Pen pen;
};

// The elliptic arc centre + u·cos t + v·sin t for t from start over sweep (|sweep| at
// most 2π; a whole turn for a whole circle or ellipse). u and v are the two conjugate
// semi-axes, already carried through every block placement.
struct DrawnArc {
    Vec2 centre, u, v;
    double start = 0, sweep = 0;
    Pen pen;
};

struct DrawnPoint {
    Vec2 at;
    std::uint32_t rgb = 0;
    bool temporary = false;
};

// One line of text. Its own frame has x along the base line and y up, in millimetres
// of the figure before any block placement; ex and ey carry one unit of each axis into
// the world. Characters stand side by side from the origin: a full-width character
// takes width, a half-width one width / 2, with spacing between characters; length is
// the whole run, height the characters' height.
struct DrawnText {
    Vec2 origin, ex, ey;
    double width = 0, height = 0, spacing = 0, length = 0;
    std::uint32_t string = 0; // index into Drawing::strings
    std::uint32_t font = 0;   // index into Drawing::strings
    std::uint32_t rgb = 0;
};

// A filled area: a closed outline.
struct DrawnSolid {
    std::vector<Vec2> outline;
    std::uint32_t rgb = 0;
};

// The frame of a picture that a text refers to (pictures themselves are not loaded):
// its four corners in order.
struct DrawnImage {
    Vec2 corners[4];
    std::uint32_t file = 0; // index into Drawing::strings
};

// What a drawing leaves out, and why.
enum class DrawingCut {
    None,
    // The figure holds more primitives than a drawing takes (kDrawingBudget): those
    // past it are not drawn.
    Primitives,
    // Blocks nest into more placed instances than the block tree holds
    // (TJwsData::kBlockTreeCeiling): the instances past it are not drawn.
    Instances,
};

struct Drawing {
    std::vector<DrawnSolid> solids;
    std::vector<DrawnLine> lines;
    std::vector<DrawnArc> arcs;
    std::vector<DrawnImage> images;
    std::vector<DrawnPoint> points;
    std::vector<DrawnText> texts;
    // Texts, font names and picture names, each once however often it is placed.
    std::vector<std::u16string> strings;

    Vec2 basePoint;
    // The figure's extents, as the program measures them (base point included); for a
    // drawing stopped early, the box of what was drawn.
    Box extents;
    // Extents and the boxes of the texts: what a picture of the whole figure shows.
    Box viewBox;
    // What was left out, if anything; what was drawn until then is kept.
    DrawingCut cut = DrawingCut::None;
    // Building was stopped from outside; the drawing is incomplete.
    bool cancelled = false;

    std::size_t primitiveCount() const
    {
        return solids.size() + lines.size() + arcs.size() + images.size() + points.size() +
               texts.size();
    }
    const std::u16string &text(const DrawnText &t) const { return strings[t.string]; }
};

// Takes the primitives of a drawing one at a time, as they are made, for a drawing that
// is never held whole.
class PrimitiveSink {
public:
    virtual ~PrimitiveSink() = default;
    // d holds one primitive, just made, and the strings it refers to (with others,
    // maybe); they are gone after the call.
    virtual void take(const Drawing &d) = 0;
};

// Drawings stop growing at this many primitives.
inline constexpr std::size_t kDrawingBudget = std::size_t{1} << 20;

// What a drawing keeps: everything, or only its frame — the base point, extents, view
// box and what was cut or whether it was cancelled, as they would be for everything —
// when only the size of a picture is wanted (it then takes no memory for primitives).
enum class DrawingKeep { Everything, FrameOnly };

// What doc draws: its top-level entities and the members of every block instance of its
// block tree, with the attributes and strings a file written from it would carry
// (versions below 420 keep fewer colours and line styles). Entities with coordinates
// that are not finite numbers or lie beyond ±1e12 are left out. cancel, when set and
// raised, stops the building early.
Drawing makeDrawing(const TJwsData &doc, const std::atomic<bool> *cancel = nullptr,
                    DrawingKeep keep = DrawingKeep::Everything);
// The frame of makeDrawing(doc), each primitive handed to sink as it is made, in the
// order in which a drawing of everything would hold them (within each kind).
Drawing makeDrawing(const TJwsData &doc, PrimitiveSink &sink);
// What a document with header's header draws whose top-level entities produce hands
// over one at a time (the translation of a .jwk document), without holding them: the
// same drawing as makeDrawing of a document holding them. header's own entities and
// blocks are not looked at.
Drawing makeDrawing(const TJwsData &header, const MemberProducer &produce,
                    const std::atomic<bool> *cancel = nullptr,
                    DrawingKeep keep = DrawingKeep::Everything, PrimitiveSink *sink = nullptr);

} // namespace pravelot
