// A reader's own account of where it stopped in a file it could not read whole.
#pragma once

#include <string>

namespace pravelot {

// Empty when the file was read completely.
struct ReadProblem {
    std::string message; // "File I/O Error", "JWS-Header Error", "JWK-Header Error" …
    std::string where;   // e.g. "top-level object 3 (CDataSen) at byte 517"
    bool empty() const { return message.empty(); }
    // "message (where)", for a debug log or --verbose.
    std::string text() const { return message + " (" + where + ")"; }
};

} // namespace pravelot
