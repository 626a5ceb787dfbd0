#include "app/windowgeometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace pravelot {

namespace {

// The widest the window's client area can be with its frame's left edge at left, so
// that the frame ends at the right edge of its screen's available area.
int widestClient(const QWidget &window, int left)
{
    const int border = window.frameGeometry().width() - window.width();
    const QScreen *screen = window.screen();
    if (!screen)
        return QWIDGETSIZE_MAX;
    return screen->availableGeometry().right() + 1 - left - border;
}

const QString kFitterName = QStringLiteral("pravelotOuterFit");

// An X11 window manager frames a window only once it is mapped, and only then can the
// client size that gives the wanted outer size be known. Until then the window carries
// this filter, which applies the wanted rectangle at the first event that shows a frame.
class OuterFit : public QObject {
public:
    OuterFit(QWidget &window, const QRect &wanted) : QObject(&window), m_wanted(wanted)
    {
        setObjectName(kFitterName);
        window.installEventFilter(this);
    }

    void setMinimumClientWidth(int width) { m_minClientWidth = std::max(m_minClientWidth, width); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type t = event->type();
        if (t != QEvent::Show && t != QEvent::Move && t != QEvent::Resize)
            return false;
        applyOnceFramed(*static_cast<QWidget *>(watched));
        return false;
    }

public:
    // Takes the wanted place and size when the window shows its frame; false while it
    // does not yet.
    bool applyOnceFramed(QWidget &window)
    {
        const QSize frame = window.frameGeometry().size() - window.size();
        if (!window.isVisible() || frame.isNull())
            return false;
        window.removeEventFilter(this);
        QSize client = m_wanted.size() - frame;
        if (m_minClientWidth > client.width())
            client.setWidth(std::max(
                client.width(), std::min(m_minClientWidth, widestClient(window, m_wanted.left()))));
        window.resize(client);
        // A window manager may have placed the client, not the frame, at the position.
        if (window.frameGeometry().topLeft() != m_wanted.topLeft())
            window.move(m_wanted.topLeft());
        setParent(nullptr);
        deleteLater();
        return true;
    }

private:
    QRect m_wanted;
    int m_minClientWidth = 0;
};

} // namespace

QList<QRect> availableAreas()
{
    QList<QRect> areas;
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        areas << primary->availableGeometry();
    for (const QScreen *s : QGuiApplication::screens())
        if (s != QGuiApplication::primaryScreen())
            areas << s->availableGeometry();
    return areas;
}

QRect placeOnScreen(const QRect &outer, const QList<QRect> &areas)
{
    QRect r(outer.topLeft(), outer.size().expandedTo(QSize(1, 1)));
    if (areas.isEmpty())
        return r;
    for (const QRect &a : areas)
        if (a.contains(r))
            return r;
    QRect area = areas.front();
    long long most = 0;
    for (const QRect &a : areas) {
        const QRect overlap = a.intersected(r);
        const long long size = static_cast<long long>(overlap.width()) * overlap.height();
        if (size > most) {
            most = size;
            area = a;
        }
    }
    if (most == 0)
        r.moveTopLeft(area.topLeft() + QPoint(50, 50));
    r.setSize(r.size().boundedTo(area.size()));
    r.moveLeft(std::clamp(r.left(), area.left(), area.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), area.top(), area.bottom() - r.height() + 1));
    return r;
}

QRect placeBeside(const QRect &outer, const QRect &main, const QList<QRect> &areas,
                  const QRect &other)
{
    constexpr int kGap = 8;
    const auto area = [](const QRect &a, const QRect &b) {
        const QRect overlap = a.intersected(b);
        return static_cast<long long>(overlap.width()) * overlap.height();
    };
    // Covering main counts twice what covering the other window does: a strip of the
    // main window's status bar is better than the whole preview.
    const auto covered = [&](const QRect &r) {
        return 2 * area(r, main) + (other.isValid() ? area(r, other) : 0);
    };
    const QSize size = outer.size();
    const QPoint places[] = {
        {main.right() + 1 + kGap, main.bottom() + 1 - size.height()},
        {main.left() - kGap - size.width(), main.bottom() + 1 - size.height()},
        {main.left(), main.bottom() + 1 + kGap},
        {main.left(), main.top() - kGap - size.height()},
    };
    QRect best = outer;
    auto least = covered(outer);
    for (const QPoint &at : places) {
        const QRect r = placeOnScreen(QRect(at, size), areas);
        if (covered(r) < least) {
            best = r;
            least = covered(r);
        }
    }
    return best;
}

void setOuterGeometry(QWidget &window, const QRect &outer)
{
    const QRect r = placeOnScreen(outer, availableAreas());
    delete window.findChild<QObject *>(kFitterName, Qt::FindDirectChildrenOnly);
    const QSize frame = window.frameGeometry().size() - window.size();
    window.move(r.topLeft());
    window.resize(r.size() - frame);
    if (!window.isVisible() || frame.isNull())
        new OuterFit(window, r);
}

void widenTo(QWidget &window, int clientWidth)
{
    if (auto *fit = window.findChild<OuterFit *>(kFitterName, Qt::FindDirectChildrenOnly)) {
        fit->setMinimumClientWidth(clientWidth);
        fit->applyOnceFramed(window);
        return;
    }
    const int width = std::min(clientWidth, widestClient(window, window.frameGeometry().left()));
    if (width > window.width())
        window.resize(width, window.height());
}

QRect outerGeometry(const QWidget &window) { return window.frameGeometry(); }

} // namespace pravelot
