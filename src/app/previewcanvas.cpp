#include "app/previewcanvas.h"

#include "app/backgroundtask.h"
#include "app/previewpainter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>
#include <new>
#include <string_view>

namespace pravelot {

namespace {
constexpr std::u16string_view kNoMemoryToDraw = u"メモリ不足のため描画できません";
} // namespace

PreviewCanvas::PreviewCanvas(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(160, 120);
    setMouseTracking(false);
    setCursor(Qt::OpenHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_watcher = new QFutureWatcher<Picture>(this);
    connect(m_watcher, &QFutureWatcher<Picture>::finished, this, [this] {
        m_rendering = false;
        const Picture picture = m_watcher->result();
        if (picture.outOfMemory)
            memoryRanOut();
        const QImage &img = picture.image;
        if (img.isNull())
            return;
        m_cache = img;
        m_cacheVp = m_renderingVp;
        m_cacheSize = m_renderingSize;
        update();
    });
}

PreviewCanvas::~PreviewCanvas() { cancelRender(); }

bool PreviewCanvas::drawable() const
{
    return m_figure && m_figure->status != FigureDrawing::Status::Unreadable;
}

void PreviewCanvas::setFigure(std::shared_ptr<const FigureDrawing> figure, const QString &title)
{
    cancelRender();
    m_figure = std::move(figure);
    m_title = title;
    m_message.clear();
    if (m_figure) {
        m_message = QString::fromStdU16String(m_figure->message);
        if (m_figure->drawing.cut != DrawingCut::None)
            m_message = QString::fromStdU16String(drawingCutNote(m_figure->drawing.cut));
    }
    m_cache = QImage();
    m_fitted = false;
    zoomToFit();
}

void PreviewCanvas::setLoading(const QString &title)
{
    clear(title);
    m_message = QStringLiteral("読み込み中…");
}

void PreviewCanvas::setFailure(const QString &title, const QString &message)
{
    clear(title);
    m_message = message;
}

void PreviewCanvas::clear(const QString &title)
{
    cancelRender();
    m_figure.reset();
    m_title = title;
    m_message.clear();
    m_cache = QImage();
    update();
}

int PreviewCanvas::bandHeight() const { return QFontMetrics(font()).height() + 6; }

void PreviewCanvas::zoomToFit()
{
    if (drawable()) {
        // The whole figure between the title above and the note below, if any.
        const int top = m_title.isEmpty() ? 0 : bandHeight();
        const int bottom = m_message.isEmpty() ? 0 : bandHeight();
        const double margin = std::max(12.0, 0.04 * std::min(width(), height()));
        m_vp = Viewport::fit(m_figure->drawing.viewBox, width(), height() - top - bottom, margin);
        m_vp.pan(0, top);
        m_fitted = true;
    }
    changed();
}

void PreviewCanvas::zoomAt(QPointF at, double factor)
{
    m_vp.zoomAbout({at.x(), at.y()}, factor);
    m_fitted = false;
    changed();
}

void PreviewCanvas::setViewport(const Viewport &vp)
{
    m_vp = vp;
    m_fitted = false;
    update();
}

void PreviewCanvas::changed()
{
    update();
    emit viewportChanged(m_vp);
}

bool PreviewCanvas::pictureReady() const
{
    return !drawable() || (!m_cache.isNull() && m_cacheVp == m_vp && m_cacheSize == size());
}

void PreviewCanvas::cancelRender()
{
    if (m_cancel)
        m_cancel->store(true);
    m_cancel.reset();
    m_rendering = false;
}

void PreviewCanvas::startRender()
{
    if (m_rendering && m_renderingVp == m_vp && m_renderingSize == size())
        return;
    cancelRender();
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_renderingVp = m_vp;
    m_renderingSize = size();
    m_rendering = true;
    // The task holds its own references, so it may outlive this widget.
    auto figure = m_figure;
    auto cancel = m_cancel;
    const Viewport vp = m_vp;
    const QSize px = size() * devicePixelRatioF();
    const qreal dpr = devicePixelRatioF();
    m_watcher->setFuture(runInBackground([figure, cancel, vp, px, dpr] {
        try {
            return Picture{renderDrawing(figure->drawing, vp, px, dpr, cancel.get()), false};
        } catch (const std::bad_alloc &) {
            return Picture{QImage(), true};
        }
    }));
}

void PreviewCanvas::memoryRanOut()
{
    // The figure stays; another view of it (a smaller one) may be drawn yet.
    m_message =
        QString::fromUtf16(kNoMemoryToDraw.data(), static_cast<qsizetype>(kNoMemoryToDraw.size()));
    update();
}

void PreviewCanvas::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (drawable()) {
        if (!pictureReady()) {
            if (m_figure->drawing.primitiveCount() <= kDrawInline) {
                try {
                    m_cache = renderDrawing(m_figure->drawing, m_vp, size() * devicePixelRatioF(),
                                            devicePixelRatioF());
                } catch (const std::bad_alloc &) {
                    m_cache = QImage();
                    memoryRanOut();
                }
                m_cacheVp = m_vp;
                m_cacheSize = size();
            } else {
                startRender();
            }
        }
        if (!m_cache.isNull()) {
            if (pictureReady()) {
                p.drawImage(QPointF(0, 0), m_cache);
            } else {
                // The last picture, moved and scaled to where it belongs in this view.
                const double k = m_vp.scale() / m_cacheVp.scale();
                const Vec2 at = m_vp.toPixel(m_cacheVp.toWorld({0, 0}));
                p.save();
                p.setRenderHint(QPainter::SmoothPixmapTransform, false);
                p.translate(at.x, at.y);
                p.scale(k, k);
                p.drawImage(QPointF(0, 0), m_cache);
                p.restore();
            }
        }
    }
    paintOverlay(p);
}

void PreviewCanvas::paintOverlay(QPainter &p)
{
    if (drawable()) {
        // The base point: where the figure is held when it is placed.
        const Vec2 b = m_vp.toPixel(m_figure->drawing.basePoint);
        if (rect().adjusted(-8, -8, 8, 8).contains(QPointF(b.x, b.y).toPoint())) {
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(QPen(QColor(0xE0, 0x30, 0x30), 1.5));
            p.drawLine(QPointF(b.x - 7, b.y), QPointF(b.x + 7, b.y));
            p.drawLine(QPointF(b.x, b.y - 7), QPointF(b.x, b.y + 7));
            p.drawEllipse(QPointF(b.x, b.y), 3.5, 3.5);
        }
    }
    const QFontMetrics fm(font());
    const int line = bandHeight();
    if (!m_title.isEmpty()) {
        const QRect r(0, 0, width(), line);
        p.fillRect(r, QColor(0xF0, 0xF0, 0xF0, 0xE0));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r.adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   fm.elidedText(m_title, Qt::ElideMiddle, width() - 12));
    }
    if (!m_message.isEmpty()) {
        if (drawable()) {
            // A note above the picture.
            const QRect r(0, height() - line, width(), line);
            p.fillRect(r, QColor(0xFF, 0xF4, 0xC0, 0xF0));
            p.setPen(QColor(0x60, 0x40, 0x00));
            p.drawText(r.adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft,
                       fm.elidedText(m_message, Qt::ElideRight, width() - 12));
        } else {
            // Instead of a picture: why there is none.
            p.setPen(m_figure ? QColor(0xB0, 0x00, 0x00) : palette().color(QPalette::WindowText));
            p.drawText(rect().adjusted(12, line, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                       m_message);
        }
    }
}

void PreviewCanvas::resizeEvent(QResizeEvent *)
{
    if (m_fitted)
        zoomToFit();
}

void PreviewCanvas::wheelEvent(QWheelEvent *event)
{
    if (!drawable())
        return;
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    zoomAt(event->position(), std::pow(1.25, steps));
    event->accept();
}

void PreviewCanvas::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::MiddleButton)
        return;
    m_dragging = true;
    m_dragFrom = event->position();
    setCursor(Qt::ClosedHandCursor);
}

void PreviewCanvas::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !drawable())
        return;
    const QPointF d = event->position() - m_dragFrom;
    m_dragFrom = event->position();
    m_vp.pan(d.x(), d.y());
    m_fitted = false;
    changed();
}

void PreviewCanvas::mouseReleaseEvent(QMouseEvent *)
{
    m_dragging = false;
    setCursor(Qt::OpenHandCursor);
}

void PreviewCanvas::mouseDoubleClickEvent(QMouseEvent *) { zoomToFit(); }

} // namespace pravelot
