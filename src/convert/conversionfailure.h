// Why one file of a run was not converted.
#pragma once

#include <string>
#include <system_error>

namespace pravelot {

struct ConversionFailure {
    enum class Step {
        Source, // the source is not there, not a file, or not a figure file of its kind
        Name,   // every branch number of the output name is taken
        Create, // no output file could be made in the folder
        Write,  // the output could not be written whole
        Place,  // the output could not be given its name
        Memory, // memory ran out while reading, converting or writing
        // the block name cannot be used in this source: it is blank as stored, or a
        // block definition of the source has it already (finding tells which)
        BlockName,
    };
    Step step = Step::Source;
    // The system's reason, when there is one (for Source: empty when the file is there
    // but is no figure file).
    std::error_code error;
    // For BlockName: the check's words for it, after the file's path.
    std::u16string finding = {};
};

} // namespace pravelot
