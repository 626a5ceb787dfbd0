// The convert button: confirmation, the check before the run, the destination, the run.
#include "appharness.h"

#include "app/appinfo.h"
#include "app/escapewatcher.h"
#include "app/pathlabel.h"
#include "app/windowhost.h"

#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabWidget>

#include <filesystem>

using namespace pravelot;
using namespace pravelot::test;

namespace {

bool exists(const QString &path) { return std::filesystem::exists(path.toStdString()); }

// Selects the fixed folder out as destination.
void fixedFolder(AppHarness &app, const QString &out)
{
    QTest::mouseClick(app.widget<QRadioButton>("toFixedFolder"), Qt::LeftButton);
    app.widget<QLineEdit>("fixedFolder")->setText(out);
}

QListWidget *findingsOf(AppHarness &app)
{
    return app.checkWindow().findChild<QListWidget *>(QStringLiteral("findings"));
}

// Starts the window with five parts of incomplete data, each giving a line in the check
// and its lines in the log, to be converted into the folder out/; returns the parts.
QStringList startWithIncompleteParts(AppHarness &app)
{
    QStringList args;
    for (int i = 1; i <= 5; ++i)
        args << app.writeFigure(QString::number(i) + QStringLiteral(".jws"),
                                AppHarness::Figure::Truncated);
    app.start(args);
    const QString out = app.path(QStringLiteral("out/"));
    std::filesystem::create_directory(out.toStdString());
    fixedFolder(app, out);
    return args;
}

} // namespace

class CheckRunTest : public QObject {
    Q_OBJECT
private slots:
    void emptyList();
    void confirmationNo();
    void check_data();
    void check();
    void sameNameIntoFixedFolder();
    void incompleteSourceInTheRunLog();
    void desktop();
    void missingFixedFolder();
    void noOptionAsksForAFolder();
    void escapeWatcher();
    void runCountsAndLastLine_data();
    void runCountsAndLastLine();
    void wholeLines();
    void closingStopsFirst_data();
    void closingStopsFirst();
    void findingsAndRemovingErrorRows();
    void stopButton_data();
    void stopButton();
    void keyboardStaysAfterRun();
};

void CheckRunTest::emptyList()
{
    AppHarness app;
    app.start();
    app.click("convertButton");
    QCOMPARE(app.mainWindow().statusText(), QStringLiteral("変換するファイルを指定して下さい"));
    QVERIFY(app.dialogs.confirmations.isEmpty());
    QVERIFY(!app.checkWindow().isVisible());
    QVERIFY(app.log().isEmpty());
}

void CheckRunTest::confirmationNo()
{
    AppHarness app;
    app.start({app.writeFigure(QStringLiteral("a.jws"))});
    const QString status = app.mainWindow().statusText();
    app.dialogs.yes = false;
    app.click("convertButton");
    QCOMPARE(app.dialogs.confirmations,
             QStringList{QStringLiteral("変換を開始します。よろしいですか？")});
    QCOMPARE(app.mainWindow().statusText(), status);
    QVERIFY(!app.checkWindow().isVisible());
    QVERIFY(app.log().isEmpty());
}

void CheckRunTest::check_data()
{
    // Rows are figure files named for what they hold; "gone" is deleted once listed.
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<QStringList>("lines"); // %1 stands for the test's folder
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("windowShown");
    QTest::addColumn<bool>("runs");

    // After a run the status bar counts its results instead of the checked rows.
    QTest::newRow("clean") << QStringList{QStringLiteral("good.jws"), QStringLiteral("Door.jws")}
                           << false << QStringList()
                           << QStringLiteral("変換終了：変換完了 2件、変換失敗 0件") << false
                           << true;
    QTest::newRow("errors, counted by rows")
        << QStringList{QStringLiteral("good.jws"), QStringLiteral("invalid.jws"),
                       QStringLiteral("gone.jws"), QStringLiteral("door.jws")}
        << false
        << QStringList{QStringLiteral("%1invalid.jws -- ファイルデータ内容が不正です"),
                       QStringLiteral("%1gone.jws -- ファイルが存在しません"),
                       QStringLiteral(
                           "%1door.jws ブロック名【door】は既に図形ファイル内で使用済です")}
        << QStringLiteral("エラー発生のため変換は行われません。確認して下さい(4)") << true << false;
    QTest::newRow("warning only")
        << QStringList{QStringLiteral("truncated.jws"), QStringLiteral("good.jws")} << false
        << QStringList{QStringLiteral(
               "%1truncated.jws -- ファイルデータが欠落しています(データ変換は行われます)")}
        << QStringLiteral("変換終了：変換完了 2件、変換失敗 0件") << true << true;
    QTest::newRow("Escape held before the first row")
        << QStringList{QStringLiteral("invalid.jws")} << true << QStringList()
        << QStringLiteral("変換チェック～変換を中断しました(ESC)") << false << false;
}

void CheckRunTest::check()
{
    QFETCH(QStringList, rows);
    QFETCH(bool, escape);
    QFETCH(QStringList, lines);
    QFETCH(QString, status);
    QFETCH(bool, windowShown);
    QFETCH(bool, runs);

    AppHarness app;
    QStringList args;
    for (const QString &r : rows) {
        const auto kind = r.startsWith(QStringLiteral("truncated")) ? AppHarness::Figure::Truncated
                          : r.startsWith(QStringLiteral("invalid")) ? AppHarness::Figure::Invalid
                                                                    : AppHarness::Figure::Good;
        // "door" and "Door" hold a definition stored as door with the marker: the name
        // door clashes with it, Door does not.
        args << app.writeFigure(r, kind,
                                r.compare(QStringLiteral("door.jws"), Qt::CaseInsensitive) == 0
                                    ? u"door@@SfigorgFlag@@4"
                                    : u"");
    }
    app.start(args);
    QCOMPARE(app.mainWindow().sourceCount(), static_cast<int>(rows.size()));
    std::filesystem::remove(app.path(QStringLiteral("gone.jws")).toStdString());
    const QString out = app.path(QStringLiteral("out/"));
    std::filesystem::create_directory(out.toStdString());
    fixedFolder(app, out);

    if (escape)
        QTest::keyPress(&app.mainWindow(), Qt::Key_Escape);
    app.click("convertButton");
    if (escape)
        QTest::keyRelease(&app.mainWindow(), Qt::Key_Escape);

    QStringList expected;
    for (const QString &l : lines)
        expected << l.arg(app.folder());
    QCOMPARE(app.checkWindow().lines().join(QLatin1Char('\n')), expected.join(QLatin1Char('\n')));
    QCOMPARE(app.mainWindow().statusText(), status);
    QCOMPARE(app.checkWindow().isVisible(), windowShown);
    QCOMPARE(!app.log().isEmpty(), runs);
    QCOMPARE(app.widget<QTabWidget>("pages")->currentIndex(), runs ? 1 : 0);
    // The window is usable again, and the progress is gone.
    QVERIFY(app.widget<QPushButton>("convertButton")->isEnabled());
    QVERIFY(!app.mainWindow().findChild<QProgressBar *>(QStringLiteral("Progress"))->isVisible());
}

void CheckRunTest::sameNameIntoFixedFolder()
{
    AppHarness app;
    const QString a = app.writeFigure(QStringLiteral("一/扉 A.jws"));
    const QString b = app.writeFigure(QStringLiteral("二/扉 A.jws"));
    const QString out = app.path(QStringLiteral("出力/"));
    std::filesystem::create_directory(out.toStdString());
    app.start({a, b});
    fixedFolder(app, out.chopped(1)); // the separator is added

    app.click("convertButton");
    QCOMPARE(app.log(), (QStringList{a, QStringLiteral("→ ") + out + QStringLiteral("扉 A.jws"),
                                     QStringLiteral("　…… 変換完了"), b,
                                     QStringLiteral("→ ") + out + QStringLiteral("扉 A~1.jws"),
                                     QStringLiteral("　…… 変換完了")}));
    QVERIFY(exists(out + QStringLiteral("扉 A.jws")));
    QVERIFY(exists(out + QStringLiteral("扉 A~1.jws")));
    QCOMPARE(app.widget<QTabWidget>("pages")->currentIndex(), 1);
    QCOMPARE(app.mainWindow().statusText(), QStringLiteral("変換終了：変換完了 2件、変換失敗 0件"));
    // The settings were saved before the files were converted.
    QVERIFY(exists(qs(app.folders.settingsPath)));
    QVERIFY(app.dialogs.messages.isEmpty());
}

void CheckRunTest::incompleteSourceInTheRunLog()
{
    AppHarness app;
    const QString src = app.writeFigure(QStringLiteral("cut.jws"), AppHarness::Figure::Truncated);
    const QString out = app.path(QStringLiteral("out/"));
    std::filesystem::create_directory(out.toStdString());
    app.start({src});
    fixedFolder(app, out);

    app.click("convertButton");
    // The run log says so too, in the check's words, since the data-check window may be
    // closed or behind by then.
    QCOMPARE(app.log(),
             (QStringList{
                 src, QStringLiteral("→ ") + out + QStringLiteral("cut.jws"),
                 src + QStringLiteral(" -- ファイルデータが欠落しています(データ変換は行われます)"),
                 QStringLiteral("　…… 変換完了")}));
}

void CheckRunTest::desktop()
{
    AppHarness app;
    // The user's folders as the desktop names them; the desktop folder does not exist yet.
    const QString desktop = app.path(QStringLiteral("デスクトップ"));
    const QByteArray line = "XDG_DESKTOP_DIR=\"" + desktop.toUtf8() + "\"\n";
    writeBytes(app.tmp.file("xdg/user-dirs.dirs"), Bytes(line.begin(), line.end()));
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", app.path(QStringLiteral("xdg")).toUtf8());
    const QString a = app.writeFigure(QStringLiteral("a.jws"));
    app.start({a});
    QVERIFY(app.widget<QRadioButton>("toDesktop")->isChecked());
    app.click("convertButton");
    if (hadConfig)
        qputenv("XDG_CONFIG_HOME", oldConfig);
    else
        qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(app.log().value(1), QStringLiteral("→ ") + desktop + QStringLiteral("/a.jws"));
    QCOMPARE(app.log().value(2), QStringLiteral("　…… 変換完了"));
}

void CheckRunTest::missingFixedFolder()
{
    AppHarness app;
    const QString a = app.writeFigure(QStringLiteral("a.jws"));
    app.start({a});
    const QString out = app.path(QStringLiteral("out/"));
    std::filesystem::create_directory(out.toStdString());
    fixedFolder(app, out);
    app.click("convertButton");
    const QStringList firstLog = app.log();
    QCOMPARE(firstLog.size(), 3);
    app.widget<QTabWidget>("pages")->setCurrentIndex(0);
    std::filesystem::remove(app.folders.settingsPath);

    const QString missing = app.path(QStringLiteral("nowhere"));
    app.widget<QLineEdit>("fixedFolder")->setText(missing);
    app.click("convertButton");
    QCOMPARE(app.dialogs.messages,
             QStringList{QStringLiteral("指定したフォルダが見つかりません。\n") + missing +
                         QLatin1Char('/')});
    // Nothing else happens: no settings saved, the log kept, the page left alone.
    QVERIFY(!exists(qs(app.folders.settingsPath)));
    QCOMPARE(app.log(), firstLog);
    QCOMPARE(app.widget<QTabWidget>("pages")->currentIndex(), 0);
}

void CheckRunTest::noOptionAsksForAFolder()
{
    AppHarness app;
    // Four lines: the main window's geometry only, so no destination option is selected.
    writeBytes(app.folders.settingsPath, {'6', '0', '\r', '\n', '7', '0', '\r', '\n', '5', '0', '0',
                                          '\r', '\n', '4', '9', '0', '\r', '\n'});
    const QString a = app.writeFigure(QStringLiteral("a.jws"));
    app.start({a});
    for (const char *option :
         {"toDesktop", "toDocuments", "besideSources", "toFixedFolder", "askEachRun"})
        QVERIFY(!app.widget<QRadioButton>(option)->isChecked());

    // Cancelled: the run ends at once. The picker opened in the documents folder.
    app.click("convertButton");
    QCOMPARE(app.dialogs.folderCaptions,
             QStringList{QStringLiteral("変換後のファイルを保存するフォルダを指定して下さい")});
    QCOMPARE(app.dialogs.folderStarts, QStringList{app.documents()});
    QVERIFY(app.log().isEmpty());
    QCOMPARE(app.mainWindow().statusText(), QStringLiteral("変換チェック完了(1)"));

    const QString out =
        app.path(QStringLiteral("選んだ/") + QString(60, QChar(0x6DF1)) + QStringLiteral("/出力"));
    std::filesystem::create_directories(out.toStdString());
    app.dialogs.folder = out;
    app.click("convertButton");
    // The folder chosen is kept whole; where the group is too narrow for it, its
    // beginning and its end show.
    auto *asked = app.widget<PathLabel>("askedFolder");
    QCOMPARE(asked->text(), out + QLatin1Char('/'));
    QCOMPARE(asked->toolTip(), asked->text());
    const QString shown = asked->shownText();
    QVERIFY(shown.contains(QChar(0x2026)));
    QVERIFY(shown.startsWith(app.folder().left(4)));
    QVERIFY(shown.endsWith(QStringLiteral("/出力/")));
    QVERIFY(asked->fontMetrics().horizontalAdvance(shown) <= asked->contentsRect().width());
    QCOMPARE(app.log().value(1), QStringLiteral("→ ") + out + QStringLiteral("/a.jws"));
    QVERIFY(exists(out + QStringLiteral("/a.jws")));
    // The picker opens next time where it was last confirmed.
    app.click("convertButton");
    QCOMPARE(app.dialogs.folderStarts.value(2), out);
}

void CheckRunTest::escapeWatcher()
{
    AppHarness app;
    app.start();
    EscapeWatcher watcher;
    CheckWindow checkWindow;
    QListWidget log;
    QProgressBar bar;
    {
        WindowHost host(checkWindow, log, bar, watcher);
        QVERIFY(!host.escapePressed());
        // A short press between two files is not lost.
        QTest::keyClick(&app.mainWindow(), Qt::Key_Escape);
        QVERIFY(host.escapePressed());
        QVERIFY(host.escapePressed());
    }
    {
        // A new loop forgets that press, but not a key still held.
        WindowHost host(checkWindow, log, bar, watcher);
        QVERIFY(!host.escapePressed());
        QTest::keyPress(&app.mainWindow(), Qt::Key_Escape);
        QTest::keyPress(&app.mainWindow(), Qt::Key_A);
    }
    {
        WindowHost host(checkWindow, log, bar, watcher);
        QVERIFY(host.escapePressed());
        QTest::keyRelease(&app.mainWindow(), Qt::Key_Escape);
    }
    WindowHost host(checkWindow, log, bar, watcher);
    QVERIFY(!host.escapePressed());
    host.appendCheckLine(u"一", false);
    host.appendCheckLine(u"二", true);
    QCOMPARE(checkWindow.lines(), (QStringList{QStringLiteral("一"), QStringLiteral("二")}));
}

void CheckRunTest::runCountsAndLastLine_data()
{
    QTest::addColumn<int>("escapeAfter"); // files converted when Escape is pressed; -1: never
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("lastLine");
    QTest::newRow("whole run") << -1 << QStringLiteral("変換終了：変換完了 29件、変換失敗 1件")
                               << QStringLiteral("　…… 変換完了");
    QTest::newRow("stopped with Escape")
        << 20 << QStringLiteral("変換を中断しました(ESC)：変換完了 19件、変換失敗 1件")
        << QStringLiteral("[ESC]を押しましたので中断します。");
}

void CheckRunTest::runCountsAndLastLine()
{
    QFETCH(int, escapeAfter);
    QFETCH(QString, status);
    QFETCH(QString, lastLine);

    AppHarness app;
    QStringList args;
    for (int i = 1; i <= 30; ++i)
        args << app.writeFigure(QString::number(i) + QStringLiteral(".jws"));
    app.start(args);
    const QString out = app.path(QStringLiteral("out/"));
    std::filesystem::create_directory(out.toStdString());
    fixedFolder(app, out);
    auto *log = app.widget<QListWidget>("log");
    // The second file goes after the check, as the run empties the log: it fails, and the
    // run goes on.
    QMetaObject::Connection removal = connect(log->model(), &QAbstractItemModel::modelReset, [&] {
        std::filesystem::remove(args[1].toStdString());
    });
    int results = 0;
    QMetaObject::Connection hook = connect(log->model(), &QAbstractItemModel::rowsInserted, [&] {
        if (!log->item(log->count() - 1)->text().startsWith(QStringLiteral("　…… ")))
            return;
        ++results;
        if (results == escapeAfter)
            QTest::keyPress(&app.mainWindow(), Qt::Key_Escape);
    });
    app.click("convertButton");
    disconnect(hook);
    disconnect(removal);
    QTest::keyRelease(&app.mainWindow(), Qt::Key_Escape);

    QCOMPARE(app.mainWindow().statusText(), status);
    QCOMPARE(app.log().last(), lastLine);
    // The log page is in front and shows its last line.
    QCOMPARE(app.widget<QTabWidget>("pages")->currentIndex(), 1);
    QVERIFY(log->verticalScrollBar()->maximum() > 0);
    const QRect last = log->visualItemRect(log->item(log->count() - 1));
    QVERIFY(log->viewport()->rect().contains(last.bottomLeft()));

    // Once the list changes, the counts are gone.
    const QString hint =
        QStringLiteral("※保存先フォルダに同じ名前のファイルが存在する場合は名前に枝番が付きます");
    app.mainWindow().addSource(app.writeFigure(QStringLiteral("31.jws")));
    QCOMPARE(app.mainWindow().statusText(), QStringLiteral("部品を1件追加しました"));
    app.click("convertButton");
    QVERIFY(app.mainWindow().statusText() != hint);
    app.widget<QTabWidget>("pages")->setCurrentIndex(0);
    app.click("removeButton");
    QCOMPARE(app.mainWindow().statusText(), hint);
}

void CheckRunTest::wholeLines()
{
    AppHarness app;
    const QString name = QStringLiteral("足場/") + QString(60, QChar(0x90E8)) +
                         QStringLiteral("/ドア③の長い名前の部品.jws");
    const QString a = app.writeFigure(name);
    app.start({a});
    QTest::mouseClick(app.widget<QRadioButton>("besideSources"), Qt::LeftButton);
    app.click("convertButton");
    app.click("checkButton");
    QListWidget *check = nullptr;
    for (QListWidget *l : app.checkWindow().findChildren<QListWidget *>())
        check = l;
    QVERIFY(check);
    for (QListWidget *list : {app.widget<QListWidget>("log"), check}) {
        QVERIFY(list->isVisible());
        QVERIFY(list->count() > 0);
        const QListWidgetItem *first = list->item(0);
        QVERIFY(first->text().contains(name));
        // The line is as wide as its text, and the list scrolls sideways to it.
        QVERIFY(list->visualItemRect(first).width() >=
                list->fontMetrics().horizontalAdvance(first->text()));
        QVERIFY(list->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(list->textElideMode(), Qt::ElideNone);
    }
}

void CheckRunTest::closingStopsFirst_data()
{
    QTest::addColumn<bool>("duringCheck");
    QTest::newRow("during the check") << true;
    QTest::newRow("during the run") << false;
}

void CheckRunTest::closingStopsFirst()
{
    QFETCH(bool, duringCheck);
    AppHarness app;
    startWithIncompleteParts(app);
    const QString out = app.path(QStringLiteral("out/"));
    QListWidget *lines = duringCheck ? findingsOf(app) : app.widget<QListWidget>("log");
    bool closeIgnored = false;
    QMetaObject::Connection hook = connect(lines->model(), &QAbstractItemModel::rowsInserted, [&] {
        // The user closes the window after the first file: nothing closes yet.
        const QString last = lines->item(lines->count() - 1)->text();
        if (duringCheck || last.startsWith(QStringLiteral("　…… ")))
            closeIgnored = !app.mainWindow().close();
    });
    app.click("convertButton");
    disconnect(hook);

    QVERIFY(closeIgnored);
    // It stopped before the next file, then closed and saved the settings.
    QVERIFY(app.closedSignal);
    QVERIFY(!app.mainWindow().isVisible());
    QVERIFY(exists(qs(app.folders.settingsPath)));
    if (duringCheck) {
        QCOMPARE(app.checkWindow().lines().size(), 1);
        QVERIFY(app.log().isEmpty());
        QVERIFY(!exists(out + QStringLiteral("1.jws")));
    } else {
        QCOMPARE(app.log().filter(QStringLiteral("　…… ")).size(), 1);
        QCOMPARE(app.log().last(), QStringLiteral("[ESC]を押しましたので中断します。"));
        QVERIFY(exists(out + QStringLiteral("1.jws")));
        QVERIFY(!exists(out + QStringLiteral("2.jws")));
    }
}

void CheckRunTest::findingsAndRemovingErrorRows()
{
    AppHarness app;
    const QStringList args = {
        app.writeFigure(QStringLiteral("good.jws")),
        app.writeFigure(QStringLiteral("invalid.jws"), AppHarness::Figure::Invalid),
        app.writeFigure(QStringLiteral("cut.jws"), AppHarness::Figure::Truncated),
        app.writeFigure(QStringLiteral("door.jws"), AppHarness::Figure::Good,
                        u"door@@SfigorgFlag@@4"),
        app.writeFigure(QString(70, QChar(0x9577)) + QStringLiteral(".jws"),
                        AppHarness::Figure::Invalid)};
    app.start(args);
    const QString out = app.path(QStringLiteral("out/"));
    std::filesystem::create_directory(out.toStdString());
    fixedFolder(app, out);
    app.click("convertButton");

    // Errors apart from warnings, the first error selected.
    using Finding = CheckWindow::Finding;
    const QList<Finding> kinds = {Finding::Error, Finding::Warning, Finding::Error, Finding::Error};
    QCOMPARE(app.checkWindow().lines().size(), kinds.size());
    for (int line = 0; line < kinds.size(); ++line)
        QCOMPARE(app.checkWindow().finding(line), kinds[line]);
    QListWidget *findings = findingsOf(app);
    QCOMPARE(findings->currentRow(), 0);
    // Each line shows whole, as far as the screen has room.
    const QRect screen = app.checkWindow().screen()->availableGeometry();
    int widest = 0;
    for (int line = 0; line < findings->count(); ++line)
        widest = std::max(widest, findings->visualItemRect(findings->item(line)).width());
    QTRY_VERIFY(findings->viewport()->width() >= widest ||
                app.checkWindow().frameGeometry().right() == screen.right());
    QVERIFY(screen.contains(app.checkWindow().frameGeometry()));

    // A row removed from the list takes its finding along.
    app.list()->setCurrentIndex(app.list()->model()->index(2, 0));
    app.click("removeButton");
    QCOMPARE(app.checkWindow().lines().size(), 3);
    QCOMPARE(app.checkWindow().finding(1), Finding::Error);

    // One button removes the rows with errors; then the run goes ahead.
    auto *removeErrors =
        app.checkWindow().findChild<QPushButton *>(QStringLiteral("removeErrorRows"));
    QVERIFY(removeErrors->isVisible());
    QTest::mouseClick(removeErrors, Qt::LeftButton);
    QCOMPARE(app.files(), QStringList{args[0]});
    QVERIFY(app.checkWindow().lines().isEmpty());
    QVERIFY(!removeErrors->isVisible());
    QCOMPARE(app.mainWindow().statusText(),
             QStringLiteral("エラーのあった3件を一覧から削除しました(Ctrl+Zで元に戻せます)"));
    app.click("convertButton");
    QCOMPARE(app.mainWindow().statusText(), QStringLiteral("変換終了：変換完了 1件、変換失敗 0件"));
}

void CheckRunTest::stopButton_data()
{
    QTest::addColumn<bool>("duringCheck");
    QTest::newRow("during the check") << true;
    QTest::newRow("during the run") << false;
}

void CheckRunTest::stopButton()
{
    QFETCH(bool, duringCheck);
    AppHarness app;
    startWithIncompleteParts(app);
    auto *stop = app.widget<QPushButton>("stopButton");
    QVERIFY(!stop->isVisible());
    QListWidget *lines = duringCheck ? findingsOf(app) : app.widget<QListWidget>("log");
    bool clicked = false;
    QMetaObject::Connection hook = connect(lines->model(), &QAbstractItemModel::rowsInserted, [&] {
        // After the first file, with the mouse.
        const QString last = lines->item(lines->count() - 1)->text();
        if (!clicked && (duringCheck || last.startsWith(QStringLiteral("　…… ")))) {
            clicked = true;
            QVERIFY(stop->isVisible() && stop->isEnabled());
            QTest::mouseClick(stop, Qt::LeftButton);
        }
    });
    app.click("convertButton");
    disconnect(hook);
    QVERIFY(clicked);
    QVERIFY(!stop->isVisible());
    if (duringCheck) {
        QCOMPARE(app.checkWindow().lines().size(), 1);
        QCOMPARE(app.mainWindow().statusText(),
                 QStringLiteral("変換チェック～変換を中断しました(ESC)"));
        QVERIFY(app.log().isEmpty());
    } else {
        QCOMPARE(app.log().filter(QStringLiteral("　…… ")).size(), 1);
        QCOMPARE(app.log().last(), QStringLiteral("[ESC]を押しましたので中断します。"));
    }
}

void CheckRunTest::keyboardStaysAfterRun()
{
    AppHarness app;
    // The warning keeps the data-check window open beside the main window.
    app.start({app.writeFigure(QStringLiteral("cut.jws"), AppHarness::Figure::Truncated)});
    const QString out = app.path(QStringLiteral("out/"));
    std::filesystem::create_directory(out.toStdString());
    fixedFolder(app, out);
    app.mainWindow().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&app.mainWindow()));
    app.widget<QPushButton>("convertButton")->setFocus();
    app.click("convertButton");
    QVERIFY(app.checkWindow().isVisible());
    // The keyboard is back in the main window, on the log page in front: its Alt keys act.
    QTRY_COMPARE(QApplication::activeWindow(), &app.mainWindow());
    QCOMPARE(QApplication::focusWidget(), app.widget<QListWidget>("log"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_X, Qt::AltModifier);
    QVERIFY(app.closedSignal);
}

QTEST_MAIN(CheckRunTest)
#include "checkrun_test.moc"
