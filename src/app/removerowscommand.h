// Removing rows from the source list, as a step that Ctrl+Z takes back.
#pragma once

#include "app/sourcelistmodel.h"

#include <QUndoCommand>

#include <functional>
#include <utility>
#include <vector>

namespace pravelot {

class RemoveRowsCommand : public QUndoCommand {
public:
    // Called after the rows went or came back, with the files concerned and the row to
    // make current.
    using Changed = std::function<void(const QList<QString> &files, bool removed, int row)>;

    // rows: the rows to remove, as the model numbers them now. The command removes them
    // when pushed on an undo stack.
    RemoveRowsCommand(SourceListModel &model, std::vector<int> rows, Changed changed);

    void redo() override;
    void undo() override;

    // How many rows the command removes.
    int size() const { return static_cast<int>(m_files.size()); }

private:
    SourceListModel &m_model;
    std::vector<int> m_rows;
    std::vector<std::pair<int, SourceEntry>> m_removed;
    QList<QString> m_files;
    // The files the last undo put back.
    QList<QString> m_back;
    Changed m_changed;
};

} // namespace pravelot
