// Reading .jws files: a file's bytes in, a new TJwsData out.
#pragma once

#include "core/readproblem.h"
#include "jws/jwsdata.h"

#include <cstdint>
#include <span>
#include <string>

namespace pravelot {

class ByteReader;

// What a reading keeps of the block definitions: everything, or for a drawing only the
// members of those that the top-level references reach (the others keep their own
// references only). Both find the same problems in a file, and the block tree of both
// is the same.
enum class JwsMembers { All, Drawn };

struct JwsReadOptions {
    JwsMembers members = JwsMembers::All;
};

enum class JwsReadStatus {
    NotJws,     // no .jws file: it does not open, or FileCheck refuses its start
    Incomplete, // the file could not be read whole: what was read is in the document
    Complete,
};

// A reading's outcome. The document holds the header, the 16 layer groups, every record
// that could be read and, unless the header was refused, the block tree built from them.
struct JwsReading {
    TJwsData doc;
    JwsReadStatus status = JwsReadStatus::NotJws;
    // Empty when the file was read whole; else what stopped the reading and where.
    ReadProblem problem;
    bool complete() const { return status == JwsReadStatus::Complete; }
};

// Reads a file's bytes (r at their start).
JwsReading readJws(ByteReader &r, JwsReadOptions options = {});
JwsReading readJws(std::span<const std::uint8_t> bytes, JwsReadOptions options = {});
// Reads the file FName; a file that cannot be opened is NotJws, its problem saying so.
JwsReading readJwsFile(const std::u16string &FName, JwsReadOptions options = {});

// True when the bytes start with "JwsData" and carry a version 230 … 700 (the header's
// first kJwsHeaderStartSize bytes are enough).
bool FileCheck(std::span<const std::uint8_t> head);
// The same for the file FName: false when it cannot be opened.
bool FileCheck(const std::u16string &FName);
// Empties doc (as DataInit) and loads the file FName into it; true when the file was
// read whole. problem, when given, receives the reading's problem.
bool FileIn(TJwsData &doc, const std::u16string &FName, ReadProblem *problem = nullptr);

} // namespace pravelot
