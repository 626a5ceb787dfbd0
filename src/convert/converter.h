// The single-file conversion: one source figure file in, one new blocked .jws file out.
#pragma once

#include "convert/conversionfailure.h"
#include "core/file.h"
#include "jwk/jwkdata.h"
#include "jwk/jwtrans.h"
#include "jws/jwsdata.h"
#include "jws/jwsreader.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace pravelot {

inline constexpr std::u16string_view kResultDone = u"変換完了";
inline constexpr std::u16string_view kResultFailed = u"変換失敗";

// The conversion's fixed translation settings: 6 decimals, half away from zero,
// vanishing entities dropped, straightening tolerance 0.000001 + 1e-12.
void setJwkConversionSettings(TJwTrans &trans);
// Measures a loaded .jwk document and sets the translator to the conversion's fixed
// settings, from jwk into jws.
void prepareJwk(TJwTrans &trans, TJwkData &jwk, TJwsData &jws);
// prepareJwk, then the translation into jws.
void translateJwk(TJwTrans &trans, TJwkData &jwk, TJwsData &jws);

// The user's part of the block name bn as an output stores it and a reader reads it
// back: the marker added, the name cut to what a file's strings hold, control
// characters and the pairs "^m" and backslash-n dropped, and, in a file of code page
// 932 strings (utf16 false), every character the code page lacks turned into "?".
std::u16string storedUserName(std::u16string_view bn, bool utf16);
// Nothing but spaces and ideographic spaces (or nothing at all).
bool blankBlockName(std::u16string_view name);
// A block definition of doc already has the user's part name.
bool blockNameInUse(const TJwsData &doc, std::u16string_view name);

// The findings about a block name, after the file's path (the same words in the check
// and in a failed conversion).
std::u16string blockNameInUseText(std::u16string_view bn);
std::u16string blockNameBlankText(std::u16string_view bn);
std::u16string blockNameChangedText(std::u16string_view bn, std::u16string_view stored);

// What became of one source.
struct ConversionOutcome {
    // The file written, which is the name asked for unless another program took that
    // name first; empty when nothing was written.
    std::u16string output;
    std::optional<ConversionFailure> failure;
    // Not empty when reading stopped early in the source: what was read was converted.
    ReadProblem readProblem;
    bool done() const { return !failure; }
};

// Holds the long-lived documents and the translator that every conversion of a run
// reuses. Converters share nothing: each may run on a thread of its own.
class Converter {
public:
    Converter();

    // Converts src into the new file dst with the block name bn; returns "変換完了" when
    // dst was written, else "変換失敗". Nothing is ever written over an existing file.
    std::u16string RunProc1(const std::u16string &src, const std::u16string &dst,
                            const std::u16string &bn);
    // Converts src into the new file dst.path with the block name bn, taking
    // dst.nextName when another program takes that name first. Nothing is ever written
    // over an existing file, and nothing is written at all on a failure. Running out of
    // memory is a failure of this file only: the documents are emptied for the next.
    ConversionOutcome convert(const std::u16string &src, NewFile dst, const std::u16string &bn);

    // Loads a .jws file into JWS for a check: FileCheck's and FileIn's answers at once.
    JwsReadStatus loadJwsForCheck(const std::u16string &file);
    // Loads a .jwk file into JWK for a check (after its FileCheck) and returns FileIn's
    // result.
    bool loadJwkForCheck(const std::u16string &file);
    // keepForConversion(true) keeps what a check loaded for the conversion that
    // follows, which then reads the file again only if it changed in between;
    // keepForConversion(false) empties the documents.
    void keepForConversion(bool keep);

    // A .jwk source with at least this many records is translated twice instead of
    // being held as a document: once to count what stays, once as it is written. The
    // output is the same; the memory is that of the .jwk alone.
    void setStreamThreshold(std::uint64_t records) { m_streamThreshold = records; }
    // So is one whose texts' strings take this many bytes of the pool in all.
    static constexpr std::uint64_t kStreamStringBytes = std::uint64_t{1} << 23;

    // Where reading stopped in a damaged source is told to this stream, when set.
    void setVerbose(std::ostream *s) { m_verbose = s; }

    TJwsData JWS;
    TJwkData JWK;
    TJwTrans JWT;

private:
    // Reads the .jws file into JWS (which keeps what DataInit keeps); its problem, if any,
    // into problem.
    JwsReadStatus loadJws(const std::u16string &file, ReadProblem &problem);
    bool readJws(const std::u16string &src, bool loaded, ConversionOutcome &outcome);
    bool readJwk(const std::u16string &src, bool loaded, ConversionOutcome &outcome);
    bool writeJwk(NewFile &dst, const std::u16string &bn);
    void convertLoaded(const std::u16string &src, NewFile &dst, const std::u16string &bn,
                       ConversionOutcome &outcome);
    void remember(const std::u16string &file, const std::optional<FileIdentity> &before);
    void tellProblem(const std::u16string &src, const ReadProblem &problem);

    std::ostream *m_verbose = nullptr;
    std::uint64_t m_streamThreshold = 1 << 16;
    // The file a check left loaded in JWS or JWK.
    std::u16string m_loadedPath;
    std::optional<FileIdentity> m_loadedIdentity;
    // What stopped the reading of the .jws file a check left loaded.
    ReadProblem m_loadedProblem;
};

} // namespace pravelot
