// The single-file conversion: one source figure file in, one new blocked .jws file out.
#pragma once

#include "core/file.h"
#include "jws/jwsdata.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace pravelot {

inline constexpr std::u16string_view kResultDone = u"変換完了";
inline constexpr std::u16string_view kResultFailed = u"変換失敗";

struct CheckOutcome;

// Holds the long-lived documents that every conversion of a run reuses.
class Converter {
public:
    Converter();

    // Converts src into the new file dst with the block name bn; returns "変換完了" when
    // dst was written, else "変換失敗". Nothing is ever written over an existing file.
    std::u16string RunProc1(const std::u16string &src, const std::u16string &dst,
                            const std::u16string &bn);

    // The check and the listing of a .jwk source.
    using LineSink = std::function<void(const std::u16string &)>;
    void checkJwk(const std::u16string &file, const LineSink &line, CheckOutcome &out);
    void listJwk(const std::u16string &file, const LineSink &line);

    // Loads a .jws file into JWS for a check (FileIn's result). The document may be kept
    // for the conversion that follows (keepForConversion), which then reads the file
    // again only if it changed in between.
    bool loadJwsForCheck(const std::u16string &file);
    void keepForConversion(bool keep);

    // Where reading stopped in a damaged source is told to this stream, when set.
    void setVerbose(std::ostream *s) { m_verbose = s; }

    TJwsData JWS;

private:
    std::ostream *m_verbose = nullptr;
    // The file JWS holds, when a check left it loaded.
    std::u16string m_loadedPath;
    std::optional<FileIdentity> m_loadedIdentity;
};

} // namespace pravelot
