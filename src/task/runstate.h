#pragma once

#include "task/common.h"

#include <QHash>
#include <QList>

#include <array>
#include <atomic>

/**
 * The state of the current (or last) run, shared by the crawl driver, link following, the
 * extractors, the scheduler and the summary. One instance lives as long as the program.
 * Everything but RunningDownloads is read and written on the user-interface thread only.
 *
 * The run's life cycle goes through the methods below and nowhere else: BeginRun, then
 * RequestStop and ReleaseRunningTask ("Stop") or FinishCrawl (normal end), and MarkDownloadsDone
 * once the scheduler sees nothing waiting or running after the crawl. The lists and counters are
 * filled by the crawl, the extractors and the scheduler as the run goes on.
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
    /** Counts the runs begun, so that what is read once a run can tell runs apart. */
    qint32 RunSerial = 0;
    /** Queue entries that go back into the file of an earlier failed try (Retry Failed)
     *  instead of a new one. */
    QHash<QString, QString> RetryDestinations;
    /** Workers running; raised by the scheduler, lowered by each worker as it ends. */
    std::atomic<qint32> RunningDownloads{0};

    /** A run of task (under taskName) starts: empties every list, takes the copy of the task,
     *  clears the flags and puts the start URLs (one a line) into StartURLList and the first
     *  level. RunningDownloads is left alone: workers of an earlier run may still be running. */
    void BeginRun(const QString& taskName, const TTaskItem& task);
    /** A download-only run of task: queues each URL with its referring page into its existing
     *  file (RetryDestinations), no crawl (CrawlFinished), and no task counts as running. */
    void BeginRetryRun(const TTaskItem& task, const QList<std::array<QString, 3>>& urlReferrerFile);
    /** "Stop" was asked for: the crawl ends at its next wait. */
    void RequestStop() { StopRequested = true; }
    /** The running task's lists are saved after "Stop": no task counts as running any more. */
    void ReleaseRunningTask() { RunningTaskName.clear(); }
    /** The crawl has visited its last level and its lists are saved. */
    void FinishCrawl();
    /** The crawl has finished and no download waits or runs: the scheduler is done. */
    void MarkDownloadsDone() { DownloadsDone = true; }

    /** Nothing is waiting in the queue and no download worker runs. */
    bool DownloadsIdle() const
    {
        return DispatchedCount >= DownloadQueue.Count() && RunningDownloads.load() == 0;
    }
};
