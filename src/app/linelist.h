// The lists of lines: the run log and the data-check window's findings.
#pragma once

class QListWidget;

namespace pravelot {

// Sets list up to show every line whole, however long (file paths are), with a
// horizontal scroll bar where lines are wider than the list.
void showWholeLines(QListWidget &list);

} // namespace pravelot
