// One figure in the preview: its picture, zoomed and moved with the mouse.
#pragma once

#include "render/figuredrawing.h"
#include "render/viewport.h"

#include <QFutureWatcher>
#include <QImage>
#include <QWidget>

#include <atomic>
#include <memory>

namespace pravelot {

class PreviewCanvas : public QWidget {
    Q_OBJECT
public:
    explicit PreviewCanvas(QWidget *parent = nullptr);
    ~PreviewCanvas() override;

    // Shows the figure (or, when it cannot be drawn, its message) under a title, zoomed
    // to fit. Shared with whoever else shows it; never changed.
    void setFigure(std::shared_ptr<const FigureDrawing> figure, const QString &title);
    // Shows that the file named by title is being read.
    void setLoading(const QString &title);
    // Shows under the title why the file could not be shown.
    void setFailure(const QString &title, const QString &message);
    // Shows nothing but the title.
    void clear(const QString &title = {});

    const FigureDrawing *figure() const { return m_figure.get(); }
    QString title() const { return m_title; }
    // The text shown instead of (or above) the picture; empty when there is none.
    QString message() const { return m_message; }

    void zoomToFit();
    // Zooms by factor about the widget point at, as the mouse wheel does.
    void zoomAt(QPointF at, double factor);
    const Viewport &viewport() const { return m_vp; }
    // Takes over another canvas's view, without telling anyone.
    void setViewport(const Viewport &vp);
    // Whether the picture on screen is complete for the current view.
    bool pictureReady() const;

    // Pictures larger than this many primitives are drawn on another thread while the
    // last picture stands in, moved and scaled to the new view.
    static constexpr std::size_t kDrawInline = 20000;

signals:
    // The user zoomed or moved the view.
    void viewportChanged(const pravelot::Viewport &vp);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool drawable() const;
    // Height of the title band above the picture and of the note band below it.
    int bandHeight() const;
    void changed();
    void startRender();
    void cancelRender();
    void paintOverlay(QPainter &p);
    // Drawing the picture ran out of memory: the note says so.
    void memoryRanOut();

    struct Picture {
        QImage image; // null when cancelled or out of memory
        bool outOfMemory = false;
    };

    std::shared_ptr<const FigureDrawing> m_figure;
    QString m_title;
    QString m_message;
    Viewport m_vp;
    bool m_fitted = false;
    QPointF m_dragFrom;
    bool m_dragging = false;

    // The last finished picture and the view it was made for.
    QImage m_cache;
    Viewport m_cacheVp;
    QSize m_cacheSize;
    QFutureWatcher<Picture> *m_watcher = nullptr;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    Viewport m_renderingVp;
    QSize m_renderingSize;
    bool m_rendering = false;
};

} // namespace pravelot
