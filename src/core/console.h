// Text for the console on every system.
#pragma once

namespace pravelot {

// Makes the program's UTF-8 output on std::cout and std::cerr readable wherever it goes,
// for as long as the program runs. On Windows a stream that is a console gets its text
// through the console's own wide-character output, whatever the console's code page
// (the C runtime's byte path garbles Japanese there); a stream redirected into a file or
// a pipe keeps getting UTF-8 bytes. Elsewhere nothing changes: terminals take UTF-8.
// Call once, before anything is written.
void useConsoleForText();

} // namespace pravelot
