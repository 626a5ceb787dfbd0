#include "app/linelist.h"

#include <QListWidget>

namespace pravelot {

void showWholeLines(QListWidget &list)
{
    // With uniform sizes every line would take the first line's width and be cut to it.
    list.setUniformItemSizes(false);
    list.setTextElideMode(Qt::ElideNone);
    list.setWordWrap(false);
    list.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Each line's size is measured once, when it is added: left to the list, a visible
    // list would measure every line again at each line added.
    QObject::connect(list.model(), &QAbstractItemModel::rowsInserted, &list,
                     [&list](const QModelIndex &, int first, int last) {
                         const QFontMetrics metrics(list.font());
                         // The style's margins around the text, taken from the first new line.
                         QStyleOptionViewItem option;
                         option.initFrom(&list);
                         option.font = list.font();
                         const QModelIndex sample = list.model()->index(first, 0);
                         const QSize size = list.itemDelegate()->sizeHint(option, sample);
                         const int margin =
                             size.width() - metrics.horizontalAdvance(sample.data().toString());
                         for (int row = first; row <= last; ++row) {
                             QListWidgetItem *item = list.item(row);
                             item->setSizeHint(QSize(
                                 metrics.horizontalAdvance(item->text()) + margin, size.height()));
                         }
                     });
}

} // namespace pravelot
