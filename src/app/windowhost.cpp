#include "app/windowhost.h"

#include "app/appinfo.h"
#include "app/checkwindow.h"
#include "app/escapewatcher.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QProgressBar>

namespace pravelot {

WindowHost::WindowHost(CheckWindow &checkWindow, QListWidget &log, QProgressBar &progressBar,
                       EscapeWatcher &escape)
    : m_checkWindow(checkWindow), m_log(log), m_progressBar(progressBar), m_escape(escape)
{
    m_escape.startLoop();
}

void WindowHost::appendCheckLine(const std::u16string &line, bool select)
{
    m_checkWindow.appendLine(qs(line), select);
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
    m_progressBar.setRange(0, total);
    m_progressBar.setValue(done);
}

} // namespace pravelot
