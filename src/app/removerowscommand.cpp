#include "app/removerowscommand.h"

#include <algorithm>

namespace pravelot {

RemoveRowsCommand::RemoveRowsCommand(SourceListModel &model, std::vector<int> rows, Changed changed)
    : m_model(model), m_rows(std::move(rows)), m_changed(std::move(changed))
{
    std::sort(m_rows.begin(), m_rows.end());
    m_rows.erase(std::unique(m_rows.begin(), m_rows.end()), m_rows.end());
    for (int r : m_rows)
        if (r >= 0 && r < m_model.count())
            m_files << m_model.entry(r).file;
    setText(QStringLiteral("削除"));
}

void RemoveRowsCommand::redo()
{
    // The first time by row; again after an undo by file: the rows that came back.
    m_removed = m_removed.empty() ? m_model.removeRowList(m_rows) : m_model.removeFiles(m_back);
    const int top = m_removed.empty() ? 0 : m_removed.front().first;
    if (m_changed)
        m_changed(m_files, true, std::min(top, std::max(m_model.count() - 1, 0)));
}

void RemoveRowsCommand::undo()
{
    m_back = m_model.restore(m_removed);
    const int top = m_removed.empty() ? 0 : m_removed.front().first;
    if (m_changed)
        m_changed(m_files, false, std::min(top, std::max(m_model.count() - 1, 0)));
}

} // namespace pravelot
