// Conversion keeps the drawing: a figure file and the file converted from it draw the
// same primitives, and make the same picture.

#include "convert/converter.h"
#include "core/path.h"
#include "jwk/jwkbuilder.h"
#include "render/figuredrawing.h"
#include "render/svgwriter.h"
#include "support/jwsfixture.h"
#include "support/samples.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

using namespace pravelot;
using namespace pravelot::test;

namespace {

// Moving the content by the base point and back leaves a few units in the last place.
bool near(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a)); }
bool near(Vec2 a, Vec2 b) { return near(a.x, b.x) && near(a.y, b.y); }

template <class T, class Same>
::testing::AssertionResult sameList(const char *what, const std::vector<T> &a,
                                    const std::vector<T> &b, Same same)
{
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << what << ": " << a.size() << " vs " << b.size();
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!same(a[i], b[i]))
            return ::testing::AssertionFailure() << what << " " << i << " differs";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult sameDrawing(const Drawing &a, const Drawing &b)
{
    auto str = [](const Drawing &d, std::uint32_t i) -> const std::u16string & {
        return d.strings[i];
    };
    for (const auto &r : {
             sameList("line", a.lines, b.lines,
                      [](const DrawnLine &p, const DrawnLine &q) {
                          return near(p.a, q.a) && near(p.b, q.b) && p.pen == q.pen;
                      }),
             sameList("arc", a.arcs, b.arcs,
                      [](const DrawnArc &p, const DrawnArc &q) {
                          return near(p.centre, q.centre) && near(p.u, q.u) && near(p.v, q.v) &&
                                 p.start == q.start && p.sweep == q.sweep && p.pen == q.pen;
                      }),
             sameList("point", a.points, b.points,
                      [](const DrawnPoint &p, const DrawnPoint &q) {
                          return near(p.at, q.at) && p.rgb == q.rgb && p.temporary == q.temporary;
                      }),
             sameList("solid", a.solids, b.solids,
                      [](const DrawnSolid &p, const DrawnSolid &q) {
                          if (p.rgb != q.rgb || p.outline.size() != q.outline.size())
                              return false;
                          for (std::size_t k = 0; k < p.outline.size(); ++k)
                              if (!near(p.outline[k], q.outline[k]))
                                  return false;
                          return true;
                      }),
             sameList("image", a.images, b.images,
                      [&](const DrawnImage &p, const DrawnImage &q) {
                          for (int k = 0; k < 4; ++k)
                              if (!near(p.corners[k], q.corners[k]))
                                  return false;
                          return str(a, p.file) == str(b, q.file);
                      }),
             sameList("text", a.texts, b.texts,
                      [&](const DrawnText &p, const DrawnText &q) {
                          return near(p.origin, q.origin) && p.ex == q.ex && p.ey == q.ey &&
                                 p.width == q.width && p.height == q.height &&
                                 p.spacing == q.spacing && p.length == q.length && p.rgb == q.rgb &&
                                 str(a, p.string) == str(b, q.string) &&
                                 str(a, p.font) == str(b, q.font);
                      }),
         })
        if (!r)
            return r;
    if (a.cut != DrawingCut::None || b.cut != DrawingCut::None)
        return ::testing::AssertionFailure() << "a drawing is incomplete";
    return ::testing::AssertionSuccess();
}

// Converts file with the program's own conversion and compares the two drawings and
// their pictures.
void expectConversionKeepsTheDrawing(const std::u16string &file, const TempDir &tmp,
                                     bool complete = true)
{
    const std::u16string out = tmp.file("converted.jws");
    std::filesystem::remove(toUtf8(out));
    Converter conv;
    ASSERT_EQ(conv.RunProc1(file, out, u"部品"), kResultDone);
    const FigureDrawing before = loadFigureDrawing(file);
    const FigureDrawing after = loadFigureDrawing(out);
    ASSERT_EQ(before.status,
              complete ? FigureDrawing::Status::Drawn : FigureDrawing::Status::Incomplete);
    ASSERT_EQ(after.status, FigureDrawing::Status::Drawn);
    EXPECT_TRUE(sameDrawing(before.drawing, after.drawing));
    EXPECT_EQ(drawingToSvg(before.drawing, 800), drawingToSvg(after.drawing, 800));
}

} // namespace

TEST(SameDrawing, EverySharedSample)
{
    const auto samples = sharedSamples();
    if (!samples)
        GTEST_SKIP() << "no samples folder at " << sharedSamplesFolder();
    TempDir tmp;
    for (const std::filesystem::path &file : *samples) {
        const std::u16string path = text(file);
        SCOPED_TRACE(utf8(file));
        expectConversionKeepsTheDrawing(path, tmp);
        EXPECT_GT(loadFigureDrawing(path).drawing.primitiveCount(), 0u);
    }
    EXPECT_FALSE(samples->empty());
}

TEST(SameDrawing, GeneratedJwsDocumentsOfEveryKind)
{
    TempDir tmp;
    const std::u16string src = tmp.file("source.jws");
    std::size_t drawn[6] = {};
    for (std::int32_t ver : {230, 350, 351, 419, 420, 600, 700}) {
        for (bool canonical : {true, false}) {
            for (unsigned seed = 0; seed < 8; ++seed) {
                SCOPED_TRACE(testing::Message() << "version " << ver << " canonical " << canonical
                                                << " seed " << seed);
                std::mt19937 rng(seed * 7919 + static_cast<unsigned>(ver));
                TJwsData doc = randomDoc(rng, {ver, seed % 2 == 1, canonical});
                // Colours, styles and sizes out of range, as damaged files carry them.
                if (!doc.EntLine.empty())
                    doc.EntLine[0].att.nPenColor = 0;
                if (!doc.EntMoji.empty())
                    doc.EntMoji[0].dSizeX = -3;
                std::filesystem::remove(toUtf8(src));
                writeBytes(src, writeJws(doc, {ver}));
                expectConversionKeepsTheDrawing(src, tmp);
                const Drawing d = loadFigureDrawing(src).drawing;
                drawn[0] += d.lines.size();
                drawn[1] += d.arcs.size();
                drawn[2] += d.points.size();
                drawn[3] += d.texts.size();
                drawn[4] += d.solids.size();
                drawn[5] += d.images.size();
            }
        }
    }
    // Every kind was drawn somewhere, block members included.
    for (std::size_t n : {drawn[0], drawn[1], drawn[2], drawn[3], drawn[4]})
        EXPECT_GT(n, 0u);
}

TEST(SameDrawing, GeneratedJwkDocuments)
{
    TempDir tmp;
    const std::u16string src = tmp.file("source.jwk");
    for (unsigned seed = 0; seed < 6; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::mt19937 rng(seed);
        auto coord = [&] { return std::uniform_real_distribution<float>(-3000, 3000)(rng); };
        auto byte = [&](int hi) {
            return static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, hi)(rng));
        };
        JwkBuilder b;
        b.scale(seed % 2 ? "50" : "1");
        for (int k = 0; k < 30; ++k) {
            b.line(coord(), coord(), coord(), coord(), byte(9), byte(8), byte(255), 0, byte(255));
            b.arcRaw(coord(), coord(), std::fabs(coord()),
                     static_cast<std::uint16_t>(byte(200) * 50), byte(255) * 65536 * 2,
                     byte(255) * 65536 * 2, byte(90) * 65536, byte(9), byte(8));
            b.ten(coord(), coord(), byte(255), byte(8));
            b.moji(coord(), coord(), coord(), coord(), k % 3 ? "ABC" : "\x90\x7d\x96\xca",
                   byte(11));
        }
        // Vanishing entities, which the conversion drops, draw nothing in the source
        // either: they lie below the rounding.
        b.line(1, 1, 1, 1);
        writeBytes(src, b.bytes());
        expectConversionKeepsTheDrawing(src, tmp);
    }
}
