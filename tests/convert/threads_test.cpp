// Conversions and readings for a drawing share nothing that one of them changes: the
// preview reads and draws figures on a worker thread while the window converts. Under
// ThreadSanitizer (a stage of CI) anything written by one thread while another uses it
// is reported, such as defaults that a conversion set while a drawing read them.

#include "convert/converter.h"
#include "core/path.h"
#include "core/text.h"
#include "jwk/jwkbuilder.h"
#include "jws/recordlayout.h"
#include "render/figuredrawing.h"
#include "render/svgwriter.h"
#include "support/jwsfixture.h"
#include "support/samples.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace pravelot;
using namespace pravelot::test;

namespace {

// Lets threads go on together once all have arrived. Not std::latch: the C++ library of
// MinGW-w64's GCC 12 waits on an atomic with a mutex and condition variable that its
// wake-up does not take, so a wake-up between the waiter's check and its wait is lost
// and the test stopped for good under Wine now and then (GCC bug 106183).
class StartGate {
public:
    explicit StartGate(int threads) : m_waiting(threads) {}
    void arriveAndWait()
    {
        std::unique_lock lock(m_mutex);
        if (--m_waiting == 0) {
            lock.unlock();
            m_open.notify_all();
            return;
        }
        m_open.wait(lock, [this] { return m_waiting == 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_open;
    int m_waiting;
};

std::string picture(const std::u16string &file)
{
    return drawingToSvg(loadFigureDrawing(file).drawing, 256);
}

// Converts every file into folder, each under its own name.
void convertAll(const std::vector<std::u16string> &files, const TempDir &folder)
{
    Converter conv;
    for (const std::u16string &file : files) {
        const std::u16string name = FileNameOf(file);
        // A block name that no part uses already.
        const ConversionOutcome outcome = conv.convert(
            file, NewFile{folder.folder() + name, {}, {}, {}}, ChangeExtSafe(name, u"") + u"-b");
        EXPECT_TRUE(outcome.done())
            << toUtf8(file) << " step " << static_cast<int>(outcome.failure->step);
    }
}

// Figures that reach every default: the text types of a .jwk file, and the colour and
// line style put in place of invalid ones.
std::vector<std::u16string> writeFiguresOfDefaults(const TempDir &tmp)
{
    const std::u16string jwk = tmp.file("texts.jwk");
    JwkBuilder texts;
    texts.line(0, 0, 5, 5);
    texts.moji(0, 0, 10, 0, "type 3", 3);
    writeBytes(jwk, texts.bytes());
    TJwsData d = emptyDoc(600);
    addTop(d, line(0, 0, 10, 10));
    Bytes bytes = writeJws(d, {600});
    // The writer writes valid values only: the line's style and colour (after the header,
    // the count, the class tag and lGroup) become 0 here.
    const std::size_t style = kJwsHeaderSize + 2 + 14 + 4;
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(style), 3, std::uint8_t{0});
    const std::u16string jws = tmp.file("invalid.jws");
    writeBytes(jws, bytes);
    return {jwk, jws};
}

} // namespace

TEST(Threads, AConversionAndTwoReadingsForADrawingRunAtOnce)
{
    TempDir sources;
    std::vector<std::u16string> files = writeFiguresOfDefaults(sources);
    if (const auto samples = sharedSamples())
        for (const std::filesystem::path &p : *samples)
            files.push_back(text(p));
    const std::size_t n = files.size();

    // What each gives alone.
    TempDir alone;
    convertAll(files, alone);
    std::vector<std::string> expected;
    expected.reserve(n);
    for (const std::u16string &file : files)
        expected.push_back(picture(file));

    // And all three at once, the two readings in opposite orders.
    TempDir together;
    std::vector<std::string> forward(n), backward(n);
    StartGate start(3);
    std::thread converting([&] {
        start.arriveAndWait();
        convertAll(files, together);
    });
    std::thread drawing([&] {
        start.arriveAndWait();
        for (std::size_t i = 0; i < n; ++i)
            forward[i] = picture(files[i]);
    });
    std::thread drawingBack([&] {
        start.arriveAndWait();
        for (std::size_t i = n; i-- > 0;)
            backward[i] = picture(files[i]);
    });
    converting.join();
    drawing.join();
    drawingBack.join();

    for (std::size_t i = 0; i < n; ++i) {
        SCOPED_TRACE(toUtf8(files[i]));
        const std::u16string name = FileNameOf(files[i]);
        EXPECT_EQ(readBytes(together.folder() + name), readBytes(alone.folder() + name));
        EXPECT_EQ(forward[i], expected[i]);
        EXPECT_EQ(backward[i], expected[i]);
    }
}

// Threads that read and write Japanese texts and end, round after round, each round on
// characters no thread has met yet: the text service's cache, filled by several at once,
// gives each the same, and a thread's end leaves it whole. (A cache of each thread's own,
// destroyed as the thread ended, crashed the Windows build now and then.)
TEST(Threads, TextsOnThreadsThatEndAgreeAndOutliveThem)
{
    constexpr std::size_t kThreads = 4;
    for (char16_t page = 0x4E; page <= 0x9F; ++page) {
        std::u16string chunk;
        for (char16_t low = 0; low < 256; ++low)
            chunk.push_back(static_cast<char16_t>(page << 8 | low));
        std::vector<std::u16string> read(kThreads);
        std::vector<Bytes> written(kThreads);
        StartGate start(static_cast<int>(kThreads));
        std::vector<std::thread> threads;
        threads.reserve(kThreads);
        for (std::size_t t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                start.arriveAndWait();
                written[t] = TextToAnsiBytes(chunk);
                read[t] = AnsiBytesToText(written[t]);
            });
        for (std::thread &t : threads)
            t.join();
        SCOPED_TRACE(static_cast<int>(page));
        for (std::size_t t = 1; t < kThreads; ++t) {
            EXPECT_EQ(written[t], written[0]);
            EXPECT_EQ(read[t], read[0]);
        }
        // Each character comes back as itself, or as "?" where code page 932 has none.
        ASSERT_EQ(read[0].size(), chunk.size());
        for (std::size_t i = 0; i < chunk.size(); ++i)
            EXPECT_TRUE(read[0][i] == chunk[i] || read[0][i] == u'?') << i;
    }
}
