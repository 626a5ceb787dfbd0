// The windows' side of the check and run loops: findings go to the data-check window,
// log lines to the run log, Escape is read from the keyboard, and between files the
// windows repaint and the status bar shows how far the loop has come.
#pragma once

#include "convert/runhost.h"

#include <span>
#include <string>

class QListWidget;
class QProgressBar;

namespace pravelot {

class EscapeWatcher;
class CheckWindow;

class WindowHost : public RunHost {
public:
    // Refers to the widgets; owns nothing. Starts a loop of the Escape watcher. rows:
    // the rows a check goes through, in order; each finding is then filed under the
    // file of the row being checked.
    WindowHost(CheckWindow &checkWindow, QListWidget &log, QProgressBar &progressBar,
               EscapeWatcher &escape, std::span<const SourceRow> rows = {});

    // The findings from now on are about file.
    void setSource(const std::u16string &file) { m_source = file; }

    void appendCheckLine(const std::u16string &line, bool select) override;
    void appendLogLine(const std::u16string &line) override;
    bool escapePressed() override;
    void processEvents() override;
    void progress(int done, int total) override;

private:
    CheckWindow &m_checkWindow;
    QListWidget &m_log;
    QProgressBar &m_progressBar;
    EscapeWatcher &m_escape;
    std::span<const SourceRow> m_rows;
    std::u16string m_source;
};

} // namespace pravelot
