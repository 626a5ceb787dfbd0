// pravelot: the desktop program. Every argument is a figure file to list.
#include "app/appfolders.h"
#include "app/appinfo.h"
#include "app/checkwindow.h"
#include "app/mainwindow.h"
#include "app/qtdialogs.h"
#include "app/qtjapanese.h"
#include "core/console.h"
#include "core/language.h"
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

// Where the settings file and the work folder lie, and why.
const char *foldersReason(const pravelot::AppFolders &f, bool japanese)
{
    if (f.besideProgram)
        return japanese
                   ? "どちらもプログラムと同じフォルダにあります(そのフォルダに書き込めるため)。\n"
                   : "Both lie beside the program, as its folder can be written.\n";
#ifdef _WIN32
    return japanese ? "プログラムのフォルダには書き込まないため(インストールしたプログラム、\n"
                      "または書き込めないフォルダ)、設定ファイルはユーザーの AppData\\Roaming、\n"
                      "作業フォルダはユーザーの AppData\\Local に置きます。\n"
                    : "The program's folder is not written to (an installed program, or a folder\n"
                      "that cannot be written), so the settings file lies in the user's roaming\n"
                      "and the work folder in the user's local application-data folder.\n";
#else
    return japanese ? "プログラムのフォルダには書き込まないため(インストールしたプログラム)、\n"
                      "設定ファイルはユーザーの設定フォルダ、作業フォルダはユーザーのキャッシュ\n"
                      "フォルダに置きます。\n"
                    : "The program's folder is not written to (an installed program), so\n"
                      "the settings file lies in the user's configuration folder and the\n"
                      "work folder in the user's cache folder.\n";
#endif
}

// The help's texts in one language; the folders and the reason go between them.
struct HelpTexts {
    const char *head;
    const char *settingsFile;
    const char *workFolder;
    const char *tail;
};

constexpr HelpTexts kJapaneseHelp = {
    "使い方: pravelot [ファイル...]\n"
    "\n"
    "Pravelot のデスクトップ版です。Jw_cad の図形ファイル(.jws, .jwk)ごとに、\n"
    "その内容全体を名前を付けた1つのブロックにまとめ、新しい .jws ファイルに\n"
    "書き出します。ファイルやフォルダを与えると変換する一覧に加えます。\n"
    "ウィンドウにドロップしたり、追加ボタンで選んだりもできます。-- の後は\n"
    "'-' で始まっていてもファイルとして扱います。\n"
    "\n"
    "  -h, --help     この説明と、設定ファイル・作業フォルダの場所を表示\n"
    "      --version  バージョンを表示\n"
    "\n",
    "設定ファイル: ", "\n作業フォルダ: ",
    "\nウィンドウを開かずに同じ変換をするには: pravelot-cli --help\n"};

constexpr HelpTexts kEnglishHelp = {
    "Usage: pravelot [FILE...]\n"
    "\n"
    "The desktop program of Pravelot: gathers the whole content of Jw_cad figure\n"
    "files (.jws, .jwk) into one named block each and writes them as new .jws\n"
    "files. Each FILE (or every part below a folder) is added to the list of\n"
    "files to convert; files can also be dropped on the window or chosen with its\n"
    "add button. Arguments after -- are files even when they begin with '-'.\n"
    "\n"
    "  -h, --help     show this help and where the program keeps its files\n"
    "      --version  show the version\n"
    "\n",
    "Settings file: ", "\nWork folder:   ",
    "\nThe same conversion without a window: pravelot-cli --help\n"};

// The help, in the user's language as pravelot-cli gives its own.
void printHelp(const pravelot::AppFolders &f)
{
    using pravelot::toUtf8;
    const bool japanese =
        pravelot::userLanguageFromEnvironment() == pravelot::UserLanguage::Japanese;
    const HelpTexts &t = japanese ? kJapaneseHelp : kEnglishHelp;
    std::cout << t.head << t.settingsFile << toUtf8(f.settingsPath) << t.workFolder
              << toUtf8(f.WorkFolder) << "\n"
              << foldersReason(f, japanese) << t.tail;
}

#ifdef _WIN32
// A program with a window has no console of its own: --help and --version write to the
// console they were typed in, as wide characters (see useConsoleForText). Output into a
// file or a pipe goes there unchanged, in UTF-8.
void attachHelpConsole()
{
    if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_UNKNOWN &&
        AttachConsole(ATTACH_PARENT_PROCESS) && std::freopen("CONOUT$", "w", stdout)) {
        SetStdHandle(STD_OUTPUT_HANDLE,
                     CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
        std::cout.clear();
    }
    pravelot::useConsoleForText();
}
#else
void attachHelpConsole() {}
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
            attachHelpConsole();
            printHelp(pravelot::AppFolders::forThisProgram());
            return 0;
        }
        if (a == "--version") {
            attachHelpConsole();
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
