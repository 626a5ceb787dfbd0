#include "app/sourceintake.h"

#include "app/appinfo.h"
#include "convert/sourcetree.h"
#include "core/path.h"

#include <QDir>

namespace pravelot {

namespace {

bool isFigureFile(const std::u16string &path)
{
    const std::u16string ext = FileExtLower(path);
    return ext == u".jwk" || ext == u".jws";
}

QString proposedName(const std::u16string &path)
{
    return qs(ChangeExtSafe(FileNameOf(path), u""));
}

void collectFolder(const QString &folder, const std::function<bool()> &stop, SourceIntake &out)
{
    // Absolute and clean, so that a file found here is the same row as the file given
    // by itself.
    const QString root = QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
    const SourceTree tree = findSources(us(root), stop);
    out.stopped = out.stopped || tree.stopped;
    out.passedOver += static_cast<int>(tree.otherFiles);
    out.unreadableFolders += static_cast<int>(tree.unreadable.size());
    for (const FoundSource &found : tree.sources) {
        // A pipe or device named like a figure file is no source.
        if (!regularFileExistsSafe(found.path)) {
            ++out.passedOver;
            continue;
        }
        const QString sub = qs(found.folder);
        out.entries.push_back(
            {qs(found.path), proposedName(found.path), sub + qs(FileNameOf(found.path)), sub});
    }
}

} // namespace

SourceIntake collectSources(const QStringList &paths, const std::function<bool()> &stop)
{
    SourceIntake out;
    for (const QString &p : paths) {
        if (p.isEmpty())
            continue;
        const std::u16string path = us(p);
        if (folderExistsSafe(path)) {
            collectFolder(p, stop, out);
            if (out.stopped)
                break;
            continue;
        }
        // Only a regular file is a source: a pipe or device with a figure file's
        // extension is refused here.
        if (!isFigureFile(path) || !regularFileExistsSafe(path)) {
            ++out.passedOver;
            continue;
        }
        out.entries.push_back({p, proposedName(path), {}, {}});
    }
    return out;
}

QString intakeStatus(const SourceIntake &intake, int added)
{
    QString text = QStringLiteral("部品を%1件追加しました").arg(added);
    const int listed = static_cast<int>(intake.entries.size()) - added;
    if (listed > 0)
        text += QStringLiteral("（一覧にある%1件を除く）").arg(listed);
    if (intake.passedOver > 0)
        text += QStringLiteral("。図形ファイルでない%1件は追加していません").arg(intake.passedOver);
    if (intake.unreadableFolders > 0)
        text += QStringLiteral("。読めないフォルダが%1件あります").arg(intake.unreadableFolders);
    return text;
}

} // namespace pravelot
