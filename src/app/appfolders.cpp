#include "app/appfolders.h"

#include "app/appinfo.h"
#include "core/path.h"
#include "core/text.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

#include <unistd.h>

#ifndef PRAVELOT_INSTALL_BINDIR
#define PRAVELOT_INSTALL_BINDIR "/usr/local/bin"
#endif

namespace pravelot {

namespace {

bool folderWritable(const std::u16string &folder)
{
    return FolderExistsSafe(folder) && ::access(NativePath(folder).c_str(), W_OK) == 0;
}

bool sameFolder(const std::u16string &a, const std::u16string &b)
{
    std::error_code ec1;
    std::error_code ec2;
    const auto ca = std::filesystem::weakly_canonical(std::filesystem::path(NativePath(a)), ec1);
    const auto cb = std::filesystem::weakly_canonical(std::filesystem::path(NativePath(b)), ec2);
    return !ec1 && !ec2 && ca.lexically_normal() / "" == cb.lexically_normal() / "";
}

} // namespace

AppFolders AppFolders::resolve(const std::u16string &exePath,
                               const std::u16string &installedBinFolder,
                               const std::u16string &configFolder,
                               const std::u16string &cacheFolder)
{
    AppFolders f;
    f.AppFolder = FolderOf(exePath);
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
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec)
        return FromUtf8(self.string());
    return us(QCoreApplication::applicationFilePath());
}

AppFolders AppFolders::forThisProgram()
{
    return resolve(executablePath(), FromUtf8(PRAVELOT_INSTALL_BINDIR),
                   us(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)),
                   us(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)));
}

} // namespace pravelot
