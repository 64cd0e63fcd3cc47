// Link following and text extraction at scale: the cost per link must not grow with the number
// of known URLs, and a 1 MB page text must be searched quickly.
#include "crawl/pageprocessor.h"
#include "extract/pagesnapshot.h"
#include "extract/extracttext.h"
#include "results/resultlists.h"
#include "task/runstate.h"

#include <benchmark/benchmark.h>

using namespace pagemint;

namespace {

QString Url(const char* kind, int i)
{
    return QStringLiteral("http://www.site.org/%1/page%2.html").arg(QLatin1String(kind)).arg(i);
}

TPageSnapshot PageOfLinks(int count)
{
    TPageSnapshot page;
    page.URL = Url("start", 0);
    page.links.reserve(count);
    for (int i = 0; i < count; ++i)
        page.links.append(Url("link", i));
    return page;
}

void PrepareState(TRunState& state, int known)
{
    state.Task.PageLocation = 1;
    state.Task.check5 = true;
    state.StartURLList = {Url("start", 0)};
    for (int i = 0; i < known; ++i)
        state.VisitedURLList.Append(Url("visited", i));
}

/** ProcessPage with CollectLink (and link output) over one page of `links` distinct links. */
void RunPage(benchmark::State& bench, int links, int known)
{
    TRunState state;
    TResultLists lists;
    PrepareState(state, known);
    const TPageSnapshot page = PageOfLinks(links);
    for (auto _ : bench) {
        ProcessPage(page, state, lists);
        bench.PauseTiming();
        if (state.NextLevelURLList.Count() != links)
            bench.SkipWithError("not every link was admitted");
        state.NextLevelURLList.Clear();
        state.LinkOutputList.Clear();
        lists.ClearAll();
        bench.ResumeTiming();
    }
    bench.SetItemsProcessed(bench.iterations() * links);
    bench.counters["ns_per_link"] = benchmark::Counter(
        double(bench.iterations()) * links, benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
        benchmark::Counter::kIs1000);
}

void BM_ProcessPage20kLinks50kVisited(benchmark::State& bench)
{
    RunPage(bench, 20'000, 50'000);
}
BENCHMARK(BM_ProcessPage20kLinks50kVisited)->Unit(benchmark::kMillisecond);

void BM_CollectLinkPerKnownUrls(benchmark::State& bench)
{
    RunPage(bench, 10'000, int(bench.range(0)));
}
BENCHMARK(BM_CollectLinkPerKnownUrls)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_ExtractText1MB(benchmark::State& bench)
{
    // About 1 MB of text in lines of some 60 characters; the markers match late or not at all.
    QString text;
    const QString line = QStringLiteral("Lorem ipsum dolor sit amet, consectetur adipiscing elit %1\r\n");
    for (int i = 0; text.size() < 1'000'000; ++i)
        text += line.arg(i);
    text += QStringLiteral("Price: 100 USD\r\n");
    TPageSnapshot page;
    page.hasBody = true;
    page.bodyText = text;
    TRunState state;
    state.Task.check1 = true;
    state.Task.OutText[0][0] = QStringLiteral("Price:");
    state.Task.OutText[0][2] = QStringLiteral("USD");
    state.Task.OutText[1][1] = QStringLiteral("nowhere");
    state.Task.OutText[2][2] = QStringLiteral("missing");
    TResultLists lists;
    for (auto _ : bench) {
        ExtractText(page, state, lists);
        bench.PauseTiming();
        lists.ClearAll();
        bench.ResumeTiming();
    }
    bench.SetBytesProcessed(bench.iterations() * text.size() * qint64(sizeof(QChar)));
}
BENCHMARK(BM_ExtractText1MB)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
