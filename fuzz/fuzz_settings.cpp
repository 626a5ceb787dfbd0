// The settings-file reader on arbitrary bytes: what it reads, saved and read again,
// gives the same settings.

#include "convert/settingsfile.h"

#include <cstdlib>

using namespace pravelot;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const SettingsFile s = parseDatFile(std::span(data, size), u"/opt/pravelot/");
    const Bytes saved = datFileBytes(s);
    if (!(parseDatFile(saved, u"/elsewhere/") == s))
        std::abort();
    return 0;
}
