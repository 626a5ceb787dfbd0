#include "app/filecolumns.h"

#include <QFileSystemModel>
#include <QLocale>

namespace pravelot {

namespace {
constexpr int kSizeColumn = 1;
constexpr int kDateColumn = 3;
} // namespace

QVariant FileColumns::data(const QModelIndex &index, int role) const
{
    const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
    if (role != Qt::DisplayRole || !files ||
        (index.column() != kSizeColumn && index.column() != kDateColumn))
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    if (index.column() == kDateColumn)
        return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
    // Folders have no size.
    if (files->isDir(source))
        return QString();
    return QLocale().formattedDataSize(files->size(source));
}

} // namespace pravelot
