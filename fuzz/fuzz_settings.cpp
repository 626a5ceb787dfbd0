// The settings-file reader on arbitrary bytes: what it reads, saved and read again,
// gives the same settings.

#include "convert/settingsfile.h"

#include <cstdlib>

using namespace pravelot;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const SettingsFile s = ParseDatFile(std::span(data, size), u"/opt/pravelot/");
    const Bytes saved = DatFileBytes(s);
    if (!(ParseDatFile(saved, u"/elsewhere/") == s))
        std::abort();
    return 0;
}
