// Scheduler: progress, slots, queue order, destinations and names, failures inside a tick.
#include "download/browsersession.h"
#include "download/downloadrecord.h"
#include "download/downloadstarter.h"
#include "download/scheduler.h"
#include "task/paths.h"
#include "task/programsettings.h"
#include "task/runstate.h"
#include "support/fakehosts.h"
#include "support/fakesession.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class TFakeStarter : public TDownloadStarter
{
public:
    void StartDownload(const TDownloadJob& job) override
    {
        if (FailNext > 0) {
            --FailNext;
            throw std::runtime_error("no thread");
        }
        Jobs.push_back(job);
    }
    std::vector<TDownloadJob> Jobs;
    int FailNext = 0;
};

class SchedulerTest : public testing::Test
{
protected:
    SchedulerTest()
        : m_paths(m_dir.path()),
          m_scheduler(m_run, m_paths, m_settings, m_starter, m_host)
    {
        m_run.Task.TaskName = QStringLiteral("Shots");
        m_run.Task.TaskThread = 3;
        for (const QString& folder : {m_paths.ImagesFolder("Shots"), m_paths.FlashesFolder("Shots"),
                                      m_paths.DownloadsFolder("Shots")})
            QDir().mkpath(folder);
        m_scheduler.SetTimerEnabled(true); // Timer1 runs, as it does from a run's start
    }

    void Queue(int count, const QString& pattern = QStringLiteral("http://site/a/%1.jpg"))
    {
        for (int i = 0; i < count; ++i)
            m_run.DownloadQueue.QueueDownloadURL(pattern.arg(i));
    }
    /** A download the fake starter was given has ended. */
    void End(size_t job)
    {
        m_run.RunningDownloads.fetch_sub(1);
        m_scheduler.DownloadEnded(m_starter.Jobs.at(job).FileName);
    }
    static void Touch(const QString& path)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QString Images(const QString& name) const { return m_paths.ImagesFolder("Shots") + '/' + name; }

    QTemporaryDir m_dir;
    TPaths m_paths;
    TRunState m_run;
    TProgramSettings m_settings;
    TFakeStarter m_starter;
    TRecordingFrontEnd m_host;
    TScheduler m_scheduler;
};

TEST_F(SchedulerTest, ProgressShowsTheShareHandedOut)
{
    Queue(8);
    m_run.Task.TaskThread = 1;
    m_scheduler.Timer1Timer();
    EXPECT_EQ(m_host.LastDownloadProgress(), 0);
    EXPECT_EQ(m_run.DispatchedCount, 1);
    m_scheduler.Timer1Timer(); // no free slot: only the bar moves
    EXPECT_EQ(m_host.LastDownloadProgress(), 12);
    End(0);
    m_run.Task.TaskThread = 2;
    m_scheduler.Timer1Timer();
    EXPECT_EQ(m_run.DispatchedCount, 3);
    m_scheduler.Timer1Timer();
    EXPECT_EQ(m_host.LastDownloadProgress(), 38);
    m_run.Task.TaskThread = 100;
    m_scheduler.Timer1Timer();
    m_scheduler.Timer1Timer();
    EXPECT_EQ(m_host.LastDownloadProgress(), 100);
    EXPECT_EQ(m_run.DispatchedCount, 8);
}

TEST_F(SchedulerTest, RunThatQueuesNothingSwitchesTheTimerOffOnTheSecondTickAfterTheCrawl)
{
    m_scheduler.Timer1Timer();
    EXPECT_EQ(m_host.LastDownloadProgress(), 0);
    EXPECT_FALSE(m_run.DownloadsDone);
    m_run.FinishCrawl();
    m_scheduler.Timer1Timer();
    EXPECT_TRUE(m_run.DownloadsDone);
    EXPECT_TRUE(m_scheduler.TimerEnabled());
    m_scheduler.Timer1Timer();
    EXPECT_FALSE(m_scheduler.TimerEnabled());
    EXPECT_EQ(m_host.LastDownloadProgress(), 0);
}

TEST_F(SchedulerTest, TimerStoppedIsSignalledOnceWhenATickSwitchesTimer1Off)
{
    QSignalSpy stopped(&m_scheduler, &TScheduler::TimerStopped);
    m_run.FinishCrawl();
    m_scheduler.Timer1Timer();
    m_scheduler.Timer1Timer();
    EXPECT_EQ(stopped.count(), 1);
    m_scheduler.Timer1Timer();   // a late tick with the timer already off
    EXPECT_EQ(stopped.count(), 1);
    // Switched off from outside (the program ends): no completion to report.
    m_scheduler.SetTimerEnabled(true);
    m_scheduler.SetTimerEnabled(false);
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_FALSE(m_scheduler.TimerEnabled());
}

TEST_F(SchedulerTest, FreeSlotsAreFilledInQueueOrderEveryTick)
{
    Queue(10);
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.size(), 3u);
    EXPECT_EQ(m_run.RunningDownloads.load(), 3);
    m_scheduler.Timer1Timer();
    EXPECT_EQ(m_starter.Jobs.size(), 3u);
    End(0);
    End(2);
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.size(), 5u);
    for (size_t i = 0; i < m_starter.Jobs.size(); ++i)
        EXPECT_EQ(m_starter.Jobs[i].URL, QStringLiteral("http://site/a/%1.jpg").arg(i));
    EXPECT_EQ(m_run.DispatchedCount, 5);
}

TEST_F(SchedulerTest, WorkersOfAnEarlierRunKeepTheirSlots)
{
    m_run.RunningDownloads = 2;
    Queue(10);
    m_scheduler.Timer1Timer();
    EXPECT_EQ(m_starter.Jobs.size(), 1u);
    EXPECT_EQ(m_run.RunningDownloads.load(), 3);
}

TEST_F(SchedulerTest, TaskThreadZeroNeverStartsAndKeepsTheTimerRunning)
{
    m_run.Task.TaskThread = 0;
    Queue(2);
    m_run.FinishCrawl();
    for (int i = 0; i < 3; ++i)
        m_scheduler.Timer1Timer();
    EXPECT_TRUE(m_starter.Jobs.empty());
    EXPECT_FALSE(m_run.DownloadsDone);
    EXPECT_TRUE(m_scheduler.TimerEnabled());
}

TEST_F(SchedulerTest, StoppedRunKeepsShowingAHundredPercent)
{
    Queue(2);
    m_scheduler.Timer1Timer();
    End(0);
    End(1);
    for (int i = 0; i < 3; ++i)
        m_scheduler.Timer1Timer();
    EXPECT_EQ(m_host.LastDownloadProgress(), 100);
    EXPECT_FALSE(m_run.DownloadsDone);
    EXPECT_TRUE(m_scheduler.TimerEnabled());
}

TEST_F(SchedulerTest, DestinationFolderFollowsTheLastFourCharacters)
{
    const struct { const char* url; const char* folder; const char* name; } rows[] = {
        {"http://h/a/PHOTO.JPG", "Images", "PHOTO.JPG"},
        {"http://h/a/b.jpeg", "Images", "b.jpeg"},
        {"http://h/a/c.Gif", "Images", "c.Gif"},
        {"http://h/a/d.bmp", "Images", "d.bmp"},
        {"http://h/a/movie.SWF", "Flashes", "movie.SWF"},
        {"http://h/a/pic.png", "Downloads", "pic.png"},
        {"http://h/a/pic.jpg?w=100", "Downloads", "pic.jpg-w=100"},
        {"http://h/a/file.zip", "Downloads", "file.zip"},
        {" \thttp://h/a/e.jpg  ", "Images", "e.jpg"},
        {"jpeg", "Images", "Unknown"},
    };
    for (const auto& row : rows) {
        const QString expected = m_paths.TaskFolder("Shots") + '/' + row.folder + '/' + row.name;
        EXPECT_EQ(m_scheduler.DownloadDestination(QString::fromUtf8(row.url)), expected) << row.url;
    }
}

TEST_F(SchedulerTest, EntryIsRequestedUntrimmedWithTheSettingsOfTheMomentItStarts)
{
    m_settings.ProxyServer = "proxy";
    m_settings.ProxyPort = "3128";
    m_settings.AuthUserName = "user";
    m_settings.AuthPassword = "secret";
    m_run.DownloadQueue.QueueDownloadURL("  http://h/a/Pic.JPG \t");
    m_scheduler.Timer1Timer();
    m_settings.AuthPassword = "changed later";
    ASSERT_EQ(m_starter.Jobs.size(), 1u);
    const TDownloadJob& job = m_starter.Jobs[0];
    EXPECT_EQ(job.URL, QStringLiteral("  http://h/a/Pic.JPG \t"));
    EXPECT_EQ(job.FileName, Images("Pic.JPG"));
    EXPECT_EQ(job.ProxyServer, QStringLiteral("proxy"));
    EXPECT_EQ(job.ProxyPort, QStringLiteral("3128"));
    EXPECT_EQ(job.UserName, QStringLiteral("user"));
    EXPECT_EQ(job.Password, QStringLiteral("secret"));
    EXPECT_EQ(job.TaskName, QStringLiteral("Shots"));
}

TEST_F(SchedulerTest, ExistingFilesGetTheLowestFreeNumber)
{
    Touch(Images("photo.jpg"));
    Touch(Images("(1)photo.jpg"));
    Touch(Images("(2)photo.jpg"));
    EXPECT_EQ(m_scheduler.DownloadDestination("http://h/x/photo.jpg"), Images("(3)photo.jpg"));
    QFile::remove(Images("(1)photo.jpg"));
    EXPECT_EQ(m_scheduler.DownloadDestination("http://h/x/photo.jpg"), Images("(1)photo.jpg"));
    // A folder of that name does not count as a file.
    QDir().mkpath(Images("album.jpg"));
    EXPECT_EQ(m_scheduler.DownloadDestination("http://h/x/album.jpg"), Images("album.jpg"));
}

TEST_F(SchedulerTest, NamesOfDownloadsInProgressCountAsTaken)
{
    Touch(Images("photo.jpg"));
    m_run.DownloadQueue.QueueDownloadURL("http://a/x/photo.jpg");
    m_run.DownloadQueue.QueueDownloadURL("http://b/y/photo.jpg");
    m_run.DownloadQueue.QueueDownloadURL("http://c/z/photo.jpg");
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.size(), 3u);
    EXPECT_EQ(m_starter.Jobs[0].FileName, Images("(1)photo.jpg"));
    EXPECT_EQ(m_starter.Jobs[1].FileName, Images("(2)photo.jpg"));
    EXPECT_EQ(m_starter.Jobs[2].FileName, Images("(3)photo.jpg"));
    EXPECT_EQ(m_scheduler.InProgressCount(), 3);
    // Once ended, a name is free again unless its file is there.
    End(1);
    End(2);
    Touch(Images("(2)photo.jpg"));
    EXPECT_EQ(m_scheduler.DownloadDestination("http://d/photo.jpg"), Images("(3)photo.jpg"));

    // Looking past a name in progress, a folder standing at a numbered name is passed over too.
    Touch(Images("pic.jpg"));
    m_run.DownloadQueue.QueueDownloadURL("http://e/pic.jpg");
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.back().FileName, Images("(1)pic.jpg"));
    QDir().mkpath(Images("(2)pic.jpg"));
    EXPECT_EQ(m_scheduler.DownloadDestination("http://f/pic.jpg"), Images("(3)pic.jpg"));
}

TEST_F(SchedulerTest, EmptyNamesStayEmpty)
{
    m_run.DownloadQueue.QueueDownloadURL("http://h/dir/");
    m_run.DownloadQueue.QueueDownloadURL("http://h/other/");
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.size(), 2u);
    EXPECT_EQ(m_starter.Jobs[0].FileName, m_paths.DownloadsFolder("Shots") + '/');
    EXPECT_EQ(m_starter.Jobs[1].FileName, m_paths.DownloadsFolder("Shots") + '/');
}

TEST_F(SchedulerTest, FailedStartEndsTheTickAndIsRetried)
{
    Queue(3);
    m_starter.FailNext = 1;
    m_scheduler.Timer1Timer();
    EXPECT_TRUE(m_starter.Jobs.empty());
    EXPECT_EQ(m_run.DispatchedCount, 0);
    EXPECT_EQ(m_run.RunningDownloads.load(), 0);
    EXPECT_EQ(m_scheduler.InProgressCount(), 0);
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.size(), 3u);
    EXPECT_EQ(m_starter.Jobs[0].URL, QStringLiteral("http://site/a/0.jpg"));
}

TEST_F(SchedulerTest, DownloadsDoneWaitsForRunningWorkers)
{
    Queue(1);
    m_run.FinishCrawl();
    m_scheduler.Timer1Timer();
    m_scheduler.Timer1Timer();
    EXPECT_FALSE(m_run.DownloadsDone);
    End(0);
    m_scheduler.Timer1Timer();
    EXPECT_TRUE(m_run.DownloadsDone);
    m_scheduler.Timer1Timer();
    EXPECT_FALSE(m_scheduler.TimerEnabled());
}

TEST_F(SchedulerTest, FreedSlotIsFilledAtOnceWithinTheLimit)
{
    Queue(5);
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.size(), 3u);
    End(1);
    m_scheduler.SlotFreed();
    ASSERT_EQ(m_starter.Jobs.size(), 4u);
    EXPECT_EQ(m_starter.Jobs[3].URL, QStringLiteral("http://site/a/3.jpg"));
    // No slot is free: nothing more starts until one is.
    m_scheduler.SlotFreed();
    EXPECT_EQ(m_starter.Jobs.size(), 4u);
    // With the timer off (a stopped and drained run) a freed slot starts nothing.
    End(0);
    m_scheduler.SetTimerEnabled(false);
    m_scheduler.SlotFreed();
    EXPECT_EQ(m_starter.Jobs.size(), 4u);
}

TEST_F(SchedulerTest, JobCarriesReferrerRetriesRecordAndTheSharedSession)
{
    TFakeBrowserSession session(QStringLiteral("TestBrowser/2"));
    m_scheduler.SetBrowserSession(&session);
    m_settings.DownloadRetries = 4;
    m_run.DownloadQueue.SetReferringPage(QStringLiteral("http://site/page1"));
    Queue(1);
    m_run.DownloadQueue.SetReferringPage(QStringLiteral("http://site/page2"));
    // Found again on another page: the first finder stays the referrer.
    m_run.DownloadQueue.QueueDownloadURL(QStringLiteral("http://SITE/a/0.jpg"));
    m_run.DownloadQueue.QueueDownloadURL(QStringLiteral("http://site/b.jpg"));
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.size(), 2u);
    EXPECT_EQ(m_starter.Jobs[0].Referrer, QStringLiteral("http://site/page1"));
    EXPECT_EQ(m_starter.Jobs[1].Referrer, QStringLiteral("http://site/page2"));
    EXPECT_TRUE(m_starter.Jobs[0].ShareSession);
    EXPECT_EQ(m_starter.Jobs[0].Cookies, session.Jar);
    EXPECT_EQ(m_starter.Jobs[0].UserAgent, QStringLiteral("TestBrowser/2"));
    EXPECT_EQ(m_starter.Jobs[0].Retries, 4);
    EXPECT_EQ(m_starter.Jobs[0].RecordFolder, m_paths.TaskFolder("Shots"));

    m_settings.ShareBrowserSession = false;
    m_run.DownloadQueue.QueueDownloadURL(QStringLiteral("http://site/c.jpg"));
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.size(), 3u);
    EXPECT_FALSE(m_starter.Jobs[2].ShareSession);
    EXPECT_EQ(m_starter.Jobs[2].Cookies, nullptr);
    EXPECT_TRUE(m_starter.Jobs[2].UserAgent.isEmpty());
}

TEST_F(SchedulerTest, SkipDownloadedPassesOverWholeFilesOfEarlierRuns)
{
    const TDownloadRecord record(m_paths.TaskFolder("Shots"));
    auto keep = [&](const QString& url, const QString& name, const QByteArray& content, qint64 recorded, long status) {
        QFile file(Images(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        TDownloadEntry entry;
        entry.Time = QDateTime::currentDateTimeUtc();
        entry.HttpStatus = status;
        entry.Bytes = recorded;
        entry.URL = url;
        entry.FileName = Images(name);
        ASSERT_TRUE(record.Append(entry));
    };
    keep(QStringLiteral("http://site/a/0.jpg"), "0.jpg", "whole", 5, 200);   // skipped
    keep(QStringLiteral("http://site/a/1.jpg"), "1.jpg", "cut", 9, 200);     // size differs
    keep(QStringLiteral("http://site/a/2.jpg"), "2.jpg", "", 0, 404);        // failed
    keep(QStringLiteral("http://site/a/3.jpg"), "gone.jpg", "x", 1, 200);
    QFile::remove(Images("gone.jpg"));                                        // file deleted
    m_run.BeginRun(QStringLiteral("Shots"), m_run.Task);
    m_run.Task.SkipDownloaded = true;
    Queue(4);

    std::vector<std::pair<QString, QString>> kept;
    QObject::connect(&m_scheduler, &TScheduler::AlreadyDownloaded,
                     [&kept](const QString& file, const QString& task, const TDownloadResult& result) {
                         EXPECT_TRUE(result.Succeeded);
                         kept.emplace_back(file, task);
                     });
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.size(), 3u);
    EXPECT_EQ(m_starter.Jobs[0].URL, QStringLiteral("http://site/a/1.jpg"));
    // The other files are there already: they get numbered names, as always.
    EXPECT_EQ(m_starter.Jobs[0].FileName, Images("(1)1.jpg"));
    EXPECT_EQ(m_starter.Jobs[2].FileName, Images("3.jpg"));
    EXPECT_EQ(m_run.DispatchedCount, 4);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].first, Images("0.jpg"));
    EXPECT_EQ(kept[0].second, QStringLiteral("Shots"));

    // Off: every entry is downloaded again beside the old file.
    m_starter.Jobs.clear();
    m_run.RunningDownloads = 0;
    m_run.BeginRun(QStringLiteral("Shots"), m_run.Task);
    m_run.Task.SkipDownloaded = false;
    Queue(1);
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.size(), 1u);
    EXPECT_EQ(m_starter.Jobs[0].FileName, Images("(1)0.jpg"));
}

TEST_F(SchedulerTest, RetryRunWritesIntoTheFailedFiles)
{
    m_run.BeginRetryRun(m_run.Task, {{QStringLiteral("http://site/x.jpg"), QStringLiteral("http://site/p"), Images("x.jpg")},
                                     {QStringLiteral("http://site/y.jpg"), QString(), Images("(2)y.jpg")}});
    Touch(Images("x.jpg"));
    EXPECT_TRUE(m_run.CrawlFinished);
    EXPECT_TRUE(m_run.RunningTaskName.isEmpty());
    m_scheduler.Timer1Timer();
    ASSERT_EQ(m_starter.Jobs.size(), 2u);
    EXPECT_EQ(m_starter.Jobs[0].FileName, Images("x.jpg"));
    EXPECT_EQ(m_starter.Jobs[0].Referrer, QStringLiteral("http://site/p"));
    EXPECT_EQ(m_starter.Jobs[1].FileName, Images("(2)y.jpg"));
}

} // namespace
