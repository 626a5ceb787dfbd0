#include "jws/imagetext.h"

#include "core/numeric.h"

namespace pravelot {

bool isImageText(std::u16string_view s) { return s.starts_with(ImageMarker); }

ImageTextFields ParseImageText(std::u16string_view s)
{
    ImageTextFields out;
    if (!isImageText(s))
        return out;
    const std::size_t comma = s.find(u',');
    if (comma == std::u16string_view::npos)
        return out;
    out.FileName = std::u16string(s.substr(ImageMarker.size(), comma - ImageMarker.size()));
    std::u16string_view rest = s.substr(comma + 1);

    // Cuts the next field off rest; false when it was the last one.
    auto next = [&rest](std::u16string_view &field) {
        const std::size_t c = rest.find(u',');
        if (c == std::u16string_view::npos) {
            field = rest;
            return false;
        }
        field = rest.substr(0, c);
        rest = rest.substr(c + 1);
        return true;
    };

    std::u16string_view field;
    if (!next(field)) {
        out.Width = out.Height = TextToFloat(field);
        return out;
    }
    out.Width = TextToFloat(field);
    const bool more = next(field);
    out.Height = TextToFloat(field);
    if (!more)
        return out;
    out.Simple = false;

    double *reals[] = {&out.CropLeft, &out.CropBottom, &out.CropWidth, &out.Angle};
    for (double *r : reals) {
        const bool go = next(field);
        *r = TextToFloat(field);
        if (!go)
            return out;
    }
    std::int32_t *ints[] = {&out.Extra1, &out.Extra2, &out.Extra3};
    for (std::int32_t *v : ints) {
        const bool go = next(field);
        *v = TextToInt(field);
        if (!go)
            break;
    }
    if (out.Extra1 != -1) {
        if (out.Extra2 == -1)
            out.Extra2 = 0;
        if (out.Extra3 == -1)
            out.Extra3 = 0;
    }
    return out;
}

} // namespace pravelot
