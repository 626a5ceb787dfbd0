// TJwkData: one DOS-era .jwk figure in memory, with its reader and its extents.
#pragma once

#include "core/readproblem.h"
#include "jwk/jwctype.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pravelot {

class ByteReader;

class TJwkData {
public:
    TJwkData();
    ~TJwkData();
    TJwkData(const TJwkData &) = default;
    TJwkData &operator=(const TJwkData &) = default;

    // Records actually read by the last FileIn.
    std::int32_t lineN = 0;
    std::int32_t arcN = 0;
    std::int32_t tenN = 0;
    std::int32_t mojiN = 0;
    // After FileIn each entity array holds exactly its header count of records (those
    // that could not be read are all zero), and every count is backed by the file.
    TEntJwkHeader Enthd;
    // Text types by number: 12 entries after DataInit, empty after DataFree.
    std::vector<TEntJwcMojiType> EntMjtp;
    std::vector<TEntJwcLine> EntLine;
    std::vector<TEntJwcArc2> EntArc;
    std::vector<TEntJwcTen> EntTen;
    std::vector<TEntJwcMoji2> EntMoji;
    double myMinWx = 0, myMinWy = 0, myMaxWx = 0, myMaxWy = 0;

    // Empties the document and rebuilds the text-type table; keeps the extents.
    void DataInit();
    // DataInit, then releases the arrays and empties the text-type table.
    void DataFree();

    // True when the file is a regular file whose first 20 bytes are
    // "jw_cad(c)sym........". Loads nothing.
    static bool FileCheck(const std::u16string &FName);
    static bool FileCheckBytes(std::span<const std::uint8_t> data);

    // Empties the document and loads the file. True only when every part that the
    // header describes was there (a last record cut short reads its missing bytes as
    // zero and still counts). A header count that the rest of the file cannot back is
    // lowered to what it can (likewise strSpace) before anything is allocated, and
    // FileIn returns false. A negative count loads no entity (every count 0) and
    // returns false. problem() tells why.
    bool FileIn(const std::u16string &FName);
    bool FileInBytes(std::span<const std::uint8_t> data);
    // The same from a reader at the start of a file's bytes.
    bool FileIn(ByteReader &r);
    const ReadProblem &problem() const { return m_problem; }

    // Extents of the loaded figure divided by Enthd.scale, always including the
    // origin, into myMinWx … myMaxWy.
    void GetMinMaxZahyo();

    // The string s of a text of this document: its bytes of the pool decoded, without
    // control characters. Texts that share pool bytes share them in memory too; each
    // call decodes anew.
    std::u16string stringOf(const TEntJwcMoji2 &e) const;
    // Bytes of the pool that the texts' strings take together, each text counting its
    // own: what their strings will take in a figure that holds them all.
    std::uint64_t stringBytes() const { return m_stringBytes; }

private:
    bool readFrom(ByteReader &r);
    bool HeaderIn(ByteReader &r);
    // Lowers every header count (and strSpace) that the left bytes from offset at cannot
    // back; false when one was lowered.
    bool backCounts(std::uint64_t left, std::uint64_t at);
    // The four record lists, then the string pool; false when a read delivered nothing.
    bool listsIn(ByteReader &r);
    bool poolIn(ByteReader &r);
    bool fail(const char *message, std::string where);

    ReadProblem m_problem;
    // The string pool as read (strSpace bytes).
    std::vector<std::uint8_t> m_pool;
    std::uint64_t m_stringBytes = 0;
};

} // namespace pravelot
