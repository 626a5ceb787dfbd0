#include "app/thumbnailview.h"

#include "app/sourcelistmodel.h"
#include "app/thumbnailcache.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace pravelot {

namespace {

constexpr int kPad = 4;

// One part: its picture, framed, and its file's name below.
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    ThumbnailDelegate(ThumbnailCache &cache, QObject *parent)
        : QStyledItemDelegate(parent), m_cache(cache)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        return {ThumbnailView::kPictureWidth + 2 * kPad,
                ThumbnailView::kPictureHeight + option.fontMetrics.height() + 3 * kPad};
    }

    void paint(QPainter *p, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const QString file = index.data(SourceListModel::FileRole).toString();
        if (file.isEmpty())
            return;
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        if (selected)
            p->fillRect(r, option.palette.color(QPalette::Highlight));
        const QRect picture(r.left() + (r.width() - ThumbnailView::kPictureWidth) / 2,
                            r.top() + kPad, ThumbnailView::kPictureWidth,
                            ThumbnailView::kPictureHeight);
        const QImage img = m_cache.picture(file);
        if (img.isNull()) {
            p->fillRect(picture, QColor(0xF4, 0xF4, 0xF4));
            p->setPen(QColor(0xA0, 0xA0, 0xA0));
            p->drawText(picture, Qt::AlignCenter, QStringLiteral("…"));
        } else {
            p->drawImage(picture.topLeft(), img);
        }
        p->setPen(QColor(0xB0, 0xB0, 0xB0));
        p->drawRect(picture.adjusted(0, 0, -1, -1));
        const QRect text(r.left() + 2, picture.bottom() + kPad, r.width() - 4,
                         option.fontMetrics.height());
        p->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        p->drawText(text, Qt::AlignHCenter | Qt::AlignVCenter,
                    option.fontMetrics.elidedText(QFileInfo(file).fileName(), Qt::ElideMiddle,
                                                  text.width()));
    }

private:
    ThumbnailCache &m_cache;
};

} // namespace

ThumbnailView::ThumbnailView(QWidget *parent) : QListView(parent)
{
    const qreal dpr = devicePixelRatioF();
    m_cache = new ThumbnailCache(QSize(kPictureWidth, kPictureHeight), dpr, this);
    setItemDelegate(new ThumbnailDelegate(*m_cache, this));
    setViewMode(QListView::IconMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    // Every item has the same size: thousands lay out at once.
    setUniformItemSizes(true);
    setSpacing(2);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(24);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    connect(m_cache, &ThumbnailCache::ready, this, [this](const QString &file) {
        if (!m_model)
            return;
        if (const int row = m_model->rowOf(file); row >= 0)
            update(m_model->index(row, SourceListModel::FileColumn));
    });
}

void ThumbnailView::setSourceModel(SourceListModel *model)
{
    m_model = model;
    setModel(model);
    setModelColumn(SourceListModel::FileColumn);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { hidePlaceholder(); });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { hidePlaceholder(); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { hidePlaceholder(); });
    hidePlaceholder();
}

void ThumbnailView::hidePlaceholder()
{
    if (m_model->count() == 0)
        setRowHidden(0, true);
    else if (isRowHidden(0))
        setRowHidden(0, false);
}

} // namespace pravelot
