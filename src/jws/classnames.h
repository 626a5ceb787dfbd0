// The archive class names that announce the records of a .jws file.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace pravelot {

// By kind: the entity kinds 1–7, and 8 for a block definition; kind 0 has no class.
inline constexpr std::array<std::string_view, 9> kClassNames = {
    "",           "CDataSen",   "CDataEnko", "CDataTen", "CDataMoji", "CDataSunpou",
    "CDataSolid", "CDataBlock", "CDataList"};

// The entity kind (1–7) whose class the name is; 0 for any other name, the block
// definition's among them.
std::int32_t entityKindNamed(std::u16string_view name);

// The class name of an entity kind (1–7), or "?" for any other kind.
std::string_view entityClassName(std::int32_t kind);

} // namespace pravelot
