// The source list: the files to convert, each with the block name to give it. The check
// and the run read the rows from here; the views only show them and edit block names.
#pragma once

#include "convert/runhost.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QString>

#include <span>
#include <vector>

namespace pravelot {

// One listed file.
struct SourceEntry {
    // The path as it arrived (full path). Never changes once listed.
    QString file;
    // The block name; the user edits it.
    QString name;
    // What the list shows for the file: its path below the folder it was added with
    // (that folder's own name first), or empty to show the whole path.
    QString shown;
    // The folders between the destination and the output, mirroring where the file lay
    // below the folder added ("建具/扉/"); empty for a file added by itself.
    QString outputFolder;
};

class SourceListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { FileColumn = 0, NameColumn = 1 };
    // Below the display role: the full path of a row's file (both columns).
    static constexpr int FileRole = Qt::UserRole + 1;

    explicit SourceListModel(QObject *parent = nullptr);

    // Rows of the view: the listed files, or one empty placeholder row while there are
    // none. The placeholder cannot be selected or edited.
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Only a listed file's block name is editable; its path is not.
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // The number of listed files.
    int count() const { return static_cast<int>(m_entries.size()); }
    const SourceEntry &entry(int row) const { return m_entries[static_cast<std::size_t>(row)]; }
    bool contains(const QString &file) const { return m_rowOf.contains(key(file)); }

    // Appends the entries whose file is not listed yet, in order, in one step however
    // many there are. Returns how many were appended.
    int append(std::span<const SourceEntry> entries);
    // Removes the given rows (any order; rows out of range are ignored) and returns the
    // entries removed, each with the row it had, top to bottom.
    std::vector<std::pair<int, SourceEntry>> removeRowList(std::vector<int> rows);
    // Puts removed entries back at the rows they had (top to bottom, as removeRowList
    // gave them); an entry whose file has been listed again since stays out. Returns the
    // files put back.
    QList<QString> restore(const std::vector<std::pair<int, SourceEntry>> &removed);
    // Removes every row whose file is among files; returns them as removeRowList does.
    std::vector<std::pair<int, SourceEntry>> removeFiles(const QList<QString> &files);
    // Row of a listed file; -1 when it is not listed.
    int rowOf(const QString &file) const;

    // The rows as the check and the run take them.
    std::vector<SourceRow> sourceRows() const;

    // The key under which a file counts as listed: its path; on Windows, without regard
    // to letter case, as the file system does.
    static QString key(const QString &file);

private:
    void reindexFrom(int row);

    std::vector<SourceEntry> m_entries;
    // key(file) → row.
    QHash<QString, int> m_rowOf;
};

} // namespace pravelot
