// A label for a folder path in a line too narrow for it: the path is shortened in the
// middle ("/home/…/部品/"), so that its beginning and its end show, and shows whole as
// the label's tool tip.
#pragma once

#include <QLabel>

namespace pravelot {

class PathLabel : public QLabel {
    Q_OBJECT
public:
    explicit PathLabel(QWidget *parent = nullptr);

    // Sets the path; text() gives it back whole.
    void setPath(const QString &path);
    // What the label shows at its present width.
    QString shownText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace pravelot
