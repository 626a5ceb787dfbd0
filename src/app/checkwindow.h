// The data-check window: a separate, non-modal window that lists what the checks found.
// It is the main window's tool window: the window manager keeps it above the main window
// and minimises it along with it.
#pragma once

#include <QWidget>

class QListWidget;
class QStatusBar;

namespace pravelot {

class CheckWindow : public QWidget {
    Q_OBJECT
public:
    // parent: the main window, which owns it.
    explicit CheckWindow(QWidget *parent = nullptr);

    void clearLines();
    // Appends a line about file (empty: about no file in particular); select: make it the
    // selected line, so that the list scrolls to it.
    void appendLine(const QString &line, bool select, const QString &file = {});
    QStringList lines() const;
    // Removes the lines about these files (rows removed from the list).
    void forgetFiles(const QList<QString> &files);

private:
    QListWidget *m_lines;
    QStatusBar *m_statusBar;
};

} // namespace pravelot
