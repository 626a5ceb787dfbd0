// The command line's own texts (help, usage errors, labels, reasons for failures) in the
// user's language: Japanese under a ja_* locale, English otherwise. The texts of the
// conversion itself (check findings, "変換完了", "変換失敗", the status lines) are the
// same in every language and do not pass through here.
#pragma once

#include "core/language.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace pravelot {

// The language of the texts below, for the whole process; English until set.
void setUserLanguage(UserLanguage language);
UserLanguage cliLanguage();

enum class CliText {
    Usage,
    UnknownCommand,       // %1 command
    NeedsValue,           // %1 command, %2 option
    UnknownOption,        // %1 command, %2 option
    OutAndBeside,         // %1 command
    NoFiles,              // %1 command
    Stopped,              // the run log's last line after Ctrl-C
    AnotherName,          // after a block name the file already uses
    FolderNeedsRecursive, // %1 command, %2 folder
    FolderUnreadable,     // %1 command, %2 folder (the system's reason follows)
    NotFollowed,          // %1 command, %2 folder
    OutputsNotTaken,      // %1 command, %2 folder
    OtherFiles,           // %1 command, %2 count, %3 folder
    PassedOver,           // %1 command, %2 files with errors, %3 files checked
    Summary,              // %1 converted, %2 failed, %3 skipped, %4 warned
    FolderNotFound,       // the destination folder is missing (its path on the next line)
    BlankName,            // %1 command
    SourceUnreadable,
    SourceNotFigure,
    NoFreeName,      // %1 output
    CannotCreate,    // %1 folder
    CannotWrite,     // %1 output
    CannotName,      // %1 output
    OutOfMemory,     // converting
    OutOfMemoryRead, // reading for info
    InfoJws,         // %1 version
    InfoJwk,         // %1 scale
    InfoBasePoint,   // %1, %2
    InfoCounts,
    InfoLines,
    InfoArcs,
    InfoPoints,
    InfoTexts,
    InfoDimensions,
    InfoSolids,
    InfoBlockReferences,
    InfoDefinitions, // %1 count
    InfoDefinition,  // %1 name, %2 number, %3 members, %4 InfoReferenced or InfoUnreferenced
    InfoReferenced,
    InfoUnreferenced,
    InfoExtents,          // %1 … %4
    InfoExtentsInstances, // %1 placed blocks measured
    InfoExtentsPoints,    // %1 points measured
    InfoPicture,          // %1 width, %2 height
    RenderOneFile,        // %1 command
    RenderNeeds,          // %1 command
    RenderSize,           // %1 command
    RenderSvgOnly,        // %1 command
    RenderIncomplete,
    RenderTooManyPrimitives, // %1 primitives drawn
    RenderTooDeep,           // %1 placed blocks drawn
    RenderCannotWrite,
    RenderOutOfMemory,
    OutOfMemoryCommand, // %1 command
    CannotWriteStdout,  // %1 command
};

// The text in the current language, %1, %2 … replaced by args in order.
std::string cliText(CliText id, std::initializer_list<std::string_view> args = {});

} // namespace pravelot
