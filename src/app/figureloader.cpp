#include "app/figureloader.h"

#include "convert/datacheck.h"

#include <new>

namespace pravelot {

FigureLoader defaultFigureLoader()
{
    return [](const std::u16string &file, const std::atomic<bool> *cancel) {
        return loadFigureDrawing(file, cancel);
    };
}

FigureDrawing loadForDisplay(const FigureLoader &load, const std::u16string &file,
                             const std::atomic<bool> *cancel)
{
    try {
        return load(file, cancel);
    } catch (const std::bad_alloc &) {
        // What was read so far is gone with the exception; the memory it took is free
        // again for this answer.
        FigureDrawing failed;
        failed.status = FigureDrawing::Status::Unreadable;
        failed.message = std::u16string(kOutOfMemoryText);
        return failed;
    }
}

} // namespace pravelot
