// Heap bytes that the program's own operator new hands out, for the fuzz targets' checks
// of the memory bound. Linking heapmeter.cpp replaces the global operator new and delete.
#pragma once

#include <cstddef>

namespace pravelot::fuzz {

// Bytes in use now.
std::size_t heapInUse();
// The most bytes in use since the last resetHeapPeak.
std::size_t heapPeak();
void resetHeapPeak();

} // namespace pravelot::fuzz
