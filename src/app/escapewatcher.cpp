#include "app/escapewatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

namespace pravelot {

EscapeWatcher::EscapeWatcher(QObject *parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

EscapeWatcher::~EscapeWatcher()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void EscapeWatcher::startLoop() { m_pressedInLoop = false; }

bool EscapeWatcher::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            m_down = true;
            m_pressedInLoop = true;
        }
        break;
    case QEvent::KeyRelease: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            m_down = false;
        break;
    }
    case QEvent::ApplicationDeactivate:
        // The release of a key held while another program takes the keyboard never
        // arrives here.
        m_down = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pravelot
