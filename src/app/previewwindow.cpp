#include "app/previewwindow.h"

#include "app/backgroundtask.h"
#include "app/previewcanvas.h"
#include "app/previewpainter.h"
#include "convert/datacheck.h"
#include "render/figuredrawing.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

namespace pravelot {

namespace {

using Figure = std::shared_ptr<const FigureDrawing>;

QString nameOf(const QString &file) { return QFileInfo(file).fileName(); }

QString describe(const QString &file, const FigureDrawing &f)
{
    QString kind = QString::fromStdU16String(f.kind);
    if (f.version > 0)
        kind += QStringLiteral(" ") + QString::number(f.version);
    return kind.isEmpty() ? nameOf(file)
                          : nameOf(file) + QStringLiteral("  (") + kind + QStringLiteral(")");
}

} // namespace

PreviewWindow::PreviewWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("PreviewWindow"));
    setWindowTitle(QStringLiteral("プレビュー"));
    // It opens as the user picks a row: the keyboard stays with the list (Delete, Tab,
    // the Alt keys).
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto *bar = new QHBoxLayout;
    m_fit = new QPushButton(QStringLiteral("全体表示(&F)"), this);
    m_fit->setObjectName(QStringLiteral("PreviewFit"));
    m_save = new QPushButton(QStringLiteral("PNG保存(&S)..."), this);
    m_save->setObjectName(QStringLiteral("PreviewSave"));
    m_hint = new QLabel(
        QStringLiteral("ホイール：拡大・縮小　ドラッグ：移動　ダブルクリック：全体表示"), this);
    m_hint->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_fit);
    bar->addWidget(m_save);
    bar->addWidget(m_hint, 1);
    layout->addLayout(bar);

    m_split = new QSplitter(Qt::Horizontal, this);
    m_source = new PreviewCanvas(m_split);
    m_source->setObjectName(QStringLiteral("PreviewSource"));
    m_output = new PreviewCanvas(m_split);
    m_output->setObjectName(QStringLiteral("PreviewOutput"));
    m_output->hide();
    m_split->setChildrenCollapsible(false);
    layout->addWidget(m_split, 1);

    // Source and output lie at the same place in the figure: one view for both.
    connect(m_source, &PreviewCanvas::viewportChanged, this,
            [this](const Viewport &vp) { m_output->setViewport(vp); });
    connect(m_output, &PreviewCanvas::viewportChanged, this,
            [this](const Viewport &vp) { m_source->setViewport(vp); });
    connect(m_fit, &QPushButton::clicked, this, [this] {
        m_source->zoomToFit();
        m_output->zoomToFit();
    });
    connect(m_save, &QPushButton::clicked, this, [this] { savePicture(); });
    resize(560, 480);
    updateButtons();
}

PreviewWindow::~PreviewWindow()
{
    for (auto &[canvas, cancel] : m_cancel)
        cancel->store(true);
}

void PreviewWindow::placeBeside(const QWidget &main)
{
    if (m_placed)
        return;
    m_placed = true;
    const QRect frame = main.frameGeometry();
    QRect r(frame.right() + 8, frame.top(), std::max(width(), 480), std::max(frame.height(), 360));
    if (const QScreen *screen = main.screen()) {
        const QRect avail = screen->availableGeometry();
        // No room on the right: over the main window's right part instead.
        if (r.right() > avail.right())
            r.moveRight(avail.right());
    }
    setGeometry(r);
}

void PreviewWindow::showFile(const QString &file)
{
    m_file = file;
    const auto out = m_outputs.find(file.toStdU16String());
    const bool withOutput = out != m_outputs.end();
    m_output->setVisible(withOutput);
    load(m_source, file, withOutput ? QStringLiteral("変換前: ") : QString());
    if (withOutput)
        load(m_output, QString::fromStdU16String(out->second), QStringLiteral("変換後: "));
    else
        m_cancel.erase(m_output);
    if (withOutput)
        m_split->setSizes({1, 1});
}

void PreviewWindow::clearFile()
{
    for (auto &[canvas, cancel] : m_cancel)
        cancel->store(true);
    // Loads still under way finish unseen.
    m_cancel.clear();
    m_file.clear();
    m_source->clear();
    m_output->hide();
    m_output->clear();
    updateButtons();
}

void PreviewWindow::setOutputs(
    const std::vector<std::pair<std::u16string, std::u16string>> &outputs)
{
    for (const auto &[source, output] : outputs)
        m_outputs[source] = output;
    if (!m_file.isEmpty() && m_outputs.count(m_file.toStdU16String()) != 0)
        showFile(m_file);
}

void PreviewWindow::load(PreviewCanvas *canvas, const QString &file, const QString &prefix)
{
    auto &slot = m_cancel[canvas];
    if (slot)
        slot->store(true);
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    slot = cancel;
    canvas->setLoading(prefix + nameOf(file));
    ++m_pending;
    updateButtons();
    auto *watcher = new QFutureWatcher<Figure>(this);
    connect(watcher, &QFutureWatcher<Figure>::finished, this,
            [this, watcher, canvas, cancel, file, prefix] {
                watcher->deleteLater();
                --m_pending;
                // A newer request for this canvas replaced this one.
                const auto it = m_cancel.find(canvas);
                if (it != m_cancel.end() && it->second == cancel) {
                    const Figure f = watcher->result();
                    if (f)
                        canvas->setFigure(f, prefix + describe(file, *f));
                    else
                        canvas->setFailure(
                            prefix + nameOf(file),
                            QString::fromStdU16String(std::u16string(kOutOfMemoryText)));
                    canvas->setToolTip(file);
                }
                updateButtons();
                if (m_pending == 0)
                    emit loaded();
            });
    const std::u16string path = file.toStdU16String();
    // Running out of memory is this file's failure, told in the preview.
    watcher->setFuture(runInBackground([path, cancel, load = m_loader]() -> Figure {
        try {
            return std::make_shared<const FigureDrawing>(loadForDisplay(load, path, cancel.get()));
        } catch (const std::bad_alloc &) {
            return nullptr;
        }
    }));
}

void PreviewWindow::updateButtons()
{
    const FigureDrawing *f = m_source->figure();
    const bool drawn = f && f->status != FigureDrawing::Status::Unreadable;
    m_fit->setEnabled(drawn);
    m_save->setEnabled(drawn && !loading());
}

QImage PreviewWindow::picture(int longSide) const
{
    const FigureDrawing *f = m_source->figure();
    if (!f || f->status == FigureDrawing::Status::Unreadable)
        return {};
    return drawingPicture(f->drawing, longSide);
}

void PreviewWindow::savePicture()
{
    const QFileInfo info(m_file);
    const QString suggested = info.dir().filePath(info.completeBaseName() + QStringLiteral(".png"));
    const QString target = QFileDialog::getSaveFileName(
        this, QStringLiteral("PNG画像の保存"), suggested, QStringLiteral("PNG画像 (*.png)"));
    if (target.isEmpty())
        return;
    if (!picture(2048).save(target, "PNG"))
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("保存できませんでした。\n") + target);
}

} // namespace pravelot
