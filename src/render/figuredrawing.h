// Reading a figure file for display: its drawing, or why it cannot be drawn.
#pragma once

#include "render/drawing.h"

#include <atomic>
#include <functional>
#include <string>

namespace pravelot {

class TJwkData;

struct FigureDrawing {
    enum class Status {
        Drawn,      // the whole file was read
        Incomplete, // a damaged file: what could be read is drawn
        Unreadable, // nothing to draw; message says why
    };
    Status status = Status::Unreadable;
    Drawing drawing;
    // For the user, in the program's language: empty when the file was read whole.
    std::u16string message;
    // Where reading stopped, for a log: empty when the file was read whole.
    std::string detail;
    // "JWS" or "JWK", and the file's version (0 for a .jwk file).
    std::u16string kind;
    std::int32_t version = 0;
};

// The note the window shows over a drawing that leaves something out: what and why
// (Japanese); empty for a whole drawing.
std::u16string drawingCutNote(DrawingCut cut);

// The drawing of a read .jwk document as the conversion translates it, made as the
// translation goes (texts that share one string of the file would each hold a copy in a
// translated document). cancel, keep and sink as for makeDrawing.
Drawing makeJwkDrawing(TJwkData &jwk, const std::atomic<bool> *cancel = nullptr,
                       DrawingKeep keep = DrawingKeep::Everything, PrimitiveSink *sink = nullptr);

// Draws a figure that is read, as often as asked: a drawing kept as keep says, or with a
// sink, the frame only, each primitive handed to the sink as it is made.
using FigureDrawer = std::function<Drawing(DrawingKeep keep, PrimitiveSink *sink)>;

// Reads a figure file as loadFigureDrawing does and, unless it is Unreadable, calls draw
// with a drawer of it while it is held. The result's drawing stays empty.
FigureDrawing readFigure(const std::u16string &file,
                         const std::function<void(const FigureDrawer &)> &draw,
                         const std::atomic<bool> *cancel = nullptr);

// Reads a .jws or .jwk file (by its extension, in any letter case) and makes its
// drawing; a .jwk file is drawn as the conversion translates it. Uses no shared state,
// so it may run on any thread. cancel and keep as for makeDrawing.
FigureDrawing loadFigureDrawing(const std::u16string &file,
                                const std::atomic<bool> *cancel = nullptr,
                                DrawingKeep keep = DrawingKeep::Everything);

} // namespace pravelot
