// The command line's own texts about sources it cannot take and files that failed, in
// one place.
#pragma once

#include "convert/conversionfailure.h"

#include <string>

namespace pravelot {

// Why src failed: the step and the system's reason. output is the name it was to have.
std::string failureText(const std::u16string &src, const std::u16string &output,
                        const ConversionFailure &failure);

// A folder that could not be listed, with the system's reason.
std::string folderUnreadableText(const std::u16string &folder, const std::error_code &error);

} // namespace pravelot
