#include "app/sourcelistmodel.h"

#include "app/appinfo.h"

#include <algorithm>
#include <iterator>

namespace pravelot {

SourceListModel::SourceListModel(QObject *parent) : QAbstractTableModel(parent) {}

int SourceListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(count(), 1);
}

int SourceListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant SourceListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const SourceEntry &e = entry(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (index.column() == NameColumn)
            return e.name;
        return e.shown.isEmpty() ? e.file : e.shown;
    case Qt::ToolTipRole:
        return index.column() == FileColumn ? e.file : e.name;
    case FileRole:
        return e.file;
    default:
        return {};
    }
}

QVariant SourceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == FileColumn ? QStringLiteral("ファイル名") : QStringLiteral("ブロック名");
}

Qt::ItemFlags SourceListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || index.row() >= count())
        return Qt::NoItemFlags;
    const Qt::ItemFlags listed = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() == NameColumn ? listed | Qt::ItemIsEditable : listed;
}

bool SourceListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    QString &name = m_entries[static_cast<std::size_t>(index.row())].name;
    const QString text = value.toString();
    if (name == text)
        return true;
    name = text;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole, Qt::ToolTipRole});
    return true;
}

QString SourceListModel::key(const QString &file)
{
#ifdef _WIN32
    return file.toCaseFolded();
#else
    return file;
#endif
}

int SourceListModel::rowOf(const QString &file) const { return m_rowOf.value(key(file), -1); }

void SourceListModel::reindexFrom(int row)
{
    for (int r = row; r < count(); ++r)
        m_rowOf.insert(key(entry(r).file), r);
}

int SourceListModel::append(std::span<const SourceEntry> entries)
{
    std::vector<SourceEntry> fresh;
    QHash<QString, int> seen;
    for (const SourceEntry &e : entries) {
        const QString k = key(e.file);
        if (m_rowOf.contains(k) || seen.contains(k))
            continue;
        seen.insert(k, 0);
        fresh.push_back(e);
    }
    if (fresh.empty())
        return 0;
    const int first = count();
    const int last = first + static_cast<int>(fresh.size()) - 1;
    // The placeholder row becomes the first listed file.
    if (first == 0) {
        beginResetModel();
        m_entries = std::move(fresh);
        reindexFrom(0);
        endResetModel();
    } else {
        beginInsertRows({}, first, last);
        m_entries.insert(m_entries.end(), std::make_move_iterator(fresh.begin()),
                         std::make_move_iterator(fresh.end()));
        reindexFrom(first);
        endInsertRows();
    }
    return last - first + 1;
}

std::vector<std::pair<int, SourceEntry>> SourceListModel::removeRowList(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(
        std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 0 || r >= count(); }),
        rows.end());
    std::vector<std::pair<int, SourceEntry>> removed;
    if (rows.empty())
        return removed;
    removed.reserve(rows.size());
    for (int r : rows)
        removed.emplace_back(r, entry(r));
    for (const int r : rows)
        m_rowOf.remove(key(entry(r).file));
    if (static_cast<int>(rows.size()) == count()) {
        // The list empties: its placeholder row stays.
        beginResetModel();
        m_entries.clear();
        endResetModel();
        return removed;
    }
    // Runs of consecutive rows, from the bottom up, so that the rows above keep their
    // numbers while the runs below go.
    std::size_t end = rows.size();
    while (end > 0) {
        std::size_t begin = end - 1;
        while (begin > 0 && rows[begin - 1] == rows[begin] - 1)
            --begin;
        const int first = rows[begin];
        const int last = rows[end - 1];
        beginRemoveRows({}, first, last);
        m_entries.erase(m_entries.begin() + first, m_entries.begin() + last + 1);
        endRemoveRows();
        end = begin;
    }
    reindexFrom(rows.front());
    return removed;
}

std::vector<std::pair<int, SourceEntry>> SourceListModel::removeFiles(const QList<QString> &files)
{
    std::vector<int> rows;
    for (const QString &f : files)
        if (const int r = rowOf(f); r >= 0)
            rows.push_back(r);
    return removeRowList(std::move(rows));
}

QList<QString> SourceListModel::restore(const std::vector<std::pair<int, SourceEntry>> &removed)
{
    // An entry listed again since stays where it is now; the rows below its old place
    // move up by one to make up for it.
    std::vector<std::pair<int, SourceEntry>> back;
    int skipped = 0;
    for (const auto &[row, e] : removed) {
        if (contains(e.file))
            ++skipped;
        else
            back.emplace_back(row - skipped, e);
    }
    QList<QString> files;
    for (const auto &[row, e] : back)
        files << e.file;
    if (back.empty())
        return files;
    if (count() == 0) {
        beginResetModel();
        for (const auto &[row, e] : back)
            m_entries.push_back(e);
        reindexFrom(0);
        endResetModel();
        return files;
    }
    // Top to bottom: each row goes back where it was, the rows above it being back too.
    std::size_t i = 0;
    while (i < back.size()) {
        std::size_t j = i + 1;
        while (j < back.size() && back[j].first == back[j - 1].first + 1)
            ++j;
        const int first = std::min(back[i].first, count());
        beginInsertRows({}, first, first + static_cast<int>(j - i) - 1);
        std::vector<SourceEntry> run;
        for (std::size_t k = i; k < j; ++k)
            run.push_back(back[k].second);
        m_entries.insert(m_entries.begin() + first, std::make_move_iterator(run.begin()),
                         std::make_move_iterator(run.end()));
        endInsertRows();
        i = j;
    }
    reindexFrom(std::min(back.front().first, count() - 1));
    return files;
}

std::vector<SourceRow> SourceListModel::sourceRows() const
{
    std::vector<SourceRow> rows;
    rows.reserve(m_entries.size());
    for (const SourceEntry &e : m_entries)
        rows.push_back({us(e.file), us(e.name), us(e.outputFolder)});
    return rows;
}

} // namespace pravelot
