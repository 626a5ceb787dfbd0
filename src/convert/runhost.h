// What the check and run loops need from whoever drives them (the window, the command
// line, a test): somewhere to put lines, and whether the user asked to stop.
#pragma once

#include "convert/conversionfailure.h"

#include <string>

namespace pravelot {

class RunHost {
public:
    virtual ~RunHost() = default;
    // One finding of a check or listing. select: make it the selected line, so that the
    // list scrolls to it.
    virtual void appendCheckLine(const std::u16string &line, bool select) = 0;
    // One line of the run log.
    virtual void appendLogLine(const std::u16string &line) = 0;
    // A warning of the run that the user must see whatever else is shown: the source
    // was read only in part. The run log by default.
    virtual void appendRunWarning(const std::u16string &line) { appendLogLine(line); }
    // Why the file src failed, for a front end that tells more than the result text;
    // output is the name it was to be written to (empty when there was none).
    virtual void fileFailed(const std::u16string & /*src*/, const std::u16string & /*output*/,
                            const ConversionFailure & /*failure*/)
    {
    }
    // Asked before each file: the user wants the loop to stop.
    virtual bool escapePressed() = 0;
    // Called between files, so that a window can repaint and see the key.
    virtual void processEvents() {}
    // Files done so far of the total, for a progress display.
    virtual void progress(int /*done*/, int /*total*/) {}
};

struct SourceRow {
    std::u16string file;
    std::u16string name;
    // Where the output goes below the run's destination folder: a relative folder
    // ending in a separator (made when missing), or empty for the destination itself.
    // Outputs that go beside their sources do not use it.
    std::u16string outputFolder = {};
};

} // namespace pravelot
