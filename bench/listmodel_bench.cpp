// The desktop program's source list with tens of thousands of rows: adding them, scrolling
// through them, selecting them all and removing them, with the table on a screen
// (offscreen). Google Benchmark; build with -DPRAVELOT_BENCH=ON.

#include "app/sourcelistmodel.h"
#include "app/sourcelistview.h"

#include <QApplication>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace pravelot;

namespace {

std::vector<SourceEntry> entries(std::int64_t n)
{
    std::vector<SourceEntry> out;
    out.reserve(static_cast<std::size_t>(n));
    for (std::int64_t i = 0; i < n; ++i) {
        const QString name = QStringLiteral("部品%1").arg(i);
        const QString folder = QStringLiteral("建具/扉%1/").arg(i / 100);
        out.push_back(
            {QStringLiteral("/home/user/部品集/") + folder + name + QStringLiteral(".jws"), name,
             QStringLiteral("部品集/") + folder + name + QStringLiteral(".jws"), folder});
    }
    return out;
}

// A shown table over a fresh model.
struct Window {
    SourceListModel model;
    SourceListView view;
    Window()
    {
        view.setModel(&model);
        view.resize(460, 300);
        view.show();
        QCoreApplication::processEvents();
    }
    // Lays out and paints what is on screen, as the next frame would.
    void frame()
    {
        QCoreApplication::processEvents();
        view.viewport()->repaint();
    }
};

void appendRows(benchmark::State &state)
{
    const std::vector<SourceEntry> rows = entries(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<Window>();
        state.ResumeTiming();
        w->model.append(rows);
        w->frame();
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void scrollThrough(benchmark::State &state)
{
    Window w;
    w.model.append(entries(state.range(0)));
    w.frame();
    QScrollBar *bar = w.view.verticalScrollBar();
    int frames = 0;
    for (auto _ : state) {
        // One page at a time from the top to the bottom.
        for (int v = 0; v <= bar->maximum(); v += bar->pageStep()) {
            bar->setValue(v);
            w.frame();
            ++frames;
        }
    }
    state.counters["frames"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
}

void selectAllAndRemove(benchmark::State &state)
{
    const std::vector<SourceEntry> rows = entries(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<Window>();
        w->model.append(rows);
        w->frame();
        state.ResumeTiming();
        w->view.selectAll();
        std::vector<int> all;
        for (const QModelIndex &i : w->view.selectionModel()->selectedRows())
            all.push_back(i.row());
        const auto removed = w->model.removeRowList(std::move(all));
        w->frame();
        // Ctrl+Z brings them back.
        w->model.restore(removed);
        w->frame();
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(appendRows)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(scrollThrough)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(selectAllAndRemove)->Arg(20000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
