#pragma once

#include "task/common.h"

#include <atomic>

/**
 * The state of the current (or last) run, shared by the crawl driver, link following, the
 * extractors, the scheduler and the summary. One instance lives as long as the program.
 * Everything but RunningDownloads is read and written on the user-interface thread only.
 */
struct TRunState
{
    /** The run's own copy of the task's settings, taken when the run starts, so that selecting
     *  another task during a run changes nothing the run does. */
    TTaskItem Task;

    QStringList StartURLList;
    TFoldedList LevelURLList;
    TFoldedList VisitedURLList;
    TFoldedList NextLevelURLList;
    TDownloadQueue DownloadQueue;
    TFoldedList LinkOutputList;
    qint32 DispatchedCount = 0;
    bool StopRequested = false;
    QString RunningTaskName;   // empty when no run is active

    bool CrawlFinished = false;
    bool DownloadsDone = false;
    /** Workers running; raised by the scheduler, lowered by each worker as it ends. */
    std::atomic<qint32> RunningDownloads{0};
};
