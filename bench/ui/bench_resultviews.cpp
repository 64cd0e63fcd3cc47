// How long the window is busy when a run appends many rows: appending to the result lists, then
// the batched model announcing them and the view laying them out and painting once.
//   QT_QPA_PLATFORM=offscreen pagemint_bench_ui
#include "results/resultlists.h"
#include "ui/imagesmodel.h"
#include "ui/resulttablemodel.h"

#include <QApplication>
#include <QHeaderView>
#include <QListView>
#include <QTableView>
#include <QTreeView>
#include <benchmark/benchmark.h>

namespace {

void PaintNow(QWidget& view)
{
    view.repaint();
    QApplication::processEvents();
}

void BM_LinksAppendAndShow(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TResultLists lists;
        TResultTableModel model(lists, TabLinks);
        QTableView view;
        view.setModel(&model);
        view.horizontalHeader()->hide();
        view.horizontalHeader()->setStretchLastSection(true);
        view.verticalHeader()->hide();
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view.resize(800, 600);
        view.show();
        for (int i = 0; i < rows; ++i)
            lists.AddLink(QStringLiteral("http://site.test/page%1.html").arg(i));
        model.Flush();
        PaintNow(view);
        view.scrollToBottom();
        PaintNow(view);
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_LinksAppendAndShow)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_TextAppendAndShow(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TResultLists lists;
        TResultTableModel model(lists, TabText);
        QTreeView view;
        view.setModel(&model);
        view.setUniformRowHeights(true);
        view.setRootIsDecorated(false);
        view.resize(800, 600);
        view.show();
        for (int i = 0; i < rows; ++i)
            lists.AddText({QStringLiteral("v%1").arg(i), QStringLiteral("b"), QStringLiteral("c"), QString(),
                           QStringLiteral("e")});
        model.Flush();
        PaintNow(view);
        view.scrollToBottom();
        PaintNow(view);
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_TextAppendAndShow)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_ImagesAppendAndShow(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    QImage tile(80, 80, QImage::Format_RGB32);
    tile.fill(Qt::gray);
    for (auto _ : state) {
        TResultLists lists;
        TImagesModel model(lists);
        QListView view;
        view.setModel(&model);
        view.setViewMode(QListView::IconMode);
        view.setIconSize(QSize(80, 80));
        view.setGridSize(QSize(108, 114));
        view.setUniformItemSizes(true);
        view.setLayoutMode(QListView::Batched);
        view.resize(800, 600);
        view.show();
        for (int i = 0; i < rows; ++i)
            lists.AddImage(QStringLiteral("photo%1.jpg").arg(i), tile, QStringLiteral("/x/photo%1.jpg").arg(i));
        model.Flush();
        PaintNow(view);
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_ImagesAppendAndShow)->Arg(5'000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
