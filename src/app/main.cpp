// pravelot: the desktop program. Every argument is a figure file to list.
#include "app/appfolders.h"
#include "app/appinfo.h"
#include "app/checkwindow.h"
#include "app/mainwindow.h"
#include "app/qtdialogs.h"
#include "app/qtjapanese.h"
#include "core/termination.h"
#include "core/text.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

void printHelp(const pravelot::AppFolders &f)
{
    using pravelot::toUtf8;
    std::cout << "Usage: pravelot [FILE...]\n"
                 "\n"
                 "The desktop program of Pravelot: gathers the whole content of Jw_cad figure\n"
                 "files (.jws, .jwk) into one named block each and writes them as new .jws files.\n"
                 "Each FILE is added to the list of files to convert; files can also be dropped\n"
                 "on the window or chosen with its add button. Arguments after -- are files even\n"
                 "when they begin with '-'.\n"
                 "\n"
                 "  -h, --help     show this help and where the program keeps its files\n"
                 "      --version  show the version\n"
                 "\n"
                 "Settings file: "
              << toUtf8(f.settingsPath) << "\nWork folder:   " << toUtf8(f.WorkFolder) << "\n"
              << (f.besideProgram
                      ? "Both lie beside the program, as its folder can be written.\n"
#ifdef _WIN32
                      : "The program's folder cannot be written, so the settings file lies\n"
                        "in the user's roaming and the work folder in the user's local\n"
                        "application-data folder.\n")
#else
                      : "The program's folder is not written to (an installed program), so\n"
                        "the settings file lies in the user's configuration folder and the\n"
                        "work folder in the user's cache folder.\n")
#endif
              << "\nThe same conversion without a window: pravelot-cli --help\n";
}

#ifdef _WIN32
// A program with a window has no console of its own: --help and --version write to the
// console they were typed in, in UTF-8 while they do. Output into a file or a pipe goes
// there unchanged.
class HelpConsole {
public:
    HelpConsole()
    {
        if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_UNKNOWN &&
            AttachConsole(ATTACH_PARENT_PROCESS) && std::freopen("CONOUT$", "w", stdout))
            std::cout.clear();
        m_codePage = GetConsoleOutputCP();
        if (m_codePage != 0)
            SetConsoleOutputCP(CP_UTF8);
    }
    ~HelpConsole()
    {
        std::cout.flush();
        if (m_codePage != 0)
            SetConsoleOutputCP(m_codePage);
    }
    HelpConsole(const HelpConsole &) = delete;
    HelpConsole &operator=(const HelpConsole &) = delete;

private:
    UINT m_codePage = 0;
};
#else
struct HelpConsole {};
#endif

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("pravelot"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PRAVELOT_VERSION));
    // Answered before the window system is touched, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--")
            break;
        if (a == "-h" || a == "--help") {
            [[maybe_unused]] const HelpConsole console;
            printHelp(pravelot::AppFolders::forThisProgram());
            return 0;
        }
        if (a == "--version") {
            [[maybe_unused]] const HelpConsole console;
            std::cout << "pravelot " << PRAVELOT_VERSION << "\n";
            return 0;
        }
    }

    // An output being written when the program is told to end is never left behind.
    pravelot::guardWritesAgainstSignals();
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("pravelot"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("pravelot")));
    // Every text of the program is Japanese; so are Qt's own dialogs.
    pravelot::QtJapanese qtTexts;
    qtTexts.install();

    QStringList files;
    bool filesOnly = false;
    for (const QString &a : QCoreApplication::arguments().mid(1)) {
        if (!filesOnly && a == QStringLiteral("--")) {
            filesOnly = true;
            continue;
        }
        // A relative name is listed with the folder it was given in.
        files << (a.isEmpty() ? a : QDir::toNativeSeparators(QFileInfo(a).absoluteFilePath()));
    }

    pravelot::QtDialogs dialogs;
    pravelot::MainWindow mainWindow(pravelot::AppFolders::forThisProgram(), dialogs, files);
    pravelot::CheckWindow checkWindow(&mainWindow);
    mainWindow.setCheckWindow(&checkWindow);
    QObject::connect(&mainWindow, &pravelot::MainWindow::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    mainWindow.show();
    return QApplication::exec();
}
