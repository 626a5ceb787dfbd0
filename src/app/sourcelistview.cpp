#include "app/sourcelistview.h"

#include "app/sourcelistmodel.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>

namespace pravelot {

namespace {

constexpr int kMinColumn = 32;

// A path is cut at its start, so that the file's name stays in sight; a block name at
// its end, so that it reads from its beginning.
class ElideByColumn : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode =
            index.column() == SourceListModel::FileColumn ? Qt::ElideLeft : Qt::ElideRight;
    }
};

} // namespace

SourceListView::SourceListView(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new ElideByColumn(this));
    verticalHeader()->hide();
    // Rows of one height: a list of tens of thousands of files lays out at once.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    // A click on a header would select every row (and Delete then empty the list).
    horizontalHeader()->setSectionsClickable(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::SelectedClicked | QAbstractItemView::AnyKeyPressed);
    setShowGrid(true);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab goes on to the buttons; the arrow keys walk the cells.
    setTabKeyNavigation(false);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int newSize) { columnResized(column, newSize); });
}

void SourceListView::setColumnWidths(int file, int name)
{
    file = std::max(file, kMinColumn);
    name = std::max(name, kMinColumn);
    m_fileShare = static_cast<double>(file) / (file + name);
    m_fitting = true;
    setColumnWidth(SourceListModel::FileColumn, file);
    setColumnWidth(SourceListModel::NameColumn, name);
    m_fitting = false;
    fitColumns();
}

bool SourceListView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (index.isValid() && index.column() == SourceListModel::FileColumn) {
        if (trigger == DoubleClicked || trigger == EditKeyPressed)
            return QTableView::edit(index.siblingAtColumn(SourceListModel::NameColumn), trigger,
                                    event);
        if (trigger == AnyKeyPressed || trigger == SelectedClicked)
            return false;
    }
    return QTableView::edit(index, trigger, event);
}

bool SourceListView::viewportEvent(QEvent *event)
{
    const bool handled = QTableView::viewportEvent(event);
    if (event->type() == QEvent::Resize)
        fitColumns();
    return handled;
}

void SourceListView::fitColumns()
{
    const int width = viewport()->width();
    if (width < 2 * kMinColumn || !model())
        return;
    const int file = std::clamp(static_cast<int>(std::lround(m_fileShare * width)), kMinColumn,
                                width - kMinColumn);
    m_fitting = true;
    setColumnWidth(SourceListModel::FileColumn, file);
    setColumnWidth(SourceListModel::NameColumn, width - file);
    m_fitting = false;
}

void SourceListView::columnResized(int column, int newSize)
{
    if (m_fitting || column != SourceListModel::FileColumn)
        return;
    // The user dragged the line between the columns: the name column takes the rest.
    const int width = viewport()->width();
    if (width < 2 * kMinColumn)
        return;
    const int file = std::clamp(newSize, kMinColumn, width - kMinColumn);
    m_fileShare = static_cast<double>(file) / width;
    m_fitting = true;
    if (file != newSize)
        setColumnWidth(SourceListModel::FileColumn, file);
    setColumnWidth(SourceListModel::NameColumn, width - file);
    m_fitting = false;
}

} // namespace pravelot
