#include "app/checkwindow.h"

#include "app/linelist.h"
#include "app/sourcelistmodel.h"
#include "app/windowfont.h"
#include "app/windowgeometry.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace pravelot {

namespace {
// The file a line is about, as the source list keys it (the path as given is kept too).
constexpr int kKeyRole = Qt::UserRole + 1;
constexpr int kFileRole = Qt::UserRole + 2;
constexpr int kFindingRole = Qt::UserRole + 3;
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
    connect(m_lines->model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                for (int row = first; row <= last; ++row)
                    widenFor(m_lines->item(row)->sizeHint().width());
            });

    m_removeErrors = new QPushButton(QStringLiteral("エラーのある行を一覧から削除"), this);
    m_removeErrors->setObjectName(QStringLiteral("removeErrorRows"));
    m_removeErrors->hide();
    connect(m_removeErrors, &QPushButton::clicked, this, [this] { emit removeErrorRows(); });

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setSizeGripEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_lines, 1);
    layout->addWidget(m_removeErrors);
    layout->addWidget(m_statusBar);
}

void CheckWindow::clearLines()
{
    m_lines->clear();
    updateRemoveButton();
}

void CheckWindow::appendLine(const QString &line, bool select, const QString &file)
{
    auto *item = new QListWidgetItem(line);
    item->setData(kKeyRole, file.isEmpty() ? QString() : SourceListModel::key(file));
    item->setData(kFileRole, file);
    m_lines->addItem(item);
    if (select)
        m_lines->setCurrentRow(m_lines->count() - 1);
}

void CheckWindow::widenFor(int lineWidth)
{
    // The list's frame and a vertical scroll bar beside the line.
    const int chrome =
        2 * m_lines->frameWidth() + m_lines->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    widenTo(*this, lineWidth + chrome);
}

QStringList CheckWindow::lines() const
{
    QStringList out;
    for (int i = 0; i < m_lines->count(); ++i)
        out << m_lines->item(i)->text();
    return out;
}

void CheckWindow::markFindings(const QSet<QString> &errorFiles, const QSet<QString> &warningFiles)
{
    QSet<QString> errors, warnings;
    for (const QString &f : errorFiles)
        errors.insert(SourceListModel::key(f));
    for (const QString &f : warningFiles)
        warnings.insert(SourceListModel::key(f));
    const QIcon errorIcon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warningIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    int firstError = -1;
    for (int row = 0; row < m_lines->count(); ++row) {
        QListWidgetItem *item = m_lines->item(row);
        const QString key = item->data(kKeyRole).toString();
        if (key.isEmpty())
            continue;
        if (errors.contains(key)) {
            item->setData(kFindingRole, static_cast<int>(Finding::Error));
            item->setIcon(errorIcon);
            item->setForeground(QColor(0xB0, 0x00, 0x00));
            if (firstError < 0)
                firstError = row;
        } else if (warnings.contains(key)) {
            item->setData(kFindingRole, static_cast<int>(Finding::Warning));
            item->setIcon(warningIcon);
            item->setForeground(QColor(0x70, 0x50, 0x00));
        }
    }
    if (firstError >= 0) {
        m_lines->setCurrentRow(firstError);
        m_lines->scrollToItem(m_lines->item(firstError), QAbstractItemView::PositionAtTop);
    }
    updateRemoveButton();
}

CheckWindow::Finding CheckWindow::finding(int line) const
{
    const QListWidgetItem *item = m_lines->item(line);
    return item ? static_cast<Finding>(item->data(kFindingRole).toInt()) : Finding::None;
}

QList<QString> CheckWindow::errorFiles() const
{
    QList<QString> out;
    for (int row = 0; row < m_lines->count(); ++row)
        if (finding(row) == Finding::Error)
            out << m_lines->item(row)->data(kFileRole).toString();
    return out;
}

void CheckWindow::forgetFiles(const QList<QString> &files)
{
    QSet<QString> keys;
    for (const QString &f : files)
        keys.insert(SourceListModel::key(f));
    for (int row = m_lines->count() - 1; row >= 0; --row) {
        const QString key = m_lines->item(row)->data(kKeyRole).toString();
        if (!key.isEmpty() && keys.contains(key))
            delete m_lines->takeItem(row);
    }
    updateRemoveButton();
}

void CheckWindow::updateRemoveButton() { m_removeErrors->setVisible(!errorFiles().isEmpty()); }

} // namespace pravelot
