#include "app/checkwindow.h"

#include "app/linelist.h"
#include "app/windowfont.h"

#include <QListWidget>
#include <QStatusBar>
#include <QVBoxLayout>

namespace pravelot {

TForm2::TForm2(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("データ確認"));
    setFont(windowFont());

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    showWholeLines(*ListBox1);
    QPalette palette = ListBox1->palette();
    palette.setColor(QPalette::Base, QColor(0xC0, 0xDC, 0xC0)); // light green
    palette.setColor(QPalette::Text, Qt::black);
    ListBox1->setPalette(palette);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ListBox1, 1);
    layout->addWidget(StatusBar1);
}

void TForm2::clearLines() { ListBox1->clear(); }

void TForm2::appendLine(const QString &line, bool select)
{
    ListBox1->addItem(line);
    if (select)
        ListBox1->setCurrentRow(ListBox1->count() - 1);
}

QStringList TForm2::lines() const
{
    QStringList out;
    for (int i = 0; i < ListBox1->count(); ++i)
        out << ListBox1->item(i)->text();
    return out;
}

} // namespace pravelot
