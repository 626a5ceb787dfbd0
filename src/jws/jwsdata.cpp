#include "jws/jwsdata.h"

#include "jws/blocknumberindex.h"

namespace pravelot {

TJwsData::TJwsData() { DataInit(); }

TJwsData::~TJwsData() { DataFree(); }

void TJwsData::DataInit()
{
    FileOutOpt = 0;
    EntLgrp.clear();
    EntMoj.clear();
    EntNo.clear();
    EntLine.clear();
    EntEnko.clear();
    EntTen.clear();
    EntMoji.clear();
    EntSunpo.clear();
    EntSolid.clear();
    EntBlock.clear();
    EntBlockDef.clear();
    EntBlockTree.clear();
    EntBlockNum = 0;
    Enthd = TEntJwsHeader{};
    BindImageInit();
    FontNames.clear();
    MojiEncode = false;
    m_cycleRefs.clear();
    m_nestedLeftOut = false;
}

void TJwsData::DataFree()
{
    // Members go with their definitions; release the memory too, not just the counts,
    // since one document object serves a whole run of files.
    std::vector<TEntJwwBlockDef>().swap(EntBlockDef);
    std::vector<TEntJwwLine>().swap(EntLine);
    std::vector<TEntJwwEnko>().swap(EntEnko);
    std::vector<TEntJwwTen>().swap(EntTen);
    std::vector<TEntJwwMoji>().swap(EntMoji);
    std::vector<TEntJwwSunpo>().swap(EntSunpo);
    std::vector<TEntJwwSolid>().swap(EntSolid);
    std::vector<TEntJwwBlock>().swap(EntBlock);
    std::vector<TEntJwwNo>().swap(EntNo);
    std::vector<TEntJwwBlockTree>().swap(EntBlockTree);
    std::vector<std::uint64_t>().swap(m_cycleRefs);
    DataInit();
}

void TJwsData::adopt(TJwsData &&read)
{
    std::u16string folder = std::move(BindImageFolder);
    const bool exp = BindImageExp, exr = BindImageExr;
    const double minX = myMinWx, minY = myMinWy, maxX = myMaxWx, maxY = myMaxWy;
    *this = std::move(read);
    BindImageFolder = std::move(folder);
    BindImageExp = exp;
    BindImageExr = exr;
    myMinWx = minX;
    myMinWy = minY;
    myMaxWx = maxX;
    myMaxWy = maxY;
}

void TJwsData::BindImageInit() { BindImage.clear(); }

void TJwsData::SetFileOutOption(std::int32_t n) { FileOutOpt = (n >= 0 && n <= 63) ? n : 0; }

std::uint32_t TJwsData::ChangeBlockNo(std::uint32_t n) const
{
    // A reference to no definition gets the number one past the last written one, so
    // that it can never bind to a definition that is written.
    return BlockNumberIndex(EntBlockDef)
        .writtenNumber(n, EntBlockDef, static_cast<std::uint32_t>(EntBlockNum));
}

} // namespace pravelot
