// Reading figure files for display, on worker threads.
#pragma once

#include "render/figuredrawing.h"

#include <atomic>
#include <functional>
#include <string>

namespace pravelot {

// Reads a figure file and makes its drawing; may throw std::bad_alloc. Called on worker
// threads: it must use no shared mutable state.
using FigureLoader =
    std::function<FigureDrawing(const std::u16string &file, const std::atomic<bool> *cancel)>;

// loadFigureDrawing, as the program reads figures for display.
FigureLoader defaultFigureLoader();

// load(file, cancel), where running out of memory is that file's failure, not the
// program's: the figure cannot be drawn, and its message says memory ran out.
FigureDrawing loadForDisplay(const FigureLoader &load, const std::u16string &file,
                             const std::atomic<bool> *cancel);

} // namespace pravelot
