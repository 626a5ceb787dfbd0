// The source list: which files are admitted, how, and how rows are deleted.
#include "appharness.h"

#include "app/appinfo.h"
#include "app/clicklabel.h"
#include "app/previewcanvas.h"
#include "app/previewwindow.h"
#include "app/qtdialogs.h"
#include "app/removerowscommand.h"
#include "app/sourcelistmodel.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>

#include <filesystem>
#include <functional>
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

// Selects rows top … bottom (0-based) of the list, with top the current row.
void selectRows(QTableView *list, int top, int bottom)
{
    QItemSelectionModel *selection = list->selectionModel();
    selection->setCurrentIndex(list->model()->index(top, 1), QItemSelectionModel::NoUpdate);
    selection->select(QItemSelection(list->model()->index(top, 0), list->model()->index(bottom, 1)),
                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

} // namespace

class SourceListTest : public QObject {
    Q_OBJECT
private slots:
    void admission_data();
    void admission();
    void dropTakesFiguresAndFolders();
    void addDialog();
    void dialogFilterByPosition();
    void deletion_data();
    void deletion();
    void lookupOfSelectedRows();
    void keyboard();
    void editing_data();
    void editing();
    void headerClickSelectsNoRows();
    void removalMovesThePreviewAndUndoes();
    void modelRows_data();
    void modelRows();
    void longNameShowsItsBeginning();
    void columnsFollowTheWidth();
    void folders_data();
    void folders();
    void folderOutputsMirrorTheTree();
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
        QCOMPARE(app.list()->model()->rowCount(), 1);
    }
}

void SourceListTest::dropTakesFiguresAndFolders()
{
    AppHarness app;
    make(app, QStringLiteral("dir/in.jws"), Kind::File);
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

    // Taken once the drop is over: the folder with what is in it, the other type passed
    // over, and said so.
    QTRY_COMPARE(app.files(), (QStringList{app.path(QStringLiteral("dir/in.jws")),
                                           app.path(QStringLiteral("UP.JWS"))}));
    QCOMPARE(app.names(), (QStringList{QStringLiteral("in"), QStringLiteral("UP")}));
    QCOMPARE(app.mainWindow().statusText(),
             QStringLiteral("部品を2件追加しました。図形ファイルでない1件は追加していません"));
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
    // Nothing in the file-name box to type after; the documents folder at first.
    QVERIFY(first.fileName.isEmpty());
    QCOMPARE(first.folder, app.documents());
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

    // The link text opens the same dialog, at the folder and filter last used; a file
    // listed already is not listed again.
    app.dialogs.files = Dialogs::ChosenFiles{{a}, 2};
    auto *link = app.widget<ClickLabel>("addLink");
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    QCOMPARE(app.dialogs.openRequests.size(), 3);
    QCOMPARE(app.dialogs.openRequests[2].filterIndex, 4);
    QCOMPARE(app.dialogs.openRequests[2].folder, app.path(QStringLiteral("in/")));
    QCOMPARE(app.files(), (QStringList{a, b}));

    // The block-name look-up dialog keeps its own filter in the same way.
    app.dialogs.files = Dialogs::ChosenFiles{{a}, 3};
    app.click("lookupButton");
    QCOMPARE(app.dialogs.openRequests[3].filterIndex, 1);
    QCOMPARE(app.dialogs.openRequests[3].title,
             QStringLiteral("ブロック名を確認するファイルを指定"));
    QCOMPARE(app.dialogs.openRequests[3].folder, app.documents());
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

    QTableView *grid = app.list();
    selectRows(grid, top - 1, bottom - 1);
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
    QCOMPARE(grid->model()->rowCount(), std::max(static_cast<int>(remaining.size()), 1));
    QCOMPARE(grid->currentIndex().row() + 1, currentRow);
    if (remaining.isEmpty()) {
        for (int col = 0; col < 2; ++col)
            QVERIFY(grid->model()->index(0, col).data().toString().isEmpty());
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
    selectRows(app.list(), 1, 3);
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
    QTableView *grid = app.list();
    auto *pages = app.widget<QTabWidget>("pages");

    // Tab leaves the grid for the buttons beside it, Shift+Tab comes back.
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), app.widget<QPushButton>("addButton"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), grid);
    // While a cell is edited, Delete is the editor's.
    grid->setCurrentIndex(grid->model()->index(1, 1));
    grid->edit(grid->currentIndex());
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

void SourceListTest::editing_data()
{
    QTest::addColumn<int>("row"); // -1: the placeholder row of an empty list
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("editsName");

    QTest::newRow("F2 on the file") << 1 << 0 << QStringLiteral("F2") << true;
    QTest::newRow("F2 on the name") << 1 << 1 << QStringLiteral("F2") << true;
    QTest::newRow("double click on the file") << 1 << 0 << QStringLiteral("double") << true;
    QTest::newRow("double click on the name") << 1 << 1 << QStringLiteral("double") << true;
    QTest::newRow("typing on the file") << 1 << 0 << QStringLiteral("type") << false;
    QTest::newRow("typing on the name") << 1 << 1 << QStringLiteral("type") << true;
    QTest::newRow("F2 on the placeholder") << -1 << 0 << QStringLiteral("F2") << false;
    QTest::newRow("typing on the placeholder") << -1 << 0 << QStringLiteral("type") << false;
    QTest::newRow("double click on the placeholder")
        << -1 << 1 << QStringLiteral("double") << false;
}

void SourceListTest::editing()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, how);
    QFETCH(bool, editsName);

    AppHarness app;
    QStringList args;
    if (row >= 0)
        args << app.writeFigure(QStringLiteral("a.jws"))
             << app.writeFigure(QStringLiteral("b.jws"));
    app.start(args);
    // The preview a click opens is open already: the offscreen platform would make it
    // the active window, and the editor would close as the keyboard goes there.
    app.mainWindow().findChild<PreviewWindow *>(QStringLiteral("PreviewWindow"))->show();
    app.mainWindow().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&app.mainWindow()));
    QTableView *list = app.list();
    list->setFocus();
    const QModelIndex cell = list->model()->index(std::max(row, 0), column);
    list->setCurrentIndex(cell);
    if (how == QStringLiteral("F2"))
        QTest::keyClick(list, Qt::Key_F2);
    else if (how == QStringLiteral("type"))
        QTest::keyClick(list, Qt::Key_X);
    else {
        // A press and a release, then the double click, as a window system sends them.
        const QPoint at = list->visualRect(cell).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    auto *editor = list->viewport()->findChild<QLineEdit *>();
    QCOMPARE(editor && editor->isVisible(), editsName);
    if (editsName) {
        QCOMPARE(QApplication::focusWidget(), editor);
        editor->setText(QStringLiteral("新しい名前"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(app.names().value(row), QStringLiteral("新しい名前"));
    }
    // The paths never change, and nothing is listed by typing.
    QCOMPARE(app.files(), args);
    QCOMPARE(app.mainWindow().sourceCount(), static_cast<int>(args.size()));
}

void SourceListTest::headerClickSelectsNoRows()
{
    AppHarness app;
    QStringList args;
    for (int i = 1; i <= 4; ++i)
        args << app.writeFigure(QString::number(i) + QStringLiteral(".jws"));
    app.start(args);
    QTableView *list = app.list();
    list->setCurrentIndex(list->model()->index(2, 0));
    for (int section = 0; section < 2; ++section) {
        QHeaderView *header = list->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(section) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    QVERIFY(list->selectionModel()->selectedRows().size() <= 1);
    // 削除 then takes the current row only.
    app.click("removeButton");
    QCOMPARE(app.mainWindow().sourceCount(), 3);
}

void SourceListTest::removalMovesThePreviewAndUndoes()
{
    AppHarness app;
    QStringList args;
    for (int i = 1; i <= 5; ++i)
        args << app.writeFigure(QString::number(i) + QStringLiteral(".jws"));
    app.start(args);
    QTableView *list = app.list();
    auto *preview = app.mainWindow().findChild<PreviewWindow *>(QStringLiteral("PreviewWindow"));
    QVERIFY(preview);
    // A renamed row comes back with its name.
    list->model()->setData(list->model()->index(2, 1), QStringLiteral("三"));
    list->setFocus();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
    QCOMPARE(preview->file(), args[1]);
    auto undoKey = [&](Qt::Key key) {
        app.mainWindow().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&app.mainWindow()));
        QTest::keyClick(&app.mainWindow(), key, Qt::ControlModifier);
    };

    struct Step {
        const char *what;
        std::function<void()> act;
        QStringList files;
        int current;
        QString previewed;
    };
    const QStringList all = args;
    const Step steps[] = {
        {"rows 2-3 removed", [&] { selectRows(list, 1, 2), app.click("removeButton"); },
         QStringList{args[0], args[3], args[4]}, 1, args[3]},
        {"Ctrl+Z", [&] { undoKey(Qt::Key_Z); }, all, 1, args[1]},
        {"Ctrl+Y", [&] { undoKey(Qt::Key_Y); }, QStringList{args[0], args[3], args[4]}, 1, args[3]},
        {"everything removed",
         [&] {
             selectRows(list, 0, 2);
             app.click("removeButton");
         },
         QStringList{}, 0, QString()},
        {"Ctrl+Z", [&] { undoKey(Qt::Key_Z); }, QStringList{args[0], args[3], args[4]}, 0, args[0]},
        {"Ctrl+Z again", [&] { undoKey(Qt::Key_Z); }, all, 1, args[1]},
    };
    for (const Step &step : steps) {
        step.act();
        QVERIFY2(app.files() == step.files, step.what);
        QVERIFY2(list->currentIndex().row() == step.current, step.what);
        QVERIFY2(preview->file() == step.previewed, step.what);
        QVERIFY2(!step.previewed.isEmpty() || !preview->sourceCanvas()->figure(), step.what);
    }
    QCOMPARE(app.names().value(2), QStringLiteral("三"));
}

void SourceListTest::modelRows_data()
{
    // Files are letters; rows are 0-based.
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QList<int>>("removed");
    QTest::addColumn<QString>("relisted"); // listed again while the rows are out
    QTest::addColumn<QString>("afterRemoval");
    QTest::addColumn<QString>("afterUndo");

    QTest::newRow("scattered rows") << QStringLiteral("abcdef") << QList<int>{1, 3, 4} << QString()
                                    << QStringLiteral("acf") << QStringLiteral("abcdef");
    QTest::newRow("every row") << QStringLiteral("abc") << QList<int>{2, 0, 1} << QString()
                               << QString() << QStringLiteral("abc");
    QTest::newRow("twice and out of range")
        << QStringLiteral("abcd") << QList<int>{3, 3, 9, -1} << QString() << QStringLiteral("abc")
        << QStringLiteral("abcd");
    QTest::newRow("duplicates are not listed")
        << QStringLiteral("abcaab") << QList<int>{} << QString() << QStringLiteral("abc")
        << QStringLiteral("abc");
    QTest::newRow("a file listed again stays where it is now")
        << QStringLiteral("abcd") << QList<int>{0, 2} << QStringLiteral("ae")
        << QStringLiteral("bdae") << QStringLiteral("bcdae");
    QTest::newRow("then the rest")
        << QStringLiteral("abcd") << QList<int>{1, 2} << QStringLiteral("x")
        << QStringLiteral("adx") << QStringLiteral("abcdx");
}

void SourceListTest::modelRows()
{
    QFETCH(QString, listed);
    QFETCH(QList<int>, removed);
    QFETCH(QString, relisted);
    QFETCH(QString, afterRemoval);
    QFETCH(QString, afterUndo);

    SourceListModel model;
    auto add = [&](const QString &files) {
        std::vector<SourceEntry> entries;
        for (QChar c : files)
            entries.push_back({QString(c), QString(c).toUpper(), {}, {}});
        model.append(entries);
    };
    // The files in order, each with its own name and found at its row.
    auto rows = [&] {
        QString out;
        for (int r = 0; r < model.count(); ++r) {
            const SourceEntry &e = model.entry(r);
            const bool whole = e.name == e.file.toUpper() && model.rowOf(e.file) == r;
            out += whole ? e.file : QStringLiteral("?");
        }
        return out;
    };
    add(listed);
    QUndoStack stack;
    stack.push(new RemoveRowsCommand(model, std::vector<int>(removed.begin(), removed.end()), {}));
    add(relisted);
    QCOMPARE(rows(), afterRemoval);
    QCOMPARE(model.rowCount(), std::max(model.count(), 1));
    stack.undo();
    QCOMPARE(rows(), afterUndo);
    stack.redo();
    QCOMPARE(rows(), afterRemoval);

    // A library's worth of rows goes out and comes back in order.
    SourceListModel large;
    std::vector<SourceEntry> entries;
    entries.reserve(20000);
    for (int i = 0; i < 20000; ++i)
        entries.push_back({QString::number(i), QString::number(i), {}, {}});
    QCOMPARE(large.append(entries), 20000);
    std::vector<int> most;
    for (int i = 0; i < 20000; ++i)
        if (i % 1000 != 7)
            most.push_back(i);
    const auto out = large.removeRowList(most);
    QCOMPARE(large.count(), 20);
    large.restore(out);
    for (int i = 0; i < 20000; i += 997)
        QCOMPARE(large.entry(i).file, QString::number(i));
    QCOMPARE(large.count(), 20000);
}

void SourceListTest::longNameShowsItsBeginning()
{
    AppHarness app;
    app.start({app.writeFigure(QStringLiteral("a.jws"))});
    QTableView *list = app.list();
    const QModelIndex name = list->model()->index(0, 1);
    const QString tail(300, QLatin1Char('x'));
    // The cell of a name that begins with a mark differs from one without it: its
    // beginning is what shows.
    auto cellWith = [&](const QString &text) {
        list->model()->setData(name, text);
        return list->viewport()->grab(list->visualRect(name)).toImage();
    };
    QVERIFY(cellWith(QStringLiteral("扉") + tail) != cellWith(QStringLiteral("x") + tail));
    // A long path shows its end, where the file's name is.
    QCOMPARE(list->model()->index(0, 0).data(Qt::ToolTipRole).toString(), app.files().front());
}

void SourceListTest::columnsFollowTheWidth()
{
    AppHarness app;
    app.start();
    QTableView *list = app.list();
    QVERIFY(QTest::qWaitForWindowExposed(&app.mainWindow()));
    // The user moves the line between the columns, then widens the window.
    list->setColumnWidth(0, 120);
    const int before = list->viewport()->width();
    QCOMPARE(list->columnWidth(0) + list->columnWidth(1), before);
    const double share = 120.0 / before;
    app.mainWindow().resize(app.mainWindow().width() + 200, app.mainWindow().height());
    QTRY_VERIFY(list->viewport()->width() > before);
    const int after = list->viewport()->width();
    QCOMPARE(list->columnWidth(0) + list->columnWidth(1), after);
    QVERIFY(std::abs(list->columnWidth(0) - share * after) <= 1);
}

namespace {

// A parts library: figure files at three depths, other files, a hidden folder.
QStringList writeLibrary(AppHarness &app)
{
    for (const char *other : {"lib/部品/立面/notes.txt", "lib/部品/平面/readme.md"})
        make(app, QString::fromUtf8(other), Kind::File);
    make(app, QStringLiteral("lib/部品/.hidden/x.jws"), Kind::File);
    QStringList files;
    for (const char *f : {"lib/部品/a.jws", "lib/部品/平面/机.jws", "lib/部品/平面/椅子.JWS"}) {
        make(app, QString::fromUtf8(f), Kind::File);
        files << app.path(QString::fromUtf8(f));
    }
    return files;
}

} // namespace

void SourceListTest::folders_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("oneListed"); // a.jws is listed before the folder is added
    QTest::addColumn<QString>("status");
    const QString others = QStringLiteral("。図形ファイルでない2件は追加していません");
    QTest::newRow("フォルダ追加…")
        << QStringLiteral("button") << false << QStringLiteral("部品を3件追加しました") + others;
    QTest::newRow("dropped") << QStringLiteral("drop") << false
                             << QStringLiteral("部品を3件追加しました") + others;
    QTest::newRow("dropped with a file already listed")
        << QStringLiteral("drop") << true
        << QStringLiteral("部品を2件追加しました（一覧にある1件を除く）") + others;
    QTest::newRow("command line") << QStringLiteral("arguments") << false
                                  << QStringLiteral("部品を3件追加しました") + others;
    QTest::newRow("Escape held") << QStringLiteral("escape") << false
                                 << QStringLiteral("フォルダの追加を中止しました(ESC)");
}

void SourceListTest::folders()
{
    QFETCH(QString, how);
    QFETCH(bool, oneListed);
    QFETCH(QString, status);

    AppHarness app;
    const QStringList files = writeLibrary(app);
    const QString folder = app.path(QStringLiteral("lib/部品"));
    QStringList arguments;
    if (how == QStringLiteral("arguments"))
        arguments << folder;
    if (oneListed)
        arguments << files.front();
    app.start(arguments);
    if (how == QStringLiteral("button") || how == QStringLiteral("escape")) {
        app.dialogs.folder = folder;
        if (how == QStringLiteral("escape"))
            QTest::keyPress(&app.mainWindow(), Qt::Key_Escape);
        app.click("addFolderButton");
        QTest::keyRelease(&app.mainWindow(), Qt::Key_Escape);
        QCOMPARE(app.dialogs.folderCaptions,
                 QStringList{QStringLiteral("変換するフォルダを指定して下さい")});
        QCOMPARE(app.dialogs.folderStarts, QStringList{app.documents()});
    } else if (how == QStringLiteral("drop")) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(folder)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&app.mainWindow(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&app.mainWindow(), &drop);
        QTRY_VERIFY(app.mainWindow().statusText().contains(QStringLiteral("図形ファイルでない")));
    }

    QCOMPARE(app.mainWindow().statusText(), status);
    if (how == QStringLiteral("escape")) {
        QCOMPARE(app.mainWindow().sourceCount(), 0);
        return;
    }
    // In the walk's order, each file once; a file listed by itself keeps its row.
    QCOMPARE(app.files(), files);
    QCOMPARE(app.names(),
             (QStringList{QStringLiteral("a"), QStringLiteral("机"), QStringLiteral("椅子")}));
    // The rows show the path from the folder added.
    QAbstractItemModel *model = app.list()->model();
    QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("部品/平面/机.jws"));
    QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("部品/平面/椅子.JWS"));
    QCOMPARE(model->index(0, 0).data().toString(),
             oneListed ? files[0] : QStringLiteral("部品/a.jws"));
    QCOMPARE(model->index(1, 0).data(Qt::ToolTipRole).toString(), files[1]);
    // The window is usable again.
    QVERIFY(app.widget<QPushButton>("convertButton")->isEnabled());
    QVERIFY(!app.widget<QPushButton>("stopButton")->isVisible());
}

void SourceListTest::folderOutputsMirrorTheTree()
{
    AppHarness app;
    const QStringList files = writeLibrary(app);
    app.start({app.path(QStringLiteral("lib/部品"))});
    const QString out = app.path(QStringLiteral("出力/"));
    std::filesystem::create_directory(out.toStdString());
    QTest::mouseClick(app.widget<QRadioButton>("toFixedFolder"), Qt::LeftButton);
    app.widget<QLineEdit>("fixedFolder")->setText(out);
    app.click("convertButton");
    for (const char *output : {"部品/a.jws", "部品/平面/机.jws", "部品/平面/椅子.jws"})
        QVERIFY2(std::filesystem::is_regular_file((out + QString::fromUtf8(output)).toStdString()),
                 output);
    QCOMPARE(app.mainWindow().statusText(), QStringLiteral("変換終了：変換完了 3件、変換失敗 0件"));
    // Beside their sources, the tree does not matter.
    QTest::mouseClick(app.widget<QRadioButton>("besideSources"), Qt::LeftButton);
    app.click("convertButton");
    QVERIFY(std::filesystem::is_regular_file(
        app.path(QStringLiteral("lib/部品/平面/机~1.jws")).toStdString()));
}

QTEST_MAIN(SourceListTest)
#include "sourcelist_test.moc"
