#include "app/checkwindow.h"

#include "app/linelist.h"
#include "app/windowfont.h"

#include <QListWidget>
#include <QStatusBar>
#include <QVBoxLayout>

namespace pravelot {

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

void CheckWindow::appendLine(const QString &line, bool select)
{
    m_lines->addItem(line);
    if (select)
        m_lines->setCurrentRow(m_lines->count() - 1);
}

QStringList CheckWindow::lines() const
{
    QStringList out;
    for (int i = 0; i < m_lines->count(); ++i)
        out << m_lines->item(i)->text();
    return out;
}

} // namespace pravelot
