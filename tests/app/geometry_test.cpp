// Where the windows appear and how large they are, start after start. Runs offscreen,
// and under a real window manager (wm_test.sh sets PRAVELOT_TEST_WM=1), where windows get
// their frame only once they are mapped.
#include "appharness.h"

#include "app/windowgeometry.h"
#include "convert/settingsfile.h"

#include <QScreen>

using namespace pravelot;
using namespace pravelot::test;

Q_DECLARE_METATYPE(QList<QRect>)

namespace {

bool underWindowManager() { return qEnvironmentVariableIntValue("PRAVELOT_TEST_WM") == 1; }

bool framed(const QWidget &w) { return w.frameGeometry().size() != w.size(); }

QRect mainGeometry(const SettingsFile &s) { return QRect(s.Fm1x, s.Fm1y, s.Fm1w, s.Fm1h); }
QRect checkGeometry(const SettingsFile &s) { return QRect(s.Fm2x, s.Fm2y, s.Fm2w, s.Fm2h); }

// Waits until the window is on the screen and, under a window manager, framed; then a
// moment more, for the window to take its outer size.
void waitShown(QWidget &w)
{
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    if (underWindowManager())
        QTRY_VERIFY_WITH_TIMEOUT(framed(w), 10000);
    QTest::qWait(200);
}

// The place and size a first start gives a window: the default, unless the screen is
// too small for it.
QRect firstPlace(const QRect &fallback, const QWidget &w)
{
    return placeOnScreen(fallback, {w.screen()->availableGeometry()});
}

} // namespace

class GeometryTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void placement_data();
    void placement();
    void besideTheMainWindow_data();
    void besideTheMainWindow();
    void restartsKeepPlaceAndSize();
    void firstStartFitsTheScreen();
};

void GeometryTest::initTestCase()
{
    if (!underWindowManager())
        return;
    // The window manager may still be starting; it frames the windows it finds then.
    QWidget probe;
    probe.resize(100, 100);
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));
    QTRY_VERIFY2_WITH_TIMEOUT(framed(probe), "no window manager framed a window within 20 s",
                              20000);
}

void GeometryTest::placement_data()
{
    QTest::addColumn<QRect>("asked");
    QTest::addColumn<QList<QRect>>("areas");
    QTest::addColumn<QRect>("placed");

    const QRect screen(0, 0, 1280, 1000);
    const QRect second(1280, 0, 800, 600);
    QTest::newRow("fits") << QRect(50, 50, 480, 480) << QList<QRect>{screen}
                          << QRect(50, 50, 480, 480);
    QTest::newRow("runs off the bottom of a small screen (scale factor 2)")
        << QRect(50, 50, 480, 480) << QList<QRect>{QRect(0, 0, 640, 500)}
        << QRect(50, 20, 480, 480);
    QTest::newRow("larger than the screen")
        << QRect(50, 50, 3000, 2000) << QList<QRect>{screen} << QRect(0, 0, 1280, 1000);
    QTest::newRow("below a panel at the top")
        << QRect(50, 0, 480, 480) << QList<QRect>{QRect(0, 30, 1280, 970)}
        << QRect(50, 30, 480, 480);
    QTest::newRow("on the second screen")
        << QRect(1400, 50, 480, 480) << QList<QRect>{screen, second} << QRect(1400, 50, 480, 480);
    QTest::newRow("across both screens goes to the one it overlaps most")
        << QRect(1200, 50, 480, 480) << QList<QRect>{screen, second} << QRect(1280, 50, 480, 480);
    QTest::newRow("on a screen that is gone")
        << QRect(3000, 50, 480, 480) << QList<QRect>{screen} << QRect(50, 50, 480, 480);
    QTest::newRow("negative size from a damaged file")
        << QRect(50, 50, -5, 0) << QList<QRect>{screen} << QRect(50, 50, 1, 1);
    QTest::newRow("no screen at all")
        << QRect(-100, 50, 480, 480) << QList<QRect>{} << QRect(-100, 50, 480, 480);
}

void GeometryTest::placement()
{
    QFETCH(QRect, asked);
    QFETCH(QList<QRect>, areas);
    QFETCH(QRect, placed);
    QCOMPARE(placeOnScreen(asked, areas), placed);
}

void GeometryTest::besideTheMainWindow_data()
{
    QTest::addColumn<QRect>("asked");
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("other"); // the preview, when it is open
    QTest::addColumn<QRect>("placed");

    const QRect main(50, 50, 480, 480);
    const QRect first(50, 50, 320, 240);
    const QRect screen(0, 0, 1280, 1000);
    QTest::newRow("right, level with the bottom")
        << first << main << screen << QRect() << QRect(538, 290, 320, 240);
    QTest::newRow("left when the right has no room")
        << QRect(700, 50, 320, 240) << QRect(400, 50, 480, 480) << QRect(0, 0, 900, 1000) << QRect()
        << QRect(72, 290, 320, 240);
    QTest::newRow("below when neither side has room")
        << first << main << QRect(0, 0, 600, 1000) << QRect() << QRect(50, 538, 320, 240);
    QTest::newRow("below, clear of the preview on the right")
        << first << main << screen << QRect(538, 50, 560, 480) << QRect(50, 538, 320, 240);
    QTest::newRow("over a strip of the main window rather than over the preview")
        << first << QRect(10, 30, 484, 505) << QRect(0, 0, 1360, 760) << QRect(502, 30, 560, 505)
        << QRect(10, 520, 320, 240);
    QTest::newRow("where it covers least on a small screen")
        << first << main << QRect(0, 0, 640, 500) << QRect() << QRect(320, 260, 320, 240);
    QTest::newRow("a place of its own beside the main window is kept")
        << QRect(600, 600, 320, 240) << main << screen << QRect() << QRect(600, 600, 320, 240);
}

void GeometryTest::besideTheMainWindow()
{
    QFETCH(QRect, asked);
    QFETCH(QRect, main);
    QFETCH(QRect, screen);
    QFETCH(QRect, other);
    QFETCH(QRect, placed);
    QCOMPARE(placeBeside(asked, main, {screen}, other), placed);
}

void GeometryTest::restartsKeepPlaceAndSize()
{
    AppHarness app;
    const QString a = app.writeFigure(QStringLiteral("a.jws"));
    QRect main;
    QRect check;
    for (int start = 1; start <= 10; ++start) {
        app.start({a});
        waitShown(app.mainWindow());
        if (start == 1) {
            main = firstPlace(QRect(50, 50, 480, 480), app.mainWindow());
            // The data-check window goes beside the main window, as far as the screen has
            // room for it.
            const QList<QRect> areas{app.mainWindow().screen()->availableGeometry()};
            check = placeBeside(placeOnScreen(QRect(50, 50, 320, 240), areas), main, areas);
        }
        QTRY_COMPARE(app.mainWindow().frameGeometry(), main);
        // The data-check window, shown by a look-up, twice in the same start.
        for (int shown = 0; shown < 2; ++shown) {
            app.click("checkButton");
            waitShown(app.checkWindow());
            if (start == 1 && shown == 0) {
                // Its lines widen it from where it was placed, as far as the screen lets
                // them.
                auto *lines = app.checkWindow().findChild<QListWidget *>();
                const int widest = lines->visualItemRect(lines->item(0)).width();
                const int screenRight = app.checkWindow().screen()->availableGeometry().right();
                QTRY_VERIFY(lines->viewport()->width() >= widest ||
                            app.checkWindow().frameGeometry().right() == screenRight);
                QCOMPARE(app.checkWindow().frameGeometry().topLeft(), check.topLeft());
                QCOMPARE(app.checkWindow().frameGeometry().height(), check.height());
                check = app.checkWindow().frameGeometry();
            }
            QTRY_COMPARE(app.checkWindow().frameGeometry(), check);
            app.checkWindow().hide();
        }
        if (start == 2) {
            // The user gives both windows another place and size, on the screen.
            const QList<QRect> areas{app.mainWindow().screen()->availableGeometry()};
            app.mainWindow().setGeometry(app.mainWindow().geometry().adjusted(30, -10, 50, -4));
            app.checkWindow().show();
            waitShown(app.checkWindow());
            const QRect moved =
                placeOnScreen(app.checkWindow().frameGeometry().adjusted(-30, -40, 10, 20), areas);
            app.checkWindow().setGeometry(app.checkWindow().geometry().adjusted(
                moved.left() - app.checkWindow().frameGeometry().left(),
                moved.top() - app.checkWindow().frameGeometry().top(),
                moved.right() - app.checkWindow().frameGeometry().right(),
                moved.bottom() - app.checkWindow().frameGeometry().bottom()));
            QTest::qWait(200);
            main = app.mainWindow().frameGeometry();
            check = app.checkWindow().frameGeometry();
        }
        app.close();
        const SettingsFile s = OpenDatFile(app.folders.settingsPath, u"");
        QCOMPARE(mainGeometry(s), main);
        QCOMPARE(checkGeometry(s), check);
    }
}

void GeometryTest::firstStartFitsTheScreen()
{
    AppHarness app;
    app.start({app.writeFigure(QStringLiteral("a.jws"))});
    waitShown(app.mainWindow());
    const QRect area = app.mainWindow().screen()->availableGeometry();
    QCOMPARE(area.intersected(app.mainWindow().frameGeometry()), app.mainWindow().frameGeometry());
    app.click("checkButton");
    waitShown(app.checkWindow());
    QCOMPARE(area.intersected(app.checkWindow().frameGeometry()),
             app.checkWindow().frameGeometry());
}

QTEST_MAIN(GeometryTest)
#include "geometry_test.moc"
