#include "app/statuslabel.h"

#include <algorithm>

namespace pravelot {

namespace {
constexpr int kMaxLines = 3;
} // namespace

StatusLabel::StatusLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setWordWrap(true);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_height = fontMetrics().height();
}

void StatusLabel::setStatus(const QString &text)
{
    setText(text);
    fit();
}

QSize StatusLabel::sizeHint() const { return {0, m_height}; }

QSize StatusLabel::minimumSizeHint() const { return {0, m_height}; }

void StatusLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fit();
}

void StatusLabel::fit()
{
    const int line = fontMetrics().height();
    const int wanted = width() > 0 ? QLabel::heightForWidth(width()) : line;
    const int height = std::clamp(wanted, line, kMaxLines * line);
    if (height != m_height) {
        m_height = height;
        updateGeometry();
    }
}

} // namespace pravelot
