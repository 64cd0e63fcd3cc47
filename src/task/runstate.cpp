#include "task/runstate.h"

using namespace pagemint;

void TRunState::BeginRun(const QString& taskName, const TTaskItem& task)
{
    Task = task;
    LinkOutputList.Clear();
    VisitedURLList.Clear();
    StartURLList.clear();
    LevelURLList.Clear();
    NextLevelURLList.Clear();
    DownloadQueue.Clear();
    RetryDestinations.clear();
    ++RunSerial;

    RunningTaskName = taskName;
    DispatchedCount = 0;
    CrawlFinished = false;
    DownloadsDone = false;
    StopRequested = false;

    for (const QString& line : SplitLines(Task.StartURL)) {
        LevelURLList.Append(line);
        StartURLList.append(line);
    }
}

void TRunState::FinishCrawl()
{
    CrawlFinished = true;
    RunningTaskName.clear();
}

void TRunState::BeginRetryRun(const TTaskItem& task, const QList<std::array<QString, 3>>& urlReferrerFile)
{
    BeginRun(QString(), task);
    LevelURLList.Clear();
    StartURLList.clear();
    for (const auto& [url, referrer, file] : urlReferrerFile) {
        if (DownloadQueue.QueueDownloadURL(url, referrer) && !file.isEmpty())
            RetryDestinations.insert(url, file);
    }
    CrawlFinished = true;
}
