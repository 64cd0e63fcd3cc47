// Opening a gallery of camera pictures.
//
// The pictures: PAGEMINT_BENCH_GALLERY_PHOTOS noisy camera-like JPEGs (default 2000; the even
// ones 1920 x 1080, the odd ones 4000 x 3000), generated once on all cores into
// PAGEMINT_BENCH_GALLERY_DIR (default /tmp/pagemint-bench-gallery) and reused by later runs.
// A smaller count makes a quick run; the generation time is reported as generation_s
// (0 when every picture was already there).
//
// One run measures, on the UI thread's event loop, as the gallery would be opened:
//   first50_ms       selection to the 50th tile shown by the Images view's model (cold cache,
//                    all cores), so that the model's own batching counts too: the median
//                    of FirstTilesOpenings cold openings, each cancelled after its 50th tile as
//                    selecting another task does (first50_worst_ms: the slowest of them)
//   cold_ms          the whole cold rebuild on all cores, with the cache being written
//   cold_speedup     the same cold rebuild on one worker thread, divided by cold_ms
//   warm_ms          the whole rebuild again with every thumbnail in the cache
//   max_ui_block_ms  the largest lateness of a 10 ms timer on the UI thread during the cold
//                    rebuild: the longest time the UI thread was kept from its events
//
// Every picture is read through once before each measured opening, so that all of them find
// the files in the page cache: the runs compare decoding, not the disk (a machine that
// reclaims idle page cache would otherwise make the first full run pay for the reads alone).
//
// What is opened is behind TGalleryOpener: the program's gallery (TGallery with its tile pool
// and the shared cache), filling an Images list exactly as selecting a task does, and the
// Images view's model announcing the rows.
#include "download/gallery.h"
#include "host/frontend.h"
#include "download/thumbnailcache.h"
#include "results/resultlists.h"
#include "support/imagefiles.h"
#include "support/photolike.h"
#include "ui/imagesmodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace {

/** Opens a gallery over paths and reports each tile shown and the end, on the UI thread. */
class TGalleryOpener
{
public:
    virtual ~TGalleryOpener() = default;
    virtual void Open(const QStringList& paths, std::function<void(int shown)> tileShown,
                      std::function<void()> finished) = 0;
    /** Drops the rest of the opening, as selecting another task does, and waits until no
     *  worker is busy any more. */
    virtual void Cancel() = 0;
};

/** The program's gallery with the shared cache: its Images list filled as on a selection. */
class TRealGalleryOpener : public TGalleryOpener
{
public:
    TRealGalleryOpener(const QString& cacheFolder, int threads)
        : m_cache(cacheFolder), m_gallery(m_lists, m_host, &m_cache, threads), m_model(m_lists)
    {
        m_gallery.SetShownTask(QStringLiteral("Bench"));
    }

    void Open(const QStringList& paths, std::function<void(int)> tileShown, std::function<void()> finished) override
    {
        QObject::disconnect(m_shown);
        QObject::disconnect(m_finished);
        m_shown = QObject::connect(&m_model, &QAbstractItemModel::rowsInserted, &m_model,
                                   [this, tileShown] { tileShown(m_model.rowCount()); });
        m_finished = QObject::connect(&m_gallery, &TGallery::RebuildFinished, &m_gallery, [finished] { finished(); });
        m_lists.Images().Files().Assign(paths);
        m_gallery.RebuildGallery();
    }

    void Cancel() override
    {
        m_gallery.SetShownTask(QStringLiteral("Another"));
        m_gallery.Pool().WaitForWorkers(60'000);
        QCoreApplication::processEvents();
    }

private:
    TThumbnailCache m_cache;
    TResultLists m_lists;
    TFrontEnd m_host;
    TGallery m_gallery;
    TImagesModel m_model;
    QMetaObject::Connection m_shown;
    QMetaObject::Connection m_finished;
};

struct TOpening
{
    double First50Ms = -1;
    double TotalMs = 0;
    double MaxUiBlockMs = 0;
};

/** The cold openings whose first-50 times are taken; their median is reported, because one
 *  opening of half a second varies by a fifth from run to run on a shared virtual machine. */
constexpr int FirstTilesOpenings = 5;

/** Opens the gallery and waits for it on the event loop, timing it and the UI thread; with
 *  untilFirst50, only until the 50th tile, after which the opening is cancelled. */
TOpening Measure(TGalleryOpener& opener, const QStringList& paths, bool untilFirst50 = false)
{
    TOpening result;
    QEventLoop loop;
    QElapsedTimer clock;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    qint64 lastTick = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        result.MaxUiBlockMs = std::max(result.MaxUiBlockMs, (now - lastTick) / 1e6 - 10.0);
        lastTick = now;
    });
    clock.start();
    ticker.start();
    opener.Open(
        paths,
        [&](int shown) {
            if (shown >= std::min<int>(50, int(paths.size())) && result.First50Ms < 0) {
                result.First50Ms = clock.nsecsElapsed() / 1e6;
                if (untilFirst50)
                    loop.quit();
            }
        },
        [&] {
            result.TotalMs = clock.nsecsElapsed() / 1e6;
            loop.quit();
        });
    loop.exec();
    ticker.stop();
    if (untilFirst50)
        opener.Cancel();
    return result;
}

int PhotoCount()
{
    bool ok = false;
    const int count = qEnvironmentVariableIntValue("PAGEMINT_BENCH_GALLERY_PHOTOS", &ok);
    return ok && count > 0 ? count : 2000;
}

QString PhotoFolder()
{
    const QString folder = qEnvironmentVariable("PAGEMINT_BENCH_GALLERY_DIR");
    return folder.isEmpty() ? QStringLiteral("/tmp/pagemint-bench-gallery") : folder;
}

/** The pictures, generated where missing; seconds spent generating in *seconds. */
QStringList EnsurePhotos(double* seconds)
{
    const QString folder = PhotoFolder();
    QDir().mkpath(folder);
    const int count = PhotoCount();
    QStringList paths;
    std::vector<std::pair<QString, QSize>> missing;
    for (int i = 0; i < count; ++i) {
        const QSize size = i % 2 == 0 ? QSize(1920, 1080) : QSize(4000, 3000);
        const QString path =
            folder + QStringLiteral("/cam%1_%2x%3.jpg").arg(i, 5, 10, QChar(u'0')).arg(size.width()).arg(size.height());
        paths.append(path);
        if (!QFileInfo(path).isFile())
            missing.emplace_back(path, size);
    }
    QElapsedTimer clock;
    clock.start();
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < std::max(1, QThread::idealThreadCount()); ++t)
        workers.emplace_back([&] {
            for (size_t i = next++; i < missing.size(); i = next++) {
                // Written under a temporary name, so that an interrupted run leaves no half file.
                const QString part = missing[i].first + QStringLiteral(".part");
                const QSize size = missing[i].second;
                if (WriteJpeg(part, PhotoLikeImage(size.width(), size.height(), quint32(i * 7919 + 13)), 85))
                    QFile::rename(part, missing[i].first);
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    *seconds = missing.empty() ? 0.0 : clock.elapsed() / 1000.0;
    if (!missing.empty())
        std::fprintf(stderr, "generated %zu pictures in %.1f s\n", missing.size(), *seconds);
    return paths;
}

/** Reads every file once, so that the next opening finds them in the page cache. */
void ReadThrough(const QStringList& paths)
{
    std::vector<char> buffer(1 << 20);
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        while (file.read(buffer.data(), qint64(buffer.size())) > 0) {
        }
    }
}

void OpenGallery(benchmark::State& state)
{
    double generation = 0;
    const QStringList paths = EnsurePhotos(&generation);
    TOpening cold;
    TOpening oneThread;
    TOpening warm;
    std::vector<double> first50;
    for (auto _ : state) {
        first50.clear();
        ReadThrough(paths);
        for (int i = 0; i < FirstTilesOpenings; ++i) {
            QTemporaryDir cache;
            TRealGalleryOpener opener(cache.path(), 0);
            first50.push_back(Measure(opener, paths, true).First50Ms);
        }
        QTemporaryDir coldCache;
        QTemporaryDir oneThreadCache;
        ReadThrough(paths);
        {
            TRealGalleryOpener opener(coldCache.path(), 0);
            cold = Measure(opener, paths);
        }
        ReadThrough(paths);
        {
            TRealGalleryOpener opener(oneThreadCache.path(), 1);
            oneThread = Measure(opener, paths);
        }
        {
            ReadThrough(paths);
            TRealGalleryOpener opener(coldCache.path(), 0); // every thumbnail is cached now
            warm = Measure(opener, paths);
        }
        state.SetIterationTime((cold.TotalMs + oneThread.TotalMs + warm.TotalMs) / 1000.0);
    }
    state.counters["photos"] = paths.size();
    state.counters["threads"] = std::max(1, QThread::idealThreadCount());
    state.counters["generation_s"] = generation;
    std::sort(first50.begin(), first50.end());
    state.counters["first50_ms"] = first50[first50.size() / 2];
    state.counters["first50_worst_ms"] = first50.back();
    state.counters["first50_full_run_ms"] = cold.First50Ms;
    state.counters["cold_ms"] = cold.TotalMs;
    state.counters["cold_one_thread_ms"] = oneThread.TotalMs;
    state.counters["cold_speedup"] = cold.TotalMs > 0 ? oneThread.TotalMs / cold.TotalMs : 0;
    state.counters["warm_ms"] = warm.TotalMs;
    state.counters["max_ui_block_ms"] = cold.MaxUiBlockMs;
}

BENCHMARK(OpenGallery)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
