#include "convert/converter.h"

#include "convert/blocking.h"
#include "core/path.h"

#include <ostream>

namespace pravelot {

void PrepareJwk(TJwTrans &trans, TJwkData &jwk, TJwsData &jws)
{
    jwk.GetMinMaxZahyo();
    trans.SetKeta(6);
    trans.SetMarume(0);
    trans.SetLenZero(0);
    trans.SetSeido(6);
    trans.P_JWK = &jwk;
    trans.P_JWS = &jws;
}

void TranslateJwk(TJwTrans &trans, TJwkData &jwk, TJwsData &jws)
{
    PrepareJwk(trans, jwk, jws);
    trans.JWKtoJWSobj();
}

namespace {

struct CountingSink : EntitySink {
    std::uint64_t n = 0;
    void line(const TEntJwwLine &) override { ++n; }
    void arc(const TEntJwwEnko &) override { ++n; }
    void text(TEntJwwMoji &&) override { ++n; }
    void point(const TEntJwwTen &) override { ++n; }
    bool wantsStrings() const override { return false; }
};

} // namespace

bool Converter::writeJwk(const std::u16string &dst, const std::u16string &bn)
{
    const std::uint64_t records =
        JWK.EntLine.size() + JWK.EntArc.size() + JWK.EntMoji.size() + JWK.EntTen.size();
    const std::int32_t group = JWT.curveNo;
    CountingSink kept;
    // Texts that share pool strings may hold far more than the file: those too are
    // written as they are translated.
    if (records >= m_streamThreshold || JWK.stringBytes() >= kStreamStringBytes) {
        PrepareJwk(JWT, JWK, JWS);
        JWT.Translate(kept);
        JWT.curveNo = group;
    }
    if (kept.n == 0) {
        TranslateJwk(JWT, JWK, JWS);
        DataTransJWS(JWS, bn);
        JWS.SetFileOutOption(0);
        return JWS.FileOut(dst, JWS.Enthd.jwVer);
    }
    // The blocked document is made around a placeholder entity, whose place the
    // translated entities then take as they are written.
    JWT.JwsHeader();
    JWS.EntLine.emplace_back();
    JWS.EntNo.push_back({kEntLine, 0});
    JWS.Enthd.n1 = 1;
    DataTransJWS(JWS, bn);
    TEntJwwBlockDef &def = JWS.EntBlockDef.back();
    def.members = BlockMembers();
    def.N = static_cast<std::int32_t>(std::min<std::uint64_t>(kept.n, 0x7FFFFFFF));
    JWS.SetFileOutOption(0);
    bool translated = false;
    const bool ok = JWS.FileOutStreamed(dst, JWS.Enthd.jwVer, kept.n, [&](EntitySink &sink) {
        JWT.Translate(sink);
        translated = true;
    });
    // The curve-group counter moves on whether or not the file could be written.
    if (!translated) {
        CountingSink again;
        JWT.Translate(again);
    }
    return ok;
}

Converter::Converter()
{
    ResetJwcDefaults();
    ResetJwwDefaults();
    JWS.BindImageExp = false;
    JWS.BindImageExr = false;
}

void Converter::tellProblem(const std::u16string &src, const ReadProblem &problem)
{
    if (m_verbose)
        *m_verbose << ToUtf8(src) << ": " << problem.text() << "\n";
}

bool Converter::readJws(const std::u16string &src, bool loaded)
{
    if (loaded)
        return true;
    const TJwsData::LoadResult r = JWS.Load(src);
    if (r == TJwsData::LoadResult::Incomplete)
        tellProblem(src, JWS.problem());
    return r != TJwsData::LoadResult::NotJws;
}

bool Converter::readJwk(const std::u16string &src, bool loaded)
{
    if (loaded)
        return true;
    if (!TJwkData::FileCheck(src))
        return false;
    if (!JWK.FileIn(src))
        tellProblem(src, JWK.problem());
    return true;
}

std::u16string Converter::RunProc1(const std::u16string &src, const std::u16string &dst,
                                   const std::u16string &bn)
{
    bool written = false;
    const std::u16string ext = FileExtLower(src);
    // A check may have left this very file loaded.
    const bool loaded =
        m_loadedIdentity && src == m_loadedPath && FileIdentityOf(src) == m_loadedIdentity;
    if (m_loadedIdentity && !loaded) {
        JWS.DataFree();
        JWK.DataFree();
    }
    m_loadedIdentity.reset();
    if (ext == u".jws") {
        // The drawing extents are neither written nor shown, so a conversion does not
        // compute them.
        if (readJws(src, loaded)) {
            DataTransJWS(JWS, bn);
            JWS.SetFileOutOption(JWS.MojiEncode ? 32 : 0);
            written = JWS.FileOut(dst, JWS.Enthd.jwVer);
        }
    } else if (ext == u".jwk") {
        if (readJwk(src, loaded))
            written = writeJwk(dst, bn);
        JWK.DataFree();
    }
    JWS.DataFree();
    return std::u16string(written && FileExistsSafe(dst) ? kResultDone : kResultFailed);
}

void Converter::remember(const std::u16string &file, const std::optional<FileIdentity> &before)
{
    if (before && FileIdentityOf(file) == before) {
        m_loadedPath = file;
        m_loadedIdentity = before;
    }
}

TJwsData::LoadResult Converter::loadJwsForCheck(const std::u16string &file)
{
    m_loadedIdentity.reset();
    const std::optional<FileIdentity> before = FileIdentityOf(file);
    const TJwsData::LoadResult r = JWS.Load(file);
    if (r != TJwsData::LoadResult::NotJws)
        remember(file, before);
    return r;
}

bool Converter::loadJwkForCheck(const std::u16string &file)
{
    m_loadedIdentity.reset();
    const std::optional<FileIdentity> before = FileIdentityOf(file);
    const bool complete = JWK.FileIn(file);
    remember(file, before);
    return complete;
}

void Converter::keepForConversion(bool keep)
{
    if (!keep) {
        m_loadedIdentity.reset();
        JWS.DataFree();
        JWK.DataFree();
    }
}

} // namespace pravelot
