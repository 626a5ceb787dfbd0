// The data-check window: a separate, non-modal window that lists what the checks found.
// It is the main window's tool window: the window manager keeps it above the main window
// and minimises it along with it.
#pragma once

#include <QSet>
#include <QWidget>

class QListWidget;
class QPushButton;
class QStatusBar;

namespace pravelot {

class CheckWindow : public QWidget {
    Q_OBJECT
public:
    enum class Finding { None, Warning, Error };

    // parent: the main window, which owns it.
    explicit CheckWindow(QWidget *parent = nullptr);

    void clearLines();
    // Appends a line about file (empty: about no file in particular); select: make it the
    // selected line, so that the list scrolls to it. The window widens, as far as the
    // screen lets it, until the line shows whole.
    void appendLine(const QString &line, bool select, const QString &file = {});
    QStringList lines() const;
    // Marks the lines about errorFiles as errors and those about warningFiles as
    // warnings, and selects the first error. With errors, offers to remove their rows.
    void markFindings(const QSet<QString> &errorFiles, const QSet<QString> &warningFiles);
    Finding finding(int line) const;
    // Removes the lines about these files (rows removed from the list).
    void forgetFiles(const QList<QString> &files);
    // The files of the lines marked as errors, in the order of the lines.
    QList<QString> errorFiles() const;

signals:
    // The user asked to remove the rows whose files have errors from the source list.
    void removeErrorRows();

private:
    void widenFor(int lineWidth);
    void updateRemoveButton();

    QListWidget *m_lines;
    QPushButton *m_removeErrors;
    QStatusBar *m_statusBar;
};

} // namespace pravelot
