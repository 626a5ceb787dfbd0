// TJwsData: one .jws figure in memory, with its reader, writer and block tree.
#pragma once

#include "core/file.h"
#include "core/readproblem.h"
#include "core/text.h"
#include "jws/jwwtype.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace pravelot {

class ByteReader;
class ByteWriter;
struct ExtentAccumulator;

// Receives entities one at a time: a producer hands them over in order instead of
// holding them all in arrays.
class EntitySink {
public:
    virtual ~EntitySink() = default;
    virtual void line(const TEntJwwLine &e) = 0;
    virtual void arc(const TEntJwwEnko &e) = 0;
    virtual void text(TEntJwwMoji &&e) = 0;
    virtual void point(const TEntJwwTen &e) = 0;
    // False for a sink that only counts: a producer may then leave texts' strings empty.
    virtual bool wantsStrings() const { return true; }
};

// Widens acc by the points the extents take from the entities of lists as they stand,
// as for a document's top level: for entities a producer hands over one at a time.
void addListExtents(ConstEntityLists lists, ExtentAccumulator &acc);

class TJwsData {
public:
    TJwsData();
    virtual ~TJwsData();
    TJwsData(const TJwsData &) = default;
    TJwsData &operator=(const TJwsData &) = default;

    TEntJwsHeader Enthd;
    std::vector<TEntJwwLayerGroup> EntLgrp;
    std::vector<TEntJwwMojiType> EntMoj;
    // Top-level order list. Entries 0 … Enthd.n1 − 1 are in use; EntNo may hold fewer,
    // the missing ones being (0, 0), which every walk of the list skips.
    std::vector<TEntJwwNo> EntNo;
    std::vector<TEntJwwLine> EntLine;
    std::vector<TEntJwwEnko> EntEnko;
    std::vector<TEntJwwTen> EntTen;
    std::vector<TEntJwwMoji> EntMoji;
    std::vector<TEntJwwSunpo> EntSunpo;
    std::vector<TEntJwwSolid> EntSolid;
    std::vector<TEntJwwBlock> EntBlock;
    std::vector<TEntJwwBlockDef> EntBlockDef;
    std::vector<TEntJwwBlockTree> EntBlockTree;
    std::int32_t EntBlockNum = 0;
    std::u16string BindImageFolder;
    std::vector<TBindImageType> BindImage;
    bool BindImageExp = false;
    bool BindImageExr = false;
    std::int32_t FileOutOpt = 0;
    std::vector<std::u16string> FontNames;
    bool MojiEncode = false;
    double myMinWx = 0, myMinWy = 0, myMaxWx = 0, myMaxWy = 0;

    std::int32_t EntLineN() const { return sizeOf(EntLine); }
    std::int32_t EntEnkoN() const { return sizeOf(EntEnko); }
    std::int32_t EntTenN() const { return sizeOf(EntTen); }
    std::int32_t EntMojiN() const { return sizeOf(EntMoji); }
    std::int32_t EntSunpoN() const { return sizeOf(EntSunpo); }
    std::int32_t EntSolidN() const { return sizeOf(EntSolid); }
    std::int32_t EntBlockN() const { return sizeOf(EntBlock); }
    std::int32_t EntBlockDefN() const { return sizeOf(EntBlockDef); }
    std::int32_t EntBlockTreeN() const { return sizeOf(EntBlockTree); }
    std::int32_t BindImageN() const { return sizeOf(BindImage); }
    std::int32_t FontNameN() const { return sizeOf(FontNames); }

    EntityLists topLists()
    {
        return {EntLine, EntEnko, EntTen, EntMoji, EntSunpo, EntSolid, EntBlock};
    }
    ConstEntityLists topLists() const
    {
        return {EntLine, EntEnko, EntTen, EntMoji, EntSunpo, EntSolid, EntBlock};
    }

    // Empties the document; keeps BindImageFolder, the bound-image switches and the extents.
    void DataInit();
    // Releases every block definition's members, then DataInit.
    void DataFree();
    void BindImageInit();

    // True when the file opens, starts with "JwsData" and carries a version 230 … 700.
    static bool FileCheck(const std::u16string &FName);
    static bool FileCheckBytes(std::span<const std::uint8_t> data);
    // Empties the document and loads the file. False when the file could not be read
    // whole; whatever was read stays loaded (and the block tree is built unless the
    // header was refused). problem() tells where reading stopped.
    bool FileIn(const std::u16string &FName);
    bool FileInBytes(std::span<const std::uint8_t> data);
    const ReadProblem &problem() const { return m_problem; }

    // FileCheck and FileIn from one opening of the file: NotJws when FileCheck would be
    // false (nothing is loaded), else FileIn's outcome.
    enum class LoadResult { NotJws, Incomplete, Complete };
    // What a loading keeps of the block definitions: everything, or for a drawing only
    // the members of those that the top-level references reach (the others keep their
    // own references only). Both find the same problems in a file.
    enum class MembersKept { All, Drawn };
    LoadResult load(const std::u16string &FName, MembersKept kept = MembersKept::All);
    // The same from a reader at the start of a file's bytes.
    LoadResult load(ByteReader &r, MembersKept kept = MembersKept::All);

    // FileOutOpt := n for 0 … 63, else 0.
    void SetFileOutOption(std::int32_t n);
    // Number block n is written with: its definition's ref_no when that definition is
    // written, n itself when it exists but is not written, EntBlockNum when none has it.
    std::uint32_t ChangeBlockNo(std::uint32_t n) const;
    // Writes the document as a new file FName in version Ver. The file is created only
    // if nothing exists at FName, and appears only when it was written whole; false
    // (and no file) on any failure.
    bool FileOut(const std::u16string &FName, std::int32_t Ver);
    // FileOut to file.path, taking file.nextName when that name is taken first; file
    // tells afterwards where the file went or why it was not written.
    bool FileOut(NewFile &file, std::int32_t Ver);
    // The same bytes, into memory.
    Bytes FileOutBytes(std::int32_t Ver);
    // FileOut for a document whose last block definition does not hold its members:
    // produce hands them to the sink it is given, in order, `members` of them in all,
    // and the definition's own order list and arrays are not looked at.
    using MemberProducer = std::function<void(EntitySink &)>;
    bool FileOutStreamed(NewFile &file, std::int32_t Ver, std::uint64_t members,
                         const MemberProducer &produce);

    // Extents of everything the document draws (top level and every block instance of
    // the tree) into myMinWx … myMaxWy, through the shared extents accumulator.
    void GetMinMaxZahyo();
    // The same extents without the shared accumulator and without changing the
    // document, so that they may be taken on another thread.
    void measureExtents(double &minX, double &minY, double &maxX, double &maxY) const;
    // Starts acc where every measurement of the document's extents starts: at its base
    // point, or at the origin for a base point outside the guard.
    void startExtents(ExtentAccumulator &acc) const;

    // Rebuilds EntBlockTree, every definition's ref_flag and ref_no, and EntBlockNum,
    // and finds the references that close a cycle of definitions. Costs time in
    // proportion to the definitions and references plus the entries of the tree.
    void MakeBlockTree();
    // Whether the member reference `member` (an index into mBlock) of the definition at
    // position `def` closes a cycle: its definition is already open on the way to it
    // when the nesting is walked depth first from the top-level references in order,
    // each definition's references in order. Such a reference is placed in the tree and
    // written as one that names no definition (defno −1), so that no written definition
    // ever reaches itself. As found by the last MakeBlockTree.
    bool closesCycle(std::int32_t def, std::size_t member) const;

    // The tree holds at most this many entries (a few kilobytes of nested definitions can
    // describe billions of instances): the expansion stops there, and what it holds
    // serves the extents. The marking of referenced definitions, and so the written
    // file, does not depend on it.
    // GetMinMaxZahyo adds at most kExtentsPointBudget points of block members in all,
    // each instance's members counting anew; an arc takes 73 of them.
#ifndef PRAVELOT_FUZZ_LIMITS
    static constexpr std::int32_t kBlockTreeCeiling = 1 << 17;
    static constexpr std::uint64_t kExtentsPointBudget = std::uint64_t{1} << 25;
#else
    // The fuzz targets reach the same limits with far less work per input.
    static constexpr std::int32_t kBlockTreeCeiling = 1 << 10;
    static constexpr std::uint64_t kExtentsPointBudget = std::uint64_t{1} << 16;
#endif

private:
    friend class JwsReader;
    template <class T> static std::int32_t sizeOf(const std::vector<T> &v)
    {
        return static_cast<std::int32_t>(v.size());
    }
    void measureInto(ExtentAccumulator &acc) const;
    void writeTo(ByteWriter &w, std::int32_t Ver, std::uint64_t streamed = 0,
                 const MemberProducer *produce = nullptr);

    ReadProblem m_problem;
    // (definition position << 32) | member index of each reference that closes a cycle,
    // sorted.
    std::vector<std::uint64_t> m_cycleRefs;
};

} // namespace pravelot
