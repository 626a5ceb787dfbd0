// Qt's own dialogs speak Japanese under an English locale (the test runs with
// LC_ALL=en_US.UTF-8), as the program sets them up.
#include "app/qtdialogs.h"
#include "app/qtjapanese.h"
#include "support/tempdir.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <functional>

using namespace pravelot;
using namespace pravelot::test;

namespace {

// A word of two or more Latin letters that is not one of the names the dialogs may show.
QString englishIn(const QString &text)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    static const QStringList allowed = {QStringLiteral("OK"),     QStringLiteral("KiB"),
                                        QStringLiteral("Jw_cad"), QStringLiteral("jws"),
                                        QStringLiteral("Jw"),     QStringLiteral("cad")};
    for (const QRegularExpressionMatch &m : word.globalMatch(text))
        if (!allowed.contains(m.captured()))
            return m.captured();
    return QString();
}

// Every text a user can read in the dialog: labels, buttons, tool tips, menu entries,
// column headers and the cells of the file list.
QStringList textsOf(QWidget &dialog)
{
    QStringList texts;
    for (const QWidget *w : dialog.findChildren<QWidget *>()) {
        if (!w->isVisible())
            continue;
        texts << w->toolTip();
        if (const auto *label = qobject_cast<const QLabel *>(w))
            texts << label->text();
        if (const auto *button = qobject_cast<const QAbstractButton *>(w))
            texts << button->text();
    }
    for (const QAction *a : dialog.findChildren<QAction *>())
        texts << a->text();
    for (const QTreeView *view : dialog.findChildren<QTreeView *>()) {
        if (!view->isVisible())
            continue;
        const QAbstractItemModel *m = view->model();
        for (int c = 0; c < m->columnCount(view->rootIndex()); ++c) {
            texts << m->headerData(c, Qt::Horizontal).toString();
            for (int r = 0; r < m->rowCount(view->rootIndex()); ++r)
                texts << m->index(r, c, view->rootIndex()).data().toString();
        }
    }
    return texts;
}

// Runs check on the modal dialog that opens next, then closes it with close.
void whenShown(const std::function<void(QWidget &)> &check,
               const std::function<void(QWidget &)> &close)
{
    QTimer::singleShot(0, [=] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog) {
            QFAIL("no dialog");
            return;
        }
        // The file list fills in the background.
        QTest::qWait(500);
        check(*dialog);
        close(*dialog);
    });
}

void reject(QWidget &dialog) { static_cast<QDialog &>(dialog).reject(); }

} // namespace

class QtTextsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fileDialogs();
    void confirmation();

private:
    TempDir m_tmp;
};

void QtTextsTest::initTestCase()
{
    QCOMPARE(QLocale::system().language(), QLocale::English);
    auto *japanese = new QtJapanese(this);
    QVERIFY2(japanese->found(), qPrintable(QtJapanese::searchFolders().join(QLatin1Char(' '))));
    japanese->install();
    std::filesystem::create_directory(m_tmp.path() / "部品");
    writeBytes(m_tmp.file("扉.jws"), {'x'});
}

void QtTextsTest::fileDialogs()
{
    QtDialogs dialogs;
    const QString folder = QString::fromStdU16String(m_tmp.folder());
    QStringList seen;
    auto look = [&](QWidget &dialog) {
        auto *view = dialog.findChild<QTreeView *>();
        // The list in detail view, as the user switches it.
        static_cast<QFileDialog &>(dialog).setViewMode(QFileDialog::Detail);
        QTest::qWait(200);
        QVERIFY(view);
        seen = textsOf(dialog);
    };
    auto checkSeen = [&](const QStringList &expected) {
        for (const QString &t : seen)
            QVERIFY2(englishIn(t).isEmpty(), qPrintable(t));
        for (const QString &e : expected)
            QVERIFY2(seen.contains(e),
                     qPrintable(e + QStringLiteral(" not in ") + seen.join(QLatin1Char('|'))));
    };

    whenShown(look, reject);
    Dialogs::OpenFiles request;
    request.folder = folder;
    request.filters = {{QStringLiteral("全てのファイル(*.*)"), QStringLiteral("*.*")}};
    QVERIFY(!dialogs.openFiles(nullptr, request));
    checkSeen(
        {QStringLiteral("フォルダ"), QStringLiteral("1 バイト"), QStringLiteral("キャンセル")});

    whenShown(look, reject);
    QVERIFY(!dialogs.askFolder(nullptr, QStringLiteral("フォルダを指定"), folder));
    checkSeen({QStringLiteral("フォルダ"), QStringLiteral("キャンセル")});
}

void QtTextsTest::confirmation()
{
    QtDialogs dialogs;
    QStringList buttons;
    whenShown(
        [&](QWidget &box) {
            for (const QAbstractButton *b : box.findChildren<QAbstractButton *>())
                buttons << b->text();
        },
        [](QWidget &box) { static_cast<QMessageBox &>(box).button(QMessageBox::No)->click(); });
    QVERIFY(!dialogs.confirm(nullptr, QStringLiteral("変換を開始します。よろしいですか？")));
    buttons.sort();
    QCOMPARE(buttons, (QStringList{QStringLiteral("いいえ(&N)"), QStringLiteral("はい(&Y)")}));
}

QTEST_MAIN(QtTextsTest)
#include "qttexts_test.moc"
