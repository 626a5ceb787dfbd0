// Where the desktop program keeps its settings file and its work folder.
#pragma once

#include <string>

namespace pravelot {

// The program's folders, fixed at start-up. Beside the executable when its folder can be
// written (a build tree, a portable copy, the unpacked zip on Windows); an installed
// program cannot write beside itself, so there the settings file, under the same name,
// lives in the user's configuration folder and the work folder in the user's cache
// folder (on Windows: the roaming and the local application-data folder).
class AppFolders {
public:
    // The folder of the executable, with trailing separator.
    std::u16string AppFolder;
    // "TEMP" with trailing separator, beside the executable or in the cache folder.
    std::u16string WorkFolder;
    // The executable's name with the extension ".dat", beside it or in the configuration
    // folder.
    std::u16string settingsPath;
    // Both lie beside the executable.
    bool besideProgram = true;

    // The folders for the executable at exePath. installedBinFolder is the folder that
    // installing puts the program in: a program there counts as installed even when the
    // folder can be written (as by root). configFolder and cacheFolder are the user's.
    static AppFolders resolve(const std::u16string &exePath,
                              const std::u16string &installedBinFolder,
                              const std::u16string &configFolder,
                              const std::u16string &cacheFolder);

    // The folders of the running program. Needs the application name to be set.
    static AppFolders forThisProgram();

    // The running executable's full path.
    static std::u16string executablePath();
};

} // namespace pravelot
