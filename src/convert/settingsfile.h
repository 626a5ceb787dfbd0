// The settings file of the desktop program: 21 lines, CR LF, carrying window geometry
// and the user's choices from one start to the next.
#pragma once

#include "core/text.h"

#include <cstdint>
#include <span>
#include <string>

namespace pravelot {

// The values of the settings file, in the order of its lines. A default-constructed
// value holds the defaults of a first start, except LabelPreFolder, which defaults to
// the program folder and is set by OpenDatFile.
struct SettingsFile {
    // Lines 1–4: main window left, top, width, height (outer size, pixels).
    std::int32_t Fm1x = 50;
    std::int32_t Fm1y = 50;
    std::int32_t Fm1w = 480;
    std::int32_t Fm1h = 480;
    // Lines 5–9: which destination option is selected, 1 … 5 for RadioButtonFl1 …
    // RadioButtonFl5; 0 when none is (a short or damaged file).
    int Destination = 1;
    // Lines 10–12, folder texts: the fixed destination folder, the last source folder
    // of the add dialog, the last folder chosen in ask-each-time mode.
    std::u16string EditFl1;
    std::u16string Label1;
    std::u16string LabelPreFolder;
    // Line 13: filter entry of the add dialog, 1-based.
    std::int32_t Fidx = 1;
    // Line 14: the visual style to apply at start-up, as it stands.
    std::u16string gstyle = u"Windows";
    // Lines 15–16: widths of the grid's two columns; never below kMinColumnWidth.
    std::int32_t ColWidth0 = 256;
    std::int32_t ColWidth1 = 96;
    // Line 17, folder text: the folder of the block-name look-up dialog.
    std::u16string LookupFolder;
    // Lines 18–21: data-check window left, top, width, height.
    std::int32_t Fm2x = 50;
    std::int32_t Fm2y = 50;
    std::int32_t Fm2w = 320;
    std::int32_t Fm2h = 240;

    bool operator==(const SettingsFile &) const = default;
};

inline constexpr int kSettingsLines = 21;
inline constexpr std::int32_t kMinColumnWidth = 32;
// A settings file is a few hundred bytes; reading stops here, so that a huge file at the
// settings path cannot exhaust memory. Lines beyond it read as missing.
inline constexpr std::size_t kMaxSettingsBytes = 1 << 20;

// The defaults, then the values of the file at path when one can be read. Never fails: a
// missing, unreadable or damaged file leaves the defaults in the lines it does not carry.
// appFolder is the default of LabelPreFolder.
SettingsFile OpenDatFile(const std::u16string &path, const std::u16string &appFolder);

// The same over the bytes of a settings file.
SettingsFile parseDatFile(std::span<const std::uint8_t> bytes, const std::u16string &appFolder);

// Writes the 21 lines to path, replacing the file there only once the new one is
// complete. False when it could not be written; the previous file is then left as it was.
bool SaveDatFile(const std::u16string &path, const SettingsFile &settings);

// The bytes SaveDatFile writes.
Bytes datFileBytes(const SettingsFile &settings);

// A text as folder text: its UTF-8 bytes as pairs of upper-case hexadecimal digits.
std::string encodeFolderText(std::u16string_view text);
// Folder text back to text: pairs of hexadecimal digits of either case; a pair that is
// not hexadecimal reads as a zero byte, and the text ends at the first zero byte. A
// last lone digit is ignored; invalid UTF-8 becomes U+FFFD.
std::u16string decodeFolderText(std::string_view line);

} // namespace pravelot
