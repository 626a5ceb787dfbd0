#include "app/windowhost.h"

#include "app/appinfo.h"
#include "app/checkwindow.h"
#include "app/escapewatcher.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QProgressBar>

namespace pravelot {

WindowHost::WindowHost(CheckWindow &checkWindow, QListWidget &log, QProgressBar &progressBar,
                       EscapeWatcher &escape, std::span<const SourceRow> rows)
    : m_checkWindow(checkWindow), m_log(log), m_progressBar(progressBar), m_escape(escape),
      m_rows(rows)
{
    m_escape.startLoop();
}

void WindowHost::appendCheckLine(const std::u16string &line, bool select)
{
    m_checkWindow.appendLine(qs(line), select, qs(m_source));
}

void WindowHost::appendLogLine(const std::u16string &line) { m_log.addItem(qs(line)); }

bool WindowHost::escapePressed()
{
    // A press that is still queued counts as much as one already seen.
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
    return m_escape.pressedInLoop();
}

void WindowHost::processEvents() { QCoreApplication::processEvents(); }

void WindowHost::progress(int done, int total)
{
    // A check reports each row before it looks at it.
    if (done >= 0 && static_cast<std::size_t>(done) < m_rows.size())
        m_source = m_rows[static_cast<std::size_t>(done)].file;
    m_progressBar.setRange(0, total);
    m_progressBar.setValue(done);
}

} // namespace pravelot
