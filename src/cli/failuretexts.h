// The command line's own texts about sources it cannot take and files that failed, in
// one place.
#pragma once

#include "convert/conversionfailure.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <system_error>

namespace pravelot {

// Why src failed: the step and the system's reason. output is the name it was to have.
std::string failureText(const std::u16string &src, const std::u16string &output,
                        const ConversionFailure &failure);

// A folder that could not be listed, with the system's reason.
std::string folderUnreadableText(const std::u16string &folder, const std::error_code &error);

// The system's reason in the command line's language.
std::string reasonText(const std::error_code &error);

// Watches a stream of results (the standard output) for the first write that fails, and
// keeps the system's reason, which later calls would overwrite.
class OutputWatch {
public:
    // Call right after writing to out.
    void note(const std::ostream &out);
    // Flushes out; when anything written to it was lost, says so on err with the reason,
    // after command, and returns 1; else returns status.
    int finish(std::ostream &out, std::ostream &err, std::string_view command, int status);

private:
    std::error_code m_error;
};

} // namespace pravelot
