#include "app/pathlabel.h"

#include <QPainter>
#include <QStyle>

namespace pravelot {

PathLabel::PathLabel(QWidget *parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void PathLabel::setPath(const QString &path)
{
    setText(path);
    setToolTip(path);
}

QString PathLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

QSize PathLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

void PathLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    style()->drawItemText(&p, contentsRect(), static_cast<int>(alignment()), palette(), isEnabled(),
                          shownText(), foregroundRole());
}

} // namespace pravelot
