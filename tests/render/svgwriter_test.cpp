// Pictures written as they are made: in pieces of bounded size, path elements of bounded
// length, and, for drawings too large to hold, in passes over a drawing never held whole.

#include "render/svgwriter.h"
#include "support/jwsfixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace pravelot;
using namespace pravelot::test;

namespace {

// The picture of doc written in passes, as render writes a large one.
std::string inPasses(const TJwsData &doc, int side)
{
    std::string svg;
    const Drawing frame = makeDrawing(doc, nullptr, DrawingKeep::FrameOnly);
    writeSvgInPasses(
        frame, side, [&doc](PrimitiveSink &sink) { makeDrawing(doc, sink); },
        [&svg](std::string_view piece) { svg += piece; });
    return svg;
}

// The lines of a picture, each path's data cut into its pieces (from one M to the next)
// and each piece kept with the element's attributes; sorted, so that two pictures that
// draw the same things with the same pens compare equal whatever their order.
std::vector<std::string> drawnThings(const std::string &svg)
{
    std::vector<std::string> out;
    std::istringstream in(svg);
    for (std::string line; std::getline(in, line);) {
        const std::size_t d = line.find(" d=\"M");
        if (d == std::string::npos) {
            out.push_back(line);
            continue;
        }
        const std::string attrs = line.substr(0, d);
        const std::size_t end = line.rfind('"');
        std::size_t at = d + 4;
        while (at < end) {
            std::size_t next = line.find('M', at + 1);
            next = std::min(next == std::string::npos ? end : next, end);
            out.push_back(attrs + "|" + line.substr(at, next - at));
            at = next;
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::size_t count(const std::string &s, std::string_view what)
{
    std::size_t n = 0;
    for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1))
        ++n;
    return n;
}

// Every kind, in block instances too, all drawn with one pen (and points of one colour).
TJwsData onePenDoc(int lines)
{
    TJwsData d = placedTimes(3, 4);
    const TEntJwwAttr att = line(0, 0, 1, 1).att;
    for (int k = 0; k < lines; ++k)
        addTop(d, line(k, 500, k + 1, 600));
    TEntJwwEnko arc;
    arc.att = att;
    arc.start_x = 50, arc.start_y = 50, arc.dHankei = 20, arc.radEnkoKaku = 2;
    arc.dHenpeiRitsu = 1;
    addTop(d, arc);
    arc.bZenEnFlg = 1;
    arc.radEnkoKaku = 0;
    addTop(d, arc);
    TEntJwwTen point;
    point.att = att;
    point.start_x = 5;
    addTop(d, point);
    point.start_x = 7;
    addTop(d, point);
    TEntJwwSolid solid;
    solid.att = att;
    solid.end_x = 10, solid.DPoint2_x = 10, solid.DPoint2_y = 10, solid.DPoint3_y = 10;
    addTop(d, solid);
    TEntJwwMoji text;
    text.att = att;
    text.dSizeX = text.dSizeY = 4;
    text.str = u"扉 <A&B>";
    addTop(d, text);
    text.str = u"^@BM%temp%/tmp/pics/a.bmp,100,50";
    addTop(d, text);
    return d;
}

} // namespace

TEST(SvgWriter, PathsAreCutIntoElementsOfBoundedLength)
{
    struct Case {
        int lines;
        std::size_t strokePaths;
    } cases[] = {
        {10, 1},
        {static_cast<int>(kPathPieces) - 12 - 2, 1}, // 12 lines placed, 2 arcs: just full
        {static_cast<int>(kPathPieces) - 12 - 1, 2},
        {2 * static_cast<int>(kPathPieces) + 5, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lines);
        const TJwsData doc = onePenDoc(c.lines);
        const std::string whole = drawingToSvg(makeDrawing(doc), 1024);
        EXPECT_EQ(count(whole, "<path fill=\"none\" stroke="), c.strokePaths);
        EXPECT_EQ(count(whole, "<text "), 1u);
        EXPECT_EQ(count(whole, "<g fill=\"none\""), 1u);
        // One pen: the passes give the very same bytes.
        EXPECT_TRUE(inPasses(doc, 1024) == whole);
    }
}

TEST(SvgWriter, PassesDrawWhatTheWholeDrawingDraws)
{
    // Pens mixed at random: the same things drawn with the same pens, each layer in its
    // place.
    for (unsigned seed = 0; seed < 8; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const TJwsData doc = randomDoc(rng, {seed % 2 ? 600 : 420, false, true});
        const std::string whole = drawingToSvg(makeDrawing(doc), 800);
        const std::string passes = inPasses(doc, 800);
        EXPECT_EQ(drawnThings(passes), drawnThings(whole));
        EXPECT_EQ(passes.substr(0, passes.find("<path")), whole.substr(0, whole.find("<path")));
        EXPECT_LT(passes.rfind("<path"), passes.find("<text"));
    }
}

TEST(SvgWriter, APictureIsHandedOverInPiecesAsItIsMade)
{
    const TJwsData doc = onePenDoc(60000);
    std::string joined;
    std::size_t largest = 0, pieces = 0;
    writeSvg(makeDrawing(doc), 1024, [&](std::string_view piece) {
        joined += piece;
        largest = std::max(largest, piece.size());
        ++pieces;
    });
    ASSERT_GT(joined.size(), std::size_t{1} << 20);
    EXPECT_LT(largest, std::size_t{1} << 17);
    EXPECT_GT(pieces, 8u);
    EXPECT_TRUE(joined == drawingToSvg(makeDrawing(doc), 1024));
}
