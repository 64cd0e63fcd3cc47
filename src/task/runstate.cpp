#include "task/runstate.h"

void TRunState::BeginRun(const QString& taskName, const TTaskItem& task)
{
    Task = task;
    LinkOutputList.Clear();
    VisitedURLList.Clear();
    StartURLList.clear();
    LevelURLList.Clear();
    NextLevelURLList.Clear();
    DownloadQueue.Clear();

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
