#include "convert/converter.h"

#include "convert/blocking.h"
#include "convert/datacheck.h"
#include "core/path.h"

#include <ostream>

namespace pravelot {

Converter::Converter() { ResetJwwDefaults(); }

std::u16string Converter::RunProc1(const std::u16string &src, const std::u16string &dst,
                                   const std::u16string &bn)
{
    bool written = false;
    const std::u16string ext = FileExtLower(src);
    // A check may have left this very file loaded.
    const bool loaded = m_loadedIdentity && src == m_loadedPath && FileIdentityOf(src) == m_loadedIdentity;
    m_loadedIdentity.reset();
    if (ext == u".jws") {
        if (loaded || TJwsData::FileCheck(src)) {
            if (!loaded && !JWS.FileIn(src) && m_verbose)
                *m_verbose << ToUtf8(src) << ": " << JWS.problem().message << " ("
                           << JWS.problem().where << ")\n";
            DataTransJWS(JWS, bn);
            JWS.SetFileOutOption(JWS.MojiEncode ? 32 : 0);
            written = JWS.FileOut(dst, JWS.Enthd.jwVer);
        }
    }
    JWS.DataFree();
    return std::u16string(written && FileExistsSafe(dst) ? kResultDone : kResultFailed);
}

} // namespace pravelot

namespace pravelot {

bool Converter::loadJwsForCheck(const std::u16string &file)
{
    m_loadedIdentity.reset();
    const std::optional<FileIdentity> before = FileIdentityOf(file);
    const bool complete = JWS.FileIn(file);
    if (before && FileIdentityOf(file) == before) {
        m_loadedPath = file;
        m_loadedIdentity = before;
    }
    return complete;
}

void Converter::keepForConversion(bool keep)
{
    if (!keep) {
        m_loadedIdentity.reset();
        JWS.DataFree();
    }
}

void Converter::checkJwk(const std::u16string &file, const LineSink &line, CheckOutcome &out)
{
    line(file + u" -- ファイルデータ内容が不正です");
    out.error = true;
}

void Converter::listJwk(const std::u16string &, const LineSink &line)
{
    line(u"　ファイルデータ内容が不正です");
}

} // namespace pravelot
