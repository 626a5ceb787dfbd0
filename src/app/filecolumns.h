// The size and date columns of Qt's file dialog in the program's locale.
#pragma once

#include <QIdentityProxyModel>

namespace pravelot {

// Put between a file dialog and its file system model: shows sizes ("0 バイト") and
// modification times in the default locale, which the program sets to Japanese. The
// model itself writes them in the user's system locale.
class FileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override;
};

} // namespace pravelot
