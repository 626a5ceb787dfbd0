// Image references in texts: a text entity whose string begins with "^@BM" stands for
// a picture, "^@BM" FileName "," Width "," Height "," CropLeft "," CropBottom ","
// CropWidth "," Angle "," Extra1 "," Extra2 "," Extra3, of which the fields after the
// file name may be left off from any point on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pravelot {

inline constexpr std::u16string_view ImageMarker = u"^@BM";

// True when s begins with ImageMarker (at its very first character).
bool isImageText(std::u16string_view s);

struct ImageTextFields {
    // Absolute path, plain name, or "%temp%" and a name inside the bound-image folder.
    std::u16string FileName;
    double Width = 0;  // along x from the text's start point
    double Height = 0; // along y; Width when only the width is given
    double CropLeft = 0;
    double CropBottom = 0;
    double CropWidth = 1;
    double Angle = 0; // degrees
    std::int32_t Extra1 = -1;
    std::int32_t Extra2 = -1;
    std::int32_t Extra3 = -1;
    // At most two fields after the file name: the picture fills the whole rectangle.
    bool Simple = true;
};

// The fields of an image text. Never fails: a string without the marker or without a
// comma gives the defaults, a field that is not a number reads as 0.
ImageTextFields ParseImageText(std::u16string_view s);

} // namespace pravelot
