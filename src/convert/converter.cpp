#include "convert/converter.h"

#include "convert/blocking.h"
#include "core/path.h"
#include "jws/jwswriter.h"

#include <algorithm>
#include <ostream>

namespace pravelot {

void setJwkConversionSettings(TJwTrans &trans)
{
    trans.SetKeta(6);
    trans.SetMarume(0);
    trans.SetLenZero(0);
    trans.SetSeido(6);
}

void prepareJwk(TJwTrans &trans, TJwkData &jwk, TJwsData &jws)
{
    jwk.GetMinMaxZahyo();
    setJwkConversionSettings(trans);
    trans.P_JWK = &jwk;
    trans.P_JWS = &jws;
}

void translateJwk(TJwTrans &trans, TJwkData &jwk, TJwsData &jws)
{
    prepareJwk(trans, jwk, jws);
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

bool Converter::writeJwk(NewFile &dst, const std::u16string &bn)
{
    const std::uint64_t records =
        JWK.EntLine.size() + JWK.EntArc.size() + JWK.EntMoji.size() + JWK.EntTen.size();
    const std::int32_t group = JWT.curveNo;
    CountingSink kept;
    // Texts that share pool strings may hold far more than the file: those too are
    // written as they are translated.
    if (records >= m_streamThreshold || JWK.stringBytes() >= kStreamStringBytes) {
        prepareJwk(JWT, JWK, JWS);
        JWT.translate(kept);
        JWT.curveNo = group;
    }
    if (kept.n == 0) {
        translateJwk(JWT, JWK, JWS);
        DataTransJWS(JWS, bn);
        JWS.SetFileOutOption(0);
        return FileOut(JWS, dst, JWS.Enthd.jwVer);
    }
    // The blocked document is made around a placeholder entity, whose place the
    // translated entities then take as they are written.
    JWT.resetJwsDocument();
    JWS.EntLine.emplace_back();
    JWS.EntNo.push_back({kEntLine, 0});
    JWS.Enthd.n1 = 1;
    DataTransJWS(JWS, bn);
    TEntJwwBlockDef &def = JWS.EntBlockDef.back();
    def.members = BlockMembers();
    def.N = static_cast<std::int32_t>(std::min<std::uint64_t>(kept.n, 0x7FFFFFFF));
    JWS.SetFileOutOption(0);
    bool translated = false;
    const MemberProducer produce = [&](EntitySink &sink) {
        JWT.translate(sink);
        translated = true;
    };
    const bool ok = writeJwsFile(JWS, dst, {JWS.Enthd.jwVer, &produce, kept.n});
    // The curve-group counter moves on whether or not the file could be written.
    if (!translated) {
        CountingSink again;
        JWT.translate(again);
    }
    return ok;
}

std::u16string storedUserName(std::u16string_view bn, bool utf16)
{
    const std::u16string written = TextOutClean(storedBlockName(bn));
    const std::u16string read =
        utf16 ? written : TextInClean(AnsiBytesToText(TextToAnsiBytes(written)));
    return userBlockName(read);
}

bool blankBlockName(std::u16string_view name)
{
    return std::all_of(name.begin(), name.end(),
                       [](char16_t c) { return c == u' ' || c == u'\u3000'; });
}

bool blockNameInUse(const TJwsData &doc, std::u16string_view name)
{
    return std::any_of(doc.EntBlockDef.begin(), doc.EntBlockDef.end(),
                       [&](const TEntJwwBlockDef &d) { return userBlockName(d.strName) == name; });
}

std::u16string blockNameInUseText(std::u16string_view bn)
{
    return u" ブロック名【" + std::u16string(bn) + u"】は既に図形ファイル内で使用済です";
}

std::u16string blockNameBlankText(std::u16string_view bn)
{
    return u" ブロック名【" + std::u16string(bn) + u"】は空白のため使えません";
}

std::u16string blockNameChangedText(std::u16string_view bn, std::u16string_view stored)
{
    return u" ブロック名【" + std::u16string(bn) + u"】は【" + std::u16string(stored) +
           u"】として書き込まれます";
}

namespace {

// Why bn cannot name the new block of doc (utf16: how its strings are written), as the
// check says it; nullopt when it can.
std::optional<ConversionFailure> blockNameFailure(const TJwsData *doc, const std::u16string &bn,
                                                  bool utf16)
{
    const std::u16string stored = storedUserName(bn, utf16);
    std::u16string finding;
    if (blankBlockName(stored))
        finding = blockNameBlankText(bn);
    else if (doc && blockNameInUse(*doc, stored))
        finding = blockNameInUseText(bn);
    else
        return std::nullopt;
    return ConversionFailure{ConversionFailure::Step::BlockName, {}, std::move(finding)};
}

} // namespace

Converter::Converter()
{
    JWS.BindImageExp = false;
    JWS.BindImageExr = false;
}

void Converter::tellProblem(const std::u16string &src, const ReadProblem &problem)
{
    if (m_verbose && !problem.empty())
        *m_verbose << toUtf8(src) << ": " << problem.text() << "\n";
}

namespace {

// Why src could not be read: the system's reason, or none when the file opens but is no
// figure file of its kind.
ConversionFailure sourceFailure(const std::u16string &src)
{
    std::error_code error;
    if (InputFile::open(src, error))
        error.clear();
    return {ConversionFailure::Step::Source, error};
}

ConversionFailure::Step stepOf(NewFileStep step)
{
    switch (step) {
    case NewFileStep::Create:
        return ConversionFailure::Step::Create;
    case NewFileStep::Write:
        return ConversionFailure::Step::Write;
    case NewFileStep::Place:
        break;
    }
    return ConversionFailure::Step::Place;
}

} // namespace

bool Converter::readJws(const std::u16string &src, bool loaded, ConversionOutcome &outcome)
{
    if (!loaded) {
        outcome.readProblem = {};
        if (loadJws(src, outcome.readProblem) == JwsReadStatus::NotJws) {
            outcome.failure = sourceFailure(src);
            return false;
        }
    } else {
        outcome.readProblem = m_loadedProblem;
    }
    tellProblem(src, outcome.readProblem);
    return true;
}

bool Converter::readJwk(const std::u16string &src, bool loaded, ConversionOutcome &outcome)
{
    if (!loaded) {
        if (!TJwkData::FileCheck(src)) {
            outcome.failure = sourceFailure(src);
            return false;
        }
        JWK.FileIn(src);
    }
    outcome.readProblem = JWK.problem();
    tellProblem(src, outcome.readProblem);
    return true;
}

void Converter::convertLoaded(const std::u16string &src, NewFile &dst, const std::u16string &bn,
                              ConversionOutcome &outcome)
{
    const std::u16string ext = FileExtLower(src);
    // A check may have left this very file loaded.
    const bool loaded =
        m_loadedIdentity && src == m_loadedPath && fileIdentityOf(src) == m_loadedIdentity;
    if (m_loadedIdentity && !loaded) {
        JWS.DataFree();
        JWK.DataFree();
    }
    m_loadedIdentity.reset();
    bool written = false;
    if (ext == u".jws") {
        if (!readJws(src, loaded, outcome))
            return;
        // The name is checked on what is converted, whatever the check saw: the file may
        // have been replaced since. A figure with nothing to gather does not use it.
        if (!nothingToGather(JWS))
            outcome.failure = blockNameFailure(&JWS, bn, JWS.MojiEncode);
        if (outcome.failure)
            return;
        // The drawing extents are neither written nor shown, so a conversion does not
        // compute them.
        DataTransJWS(JWS, bn);
        JWS.SetFileOutOption(JWS.MojiEncode ? 32 : 0);
        written = FileOut(JWS, dst, JWS.Enthd.jwVer);
    } else if (ext == u".jwk") {
        if (!readJwk(src, loaded, outcome))
            return;
        outcome.failure = blockNameFailure(nullptr, bn, false);
        if (outcome.failure)
            return;
        written = writeJwk(dst, bn);
    } else {
        outcome.failure = sourceFailure(src);
        return;
    }
    if (!written) {
        outcome.failure = ConversionFailure{stepOf(dst.failedStep), dst.error};
        return;
    }
    // The file stands under its name now. Nothing after this may fail (not even for
    // want of memory), or a written file would be reported as failed.
    outcome.output = std::move(dst.path);
}

ConversionOutcome Converter::convert(const std::u16string &src, NewFile dst,
                                     const std::u16string &bn)
{
    ConversionOutcome outcome;
    try {
        convertLoaded(src, dst, bn, outcome);
    } catch (const std::bad_alloc &) {
        // Whatever was read, built or written so far is dropped: a partial drawing is
        // never written as if it were the whole one.
        outcome.output.clear();
        outcome.failure = ConversionFailure{ConversionFailure::Step::Memory,
                                            std::make_error_code(std::errc::not_enough_memory)};
    }
    m_loadedIdentity.reset();
    JWS.DataFree();
    JWK.DataFree();
    return outcome;
}

std::u16string Converter::RunProc1(const std::u16string &src, const std::u16string &dst,
                                   const std::u16string &bn)
{
    const ConversionOutcome outcome = convert(src, NewFile{dst, {}, {}, {}}, bn);
    return std::u16string(outcome.done() ? kResultDone : kResultFailed);
}

void Converter::remember(const std::u16string &file, const std::optional<FileIdentity> &before)
{
    if (before && fileIdentityOf(file) == before) {
        m_loadedPath = file;
        m_loadedIdentity = before;
    }
}

JwsReadStatus Converter::loadJws(const std::u16string &file, ReadProblem &problem)
{
    JwsReading r = readJwsFile(file);
    JWS.adopt(std::move(r.doc));
    problem = std::move(r.problem);
    return r.status;
}

JwsReadStatus Converter::loadJwsForCheck(const std::u16string &file)
{
    m_loadedIdentity.reset();
    const std::optional<FileIdentity> before = fileIdentityOf(file);
    const JwsReadStatus r = loadJws(file, m_loadedProblem);
    if (r != JwsReadStatus::NotJws)
        remember(file, before);
    return r;
}

bool Converter::loadJwkForCheck(const std::u16string &file)
{
    m_loadedIdentity.reset();
    const std::optional<FileIdentity> before = fileIdentityOf(file);
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
