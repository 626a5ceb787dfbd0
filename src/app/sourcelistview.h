// The table of the source list: file and block name, one row per file.
#pragma once

#include <QTableView>

namespace pravelot {

class SourceListView : public QTableView {
    Q_OBJECT
public:
    explicit SourceListView(QWidget *parent = nullptr);

    // The widths of the two columns; from now on they share the width of the list in
    // that proportion, as the window is made wider or narrower.
    void setColumnWidths(int file, int name);

protected:
    // F2 or a double click anywhere in a row edits its block name; a key typed into
    // the file column edits nothing.
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void fitColumns();
    void columnResized(int column, int newSize);

    // The file column's share of the width.
    double m_fileShare = 256.0 / (256 + 96);
    bool m_fitting = false;
};

} // namespace pravelot
