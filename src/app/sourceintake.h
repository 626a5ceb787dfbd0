// What a drop, the command line or an add dialog brings to the source list: figure files
// as themselves, folders with every figure file below them.
#pragma once

#include "app/sourcelistmodel.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace pravelot {

struct SourceIntake {
    // In the order given; a folder's files in the walk's stable order.
    std::vector<SourceEntry> entries;
    // Files that are no figure files (by their extension, or not a regular file).
    int passedOver = 0;
    // Folders below a folder given that could not be listed.
    int unreadableFolders = 0;
    // stop() answered true during a folder's walk: entries are incomplete.
    bool stopped = false;
};

// Sorts paths into sources. A figure file (.jws or .jwk in any letter case, a regular
// file) comes with its own name as block name and is shown by its whole path. A folder
// brings every figure file below it (hidden folders and links to folders are not
// entered), each shown by its path from the folder given, that folder's name first,
// and to be written below the destination in the same sub-folders. An empty path is
// ignored. stop is asked during a folder's walk, and may be empty.
SourceIntake collectSources(const QStringList &paths, const std::function<bool()> &stop);

// The status bar's account of an intake of which added rows were new to the list.
QString intakeStatus(const SourceIntake &intake, int added);

} // namespace pravelot
