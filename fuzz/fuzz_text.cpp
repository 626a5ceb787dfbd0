// The image-text parser and the text-to-number routines on arbitrary texts.

#include "core/numeric.h"
#include "core/text.h"
#include "jws/imagetext.h"

#include <cmath>
#include <cstdlib>

using namespace pravelot;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::u16string s = AnsiBytesToText(std::span(data, size));
    const ImageTextFields f = ParseImageText(u"^@BM" + s);
    (void)f;
    const double x = TextToFloat(s);
    (void)TextToInt(s);
    // A number written out reads back as the same number to 15 significant digits.
    if (std::isfinite(x)) {
        const double y = TextToFloat(FloatToText(x));
        if (std::fabs(y - x) > 1e-14 * std::fabs(x) + 1e-300)
            std::abort();
    }
    (void)TextOutClean(s);
    (void)TextToAnsiBytes(s);
    return 0;
}
