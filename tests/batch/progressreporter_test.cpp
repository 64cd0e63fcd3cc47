#include "batch/progressreporter.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

struct Capture
{
    QStringList lines;
    TProgressReporter reporter{[this](const QString& line) { lines.append(line); }};
};

} // namespace

TEST(ProgressReporter, AtMostOneLineASecondAndOnlyOnChange)
{
    Capture c;
    c.reporter.BeginTask("t");
    c.reporter.Poll(0);
    EXPECT_TRUE(c.lines.isEmpty()); // nothing changed yet

    c.reporter.SetSearchProgress(10);
    c.reporter.Poll(5000);
    ASSERT_EQ(c.lines.size(), 1);

    c.reporter.SetSearchProgress(20);
    c.reporter.Poll(5999);
    EXPECT_EQ(c.lines.size(), 1);   // too early: kept for later
    c.reporter.Poll(6000);
    ASSERT_EQ(c.lines.size(), 2);
    EXPECT_TRUE(c.lines.last().contains("search 20%"));
    c.reporter.Poll(9000);
    EXPECT_EQ(c.lines.size(), 2);   // unchanged

    // A new task keeps the pace of the lines.
    c.reporter.BeginTask("u");
    c.reporter.SetDownloadProgress(50);
    c.reporter.Poll(6500);
    EXPECT_EQ(c.lines.size(), 2);
    c.reporter.Poll(7000);
    ASSERT_EQ(c.lines.size(), 3);
    EXPECT_TRUE(c.lines.last().startsWith("u: level 1"));
    EXPECT_TRUE(c.lines.last().contains("downloads 50%"));
}

TEST(ProgressReporter, PagesFollowTheLevels)
{
    // One start page, FollowedLink 2: levels of 1, 3 and 2 pages, then completion with
    // the last level's links left unvisited.
    TProgressReporter r([](const QString&) {});
    r.BeginTask("t");
    EXPECT_EQ(r.StepPage(0, 1, 3), 0);
    EXPECT_EQ(r.Level(), 1);
    EXPECT_EQ(r.StepPage(1, 3, 3), 0);
    EXPECT_EQ(r.Level(), 2);
    EXPECT_EQ(r.StepPage(1, 3, 3), 1);
    EXPECT_EQ(r.StepPage(1, 3, 3), 2);
    EXPECT_EQ(r.StepPage(4, 2, 3), 0);
    EXPECT_EQ(r.Level(), 3);
    EXPECT_EQ(r.StepPage(4, 2, 3), 1);
    // Completion: 100 and then 0, with 5 links collected on the last level.
    EXPECT_EQ(r.StepPage(6, 5, 3), -1);
    EXPECT_EQ(r.StepPage(6, 5, 3), -1);
    EXPECT_EQ(r.Level(), 3);
}

TEST(ProgressReporter, EmptyLevelsAndEmptyRunsStartNoPage)
{
    TProgressReporter r([](const QString&) {});
    r.BeginTask("t");
    EXPECT_EQ(r.StepPage(0, 0, 10), -1); // no start URL: the completion's call
    r.BeginTask("t");
    EXPECT_EQ(r.StepPage(0, 2, 10), 0);
    EXPECT_EQ(r.StepPage(0, 2, 10), 1);
    EXPECT_EQ(r.StepPage(2, 0, 10), -1); // nothing admitted: completion
    EXPECT_EQ(r.Level(), 1);
}

TEST(ProgressReporter, LineShowsPageOrStatusAndDownloadsAfterTheCrawl)
{
    TProgressReporter r([](const QString&) {});
    r.BeginTask("news");
    r.SetStatusText("Searching for re-direct URL");
    EXPECT_EQ(r.Line(), "news: level 1, Searching for re-direct URL, search 0%, downloads 0%");
    r.StepPage(0, 4, 2);
    r.SetPageUrl("http://h/a.html");
    r.SetSearchProgress(25);
    EXPECT_EQ(r.Line(), "news: level 1, page 1/4 http://h/a.html, search 25%, downloads 0%");
    r.SetCrawlDone(true);
    r.SetDownloadProgress(38);
    r.SetDownloadCounts(3, 5);
    EXPECT_EQ(r.Line(), "news: crawl done, downloads 38%, 3 running, 5 waiting");
}
