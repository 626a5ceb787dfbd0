// The dialogs the main window asks the user through. The window knows only this
// interface, so that tests can answer in place of the user.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace pravelot {

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A folder picker with the given caption, opened at start; nullopt when cancelled.
    virtual std::optional<QString> askFolder(QWidget *parent, const QString &caption,
                                             const QString &start) = 0;
    // A confirmation box with the buttons Yes and No; true for Yes.
    virtual bool confirm(QWidget *parent, const QString &text) = 0;
    // A message box with an OK button.
    virtual void message(QWidget *parent, const QString &text) = 0;

    // One entry of an open dialog's filter list: its name and its patterns as written
    // for Windows ("*.jws;*.jwk", "*.*" for every file); letter case does not matter.
    struct Filter {
        QString name;
        QString patterns;
    };
    struct OpenFiles {
        QString title;  // empty: the toolkit's own title
        QString folder; // where the dialog opens
        QList<Filter> filters;
        int filterIndex = 1; // 1-based entry selected at first
        QString fileName;    // preset text of the file-name box
    };
    struct ChosenFiles {
        QStringList files; // in the dialog's order, at least one
        int filterIndex = 1;
    };
    // An open dialog for one or more existing files; nullopt when cancelled.
    virtual std::optional<ChosenFiles> openFiles(QWidget *parent, const OpenFiles &request) = 0;
};

} // namespace pravelot
