// The preview: the figure of the selected row, its output after a run, zoom and move,
// unreadable and huge files, and the same pixels before and after conversion.
#include "appharness.h"

#include "app/appinfo.h"
#include "app/previewcanvas.h"
#include "app/previewpainter.h"
#include "app/previewwindow.h"
#include "app/thumbnailcache.h"
#include "app/thumbnailview.h"
#include "convert/converter.h"
#include "core/path.h"
#include "render/figuredrawing.h"
#include "support/allocfail.h"
#include "support/jwsfixture.h"
#include "support/samples.h"
#include "support/tempdir.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QWheelEvent>

#include <filesystem>

using namespace pravelot;
using namespace pravelot::test;

namespace {

PreviewWindow *previewOf(AppHarness &app)
{
    auto *w = app.mainWindow().findChild<PreviewWindow *>(QStringLiteral("PreviewWindow"));
    if (!w)
        qFatal("no preview window");
    return w;
}

// Clicks the file cell of a 0-based row, as the user does.
void clickRow(AppHarness &app, int row)
{
    QTableView *grid = app.list();
    grid->setFocus();
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

int inkPixels(const QImage &img)
{
    int n = 0;
    const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            n += (rgb.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return n;
}

// The same view of both drawings, painted by the preview's painter.
void expectSamePixels(const Drawing &a, const Drawing &b)
{
    const Viewport vp = Viewport::fit(a.viewBox, 640, 480, 12);
    const QImage x = renderDrawing(a, vp, QSize(640, 480));
    const QImage y = renderDrawing(b, vp, QSize(640, 480));
    QVERIFY(x == y);
    QVERIFY(inkPixels(x) > 0);
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT
private slots:
    void selectedRowIsShown();
    void unreadableFileSaysWhy();
    void outputBesideSourceAfterRun();
    void zoomAndMove();
    void hugeFileDoesNotBlock();
    void samplesDrawTheSamePixelsAfterConversion();
    void thumbnails();
    void outOfMemoryIsTheFilesFailure();
};

void PreviewTest::selectedRowIsShown()
{
    AppHarness app;
    app.start({app.writeFigure(QStringLiteral("a.jws")),
               app.writeFigure(QStringLiteral("部品 b.jws"), AppHarness::Figure::Good, u"blk")});
    PreviewWindow *preview = previewOf(app);
    // Listing files opens nothing; picking a row does.
    QVERIFY(!preview->isVisible());
    clickRow(app, 1);
    QVERIFY(preview->isVisible());
    QCOMPARE(preview->windowTitle(), QStringLiteral("プレビュー"));
    QTRY_VERIFY(!preview->loading());
    PreviewCanvas *canvas = preview->sourceCanvas();
    QVERIFY(canvas->figure());
    QCOMPARE(canvas->figure()->status, FigureDrawing::Status::Drawn);
    // Two lines at the top level, one more in the block.
    QCOMPARE(canvas->figure()->drawing.lines.size(), 3u);
    QVERIFY(canvas->title().startsWith(QStringLiteral("部品 b.jws")));
    QVERIFY(!preview->outputCanvas()->isVisible());
    QVERIFY(inkPixels(canvas->grab().toImage()) > 0);
    QVERIFY(canvas->pictureReady());
    // The main window kept its own texts and the row the user picked.
    QCOMPARE(app.list()->currentIndex().row(), 1);

    clickRow(app, 0);
    QTRY_VERIFY(!preview->loading());
    QCOMPARE(preview->file(), app.path(QStringLiteral("a.jws")));
    QCOMPARE(canvas->figure()->drawing.lines.size(), 2u);
    QVERIFY(!preview->picture(300).isNull());
}

void PreviewTest::unreadableFileSaysWhy()
{
    AppHarness app;
    app.start({app.writeFigure(QStringLiteral("bad.jws"), AppHarness::Figure::Invalid),
               app.writeFigure(QStringLiteral("cut.jws"), AppHarness::Figure::Truncated),
               app.writeFigure(QStringLiteral("gone.jws"))});
    std::filesystem::remove(app.path(QStringLiteral("gone.jws")).toStdString());
    PreviewWindow *preview = previewOf(app);
    const struct {
        int row;
        QString message;
        bool drawn;
    } cases[] = {
        {0, QStringLiteral("ファイルデータ内容が不正です"), false},
        {1, QStringLiteral("ファイルデータが欠落しています(読めた部分を表示しています)"), true},
        {2, QStringLiteral("ファイルが存在しません"), false},
    };
    for (const auto &c : cases) {
        clickRow(app, c.row);
        QTRY_VERIFY(!preview->loading());
        PreviewCanvas *canvas = preview->sourceCanvas();
        QCOMPARE(canvas->message(), c.message);
        QCOMPARE(canvas->figure()->status != FigureDrawing::Status::Unreadable, c.drawn);
        QCOMPARE(preview->findChild<QPushButton *>(QStringLiteral("PreviewSave"))->isEnabled(),
                 c.drawn);
        canvas->grab(); // paints the message without a picture
    }
}

void PreviewTest::outputBesideSourceAfterRun()
{
    AppHarness app;
    app.start({app.writeFigure(QStringLiteral("door.jws"), AppHarness::Figure::Good, u"leaf")});
    PreviewWindow *preview = previewOf(app);
    clickRow(app, 0);
    QTRY_VERIFY(!preview->loading());
    const QString out = app.path(QStringLiteral("out/"));
    std::filesystem::create_directory(out.toStdString());
    QTest::mouseClick(app.widget<QRadioButton>("toFixedFolder"), Qt::LeftButton);
    app.widget<QLineEdit>("fixedFolder")->setText(out);
    app.click("convertButton");
    QTRY_VERIFY(preview->outputCanvas()->isVisible());
    QTRY_VERIFY(!preview->loading());
    PreviewCanvas *source = preview->sourceCanvas();
    PreviewCanvas *output = preview->outputCanvas();
    QVERIFY(source->title().startsWith(QStringLiteral("変換前: door.jws")));
    QVERIFY(output->title().startsWith(QStringLiteral("変換後: door.jws")));
    QCOMPARE(output->toolTip(), out + QStringLiteral("door.jws"));
    QCOMPARE(output->figure()->status, FigureDrawing::Status::Drawn);
    expectSamePixels(source->figure()->drawing, output->figure()->drawing);
    // One view for both: moving one moves the other.
    source->zoomAt(QPointF(20, 30), 2);
    QVERIFY(output->viewport() == source->viewport());
}

void PreviewTest::zoomAndMove()
{
    AppHarness app;
    app.start({app.writeFigure(QStringLiteral("a.jws"))});
    PreviewWindow *preview = previewOf(app);
    clickRow(app, 0);
    QTRY_VERIFY(!preview->loading());
    PreviewCanvas *c = preview->sourceCanvas();
    c->resize(400, 300);
    c->zoomToFit();
    const Viewport fitted = c->viewport();
    // The whole figure (0, 0)–(10, 10) is inside the canvas.
    for (Vec2 corner : {Vec2{0, 0}, Vec2{10, 10}}) {
        const Vec2 p = fitted.toPixel(corner);
        QVERIFY(p.x >= 0 && p.x <= 400 && p.y >= 0 && p.y <= 300);
    }

    // The wheel zooms about the cursor: the figure's point under it stays there.
    const QPointF at(100, 80);
    const Vec2 before = c->viewport().toWorld({at.x(), at.y()});
    QWheelEvent wheel(at, c->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(c, &wheel);
    QVERIFY(std::abs(c->viewport().scale() - fitted.scale() * 1.5625) < 1e-9);
    const Vec2 after = c->viewport().toWorld({at.x(), at.y()});
    QVERIFY(std::abs(after.x - before.x) < 1e-9 && std::abs(after.y - before.y) < 1e-9);

    // Dragging moves the figure with the mouse.
    const Vec2 under = c->viewport().toPixel({5, 5});
    QTest::mousePress(c, Qt::LeftButton, {}, QPoint(200, 150));
    QMouseEvent move(QEvent::MouseMove, QPointF(230, 140), c->mapToGlobal(QPointF(230, 140)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(c, &move);
    QTest::mouseRelease(c, Qt::LeftButton, {}, QPoint(230, 140));
    const Vec2 moved = c->viewport().toPixel({5, 5});
    QCOMPARE(moved.x - under.x, 30.0);
    QCOMPARE(moved.y - under.y, -10.0);

    // A double click shows the whole figure again.
    QTest::mouseDClick(c, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(c->viewport() == fitted);
}

void PreviewTest::hugeFileDoesNotBlock()
{
    AppHarness app;
    // A block of 2000 lines placed 1000 times: more than a preview keeps.
    TJwsData d = emptyDoc(600);
    TEntJwwBlockDef &def = addDef(d, 0, u"comb");
    for (int k = 0; k < 2000; ++k)
        addMember(def, line(k, 0, k, 100));
    for (int k = 0; k < 1000; ++k)
        addTop(d, blockRef(0, 0, k * 200.0));
    d.MakeBlockTree();
    const QString file = app.path(QStringLiteral("huge.jws"));
    writeBytes(us(file), writeJws(d, {600}));
    app.start({file});
    PreviewWindow *preview = previewOf(app);
    QSignalSpy loaded(preview, &PreviewWindow::loaded);
    clickRow(app, 0);
    // The click returns at once; the file is read on another thread.
    QVERIFY(preview->loading());
    QCOMPARE(preview->sourceCanvas()->message(), QStringLiteral("読み込み中…"));
    QVERIFY(loaded.wait(60000));
    PreviewCanvas *c = preview->sourceCanvas();
    QCOMPARE(c->figure()->drawing.cut, DrawingCut::Primitives);
    QCOMPARE(c->message(),
             QStringLiteral("図形の要素が多すぎるため、最初の1048576個のみ表示しています"));
    // Painting hands the picture to another thread and shows the last one meanwhile.
    c->grab();
    QTRY_VERIFY_WITH_TIMEOUT(c->pictureReady(), 60000);
    c->zoomAt(QPointF(50, 50), 2);
    c->grab();
    QVERIFY(!c->pictureReady());
    QTRY_VERIFY_WITH_TIMEOUT(c->pictureReady(), 60000);
}

void PreviewTest::samplesDrawTheSamePixelsAfterConversion()
{
    const auto samples = sharedSamples();
    if (!samples)
        QSKIP("no samples folder");
    TempDir tmp;
    int files = 0;
    for (const std::filesystem::path &file : *samples) {
        const std::u16string path = text(file);
        ++files;
        const std::u16string out = tmp.file("out" + std::to_string(files) + ".jws");
        Converter conv;
        QCOMPARE(conv.RunProc1(path, out, u"部品"), std::u16string(kResultDone));
        const FigureDrawing a = loadFigureDrawing(path), b = loadFigureDrawing(out);
        expectSamePixels(a.drawing, b.drawing);
        if (QTest::currentTestFailed())
            qWarning() << "differs:" << QString::fromStdString(utf8(file));
    }
    QVERIFY(files > 0);
}

void PreviewTest::thumbnails()
{
    AppHarness app;
    app.start();
    auto *thumbs = app.widget<ThumbnailView>("thumbnails");
    // The empty list shows no picture.
    QTest::mouseClick(app.widget<QToolButton>("thumbnailButton"), Qt::LeftButton);
    QVERIFY(thumbs->isVisible());
    QVERIFY(!app.list()->isVisible());
    QVERIFY(thumbs->isRowHidden(0));

    const QStringList files = {
        app.writeFigure(QStringLiteral("a.jws")),
        app.writeFigure(QStringLiteral("bad.jws"), AppHarness::Figure::Invalid),
        app.writeFigure(QStringLiteral("c.jws"))};
    for (const QString &f : files)
        app.mainWindow().addSource(f);
    QVERIFY(!thumbs->isRowHidden(0));
    // Painting asks for the pictures; they are drawn on other threads and kept.
    ThumbnailCache &cache = thumbs->cache();
    QTRY_VERIFY(thumbs->visualRect(thumbs->model()->index(2, 0)).isValid());
    thumbs->viewport()->grab();
    QVERIFY(cache.busy());
    QTRY_VERIFY(!cache.busy());
    const QImage good = cache.picture(files[0]);
    const QImage bad = cache.picture(files[1]);
    QVERIFY(!good.isNull() && !bad.isNull());
    QCOMPARE(good.size(), QSize(ThumbnailView::kPictureWidth, ThumbnailView::kPictureHeight) *
                              good.devicePixelRatio());
    QVERIFY(inkPixels(good) > 0);
    // An unreadable file says why, on grey.
    QCOMPARE(bad.pixelColor(1, 1), QColor(0xE8, 0xE8, 0xE8));
    QVERIFY(!cache.busy());

    // A click selects the row, in the table too, and shows it in the preview.
    const QRect item = thumbs->visualRect(thumbs->model()->index(2, 0));
    QTest::mouseClick(thumbs->viewport(), Qt::LeftButton, {}, item.center());
    QCOMPARE(app.list()->currentIndex().row(), 2);
    QCOMPARE(app.list()->selectionModel()->selectedRows().size(), 1);
    PreviewWindow *preview = previewOf(app);
    QVERIFY(preview->isVisible());
    QCOMPARE(preview->file(), files[2]);
    // Back to the table, at the same row.
    QTest::mouseClick(app.widget<QToolButton>("thumbnailButton"), Qt::LeftButton);
    QVERIFY(app.list()->isVisible());
    QCOMPARE(app.list()->currentIndex().row(), 2);
}

void PreviewTest::outOfMemoryIsTheFilesFailure()
{
    AppHarness app;
    const QString file = app.writeFigure(QStringLiteral("a.jws"), AppHarness::Figure::Good, u"blk");
    app.start({file});
    PreviewWindow *preview = previewOf(app);
    const QString noMemory = QStringLiteral("メモリ不足のため読み込めません");
    // Each allocation of the reading in turn fails, on the preview's own thread, until
    // one reading needs no more than are counted.
    bool everyOneFailed = true;
    for (long n = 1; everyOneFailed && n < 100000; ++n) {
        auto failed = std::make_shared<std::atomic<bool>>(false);
        const FigureLoader failing = [n, failed](const std::u16string &f,
                                                 const std::atomic<bool> *cancel) {
            // Whether an allocation failed, whether the reading then ended or went on.
            struct Watch {
                explicit Watch(long at, std::atomic<bool> &out) : fail(at), failed(out) {}
                ~Watch() { failed.store(fail.failed()); }
                Watch(const Watch &) = delete;
                Watch &operator=(const Watch &) = delete;
                FailAllocation fail;
                std::atomic<bool> &failed;
            } watch(n, *failed);
            return loadFigureDrawing(f, cancel);
        };
        preview->setLoader(failing);
        preview->showFile(file);
        QTRY_VERIFY(!preview->loading());
        const PreviewCanvas *canvas = preview->sourceCanvas();
        everyOneFailed = failed->load();
        if (everyOneFailed) {
            QCOMPARE(canvas->message(), noMemory);
            QVERIFY(canvas->figure() == nullptr ||
                    canvas->figure()->status == FigureDrawing::Status::Unreadable);
        } else {
            QCOMPARE(canvas->figure()->status, FigureDrawing::Status::Drawn);
        }

        // The thumbnail of the same file, with the same failure.
        failed->store(false);
        const QImage thumb = ThumbnailCache::draw(failing, file, QSize(64, 48), 1, nullptr);
        QVERIFY(!thumb.isNull());
        QCOMPARE(thumb.pixelColor(1, 1) == QColor(0xE8, 0xE8, 0xE8), failed->load());
    }
    QVERIFY(!everyOneFailed);
}

QTEST_MAIN(PreviewTest)
#include "preview_test.moc"
