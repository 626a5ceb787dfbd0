// Building JWS documents and files for tests: by hand, at random, and as the set of
// primitives a document draws.
#pragma once

#include "jws/jwsdata.h"
#include "jws/jwsreader.h"
#include "jws/jwswriter.h"
#include "support/drawing.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace pravelot::test {

// Reads bytes as readJws does, into d, which then holds the reading's document (what
// DataInit keeps staying as it was). True when the bytes were read whole; the reading's
// problem goes to *problem when given.
bool readInto(TJwsData &d, std::span<const std::uint8_t> bytes, ReadProblem *problem = nullptr);

// An empty document of version ver, as the reader leaves one: 16 layer groups.
TJwsData emptyDoc(std::int32_t ver);

// Appends a record to the top level (and its order entry); returns its index.
std::int32_t addTop(TJwsData &d, const TEntJwwLine &e);
std::int32_t addTop(TJwsData &d, const TEntJwwEnko &e);
std::int32_t addTop(TJwsData &d, const TEntJwwTen &e);
std::int32_t addTop(TJwsData &d, const TEntJwwMoji &e);
std::int32_t addTop(TJwsData &d, const TEntJwwSunpo &e);
std::int32_t addTop(TJwsData &d, const TEntJwwSolid &e);
std::int32_t addTop(TJwsData &d, const TEntJwwBlock &e);
// Appends a record to a definition's members (and its order entry).
void addMember(TEntJwwBlockDef &def, const TEntJwwLine &e);
void addMember(TEntJwwBlockDef &def, const TEntJwwBlock &e);
// Appends a block definition and keeps Enthd.n2 in step.
TEntJwwBlockDef &addDef(TJwsData &d, std::uint32_t number, const std::u16string &name);

TEntJwwLine line(double x1, double y1, double x2, double y2, std::uint8_t style = 1);
TEntJwwBlock blockRef(std::uint32_t number, double x, double y, double sx = 1, double sy = 1,
                      double rot = 0);

// One definition of `lines` lines, placed `times` times side by side at the top level.
TJwsData placedTimes(int lines, int times);
// Definitions 0 … depth − 1, each holding a line and two references to the next, the
// first placed once: 2^depth − 1 instances.
TJwsData doublingNesting(std::uint32_t depth);

struct GenOptions {
    std::int32_t version = 600;
    bool utf16 = false;
    // Every definition is referenced and numbered by its position, so that the document
    // is written back exactly as it is.
    bool canonical = true;
};

// A random document with all seven kinds, nested block definitions and texts, whose
// records are all valid for its version (the writer changes nothing).
TJwsData randomDoc(std::mt19937 &rng, const GenOptions &opt);

// Equal up to the rounding of moving coordinates back and forth.
::testing::AssertionResult sameDrawing(const std::vector<Primitive> &a,
                                       const std::vector<Primitive> &b);

// Whole-document comparison of what a file carries; the first difference is described.
::testing::AssertionResult sameDocument(const TJwsData &a, const TJwsData &b);

} // namespace pravelot::test
