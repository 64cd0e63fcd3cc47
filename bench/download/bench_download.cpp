// Download pipeline benchmarks.
//
// Thumbnails: 200 camera-size JPEGs with photographic noise (100 at 1920 x 1080, 100 at
// 4000 x 3000), generated once into PAGEMINT_BENCH_PHOTOS (default /tmp/pagemint-bench-photos),
// turned into 80 x 80 tiles by
//   - the gallery path (libjpeg-turbo DCT-scaled decode + MakeThumbnail),
//   - a full-size QImage decode + MakeThumbnail of the full picture,
//   - Debian's vipsthumbnail making 80 x 80 thumbnails of the same files (one process per set).
// Downloads: 1 000 small files from a loopback server through TScheduler and TDownloadPool with
// TaskThread 10, ticks driven as fast as downloads end (the workers' capacity) and with the
// real one-second Timer1 (the bound a one-second tick sets: TaskThread files a second).
#include "download/downloadpool.h"
#include "download/gallery.h"
#include "download/scheduler.h"
#include "download/thumbnail.h"
#include "host/frontend.h"
#include "support/imagefiles.h"
#include "results/resultlists.h"
#include "task/paths.h"
#include "task/programsettings.h"
#include "task/runstate.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <cmath>
#include <functional>
#include <thread>

using namespace pagemint;

namespace {

constexpr int PhotosPerSize = 100;

/** A photo-like picture: soft gradients and shapes with sensor-like noise on top. */
QImage PhotoLike(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB888);
    quint32 state = seed * 2654435761u + 1;
    auto noise = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return int(state & 0x1F) + int((state >> 5) & 0x1F) - 31; // -31..31, peaked at 0
    };
    const double fx = 6.2831 / width * (1 + seed % 3);
    const double fy = 6.2831 / height * (2 + seed % 5);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        const double sy = std::sin(y * fy);
        for (int x = 0; x < width; ++x) {
            const double base = 0.5 + 0.25 * std::sin(x * fx) * sy;
            const int r = int(255 * base * x / width) + noise() / 2;
            const int g = int(255 * base) + noise() / 2;
            const int b = int(255 * (1 - base) * y / height) + noise() / 2;
            row[3 * x] = uchar(std::clamp(r, 0, 255));
            row[3 * x + 1] = uchar(std::clamp(g, 0, 255));
            row[3 * x + 2] = uchar(std::clamp(b, 0, 255));
        }
    }
    return image;
}

QString PhotoFolder()
{
    const QString folder = qEnvironmentVariable("PAGEMINT_BENCH_PHOTOS", "/tmp/pagemint-bench-photos");
    QDir().mkpath(folder);
    return folder;
}

/** The photos of one size, generated on first use. */
QStringList Photos(int width, int height)
{
    QStringList paths;
    const QString folder = PhotoFolder();
    for (int i = 0; i < PhotosPerSize; ++i) {
        const QString path = QStringLiteral("%1/photo-%2x%3-%4.jpg").arg(folder).arg(width).arg(height).arg(i);
        if (!QFileInfo::exists(path) && !WriteJpeg(path, PhotoLike(width, height, quint32(i)), 90))
            qFatal("cannot write %s", qPrintable(path));
        paths.append(path);
    }
    return paths;
}

void GalleryPath(benchmark::State& state)
{
    const QStringList photos = Photos(int(state.range(0)), int(state.range(1)));
    TResultLists lists;
    TFrontEnd host;
    TGallery gallery(lists, host);
    for (auto _ : state) {
        for (const QString& path : photos) {
            QImage tile;
            if (!gallery.MakeTile(path, tile))
                state.SkipWithError("decode failed");
            benchmark::DoNotOptimize(tile);
        }
    }
    state.SetItemsProcessed(state.iterations() * photos.size());
}

void FullDecodeAndScale(benchmark::State& state)
{
    const QStringList photos = Photos(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        for (const QString& path : photos) {
            QImageReader reader(path, "JPG");
            reader.setAllocationLimit(1024);
            const QImage full = reader.read();
            if (full.isNull())
                state.SkipWithError("decode failed");
            QImage tile = MakeThumbnail(full);
            benchmark::DoNotOptimize(tile);
        }
    }
    state.SetItemsProcessed(state.iterations() * photos.size());
}

void Vipsthumbnail(benchmark::State& state)
{
    const QStringList photos = Photos(int(state.range(0)), int(state.range(1)));
    const QString program = QStandardPaths::findExecutable("vipsthumbnail");
    if (program.isEmpty()) {
        state.SkipWithError("vipsthumbnail is not installed (package libvips-tools)");
        return;
    }
    QTemporaryDir out;
    QStringList arguments{"--size", "80x80", "-o", out.path() + "/%s.jpg"};
    arguments += photos;
    for (auto _ : state) {
        QProcess vips;
        vips.start(program, arguments);
        if (!vips.waitForFinished(-1) || vips.exitCode() != 0)
            state.SkipWithError("vipsthumbnail failed");
    }
    state.SetItemsProcessed(state.iterations() * photos.size());
}

/** The same, with vips held to one thread, like the gallery's single UI thread. */
void VipsthumbnailOneThread(benchmark::State& state)
{
    qputenv("VIPS_CONCURRENCY", "1");
    Vipsthumbnail(state);
    qunsetenv("VIPS_CONCURRENCY");
}

BENCHMARK(GalleryPath)->Args({1920, 1080})->Args({4000, 3000})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(FullDecodeAndScale)->Args({1920, 1080})->Args({4000, 3000})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(Vipsthumbnail)->Args({1920, 1080})->Args({4000, 3000})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(VipsthumbnailOneThread)->Args({1920, 1080})->Args({4000, 3000})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

/** Downloads `count` small files with TaskThread 10, ticking every tickMs; with tickMs 1 the
 *  scheduler also ticks as soon as a download has ended. */
void Downloads(benchmark::State& state, int count, int tickMs)
{
    httplib::Server server;
    const std::string body(2048, 'x');
    server.Get(R"(/f/.*)", [&body](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "image/jpeg");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serverThread([&server] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::yield();

    for (auto _ : state) {
        QTemporaryDir dir;
        TPaths paths(dir.path());
        TRunState run;
        run.Task.TaskName = "Bench";
        run.Task.TaskThread = 10;
        QDir().mkpath(paths.DownloadsFolder("Bench"));
        for (int i = 0; i < count; ++i)
            run.DownloadQueue.QueueDownloadURL(QStringLiteral("http://127.0.0.1:%1/f/%2.dat").arg(port).arg(i));
        run.FinishCrawl();
        TProgramSettings settings;
        TFrontEnd host;
        TDownloadPool pool(run.RunningDownloads);
        TScheduler scheduler(run, paths, settings, pool, host);
        QObject::connect(&pool, &TDownloadPool::DownloadFinished, &scheduler, &TScheduler::DownloadEnded);
        QEventLoop loop;
        scheduler.SetTimerInterval(tickMs);
        if (tickMs <= 1)
            QObject::connect(&pool, &TDownloadPool::DownloadFinished, &scheduler, &TScheduler::Timer1Timer,
                             Qt::QueuedConnection);
        QObject::connect(&scheduler, &TScheduler::TimerStopped, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        scheduler.SetTimerEnabled(true);
        scheduler.Timer1Timer();
        loop.exec();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        state.counters["files_per_s"] = count / seconds;
        if (tickMs >= 1000)
            state.counters["tick_bound_files_per_s"] = 10.0 * 1000 / tickMs;
    }
    server.stop();
    serverThread.join();
}

void DownloadsTickOnEveryEnd(benchmark::State& state) { Downloads(state, 1000, 1); }
void DownloadsOneSecondTick(benchmark::State& state) { Downloads(state, int(state.range(0)), 1000); }

BENCHMARK(DownloadsTickOnEveryEnd)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(DownloadsOneSecondTick)->Arg(100)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
