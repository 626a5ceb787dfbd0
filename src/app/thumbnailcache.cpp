#include "app/thumbnailcache.h"

#include "app/previewpainter.h"
#include "convert/datacheck.h"

#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <new>

namespace pravelot {

namespace {

// Pictures kept, in kilobytes: some 1,700 pictures of 112 by 84 pixels.
constexpr int kCacheKilobytes = 64 * 1024;
// Files asked for and not started beyond this many are forgotten, the oldest first: the
// user has scrolled past them, and they are asked for again when shown again.
constexpr std::size_t kMaxWaiting = 512;

QImage reasonPicture(const QString &reason, QSize size, qreal dpr)
{
    QImage img(size * dpr, QImage::Format_RGB32);
    if (img.isNull())
        return img;
    img.setDevicePixelRatio(dpr);
    img.fill(QColor(0xE8, 0xE8, 0xE8));
    QPainter p(&img);
    p.setPen(QColor(0xB0, 0x00, 0x00));
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    p.drawText(QRect(QPoint(0, 0), size).adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
               reason);
    return img;
}

} // namespace

ThumbnailCache::ThumbnailCache(QSize size, qreal dpr, QObject *parent)
    : QObject(parent), m_size(size), m_dpr(dpr), m_pictures(kCacheKilobytes)
{
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

ThumbnailCache::~ThumbnailCache()
{
    m_cancel->store(true);
    m_pool.clear();
    m_pool.waitForDone();
}

QImage ThumbnailCache::draw(const FigureLoader &load, const QString &file, QSize size, qreal dpr,
                            const std::atomic<bool> *cancel)
{
    try {
        const FigureDrawing f = loadForDisplay(load, file.toStdU16String(), cancel);
        if (f.status == FigureDrawing::Status::Unreadable)
            return reasonPicture(QString::fromStdU16String(f.message), size, dpr);
        const double margin = std::max(4.0, 0.06 * std::min(size.width(), size.height()));
        const Viewport vp = Viewport::fit(f.drawing.viewBox, size.width(), size.height(), margin);
        return renderDrawing(f.drawing, vp, size * dpr, dpr, cancel);
    } catch (const std::bad_alloc &) {
        return reasonPicture(QString::fromStdU16String(std::u16string(kOutOfMemoryText)), size,
                             dpr);
    }
}

QImage ThumbnailCache::picture(const QString &file)
{
    if (const QImage *p = m_pictures.object(file))
        return *p;
    if (file.isEmpty() || m_asked.contains(file) || m_failed.contains(file))
        return {};
    m_asked.insert(file);
    m_waiting.push_back(file);
    if (m_waiting.size() > kMaxWaiting) {
        m_asked.remove(m_waiting.front());
        m_waiting.pop_front();
    }
    startNext();
    return {};
}

void ThumbnailCache::startNext()
{
    while (m_running < m_pool.maxThreadCount() && !m_waiting.empty()) {
        const QString file = m_waiting.back();
        m_waiting.pop_back();
        ++m_running;
        m_pool.start([this, file, load = m_loader, size = m_size, dpr = m_dpr, cancel = m_cancel] {
            const QImage img = draw(load, file, size, dpr, cancel.get());
            if (cancel->load())
                return;
            // Back on the window's thread; the destructor waits for this task, so the
            // cache is still there.
            QMetaObject::invokeMethod(
                this, [this, file, img] { finished(file, img); }, Qt::QueuedConnection);
        });
    }
}

void ThumbnailCache::finished(const QString &file, const QImage &picture)
{
    --m_running;
    m_asked.remove(file);
    // No memory even for the picture that says so: the file is not tried again.
    if (picture.isNull())
        m_failed.insert(file);
    else
        m_pictures.insert(file, new QImage(picture),
                          std::max<qsizetype>(1, picture.sizeInBytes() / 1024));
    startNext();
    emit ready(file);
}

} // namespace pravelot
