// The two windows of the desktop program over a fresh folder, with dialogs answered by
// the test, and small figure files written for it.
#pragma once

#include "app/appfolders.h"
#include "app/checkwindow.h"
#include "app/mainwindow.h"
#include "fakedialogs.h"
#include "support/tempdir.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include <memory>
#include <string>

namespace pravelot::test {

class AppHarness {
public:
    // The program lies in <tmp>/prog, so that its settings file and work folder lie there.
    AppHarness();
    ~AppHarness();

    // Creates both windows as the program does (the main window reads the settings file)
    // and shows the main window, which lists the arguments. Windows of an earlier start
    // are closed (the settings file is written) and destroyed first, as by a restart.
    void start(const QStringList &arguments = {});
    // Closes the main window as the user does.
    void close();

    MainWindow &mainWindow() { return *m_mainWindow; }
    CheckWindow &checkWindow() { return *m_checkWindow; }
    // A widget of the main window (not of the data-check window it owns) by name.
    template <class T> T *widget(const char *name)
    {
        for (T *w : m_mainWindow->findChildren<T *>(QString::fromLatin1(name)))
            if (w->window() == m_mainWindow.get())
                return w;
        qFatal("no widget %s", name);
    }
    void click(const char *button)
    {
        QTest::mouseClick(widget<QPushButton>(button), Qt::LeftButton);
    }
    QStringList log();
    // The listed files (full paths) and their block names, top to bottom.
    QStringList files();
    QStringList names();
    // The source list's table.
    QTableView *list();

    // A path in the test's folder, and the folder itself with trailing separator.
    QString path(const QString &name) const;
    QString folder() const;
    // The user's documents folder while the harness lives, with trailing separator.
    QString documents() const;

    enum class Figure {
        Good,      // a small valid .jws file
        Truncated, // its header is fine, its data stops short
        Invalid,   // not a figure file at all
    };
    // Writes a figure file at path(name); blockDef names a block definition in it.
    QString writeFigure(const QString &name, Figure kind = Figure::Good,
                        const std::u16string &blockDef = {});

    FakeDialogs dialogs;
    TempDir tmp;
    AppFolders folders;
    bool closedSignal = false;

private:
    bool m_hadConfigHome = false;
    QByteArray m_configHome;
    std::unique_ptr<MainWindow> m_mainWindow;
    CheckWindow *m_checkWindow = nullptr; // owned by m_mainWindow
};

} // namespace pravelot::test
