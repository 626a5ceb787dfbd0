// The source list: which files are admitted, how, and how rows are deleted.
#include "appharness.h"

#include "app/appinfo.h"
#include "app/clicklabel.h"
#include "app/qtdialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <filesystem>
#include <sys/stat.h>

using namespace pravelot;
using namespace pravelot::test;

namespace {

enum class Kind { File, Folder, Pipe, Nothing };

void make(AppHarness &app, const QString &name, Kind kind)
{
    const std::filesystem::path p(app.path(name).toStdString());
    std::filesystem::create_directories(p.parent_path());
    switch (kind) {
    case Kind::File:
        app.writeFigure(name);
        break;
    case Kind::Folder:
        std::filesystem::create_directory(p);
        break;
    case Kind::Pipe:
        QVERIFY(::mkfifo(p.c_str(), 0600) == 0);
        break;
    case Kind::Nothing:
        break;
    }
}

} // namespace

class SourceListTest : public QObject {
    Q_OBJECT
private slots:
    void admission_data();
    void admission();
    void dropSkipsFoldersAndOtherTypes();
    void addDialog();
    void dialogFilterByPosition();
    void deletion_data();
    void deletion();
    void lookupOfSelectedRows();
    void keyboard();
};

void SourceListTest::admission_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("admitted");
    QTest::addColumn<QString>("blockName");

    // Beyond the 511 characters a drop once could carry; each name within the 255 bytes
    // a file system allows.
    QString longFolder;
    for (int i = 0; i < 3; ++i)
        longFolder += QString(200, QLatin1Char('d')) + QLatin1Char('/');
    longFolder += QString(80, QChar(0x90E8)) + QLatin1Char('/');
    QTest::newRow("jws") << QStringLiteral("door-01.jws") << int(Kind::File) << true
                         << QStringLiteral("door-01");
    QTest::newRow("upper-case extension")
        << QStringLiteral("UP.JWS") << int(Kind::File) << true << QStringLiteral("UP");
    QTest::newRow("jwk") << QStringLiteral("Part.Jwk") << int(Kind::File) << true
                         << QStringLiteral("Part");
    QTest::newRow("several dots") << QStringLiteral("a.b.jws") << int(Kind::File) << true
                                  << QStringLiteral("a.b");
    QTest::newRow("Japanese and spaces") << QStringLiteral("部品 集/扉　の 図.jws")
                                         << int(Kind::File) << true << QStringLiteral("扉　の 図");
    QTest::newRow("long path") << longFolder + QStringLiteral("深い.jws") << int(Kind::File) << true
                               << QStringLiteral("深い");
    QTest::newRow("other type") << QStringLiteral("plan.dxf") << int(Kind::File) << false
                                << QString();
    QTest::newRow("space after extension")
        << QStringLiteral("a.jws ") << int(Kind::File) << false << QString();
    QTest::newRow("folder") << QStringLiteral("folder.jws") << int(Kind::Folder) << false
                            << QString();
    QTest::newRow("named pipe") << QStringLiteral("pipe.jws") << int(Kind::Pipe) << false
                                << QString();
    QTest::newRow("missing") << QStringLiteral("gone.jws") << int(Kind::Nothing) << false
                             << QString();
}

void SourceListTest::admission()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(bool, admitted);
    QFETCH(QString, blockName);

    AppHarness app;
    make(app, name, Kind(kind));
    // The command line goes through the same gate as drops and the add dialog.
    app.start({QString(), app.path(name)});
    if (admitted) {
        QCOMPARE(app.mainWindow().sourceCount(), 1);
        QCOMPARE(app.files(), QStringList{app.path(name)});
        QCOMPARE(app.names(), QStringList{blockName});
    } else {
        QCOMPARE(app.mainWindow().sourceCount(), 0);
        // The empty list still shows one blank row.
        QCOMPARE(app.widget<QTableWidget>("sourceList")->rowCount(), 1);
    }
}

void SourceListTest::dropSkipsFoldersAndOtherTypes()
{
    AppHarness app;
    make(app, QStringLiteral("dir"), Kind::Folder);
    make(app, QStringLiteral("notes.txt"), Kind::File);
    make(app, QStringLiteral("UP.JWS"), Kind::File);
    app.start();

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(app.path(QStringLiteral("dir"))),
                  QUrl::fromLocalFile(app.path(QStringLiteral("notes.txt"))),
                  QUrl(QStringLiteral("https://example.com/x.jws")),
                  QUrl::fromLocalFile(app.path(QStringLiteral("UP.JWS")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&app.mainWindow(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&app.mainWindow(), &drop);

    QCOMPARE(app.files(), QStringList{app.path(QStringLiteral("UP.JWS"))});
    QCOMPARE(app.names(), QStringList{QStringLiteral("UP")});
}

void SourceListTest::addDialog()
{
    AppHarness app;
    const QString a = app.writeFigure(QStringLiteral("in/a.jws"));
    const QString b = app.writeFigure(QStringLiteral("in/b.JWK"));
    const QString dxf = app.writeFigure(QStringLiteral("in/plan.dxf"));
    app.start();

    // Cancelled: nothing changes.
    app.click("addButton");
    QCOMPARE(app.mainWindow().sourceCount(), 0);
    QCOMPARE(app.dialogs.openRequests.size(), 1);
    const Dialogs::OpenFiles first = app.dialogs.openRequests.front();
    QCOMPARE(first.title, QStringLiteral("変換元ファイルを指定"));
    QCOMPARE(first.filterIndex, 1);
    QCOMPARE(first.fileName, QStringLiteral("\u3000"));
    QStringList filters;
    for (const Dialogs::Filter &f : first.filters)
        filters << f.name + QLatin1Char('|') + f.patterns;
    QCOMPARE(filters.join(QLatin1Char('|')),
             QStringLiteral("Jw_cad 図形ファイル|*.jws;*.jwk|Jw_cad 図形ファイル(win)|*.jws|"
                            "Jw_cad 図形ファイル(dos)|*.jwk|全てのファイル(*.*)|*.*"));

    // Chosen under "全てのファイル(*.*)": the drawing exchange file is dropped.
    app.dialogs.files = Dialogs::ChosenFiles{{a, dxf, b}, 4};
    app.click("addButton");
    QCOMPARE(app.files(), (QStringList{a, b}));
    QCOMPARE(app.names(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));

    // The link text opens the same dialog, at the folder and filter last used; the same
    // file can be listed twice.
    app.dialogs.files = Dialogs::ChosenFiles{{a}, 2};
    auto *link = app.widget<ClickLabel>("addLink");
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    QCOMPARE(app.dialogs.openRequests.size(), 3);
    QCOMPARE(app.dialogs.openRequests[2].filterIndex, 4);
    QCOMPARE(app.dialogs.openRequests[2].folder, app.path(QStringLiteral("in/")));
    QCOMPARE(app.files(), (QStringList{a, b, a}));
    QCOMPARE(app.names(),
             (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("a")}));

    // The block-name look-up dialog keeps its own filter in the same way.
    app.dialogs.files = Dialogs::ChosenFiles{{a}, 3};
    app.click("lookupButton");
    QCOMPARE(app.dialogs.openRequests[3].filterIndex, 1);
    app.click("lookupButton");
    QCOMPARE(app.dialogs.openRequests[4].filterIndex, 3);
    QCOMPARE(app.dialogs.openRequests[4].folder, app.path(QStringLiteral("in/")));
    // The add dialog's filter is saved for the next start.
    app.start();
    app.dialogs.files.reset();
    app.click("addButton");
    QCOMPARE(app.dialogs.openRequests[5].filterIndex, 2);
}

void SourceListTest::dialogFilterByPosition()
{
    // The real dialog: whichever filter is chosen in it, its position comes back.
    AppHarness app;
    const QString a = app.writeFigure(QStringLiteral("a.jws"));
    const QList<Dialogs::Filter> filters = {
        {QStringLiteral("Jw_cad 図形ファイル"), QStringLiteral("*.jws;*.jwk")},
        {QStringLiteral("Jw_cad 図形ファイル(win)"), QStringLiteral("*.jws")},
        {QStringLiteral("Jw_cad 図形ファイル(dos)"), QStringLiteral("*.jwk")},
        {QStringLiteral("全てのファイル(*.*)"), QStringLiteral("*.*")}};
    QtDialogs dialogs;
    for (int opened = 1; opened <= 4; ++opened) {
        const int chosen = opened % 4 + 1;
        int shown = 0;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            QVERIFY(types);
            shown = types->currentIndex() + 1;
            types->setCurrentIndex(chosen - 1);
            emit types->activated(chosen - 1);
            dialog->selectFile(a);
            static_cast<QDialog *>(dialog)->accept(); // the Open button
        });
        Dialogs::OpenFiles request;
        request.folder = app.folder();
        request.filters = filters;
        request.filterIndex = opened;
        const std::optional<Dialogs::ChosenFiles> result = dialogs.openFiles(nullptr, request);
        QVERIFY(result);
        QCOMPARE(shown, opened);
        QCOMPARE(result->filterIndex, chosen);
        QCOMPARE(result->files, QStringList{a});
    }
    // Each form a dialog may report a filter in.
    QCOMPARE(QtDialogs::filterPosition(filters, QStringLiteral("Jw_cad 図形ファイル(dos)")), 3);
    QCOMPARE(QtDialogs::filterPosition(filters, QtDialogs::nameFilter(filters[1])), 2);
    QCOMPARE(QtDialogs::filterPosition(filters, QStringLiteral("something else")), 1);
}

void SourceListTest::deletion_data()
{
    QTest::addColumn<int>("listed");
    QTest::addColumn<int>("top"); // selected rows, 1-based
    QTest::addColumn<int>("bottom");
    QTest::addColumn<QString>("remaining"); // the files left, by number
    QTest::addColumn<int>("currentRow");
    QTest::addColumn<bool>("byKey");

    for (bool byKey : {false, true}) {
        const char *how = byKey ? ", Delete key" : "";
        QTest::addRow("rows 2-3 of 5%s", how) << 5 << 2 << 3 << QStringLiteral("145") << 2 << byKey;
        QTest::addRow("first row of 3%s", how) << 3 << 1 << 1 << QStringLiteral("23") << 1 << byKey;
        QTest::addRow("last two of 5%s", how) << 5 << 4 << 5 << QStringLiteral("123") << 3 << byKey;
        QTest::addRow("all of 4%s", how) << 4 << 1 << 4 << QString() << 1 << byKey;
        QTest::addRow("the only row, whatever is selected%s", how)
            << 1 << 1 << 1 << QString() << 1 << byKey;
        QTest::addRow("empty list%s", how) << 0 << 1 << 1 << QString() << 1 << byKey;
    }
}

void SourceListTest::deletion()
{
    QFETCH(int, listed);
    QFETCH(int, top);
    QFETCH(int, bottom);
    QFETCH(QString, remaining);
    QFETCH(int, currentRow);

    // The button, and the Delete key in the grid, do the same.
    QFETCH(bool, byKey);
    AppHarness app;
    QStringList args;
    for (int i = 1; i <= listed; ++i)
        args << app.writeFigure(QString::number(i) + QStringLiteral(".jws"));
    app.start(args);
    QCOMPARE(app.mainWindow().sourceCount(), listed);

    auto *grid = app.widget<QTableWidget>("sourceList");
    grid->setCurrentCell(top - 1, 1);
    grid->setRangeSelected(QTableWidgetSelectionRange(top - 1, 0, bottom - 1, 1), true);
    if (byKey) {
        app.mainWindow().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&app.mainWindow()));
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Delete);
    } else {
        app.click("removeButton");
    }

    QStringList names;
    for (QChar c : remaining)
        names << QString(c);
    QCOMPARE(app.names(), names);
    QCOMPARE(app.mainWindow().sourceCount(), static_cast<int>(remaining.size()));
    QCOMPARE(grid->rowCount(), std::max(static_cast<int>(remaining.size()), 1));
    QCOMPARE(grid->currentRow() + 1, currentRow);
    if (remaining.isEmpty()) {
        for (int col = 0; col < 2; ++col)
            QVERIFY(!grid->item(0, col) || grid->item(0, col)->text().isEmpty());
    }
}

void SourceListTest::lookupOfSelectedRows()
{
    AppHarness app;
    QStringList args;
    for (const char *n : {"1", "2", "3", "4", "5"})
        args << app.writeFigure(QString::fromLatin1(n) + QStringLiteral(".jws"),
                                AppHarness::Figure::Good, u"5@@SfigorgFlag@@4");
    app.start(args);
    auto *grid = app.widget<QTableWidget>("sourceList");
    grid->setCurrentCell(1, 0);
    grid->setRangeSelected(QTableWidgetSelectionRange(1, 0, 3, 0), true);
    app.click("checkButton");

    // Rows 2 to 4, each with its one definition, marked because row 5 is named so.
    QStringList expected;
    for (int r = 2; r <= 4; ++r)
        expected << QStringLiteral("ファイル名：") + args[r - 1]
                 << QStringLiteral("　ブロック図形定義数：1") << QStringLiteral("◆ブロック名：5");
    QCOMPARE(app.checkWindow().lines().join(QLatin1Char('\n')), expected.join(QLatin1Char('\n')));
    QVERIFY(app.checkWindow().isVisible());
    // Look-ups inform only: the log stays empty and the page stays.
    QVERIFY(app.log().isEmpty());
}

void SourceListTest::keyboard()
{
    AppHarness app;
    QStringList args;
    for (int i = 1; i <= 3; ++i)
        args << app.writeFigure(QString::number(i) + QStringLiteral(".jws"));
    app.start(args);
    app.mainWindow().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&app.mainWindow()));
    auto *grid = app.widget<QTableWidget>("sourceList");
    auto *pages = app.widget<QTabWidget>("pages");

    // Tab leaves the grid for the buttons beside it, Shift+Tab comes back.
    grid->setFocus();
    grid->setCurrentCell(0, 0);
    QTest::keyClick(grid, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), app.widget<QPushButton>("addButton"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), grid);
    // While a cell is edited, Delete is the editor's.
    grid->setCurrentCell(1, 1);
    grid->editItem(grid->item(1, 1));
    QVERIFY(QApplication::focusWidget() != grid);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    // The editor commits once events are processed.
    QTRY_COMPARE(app.names().value(1), QString());
    QCOMPARE(app.mainWindow().sourceCount(), 3);

    // Picking a row opened the preview. The offscreen platform makes every window it
    // shows active (a window manager leaves the keyboard with the list): it is closed.
    if (auto *preview = app.mainWindow().findChild<QWidget *>(QStringLiteral("PreviewWindow")))
        preview->close();
    app.mainWindow().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&app.mainWindow()));

    // From the log page, the settings page's Alt keys bring it forward and act.
    struct Case {
        Qt::Key key;
        int listed; // rows left afterwards
        int dialogs;
        int confirmations;
    };
    const Case cases[] = {
        {Qt::Key_A, 3, 1, 0}, // 追加: the add dialog (cancelled)
        {Qt::Key_D, 2, 1, 0}, // 削除: the current row
        {Qt::Key_B, 2, 2, 0}, // ﾌｧｲﾙ内BL名確認: the look-up dialog (cancelled)
        {Qt::Key_R, 2, 2, 1}, // 変換: the confirmation (answered No)
    };
    app.dialogs.yes = false;
    for (const Case &c : cases) {
        pages->setCurrentIndex(1);
        QTest::keyClick(&app.mainWindow(), c.key, Qt::AltModifier);
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(app.mainWindow().sourceCount(), c.listed);
        QCOMPARE(app.dialogs.openRequests.size(), c.dialogs);
        QCOMPARE(app.dialogs.confirmations.size(), c.confirmations);
    }
    // On the settings page the buttons' own Alt keys act (after the button's animation),
    // once, not twice.
    QTest::keyClick(&app.mainWindow(), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(app.dialogs.openRequests.size(), 3);
    QTest::qWait(300);
    QCOMPARE(app.dialogs.openRequests.size(), 3);
    pages->setCurrentIndex(1);
    QTest::keyClick(&app.mainWindow(), Qt::Key_X, Qt::AltModifier);
    QVERIFY(app.closedSignal);
}

QTEST_MAIN(SourceListTest)
#include "sourcelist_test.moc"
