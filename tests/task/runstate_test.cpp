// The run's life cycle: what a new run resets and what it must leave alone.
#include "task/runstate.h"

#include <gtest/gtest.h>

TEST(RunState, BeginRunResetsTheLastRunButNotTheRunningWorkers)
{
    TRunState run;
    run.VisitedURLList.Append(QStringLiteral("http://old/"));
    run.NextLevelURLList.Append(QStringLiteral("http://old/next"));
    run.LinkOutputList.Append(QStringLiteral("http://old/link"));
    run.DownloadQueue.QueueDownloadURL(QStringLiteral("http://old/a.jpg"));
    run.DispatchedCount = 1;
    run.RequestStop();
    run.FinishCrawl();
    run.MarkDownloadsDone();
    run.RunningDownloads = 2; // workers of the last run still finishing

    TTaskItem task;
    task.TaskName = QStringLiteral("New");
    task.StartURL = QStringLiteral("http://a/\r\nhttp://b/");
    run.BeginRun(QStringLiteral("New"), task);

    EXPECT_EQ(run.RunningTaskName, QStringLiteral("New"));
    EXPECT_EQ(run.Task.TaskName, QStringLiteral("New"));
    EXPECT_EQ(run.StartURLList, (QStringList{QStringLiteral("http://a/"), QStringLiteral("http://b/")}));
    EXPECT_EQ(run.LevelURLList.Count(), 2);
    EXPECT_EQ(run.VisitedURLList.Count(), 0);
    EXPECT_EQ(run.NextLevelURLList.Count(), 0);
    EXPECT_EQ(run.LinkOutputList.Count(), 0);
    EXPECT_EQ(run.DownloadQueue.Count(), 0);
    EXPECT_EQ(run.DispatchedCount, 0);
    EXPECT_FALSE(run.StopRequested);
    EXPECT_FALSE(run.CrawlFinished);
    EXPECT_FALSE(run.DownloadsDone);
    EXPECT_EQ(run.RunningDownloads.load(), 2);
    EXPECT_FALSE(run.DownloadsIdle()); // two workers still run
}

TEST(RunState, StopAndFinishBothReleaseTheTaskButOnlyFinishCountsAsCompleted)
{
    TRunState stopped;
    stopped.BeginRun(QStringLiteral("T"), TTaskItem{});
    stopped.RequestStop();
    stopped.ReleaseRunningTask();
    EXPECT_TRUE(stopped.StopRequested);
    EXPECT_TRUE(stopped.RunningTaskName.isEmpty());
    EXPECT_FALSE(stopped.CrawlFinished);

    TRunState finished;
    finished.BeginRun(QStringLiteral("T"), TTaskItem{});
    finished.FinishCrawl();
    EXPECT_TRUE(finished.CrawlFinished);
    EXPECT_TRUE(finished.RunningTaskName.isEmpty());
    EXPECT_FALSE(finished.StopRequested);
    EXPECT_TRUE(finished.DownloadsIdle());
}
