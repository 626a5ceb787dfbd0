// The preview ("プレビュー"): a window of its own beside the main window that shows
// the figure of the selected source row and, once a run has converted it, the file
// written from it, side by side in the same view.
#pragma once

#include "app/figureloader.h"

#include <QFutureWatcher>
#include <QWidget>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class QSplitter;

namespace pravelot {

class PreviewCanvas;
struct FigureDrawing;

class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    explicit PreviewWindow(QWidget *parent = nullptr);
    ~PreviewWindow() override;

    // Reads file in the background and shows it; its output too when a run made one.
    // The same file again is read again (it may have changed).
    void showFile(const QString &file);
    // Shows no figure (the list was emptied).
    void clearFile();
    // Sources a run converted, each with the file written from it. The figure on show
    // gets its output beside it.
    void setOutputs(const std::vector<std::pair<std::u16string, std::u16string>> &outputs);

    QString file() const { return m_file; }
    PreviewCanvas *sourceCanvas() const { return m_source; }
    PreviewCanvas *outputCanvas() const { return m_output; }
    // Files asked for are still being read.
    bool loading() const { return m_pending > 0; }

    // The figure on show, whole, in a picture whose longer side is longSide pixels;
    // null when nothing is drawn.
    QImage picture(int longSide) const;

    // How files are read; loadFigureDrawing unless a test says otherwise.
    void setLoader(FigureLoader loader) { m_loader = std::move(loader); }

    // Places the window to the right of the main window at its height, the first time.
    void placeBeside(const QWidget &main);

signals:
    // Every file asked for has been read and is on show.
    void loaded();

private:
    void load(PreviewCanvas *canvas, const QString &file, const QString &title);
    void savePicture();
    void updateButtons();

    FigureLoader m_loader = defaultFigureLoader();
    QString m_file;
    std::map<std::u16string, std::u16string> m_outputs;
    QLabel *m_hint = nullptr;
    QPushButton *m_fit = nullptr;
    QPushButton *m_save = nullptr;
    QSplitter *m_split = nullptr;
    PreviewCanvas *m_source = nullptr;
    PreviewCanvas *m_output = nullptr;
    int m_pending = 0;
    bool m_placed = false;
    // The newest load of each canvas; older ones finish unseen.
    std::map<PreviewCanvas *, std::shared_ptr<std::atomic<bool>>> m_cancel;
};

} // namespace pravelot
