// The settings file as the windows take it in and give it back, and where it lives.
#include "appharness.h"

#include "app/appinfo.h"
#include "convert/settingsfile.h"
#include "core/path.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QStyle>

#include <filesystem>

using namespace pravelot;
using namespace pravelot::test;

namespace {

void writeSettings(AppHarness &app, const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &l : lines)
        text += l + "\r\n";
    writeBytes(app.folders.settingsPath, Bytes(text.begin(), text.end()));
}

bool exists(const std::u16string &path) { return std::filesystem::exists(nativePath(path)); }

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void firstStart();
    void fourLineFile();
    void narrowColumnsAndUnknownStyle();
    void savedAtClose();
    void saveThatCannotBeWritten();
    void whereTheFilesLive();
    void noEmptyFoldersLeftBehind();
    void statusTextShowsWhole();
};

void SettingsTest::firstStart()
{
    AppHarness app;
    app.start();
    MainWindow &f = app.mainWindow();
    QCOMPARE(f.windowTitle(), QStringLiteral("Pravelot 図形ブロック化 Ver.1.10"));
    QCOMPARE(app.checkWindow().windowTitle(), QStringLiteral("データ確認"));
    // The data-check window belongs to the main window: a window manager keeps it above.
    QCOMPARE(app.checkWindow().windowType(), Qt::Tool);
    QCOMPARE(app.checkWindow().parentWidget(), &app.mainWindow());
    QCOMPARE(f.frameGeometry(), QRect(50, 50, 480, 480));
    // The data-check window's first place is beside the main window when it is first
    // shown (see the geometry test).
    QCOMPARE(app.checkWindow().frameGeometry().size(), QSize(320, 240));
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(app.widget<QRadioButton>("toDesktop")->isChecked());
    QVERIFY(app.widget<QLineEdit>("fixedFolder")->text().isEmpty());
    QVERIFY(!app.widget<QLineEdit>("fixedFolder")->isEnabled());
    QVERIFY(!app.widget<QPushButton>("browseButton")->isEnabled());
    // The folder asked for at each run starts in the documents folder.
    QCOMPARE(app.widget<QLabel>("askedFolder")->text(), app.documents());
    QCOMPARE(app.widget<QComboBox>("styleBox")->currentText(), QStringLiteral("Windows"));
    QCOMPARE(QApplication::style()->name(), QStringLiteral("windows"));
    // The two columns share the list's width as 256 to 96.
    QTableView *grid = app.list();
    QCOMPARE(grid->columnWidth(0) + grid->columnWidth(1), grid->viewport()->width());
    QVERIFY(std::abs(grid->columnWidth(0) * 96 - grid->columnWidth(1) * 256) <= 352);
    QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("ファイル名"));
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ブロック名"));
    QCOMPARE(
        f.statusText(),
        QStringLiteral("※保存先フォルダに同じ名前のファイルが存在する場合は名前に枝番が付きます"));
    // The work folder is made at start.
    QVERIFY(exists(app.folders.WorkFolder));

    // The folder box and its button are usable exactly while the fixed folder is chosen.
    QTest::mouseClick(app.widget<QRadioButton>("toFixedFolder"), Qt::LeftButton);
    QVERIFY(app.widget<QLineEdit>("fixedFolder")->isEnabled());
    app.dialogs.folder = app.folder() + QStringLiteral("選んだ");
    app.click("browseButton");
    QCOMPARE(app.dialogs.folderStarts, QStringList{app.documents()});
    QCOMPARE(app.widget<QLineEdit>("fixedFolder")->text(),
             app.folder() + QStringLiteral("選んだ/"));
    QTest::mouseClick(app.widget<QRadioButton>("besideSources"), Qt::LeftButton);
    QVERIFY(!app.widget<QPushButton>("browseButton")->isEnabled());
}

void SettingsTest::fourLineFile()
{
    AppHarness app;
    writeSettings(app, {"60", "70", "500", "490"});
    app.start();
    QCOMPARE(app.mainWindow().frameGeometry(), QRect(60, 70, 500, 490));
    for (const char *option :
         {"toDesktop", "toDocuments", "besideSources", "toFixedFolder", "askEachRun"})
        QVERIFY(!app.widget<QRadioButton>(option)->isChecked());
    QVERIFY(!app.widget<QLineEdit>("fixedFolder")->isEnabled());
    // The missing style line falls back to the plain look.
    QCOMPARE(app.widget<QComboBox>("styleBox")->currentText(), QStringLiteral("Windows"));
}

void SettingsTest::narrowColumnsAndUnknownStyle()
{
    AppHarness app;
    writeSettings(app,
                  {"50", "50", "480",         "480", "0", "0", "0",  "1",  "0",   "2F6F7574", "",
                   "",   "2",  "NoSuchStyle", "5",   "5", "",  "50", "50", "320", "240"});
    app.start();
    // Widths below 32 come back as 32: the columns share the list's width equally.
    QTableView *grid = app.list();
    QVERIFY(std::abs(grid->columnWidth(0) - grid->columnWidth(1)) <= 1);
    QCOMPARE(app.widget<QComboBox>("styleBox")->currentText(), QStringLiteral("Windows"));
    QVERIFY(app.widget<QRadioButton>("toFixedFolder")->isChecked());
    QVERIFY(app.widget<QLineEdit>("fixedFolder")->isEnabled());
    QCOMPARE(app.widget<QLineEdit>("fixedFolder")->text(), QStringLiteral("/out"));
}

void SettingsTest::savedAtClose()
{
    AppHarness app;
    app.start();
    QTest::mouseClick(app.widget<QRadioButton>("toFixedFolder"), Qt::LeftButton);
    app.widget<QLineEdit>("fixedFolder")->setText(QStringLiteral("/出力/"));
    app.list()->setColumnWidth(0, 300);
    // A style chosen now is only remembered.
    auto *combo = app.widget<QComboBox>("styleBox");
    const int fusion = combo->findText(QStringLiteral("Fusion"));
    QVERIFY(fusion >= 0);
    combo->setCurrentIndex(fusion);
    emit combo->activated(fusion);
    QCOMPARE(QApplication::style()->name(), QStringLiteral("windows"));
    app.mainWindow().move(80, 90);
    app.close();
    QVERIFY(app.closedSignal);

    const SettingsFile s = OpenDatFile(app.folders.settingsPath, u"");
    QCOMPARE(s.Destination, 4);
    QCOMPARE(qs(s.EditFl1), QStringLiteral("/出力/"));
    QCOMPARE(qs(s.gstyle), QStringLiteral("Fusion"));
    QCOMPARE(s.ColWidth0, 300);
    QCOMPARE(s.Fm1x, 80);
    QCOMPARE(s.Fm1y, 90);
    QCOMPARE(s.Fm1w, 480);
    QCOMPARE(s.Fm2w, 320);
    QCOMPARE(qs(s.LabelPreFolder), app.documents());
    QVERIFY(s.LookupFolder.empty()); // the look-up dialog was not used
    // The empty work folder is removed at close.
    QVERIFY(!exists(app.folders.WorkFolder));
}

void SettingsTest::saveThatCannotBeWritten()
{
    AppHarness app;
    // A settings path beneath a regular file cannot be created, not even by root.
    writeBytes(app.tmp.file("plain"), {'x'});
    app.folders.settingsPath = app.tmp.file("plain/pravelot.dat");
    const QString a = app.writeFigure(QStringLiteral("a.jws"));
    app.start({a});
    QTest::mouseClick(app.widget<QRadioButton>("besideSources"), Qt::LeftButton);
    // The run still starts ...
    app.click("convertButton");
    QCOMPARE(app.log().value(2), QStringLiteral("　…… 変換完了"));
    // ... and the program still closes, without a message either time.
    app.close();
    QVERIFY(app.closedSignal);
    QVERIFY(app.dialogs.messages.isEmpty());
    QCOMPARE(readBytes(app.tmp.file("plain")), std::vector<std::uint8_t>{'x'});
}

void SettingsTest::whereTheFilesLive()
{
    TempDir tmp;
    std::filesystem::create_directories(tmp.path() / "portable");
    writeBytes(tmp.file("file"), {'x'});
    struct Case {
        const char *name;
        std::u16string exe;
        std::u16string installedBin;
        bool beside;
    };
    const std::u16string config = tmp.file("config");
    const std::u16string cache = tmp.file("cache");
    const Case cases[] = {
        {"writable folder", tmp.file("portable/pravelot"), u"/usr/local/bin", true},
        {"folder that cannot be written", tmp.file("file/bin/pravelot"), u"/usr/local/bin", false},
        {"the installed folder", tmp.file("portable/pravelot"), tmp.file("portable/"), false},
    };
    for (const Case &c : cases) {
        const AppFolders f = AppFolders::resolve(c.exe, c.installedBin, config, cache);
        QVERIFY2(f.besideProgram == c.beside, c.name);
        QCOMPARE(qs(f.AppFolder), qs(folderOf(c.exe)));
        if (c.beside) {
            QCOMPARE(qs(f.settingsPath), qs(folderOf(c.exe) + u"pravelot.dat"));
            QCOMPARE(qs(f.WorkFolder), qs(folderOf(c.exe) + u"TEMP/"));
        } else {
            QCOMPARE(qs(f.settingsPath), qs(config + u"/pravelot.dat"));
            QCOMPARE(qs(f.WorkFolder), qs(cache + u"/TEMP/"));
        }
    }
}

void SettingsTest::noEmptyFoldersLeftBehind()
{
    // An installed program keeps its files in the user's folders, made for it at start.
    AppHarness app;
    app.folders = AppFolders::resolve(app.tmp.file("prog/pravelot"), app.tmp.file("prog/"),
                                      app.tmp.file("home/.config/pravelot"),
                                      app.tmp.file("home/.cache/pravelot"));
    QVERIFY(!app.folders.besideProgram);
    app.start();
    QVERIFY(exists(app.folders.WorkFolder));
    app.close();
    // The settings file stays with its folder; the empty cache folders go.
    QVERIFY(exists(app.folders.settingsPath));
    QVERIFY(!exists(app.tmp.file("home/.cache")));

    // A work folder that holds a file stays, and so do the folders above it.
    app.start();
    writeBytes(app.folders.WorkFolder + u"bild.bmp", {'B', 'M'});
    app.close();
    QVERIFY(exists(app.folders.WorkFolder + u"bild.bmp"));
    // A cache folder that was there before is left alone, empty or not.
    std::filesystem::remove_all(nativePath(app.folders.WorkFolder));
    app.start();
    app.close();
    QVERIFY(exists(app.tmp.file("home/.cache/pravelot")));
}

void SettingsTest::statusTextShowsWhole()
{
    AppHarness app;
    app.start();
    auto *status = app.mainWindow().findChild<QLabel *>(QStringLiteral("StatusText"));
    QVERIFY(status);
    // However narrow the window, the hint shows whole on more lines; the window keeps
    // its height.
    const int narrowest = app.mainWindow().minimumSizeHint().width();
    QVERIFY(narrowest < 440);
    for (int width : {480, 440, narrowest}) {
        app.mainWindow().resize(width, app.mainWindow().height());
        QTRY_COMPARE(app.mainWindow().width(), width);
        QTRY_VERIFY(status->heightForWidth(status->width()) <= status->height());
        QCOMPARE(app.mainWindow().frameGeometry().height(), 480);
    }
}

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
