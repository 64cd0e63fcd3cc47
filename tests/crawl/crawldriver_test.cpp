// The crawl driver on a fake browser and a fake clock: levels, progress, waits, logon, Stop.
#include "crawl/crawldriver.h"
#include "support/fakebrowsers.h"
#include "support/fakehosts.h"
#include "support/qtprinters.h"
#include "results/resultlists.h"
#include "task/errors.h"
#include "task/runstate.h"

#include <gtest/gtest.h>

namespace {

QString U(const char* path)
{
    return QStringLiteral("http://site.org/") + QLatin1String(path);
}

class CrawlDriverTest : public testing::Test
{
protected:
    TRunState state;
    TResultLists lists;
    TTimedFakeBrowser browser;
    TRecordingFrontEnd host;
    TSteppingClockPump clock{&browser};
    QStringList saves;
    int timerStarts = 0; // the driver's run-start step starts the download timer
    TCrawlDriver driver{state, lists, browser, host, clock, [this](const QString& name) { saves.append(name); },
                        [this](const QString&) { ++timerStarts; }};
    TTaskItem task;

    QStringList PagesVisited() const
    {
        QStringList pages;
        for (const QString& url : browser.Navigations)
            if (url != QLatin1String("about:blank"))
                pages.append(url);
        return pages;
    }

    /** One start page, three links on it, two new ones on each of those. */
    void BuildTree()
    {
        browser.Pages[U("start")].links = {U("a"), U("b"), U("c")};
        int n = 0;
        for (const char* p : {"a", "b", "c"}) {
            browser.Pages[U(p)].links = {U("start"), U(QByteArray("x") + QByteArray::number(n)),
                                         U(QByteArray("x") + QByteArray::number(n + 1))};
            n += 2;
        }
        for (int i = 0; i < 6; ++i)
            browser.Pages[U(QByteArray("x") + QByteArray::number(i))].links = {U("deeper")};
        task.StartURL = U("start");
    }
};

TEST_F(CrawlDriverTest, VisitsLevelsOfOneThreeAndSixPages)
{
    BuildTree();
    task.FollowedLink = 2;
    ASSERT_TRUE(driver.RunTask(QStringLiteral("T"), task));

    const QStringList expected = {U("start"), U("a"), U("b"), U("c"), U("x0"), U("x1"),
                                  U("x2"), U("x3"), U("x4"), U("x5")};
    EXPECT_EQ(PagesVisited(), expected);
    EXPECT_EQ(state.VisitedURLList.Entries(), expected);
    // The links of the last level are collected but never visited.
    EXPECT_EQ(state.LevelURLList.Entries(), QStringList{U("deeper")});
    EXPECT_EQ(browser.Navigations.count(QStringLiteral("about:blank")), 10);
    EXPECT_EQ(host.Messages, QStringList{TCrawlDriver::CompletedMessage});
    EXPECT_EQ(saves, QStringList{QStringLiteral("T")});
    EXPECT_TRUE(state.CrawlFinished);
    EXPECT_TRUE(state.RunningTaskName.isEmpty());
    EXPECT_EQ(timerStarts, 1);
    EXPECT_FALSE(driver.IsRunActive());
}

TEST_F(CrawlDriverTest, ZeroFollowedLinksVisitsOnlyTheStartPages)
{
    BuildTree();
    ASSERT_TRUE(driver.RunTask(QStringLiteral("T"), task));
    EXPECT_EQ(PagesVisited(), QStringList{U("start")});
    EXPECT_EQ(state.LevelURLList.Entries(), (QStringList{U("a"), U("b"), U("c")}));
}

TEST_F(CrawlDriverTest, ProgressCountsVisitedPagesThenEndsAtHundredThenZero)
{
    BuildTree();
    browser.Pages[U("start")].links = {U("a"), U("b")};
    browser.Pages[U("a")].links = {U("x0"), U("x1")};
    browser.Pages[U("b")].links = {U("x2")};
    task.FollowedLink = 2;
    driver.RunTask(QStringLiteral("T"), task);
    // Level 1: 0/1. Level 2: 1/3, 2/3. Level 3 (two visited... three visited, three pages).
    EXPECT_EQ(host.SearchProgress, (std::vector<int>{0, 33, 67, 50, 67, 83, 100, 0}));
}

TEST_F(CrawlDriverTest, TwoVisitedAndALevelOfThreeShowFortySixtyEighty)
{
    browser.Pages[U("s1")].links = {U("s2")};
    browser.Pages[U("s2")].links = {U("a"), U("b"), U("c")};
    task.StartURL = U("s1") + QStringLiteral("\r\n") + U("s2");
    task.FollowedLink = 1;
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_EQ(host.SearchProgress, (std::vector<int>{0, 50, 40, 60, 80, 100, 0}));
}

TEST_F(CrawlDriverTest, EmptyStartUrlCompletesWithoutVisiting)
{
    task.StartURL.clear();
    task.FollowedLink = 1000000;
    driver.RunTask(QStringLiteral("Empty"), task);
    EXPECT_TRUE(browser.Navigations.isEmpty());
    EXPECT_EQ(host.Messages, QStringList{TCrawlDriver::CompletedMessage});
    EXPECT_EQ(host.SearchProgress, (std::vector<int>{100, 0}));
    EXPECT_EQ(saves, QStringList{QStringLiteral("Empty")});
}

TEST_F(CrawlDriverTest, LoadWaitsEndAtFiftyNineThenThirtySeconds)
{
    browser.Pages[U("slow")] = {.links = {U("never")}, .loadMs = -1};
    browser.Pages[U("never")] = {.loadMs = -1};
    task.StartURL = U("slow");
    task.FollowedLink = 1;
    // The slow page never completes, so the driver goes on with whatever the browser shows.
    browser.Pages[U("slow")].hasDocument = false;
    driver.RunTask(QStringLiteral("T"), task);
    // 59 s on level 1, then the redirect wait (nothing known about links): 30 s + 30 s, then 30 s.
    EXPECT_EQ(clock.NowMs() - 1'000'000, 59'000 + 100 + 30'000 + 30'000);
    EXPECT_EQ(host.Messages, QStringList{TCrawlDriver::CompletedMessage});
    EXPECT_EQ(state.VisitedURLList.Count(), 1);
}

TEST_F(CrawlDriverTest, LaterLevelsWaitThirtySeconds)
{
    browser.Pages[U("start")].links = {U("slow")};
    browser.Pages[U("slow")].loadMs = -1;
    task.StartURL = U("start");
    task.FollowedLink = 1;
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_EQ(clock.NowMs() - 1'000'000, 200 + 30'000);
}

TEST_F(CrawlDriverTest, StartPageWithoutLinksWaitsForItsRedirectAndProcessesTheNewPage)
{
    browser.Pages[U("old")] = {.redirectTo = U("new"), .redirectAfterMs = 5'000};
    browser.Pages[U("new")].links = {U("found")};
    browser.Pages[U("new")].loadMs = 700;
    task.StartURL = U("old");
    task.check5 = true;
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_TRUE(host.CurrentPage.contains(TCrawlDriver::RedirectText));
    EXPECT_EQ(lists.Links(), QStringList{U("found")});
    EXPECT_EQ(state.LevelURLList.Entries(), QStringList{U("found")});
    // Loaded after 200 ms, redirected after 5 s more, loaded 700 ms later: no 30 s time-out.
    EXPECT_LT(clock.NowMs() - 1'000'000, 7'000);
}

TEST_F(CrawlDriverTest, LogonPauseWaitsSixtyThreeSecondsAfterTheMessage)
{
    BuildTree();
    task.ManualBool = true;
    qint64 shownAt = 0;
    host.OnMessage = [&](const QString& text) {
        if (text == TCrawlDriver::LogonMessage)
            shownAt = clock.NowMs();
    };
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_EQ(host.Messages, (QStringList{TCrawlDriver::LogonMessage, TCrawlDriver::CompletedMessage}));
    EXPECT_EQ(clock.NowMs() - shownAt, 63'000);
    EXPECT_EQ(state.LevelURLList.Count(), 3);
}

TEST_F(CrawlDriverTest, StopDuringTheLogonPauseCancelsAtOnce)
{
    BuildTree();
    task.ManualBool = true;
    task.FollowedLink = 3;
    clock.OnPump = [&](int pump) {
        if (pump == 50)
            driver.ActionPauseExecute();
    };
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_EQ(host.Messages, (QStringList{TCrawlDriver::LogonMessage, TCrawlDriver::CancelledMessage}));
    EXPECT_EQ(saves, QStringList{QStringLiteral("T")}); // by "Stop", not again by the driver
    EXPECT_EQ(browser.StopCalls, 1);
    EXPECT_EQ(PagesVisited(), QStringList{U("start")});
    EXPECT_FALSE(state.CrawlFinished);
    EXPECT_TRUE(state.RunningTaskName.isEmpty());
    EXPECT_TRUE(lists.Links().isEmpty());
    EXPECT_FALSE(driver.IsRunActive());
}

TEST_F(CrawlDriverTest, ContinueEndsTheLogonPauseAtOnce)
{
    BuildTree();
    task.ManualBool = true;
    task.FollowedLink = 0;
    qint64 shownAt = 0;
    qint64 continuedAt = 0;
    host.OnMessage = [&](const QString& text) {
        if (text == TCrawlDriver::LogonMessage)
            shownAt = clock.NowMs();
    };
    clock.OnPump = [&](int) {
        // Ten seconds into the pause the user has logged on and clicks "Continue".
        if (driver.InLogonPause() && continuedAt == 0 && clock.NowMs() - shownAt >= 10'000) {
            continuedAt = clock.NowMs();
            driver.EndLogonPause();
        }
    };
    driver.RunTask(QStringLiteral("T"), task);

    ASSERT_EQ(host.LogonDeadlines.size(), 1u);
    EXPECT_EQ(host.LogonDeadlines.front(), shownAt + TCrawlDriver::LogonWaitMs);
    EXPECT_EQ(host.LogonEnds, 1);
    EXPECT_EQ(clock.NowMs(), continuedAt); // no pump after the click
    EXPECT_FALSE(driver.InLogonPause());
    // The page is processed as after a full pause, and the run completes.
    EXPECT_EQ(host.Messages, (QStringList{TCrawlDriver::LogonMessage, TCrawlDriver::CompletedMessage}));
    EXPECT_EQ(state.LevelURLList.Count(), 3);
}

TEST_F(CrawlDriverTest, ContinueOutsideThePauseIsIgnored)
{
    BuildTree();
    task.ManualBool = true;
    qint64 shownAt = 0;
    // Clicks before the run, during the load wait and while the message is up never shorten
    // the pause that follows.
    driver.EndLogonPause();
    clock.OnPump = [&](int) {
        if (!driver.InLogonPause())
            driver.EndLogonPause();
    };
    host.OnMessage = [&](const QString& text) {
        if (text == TCrawlDriver::LogonMessage) {
            shownAt = clock.NowMs();
            driver.EndLogonPause();
        }
    };
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_EQ(clock.NowMs() - shownAt, 63'000);
    EXPECT_EQ(host.LogonEnds, 1);
}

TEST_F(CrawlDriverTest, StopDuringTheLogonPauseEndsIt)
{
    BuildTree();
    task.ManualBool = true;
    clock.OnPump = [&](int) {
        if (driver.InLogonPause())
            driver.ActionPauseExecute();
    };
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_EQ(host.LogonDeadlines.size(), 1u);
    EXPECT_EQ(host.LogonEnds, 1);
    EXPECT_EQ(host.Messages.last(), TCrawlDriver::CancelledMessage);
}

TEST_F(CrawlDriverTest, CurrentPageFollowsTheUsersNavigationOnly)
{
    BuildTree();
    task.ManualBool = true;
    task.FollowedLink = 1;
    // Between runs the user browses: the field follows.
    browser.OnUrlChanged(U("browsing"));
    EXPECT_EQ(host.CurrentPage.last(), QStringLiteral("Current Page: ") + U("browsing"));

    QStringList duringPause;
    bool changedOutsidePause = false;
    clock.OnPump = [&](int) {
        const qsizetype before = host.CurrentPage.size();
        if (driver.InLogonPause() && duringPause.isEmpty()) {
            browser.OnUrlChanged(U("login?step=2"));
            duringPause = host.CurrentPage.mid(before);
        } else if (!driver.InLogonPause() && !changedOutsidePause && browser.Navigations.last() == U("a")) {
            // The crawl's own address changes leave the field as its navigation set it.
            changedOutsidePause = true;
            browser.OnUrlChanged(U("a"));
            EXPECT_EQ(host.CurrentPage.size(), before);
        }
    };
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_TRUE(changedOutsidePause);
    EXPECT_EQ(duringPause, QStringList{QStringLiteral("Current Page: ") + U("login?step=2")});
}

TEST_F(CrawlDriverTest, StopDuringALoadEndsTheRunAtTheNextTest)
{
    BuildTree();
    task.FollowedLink = 2;
    browser.Pages[U("b")].loadMs = 10'000;
    clock.OnPump = [&](int) {
        if (browser.Navigations.last() == U("b"))
            driver.ActionPauseExecute();
    };
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_EQ(PagesVisited(), (QStringList{U("start"), U("a"), U("b")}));
    EXPECT_EQ(host.Messages, QStringList{TCrawlDriver::CancelledMessage});
    EXPECT_EQ(host.SearchProgress.back(), 50); // b is page 2 of 4 known pages
}

TEST_F(CrawlDriverTest, BatchHostSkipsTheLogonPause)
{
    BuildTree();
    task.ManualBool = true;
    host.CanPause = false;
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_EQ(host.Messages, QStringList{TCrawlDriver::CompletedMessage});
    EXPECT_EQ(host.SkippedLogons, QStringList{U("start")});
}

TEST_F(CrawlDriverTest, StopWithoutARunSavesNothingAndTheNextRunClearsIt)
{
    driver.ActionPauseExecute();
    EXPECT_TRUE(state.StopRequested);
    EXPECT_TRUE(saves.isEmpty());
    BuildTree();
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_FALSE(state.StopRequested);
    EXPECT_EQ(host.Messages, QStringList{TCrawlDriver::CompletedMessage});
}

TEST_F(CrawlDriverTest, SecondStartDuringARunIsRefusedAndChangesNothing)
{
    BuildTree();
    task.FollowedLink = 1;
    task.check5 = true;
    TTaskItem other;
    other.StartURL = QStringLiteral("http://other.org/");
    bool refused = false;
    clock.OnPump = [&](int pump) {
        if (pump == 3) {
            EXPECT_TRUE(driver.IsRunActive());
            refused = !driver.RunTask(QStringLiteral("Other"), other);
        }
    };
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_TRUE(refused);
    EXPECT_EQ(host.Messages, (QStringList{TCrawlDriver::RefusedMessage(QStringLiteral("T")),
                                          TCrawlDriver::CompletedMessage}));
    EXPECT_EQ(state.Task, task);
    EXPECT_EQ(PagesVisited(), (QStringList{U("start"), U("a"), U("b"), U("c")}));
    EXPECT_EQ(saves, QStringList{QStringLiteral("T")});
}

TEST_F(CrawlDriverTest, TheRunKeepsItsOwnCopyOfTheTask)
{
    BuildTree();
    TTaskItem shown = task;
    shown.FollowedLink = 1;
    clock.OnPump = [&](int) { shown.FollowedLink = 0; shown.StartURL.clear(); };
    driver.RunTask(QStringLiteral("T"), shown);
    EXPECT_EQ(PagesVisited().size(), 4);
}

TEST_F(CrawlDriverTest, ARunEmptiesTheResultsAndTheRunStateFirst)
{
    lists.AddLink(QStringLiteral("old"));
    state.DownloadQueue.QueueDownloadURL(QStringLiteral("old"));
    state.LinkOutputList.Append(QStringLiteral("http://site.org/a"));
    state.DispatchedCount = 5;
    BuildTree();
    task.check5 = true;
    driver.RunTask(QStringLiteral("T"), task);
    EXPECT_EQ(lists.Links(), (QStringList{U("a"), U("b"), U("c")}));
    EXPECT_EQ(state.DownloadQueue.Count(), 0);
    EXPECT_EQ(state.DispatchedCount, 0);
}

TEST_F(CrawlDriverTest, AnErrorOfTheRunPropagatesAndKeepsTheTaskName)
{
    BuildTree();
    TCrawlDriver failing(state, lists, browser, host, clock,
                         [](const QString&) { throw EPagemintError(QStringLiteral("Unable to write to x")); });
    EXPECT_THROW(failing.RunTask(QStringLiteral("T"), task), EPagemintError);
    EXPECT_FALSE(failing.IsRunActive());
    EXPECT_EQ(state.RunningTaskName, QStringLiteral("T"));
    EXPECT_FALSE(state.CrawlFinished);
}

TEST_F(CrawlDriverTest, CurrentPageShowsTheLocationWhenANavigationBegins)
{
    BuildTree();
    driver.RunTask(QStringLiteral("T"), task);
    ASSERT_GE(host.CurrentPage.size(), 2);
    EXPECT_EQ(host.CurrentPage[0], QStringLiteral("Current Page: "));
}

TEST_F(CrawlDriverTest, ABrowserThatOutlivesItsDriverReportsNavigationsToNobody)
{
    {
        TCrawlDriver shortLived(state, lists, browser, host, clock, {});
        browser.Navigate(U("a"));
    }
    const qsizetype shown = host.CurrentPage.size();
    EXPECT_FALSE(browser.OnBeforeNavigate);
    browser.Navigate(U("b")); // the user navigates in the browser panel after the engine has gone
    EXPECT_EQ(host.CurrentPage.size(), shown);
}

} // namespace
