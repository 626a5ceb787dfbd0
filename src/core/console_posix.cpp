#include "core/console.h"

namespace pravelot {

void useConsoleForText() {}

} // namespace pravelot
