#include "app/windowgeometry.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace pravelot {

namespace {

const char *const kWantedSize = "pravelotOuterSize";

QRect desktop()
{
    QRect all;
    for (const QScreen *s : QGuiApplication::screens())
        all |= s->geometry();
    return all.isValid() ? all : QRect(0, 0, 1024, 768);
}

QRect sane(const QRect &outer)
{
    const QRect area = desktop();
    // Never larger than the whole desktop, nor than an X11 window can be.
    const int maxW = std::min(std::max(area.width(), 640), 16384);
    const int maxH = std::min(std::max(area.height(), 480), 16384);
    QRect r(outer.x(), outer.y(), std::clamp(outer.width(), 1, maxW),
            std::clamp(outer.height(), 1, maxH));
    bool onScreen = false;
    for (const QScreen *s : QGuiApplication::screens())
        onScreen = onScreen || s->availableGeometry().intersects(r);
    if (!onScreen)
        r.moveTo(50, 50);
    return r;
}

QSize frameSize(const QWidget &w) { return w.frameGeometry().size() - w.size(); }

} // namespace

void setOuterGeometry(QWidget &window, const QRect &outer)
{
    const QRect r = sane(outer);
    window.move(r.topLeft());
    window.resize(r.size() - frameSize(window));
    window.setProperty(kWantedSize, window.isVisible() ? QVariant() : QVariant(r.size()));
}

void fitOuterSize(QWidget &window)
{
    auto fit = [](QWidget &w) {
        const QVariant wanted = w.property(kWantedSize);
        if (!wanted.isValid() || frameSize(w).isNull())
            return false;
        w.setProperty(kWantedSize, QVariant());
        w.resize(wanted.toSize() - frameSize(w));
        return true;
    };
    if (fit(window))
        return;
    // Some window managers tell the frame only after the window is mapped.
    QPointer<QWidget> later(&window);
    QTimer::singleShot(0, &window, [later, fit] {
        if (later && fit(*later))
            return;
        if (later)
            later->setProperty(kWantedSize, QVariant());
    });
}

QRect outerGeometry(const QWidget &window) { return window.frameGeometry(); }

} // namespace pravelot
