// Memory running out while a figure is read for display and while its picture is written:
// that file's failure, said plainly, with nothing half-made left behind.

#include "cli/clirun.h"
#include "cli/commands.h"
#include "core/path.h"
#include "jwk/jwkbuilder.h"
#include "render/figuredrawing.h"
#include "render/svgwriter.h"
#include "support/allocfail.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <new>
#include <sstream>

using namespace pravelot;
using namespace pravelot::test;

namespace {

struct Figure {
    const char *what;
    const char *name;
    Bytes bytes;
};

std::vector<Figure> figures()
{
    std::mt19937 rng(11);
    GenOptions opt;
    opt.version = 600;
    TJwsData d = randomDoc(rng, opt);
    return {
        {"a .jws with every kind and nested blocks", "p.jws", writeJws(d, {600})},
        {"a .jws whose picture is written in passes", "big.jws",
         writeJws(placedTimes(100, static_cast<int>(kHeldPrimitives / 100) + 1), {600})},
        {"a .jwk", "k.jwk",
         JwkBuilder()
             .line(0, 0, 10, 10)
             .arc(5, 5, 3, 0, 90)
             .ten(1, 1)
             .moji(0, 0, 4, 1, "扉")
             .moji(0, 2, 4, 3, "窓")
             .bytes()},
    };
}

// How many allocations f makes on this thread; at least a dozen.
long allocationsOf(const std::function<void()> &f)
{
    FailAllocation count(0);
    f();
    EXPECT_GT(count.allocations(), 12);
    return count.allocations();
}

} // namespace

TEST(OutOfMemory, ReadingForDisplayThrowsOrDrawsTheWholeFigure)
{
    // The preview and the thumbnails catch the exception; what they must never get is a
    // drawing that silently lacks what an allocation failed for.
    for (const Figure &c : figures()) {
        SCOPED_TRACE(c.what);
        TempDir tmp;
        const std::u16string src = tmp.file(c.name);
        writeBytes(src, c.bytes);
        const std::string whole = drawingToSvg(loadFigureDrawing(src).drawing, 256);
        const long total = allocationsOf([&] { loadFigureDrawing(src); });
        for (long k = 1; k <= total; k += std::max(1L, total / 300)) {
            SCOPED_TRACE(k);
            std::optional<FigureDrawing> f;
            bool failed = false, thrown = false;
            {
                FailAllocation fail(k);
                try {
                    f = loadFigureDrawing(src);
                } catch (const std::bad_alloc &) {
                    thrown = true;
                }
                failed = fail.failed();
            }
            ASSERT_TRUE(failed);
            if (!thrown) {
                ASSERT_EQ(f->status, FigureDrawing::Status::Drawn);
                EXPECT_EQ(drawingToSvg(f->drawing, 256), whole);
            }
        }
    }
}

TEST(OutOfMemory, RenderFailsThatFileAndKeepsThePictureThere)
{
    const InLanguage english(UserLanguage::English);
    for (const Figure &c : figures()) {
        SCOPED_TRACE(c.what);
        TempDir tmp;
        const std::string src = toUtf8(tmp.file(c.name)), svg = toUtf8(tmp.file("p.svg"));
        writeBytes(fromUtf8(src), c.bytes);
        const Bytes before = {'o', 'l', 'd'};
        writeBytes(fromUtf8(svg), before);
        const std::vector<std::string> args = {src, "-o", svg};
        std::ostringstream unused;
        auto render = [&](std::ostream &err) { return runRender(args, unused, err); };
        std::ostringstream warm;
        ASSERT_EQ(render(warm), 0) << warm.str();
        const Bytes whole = readBytes(fromUtf8(svg));
        writeBytes(fromUtf8(svg), before);
        const long total = allocationsOf([&] {
            std::ostringstream err;
            render(err);
        });
        writeBytes(fromUtf8(svg), before);
        // Every allocation, wherever it falls: reading, drawing, writing the picture.
        for (long k = 1; k <= total; k += std::max(1L, total / 300)) {
            SCOPED_TRACE(k);
            std::ostringstream err;
            int status = 0;
            bool failed = false;
            {
                FailAllocation fail(k);
                status = render(err);
                failed = fail.failed();
            }
            ASSERT_TRUE(failed);
            ASSERT_EQ(entriesOf(tmp.path()).size(), 2u);
            if (status == 0) {
                // A step with a way that needs less memory (the reading's plan, a
                // sort's buffer) took it: the whole picture.
                ASSERT_TRUE(readBytes(fromUtf8(svg)) == whole);
                writeBytes(fromUtf8(svg), before);
                continue;
            }
            ASSERT_EQ(status, 1) << err.str();
            EXPECT_NE(err.str().find("out of memory"), std::string::npos) << err.str();
            ASSERT_EQ(readBytes(fromUtf8(svg)), before);
        }
        // Nothing of a failed picture stays for the next.
        std::ostringstream err;
        ASSERT_EQ(render(err), 0) << err.str();
        EXPECT_TRUE(readBytes(fromUtf8(svg)) == whole);
        EXPECT_EQ(std::string(whole.begin(), whole.end()),
                  drawingToSvg(loadFigureDrawing(fromUtf8(src)).drawing, 1024));
    }
}
