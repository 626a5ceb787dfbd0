// The main window's status text: a text longer than the bar is wide goes on in further
// lines (up to three) instead of being cut.
#pragma once

#include <QLabel>

namespace pravelot {

class StatusLabel : public QLabel {
    Q_OBJECT
public:
    explicit StatusLabel(const QString &text, QWidget *parent = nullptr);

    void setStatus(const QString &text);

    // Its height follows its width, but not through the layout's height-for-width, which
    // would ask at every width down to none and make the window as tall as that.
    bool hasHeightForWidth() const override { return false; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit();

    int m_height = 0;
};

} // namespace pravelot
