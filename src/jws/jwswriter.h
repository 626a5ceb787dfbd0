// Writing .jws files: a TJwsData in, a file's bytes out. Writing never changes the
// document.
#pragma once

#include "core/file.h"
#include "core/text.h"
#include "jws/entitysink.h"
#include "jws/jwsdata.h"

#include <cstdint>
#include <string>

namespace pravelot {

class ByteWriter;

struct JwsWriteOptions {
    // The version asked for (FileOut's Ver): 230 and below write 230, 300 writes 351.
    std::int32_t version = 0;
    // When set, the last block definition's members are not held by it: produce hands
    // them to the sink it is given, in order, streamedMembers of them in all, and the
    // definition's own order list and arrays are not looked at.
    const MemberProducer *produce = nullptr;
    std::uint64_t streamedMembers = 0;
};

// Writes d with its option bits (FileOutOpt): only what the order lists reach, only the
// block definitions the block tree marks, renumbered. The block tree must be current.
void writeJws(ByteWriter &w, const TJwsData &d, const JwsWriteOptions &options);
Bytes writeJws(const TJwsData &d, const JwsWriteOptions &options);
// Writes d as a new file file.path, taking file.nextName when that name is taken first.
// The file is created only if nothing exists at its name, and appears only when it was
// written whole; false (and no file) on any failure, file telling where the file went
// or why it was not written.
bool writeJwsFile(const TJwsData &d, NewFile &file, const JwsWriteOptions &options);

// writeJwsFile in version Ver.
bool FileOut(const TJwsData &d, NewFile &file, std::int32_t Ver);
bool FileOut(const TJwsData &d, const std::u16string &FName, std::int32_t Ver);

} // namespace pravelot
