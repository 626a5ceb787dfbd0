// The single-file conversion: one source figure file in, one new blocked .jws file out.
#pragma once

#include "jws/jwsdata.h"

#include <functional>
#include <iosfwd>
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

    // Where reading stopped in a damaged source is told to this stream, when set.
    void setVerbose(std::ostream *s) { m_verbose = s; }

    TJwsData JWS;

private:
    std::ostream *m_verbose = nullptr;
};

} // namespace pravelot
