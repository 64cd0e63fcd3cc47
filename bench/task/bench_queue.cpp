// Cost of one QueueDownloadURL admission as the download queue grows. Admission must stay flat:
// the queue keeps a hash of folded entries beside the list instead of scanning it.
#include "task/common.h"

#include <benchmark/benchmark.h>

#include <QStringList>

using namespace pagemint;

namespace {

QString Url(qint64 i)
{
    // Mixed letter case and a blank now and then, as the extractors hand them over.
    QString url = QStringLiteral("http://Images.Example.com/gallery/%1/Photo_%2.JPG").arg(i % 97).arg(i);
    if (i % 5 == 0)
        url += u' ';
    return url;
}

QStringList Urls(qint64 count)
{
    QStringList urls;
    urls.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        urls.append(Url(i));
    return urls;
}

void Fill(TDownloadQueue& queue, const QStringList& urls, qint64 count)
{
    queue.Clear();
    for (qint64 i = 0; i < count; ++i)
        queue.QueueDownloadURL(urls.at(i));
}


/** A URL already queued (other letter case, other blanks) is refused without growing the queue. */
void BM_RefuseDuplicate(benchmark::State& state)
{
    const qint64 size = state.range(0);
    TDownloadQueue queue;
    Fill(queue, Urls(size), size);
    QStringList probes;
    for (qint64 i = 0; i < 1024; ++i)
        probes.append(QStringLiteral("  ") + AsciiLower(Url((i * 7919) % size)));
    qsizetype k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(queue.QueueDownloadURL(probes.at(k)));
        k = (k + 1) & 1023;
    }
    state.counters["queued"] = double(size);
}
BENCHMARK(BM_RefuseDuplicate)->Arg(1000)->Arg(10000)->Arg(100000);

/** A whole run of state.range(0) URLs from an empty queue, every fifth one a duplicate in
 *  other letter case; items/s gives the amortised cost of one admission at that queue size. */
void BM_Run(benchmark::State& state)
{
    const qint64 count = state.range(0);
    QStringList urls;
    urls.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        urls.append(i % 5 == 4 ? Url(i / 2).toUpper() : Url(i));
    for (auto _ : state) {
        TDownloadQueue queue;
        for (const QString& url : urls)
            benchmark::DoNotOptimize(queue.QueueDownloadURL(url));
        benchmark::DoNotOptimize(queue.Count());
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["time_per_admission"] =
        benchmark::Counter(double(state.iterations() * count), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Run)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

/** For comparison: the admission as a scan over every queued entry. */
void BM_PlainScanAdmit(benchmark::State& state)
{
    const qint64 size = state.range(0);
    QStringList folded;
    for (qint64 i = 0; i < size; ++i)
        folded.append(AsciiLower(TrimControl(Url(i))));
    QStringList probes;
    for (qint64 i = 0; i < 1024; ++i)
        probes.append(Url(size + i));
    qsizetype k = 0;
    for (auto _ : state) {
        const QString probe = AsciiLower(TrimControl(probes.at(k)));
        k = (k + 1) & 1023;
        bool found = false;
        for (const QString& entry : folded) {
            if (entry == probe) {
                found = true;
                break;
            }
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["queued"] = double(size);
}
BENCHMARK(BM_PlainScanAdmit)->Arg(1000)->Arg(10000)->Arg(100000);

} // namespace

BENCHMARK_MAIN();
