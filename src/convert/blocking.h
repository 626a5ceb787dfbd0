// The blocking transform: a document's whole top level becomes one new block
// definition, placed by a single block reference at the base point.
#pragma once

#include "jws/jwsdata.h"

#include <string>
#include <string_view>

namespace pravelot {

// The marker that the transform appends to a block name (upper-cased form searched for).
inline constexpr std::u16string_view kBlockNameMarker = u"@@SfigorgFlag@@4";
inline constexpr std::u16string_view kBlockNameMarkerUpper = u"@@SFIGORGFLAG@@";

// The name stored for the block name the user gave: the name as given when it already
// holds the marker (in any letter case), else the name with the marker appended. A name
// that the file's string forms could not hold whole is cut before the marker: it fits
// 65,535 UTF-16 code units and 65,533 bytes of code page 932 and keeps its marker.
std::u16string storedBlockName(std::u16string_view BLname);
// The user's part of a stored block name: everything before the marker.
std::u16string userBlockName(std::u16string_view stored);

// The number the new definition gets: one more than the largest existing one (0 when
// there is none), or, when a definition or reference already uses that, the next
// number up (wrapping) that nothing in the document uses. So nothing in the document
// refers to the new definition, and it cannot contain itself.
std::uint32_t newBlockNumber(const TJwsData &doc);

// True when doc holds no entity, or one block reference and nothing else: the transform
// then has nothing to gather and leaves doc as it is, so no block of the given name is
// added and that name cannot clash with the file's own.
bool nothingToGather(const TJwsData &doc);

// Transforms doc in place. A document with nothing to gather stays exactly as it is.
// Rebuilds the block tree otherwise.
void DataTransJWS(TJwsData &doc, std::u16string_view BLname);

} // namespace pravelot
