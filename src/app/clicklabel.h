// A label that reads and acts like a link: blue, underlined, and clickable.
#pragma once

#include <QLabel>

namespace pravelot {

class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(const QString &text, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace pravelot
