// Small pictures of figure files for the thumbnail view, drawn on worker threads and kept
// for when they are shown again.
#pragma once

#include "app/figureloader.h"

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <memory>

namespace pravelot {

class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    // Pictures of size (logical pixels) at the device pixel ratio dpr.
    ThumbnailCache(QSize size, qreal dpr, QObject *parent = nullptr);
    // Waits for the pictures being drawn, which stop early.
    ~ThumbnailCache() override;

    // The picture of file when it is drawn; a null image otherwise, and then the picture
    // is drawn, the files asked for last first, and ready() tells when.
    QImage picture(const QString &file);
    // How files are read; loadFigureDrawing unless a test says otherwise.
    void setLoader(FigureLoader loader) { m_loader = std::move(loader); }
    QSize size() const { return m_size; }
    // Pictures are being drawn or wait to be.
    bool busy() const { return m_running > 0 || !m_waiting.empty(); }

    // The picture of one file, as the cache draws it (on any thread): the figure fitted
    // on white, or, when it cannot be drawn, the reason on grey.
    static QImage draw(const FigureLoader &load, const QString &file, QSize size, qreal dpr,
                       const std::atomic<bool> *cancel);

signals:
    void ready(const QString &file);

private:
    void startNext();
    void finished(const QString &file, const QImage &picture);

    QSize m_size;
    qreal m_dpr;
    FigureLoader m_loader = defaultFigureLoader();
    // Drawn pictures, the least recently shown going first, by kilobytes.
    QCache<QString, QImage> m_pictures;
    // Asked for and not started, the newest at the back.
    std::deque<QString> m_waiting;
    // Asked for and not drawn yet (waiting or being drawn).
    QSet<QString> m_asked;
    // Files whose picture could not even be made.
    QSet<QString> m_failed;
    int m_running = 0;
    QThreadPool m_pool;
    std::shared_ptr<std::atomic<bool>> m_cancel = std::make_shared<std::atomic<bool>>(false);
};

} // namespace pravelot
