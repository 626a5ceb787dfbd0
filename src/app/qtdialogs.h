// The dialogs of the desktop program, as Qt provides them.
#pragma once

#include "app/dialogs.h"

namespace pravelot {

class QtDialogs : public Dialogs {
public:
    std::optional<QString> askFolder(QWidget *parent, const QString &caption,
                                     const QString &start) override;
    bool confirm(QWidget *parent, const QString &text) override;
    void message(QWidget *parent, const QString &text) override;
    std::optional<ChosenFiles> openFiles(QWidget *parent, const OpenFiles &request) override;

    // The Qt name filter of an entry: its name, then its patterns made independent of
    // letter case ("*.jws" matches A.JWS) and "*.*" as every file, as on Windows.
    static QString nameFilter(const Filter &filter);
    // The 1-based position in filters of the filter a dialog reports as selected, in
    // either of the forms a dialog reports it; 1 when it is none of them.
    static int filterPosition(const QList<Filter> &filters, const QString &selected);
};

} // namespace pravelot
