// Whether the user asked a check or run to stop with the Escape key. Qt has no query of
// a key's state at this moment, so the key's presses and releases are followed by an
// event filter over the whole application.
#pragma once

#include <QObject>

namespace pravelot {

class EscapeWatcher : public QObject {
    Q_OBJECT
public:
    // Watches every event of the application from now on.
    explicit EscapeWatcher(QObject *parent = nullptr);
    ~EscapeWatcher() override;

    // A loop starts: presses before now no longer count, a key held now still does.
    void startLoop();
    // The current loop is to stop, as if Escape had been pressed.
    void stopLoop() { m_pressedInLoop = true; }
    // The key is held down, or was pressed since startLoop.
    bool pressedInLoop() const { return m_down || m_pressedInLoop; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_down = false;
    bool m_pressedInLoop = false;
};

} // namespace pravelot
