#include "app/clicklabel.h"

#include <QMouseEvent>

namespace pravelot {

ClickLabel::ClickLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    setPalette(p);
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        isEnabled())
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace pravelot
