#include "app/appfolders.h"

#include "app/appinfo.h"
#include "core/file.h"
#include "core/path.h"
#include "core/text.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <filesystem>
#include <optional>
#include <system_error>

#ifdef _WIN32
#include "core/widepath.h"

#include <windows.h>
#else
#include <unistd.h>
#endif

#ifndef PRAVELOT_INSTALL_BINDIR
#define PRAVELOT_INSTALL_BINDIR "/usr/local/bin"
#endif

namespace pravelot {

namespace {

bool folderWritable(const std::u16string &folder)
{
    if (!folderExistsSafe(folder))
        return false;
#ifdef _WIN32
    // Only trying tells: the folder's access rights (Program Files) are not in its
    // attributes. The file goes again when its handle closes.
    const std::wstring probe =
        widePath(folder + u".pravelot-probe-" + fromUtf8(std::to_string(GetCurrentProcessId())));
    const HANDLE h = CreateFileW(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
#else
    return ::access(nativePath(folder).c_str(), W_OK) == 0;
#endif
}

// The two names reach one folder: compared by the file system's identity, so that
// another drive letter for it (Wine's Z:), another letter case or a link cannot tell
// them apart.
bool sameFolder(const std::u16string &a, const std::u16string &b)
{
    if (a.empty() || b.empty())
        return false;
    const std::optional<FileIdentity> ia = fileIdentityOf(a), ib = fileIdentityOf(b);
    return ia && ib && ia->dev == ib->dev && ia->ino == ib->ino;
}

// A folder of the user's from Qt, with the system's separators.
std::u16string userFolder(QStandardPaths::StandardLocation location)
{
    return us(QDir::toNativeSeparators(QStandardPaths::writableLocation(location)));
}

} // namespace

AppFolders AppFolders::resolve(const std::u16string &exePath,
                               const std::u16string &installedBinFolder,
                               const std::u16string &configFolder,
                               const std::u16string &cacheFolder)
{
    AppFolders f;
    f.AppFolder = folderOf(exePath);
    const std::u16string settingsName = FileNameOf(ChangeExtSafe(exePath, u".dat"));
    f.besideProgram = folderWritable(f.AppFolder) && !sameFolder(f.AppFolder, installedBinFolder);
    if (f.besideProgram) {
        f.WorkFolder = f.AppFolder + u"TEMP" + kPathDelim;
        f.settingsPath = f.AppFolder + settingsName;
    } else {
        f.WorkFolder = AddPathDelim(cacheFolder) + u"TEMP" + kPathDelim;
        f.settingsPath = AddPathDelim(configFolder) + settingsName;
    }
    return f;
}

std::u16string AppFolders::executablePath()
{
#ifdef _WIN32
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            break;
        if (n < path.size()) {
            path.resize(n);
            return fromWide(path);
        }
        path.resize(path.size() * 2); // cut off: try a larger buffer
    }
#else
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec)
        return fromUtf8(self.string());
#endif
    return us(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
}

AppFolders AppFolders::forThisProgram()
{
#ifdef _WIN32
    // A program unpacked from its zip lives wherever the user put it; a folder it cannot
    // write in (Program Files) or the installer's folder sends its files to the user's
    // application data: the settings to the roaming folder, the work folder to the local
    // one. Uninstalling then leaves nothing in the installer's folder.
    const std::u16string installed = AddPathDelim(userFolder(QStandardPaths::GenericDataLocation)) +
                                     u"Programs" + kPathDelim + u"Pravelot" + kPathDelim;
    return resolve(executablePath(), installed, userFolder(QStandardPaths::AppDataLocation),
                   userFolder(QStandardPaths::AppLocalDataLocation));
#else
    return resolve(executablePath(), fromUtf8(PRAVELOT_INSTALL_BINDIR),
                   userFolder(QStandardPaths::AppConfigLocation),
                   userFolder(QStandardPaths::CacheLocation));
#endif
}

} // namespace pravelot
