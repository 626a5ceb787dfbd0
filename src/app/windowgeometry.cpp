#include "app/windowgeometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace pravelot {

namespace {

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type t = event->type();
        if (t != QEvent::Show && t != QEvent::Move && t != QEvent::Resize)
            return false;
        auto *window = static_cast<QWidget *>(watched);
        const QSize frame = window->frameGeometry().size() - window->size();
        if (!window->isVisible() || frame.isNull())
            return false;
        window->removeEventFilter(this);
        window->resize(m_wanted.size() - frame);
        // A window manager may have placed the client, not the frame, at the position.
        if (window->frameGeometry().topLeft() != m_wanted.topLeft())
            window->move(m_wanted.topLeft());
        deleteLater();
        return false;
    }

private:
    QRect m_wanted;
};

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

} // namespace

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

QRect outerGeometry(const QWidget &window) { return window.frameGeometry(); }

} // namespace pravelot
