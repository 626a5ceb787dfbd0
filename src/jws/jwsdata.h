// TJwsData: one .jws figure in memory, with its block tree and extents. Its file format
// is read by readJws (jwsreader.h) and written by writeJws (jwswriter.h).
#pragma once

#include "core/text.h"
#include "jws/jwwtype.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pravelot {

struct ExtentAccumulator;

// Widens acc by the points the extents take from the entities of lists as they stand,
// as for a document's top level: for entities a producer hands over one at a time.
void addListExtents(ConstEntityLists lists, ExtentAccumulator &acc);

// What measured extents leave out, and why.
enum class ExtentsCut {
    None,
    // Blocks nest into more instances than the block tree holds
    // (TJwsData::kBlockTreeCeiling): the instances past it are left out.
    Instances,
    // The instances' members add up to more points than the extents take
    // (TJwsData::kExtentsPointBudget): the instances past those are left out.
    Points,
};

class TJwsData {
public:
    TJwsData();
    virtual ~TJwsData();
    TJwsData(const TJwsData &) = default;
    TJwsData &operator=(const TJwsData &) = default;
    TJwsData(TJwsData &&) noexcept = default;
    TJwsData &operator=(TJwsData &&) noexcept = default;

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

    // Empties the document as DataInit does and takes over the content of `read` (a
    // document a reading made): everything but what DataInit keeps.
    void adopt(TJwsData &&read);

    // FileOutOpt := n for 0 … 63, else 0.
    void SetFileOutOption(std::int32_t n);
    // Number block n is written with: its definition's ref_no when that definition is
    // written, n itself when it exists but is not written, EntBlockNum when none has it.
    std::uint32_t ChangeBlockNo(std::uint32_t n) const;
    // Extents of everything the document draws (top level and every block instance of
    // the tree) into myMinWx … myMaxWy.
    void GetMinMaxZahyo();
    // The same extents, without changing the document; what they leave out, if anything.
    ExtentsCut measureExtents(double &minX, double &minY, double &maxX, double &maxY) const;
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
    // Whether the tree holds every instance the nesting places: false when its ceiling
    // left some out (top-level references past it, or references inside definitions).
    bool blockTreeWhole() const
    {
        return !m_nestedLeftOut && EntBlock.size() <= static_cast<std::size_t>(kBlockTreeCeiling);
    }

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
    template <class T> static std::int32_t sizeOf(const std::vector<T> &v)
    {
        return static_cast<std::int32_t>(v.size());
    }
    ExtentsCut measureInto(ExtentAccumulator &acc) const;

    // (definition position << 32) | member index of each reference that closes a cycle,
    // sorted.
    std::vector<std::uint64_t> m_cycleRefs;
    // The tree's ceiling left out an instance placed inside a definition.
    bool m_nestedLeftOut = false;
};

} // namespace pravelot
