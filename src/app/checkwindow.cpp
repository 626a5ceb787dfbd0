#include "app/checkwindow.h"

#include "app/linelist.h"
#include "app/sourcelistmodel.h"
#include "app/windowfont.h"

#include <QListWidget>
#include <QStatusBar>
#include <QVBoxLayout>

namespace pravelot {

namespace {
// The file a line is about, as the source list keys it.
constexpr int kFileRole = Qt::UserRole + 1;
} // namespace

CheckWindow::CheckWindow(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("CheckWindow"));
    setWindowTitle(QStringLiteral("データ確認"));
    setFont(windowFont());

    m_lines = new QListWidget(this);
    m_lines->setObjectName(QStringLiteral("findings"));
    showWholeLines(*m_lines);
    QPalette palette = m_lines->palette();
    palette.setColor(QPalette::Base, QColor(0xC0, 0xDC, 0xC0)); // light green
    palette.setColor(QPalette::Text, Qt::black);
    m_lines->setPalette(palette);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setSizeGripEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_lines, 1);
    layout->addWidget(m_statusBar);
}

void CheckWindow::clearLines() { m_lines->clear(); }

void CheckWindow::appendLine(const QString &line, bool select, const QString &file)
{
    auto *item = new QListWidgetItem(line);
    item->setData(kFileRole, SourceListModel::key(file));
    m_lines->addItem(item);
    if (select)
        m_lines->setCurrentRow(m_lines->count() - 1);
}

void CheckWindow::forgetFiles(const QList<QString> &files)
{
    QSet<QString> keys;
    for (const QString &f : files)
        keys.insert(SourceListModel::key(f));
    for (int row = m_lines->count() - 1; row >= 0; --row) {
        const QString file = m_lines->item(row)->data(kFileRole).toString();
        if (!file.isEmpty() && keys.contains(file))
            delete m_lines->takeItem(row);
    }
}

QStringList CheckWindow::lines() const
{
    QStringList out;
    for (int i = 0; i < m_lines->count(); ++i)
        out << m_lines->item(i)->text();
    return out;
}

} // namespace pravelot
