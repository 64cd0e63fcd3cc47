// The engine facade: the run keeps its own settings and result lists whatever the user selects
// meanwhile, one run at a time, and the program end with nothing running.

#include "download/gallery.h"
#include "download/thumbnailcache.h"
#include "engine/harvester.h"
#include "support/fakebrowsers.h"
#include "support/fakehosts.h"
#include "support/waituntil.h"
#include "results/resultfiles.h"
#include "task/paths.h"
#include "task/taskfile.h"
#include "task/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pagemint;

namespace {

class HarvesterTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_paths = std::make_unique<TPaths>(m_dir.path());
        AddPage(QStringLiteral("http://a.test/"), {QStringLiteral("http://a.test/1"), QStringLiteral("http://a.test/2")});
        AddPage(QStringLiteral("http://a.test/1"), {QStringLiteral("http://a.test/3")});
        AddPage(QStringLiteral("http://a.test/2"), {});
        SaveTask(QStringLiteral("A"), QStringLiteral("http://a.test/"));
        SaveTask(QStringLiteral("B"), QStringLiteral("http://b.test/"));
        // B has stored results of an earlier run.
        WriteTextLines(m_paths->ListFile(QStringLiteral("B"), TabLinks), {QStringLiteral("http://b.test/old")});
    }

    void AddPage(const QString& url, const QStringList& links)
    {
        TFakePage page;
        page.links = links;
        m_browser.Pages.insert(url, page);
    }

    void SaveTask(const QString& name, const QString& startUrl)
    {
        TTaskItem task;
        task.TaskName = name;
        task.TaskThread = 3;
        task.StartURL = startUrl;
        task.FollowedLink = 1;
        task.check5 = true;
        SaveTaskFile(task, *m_paths);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TPaths> m_paths;
    TTimedFakeBrowser m_browser;
    TRecordingFrontEnd m_host;
    TSteppingClockPump m_pump{&m_browser, 0};
};

TEST_F(HarvesterTest, RunKeepsItsOwnListsWhileAnotherTaskIsSelected)
{
    THarvester harvester(*m_paths, m_browser, m_host, &m_pump);
    harvester.SelectTask(QStringLiteral("A"));
    m_pump.OnPump = [&](int pump) {
        if (pump == 5) {
            harvester.SelectTask(QStringLiteral("B"));
            // B's settings are shown; the run goes on with A's.
            harvester.CurrentTask().FollowedLink = 0;
        }
    };
    harvester.RunTask(QStringLiteral("A"));

    EXPECT_EQ(m_host.Messages.last(), QStringLiteral("Search completed!"));
    // The run followed A's two levels although B (and its settings) was selected meanwhile.
    EXPECT_EQ(harvester.RunState().VisitedURLList.Count(), 3);
    // The shown lists are B's stored results, untouched by A's run.
    EXPECT_EQ(harvester.Results().Links(), QStringList{QStringLiteral("http://b.test/old")});
    // A's list file holds A's links only.
    const QStringList saved = ReadTextLines(m_paths->ListFile(QStringLiteral("A"), TabLinks));
    EXPECT_EQ(saved, (QStringList{QStringLiteral("http://a.test/1"), QStringLiteral("http://a.test/2"),
                                  QStringLiteral("http://a.test/3")}));
    EXPECT_EQ(ReadTextLines(m_paths->ListFile(QStringLiteral("B"), TabLinks)),
              QStringList{QStringLiteral("http://b.test/old")});
}

TEST_F(HarvesterTest, ShownListsFollowTheRunOfTheShownTask)
{
    THarvester harvester(*m_paths, m_browser, m_host, &m_pump);
    harvester.SelectTask(QStringLiteral("B"));
    harvester.RunTask(QStringLiteral("B")); // b.test has no pages: an empty run
    EXPECT_TRUE(harvester.Results().Links().isEmpty());

    harvester.SelectTask(QStringLiteral("A"));
    bool reselected = false;
    m_pump.OnPump = [&](int) {
        // Reselecting the running task during its run shows its rows so far, then the rest.
        if (!reselected && harvester.RunState().VisitedURLList.Count() == 1) {
            reselected = true;
            harvester.SelectTask(QStringLiteral("B"));
            harvester.SelectTask(QStringLiteral("A"));
        }
    };
    harvester.RunTask(QStringLiteral("A"));
    EXPECT_TRUE(reselected);
    EXPECT_EQ(harvester.Results().Links(),
              (QStringList{QStringLiteral("http://a.test/1"), QStringLiteral("http://a.test/2"),
                           QStringLiteral("http://a.test/3")}));
}

TEST_F(HarvesterTest, SecondStartDuringARunIsRefused)
{
    THarvester harvester(*m_paths, m_browser, m_host, &m_pump);
    harvester.SelectTask(QStringLiteral("A"));
    bool tried = false;
    m_pump.OnPump = [&](int) {
        if (!tried) {
            tried = true;
            harvester.SelectTask(QStringLiteral("B"));
            harvester.RunTask(QStringLiteral("B"));
        }
    };
    harvester.RunTask(QStringLiteral("A"));
    ASSERT_GE(m_host.Messages.size(), 2);
    EXPECT_TRUE(m_host.Messages.first().contains(QStringLiteral("is running")));
    EXPECT_EQ(m_host.Messages.last(), QStringLiteral("Search completed!"));
    EXPECT_EQ(harvester.RunState().VisitedURLList.Count(), 3);
}

TEST_F(HarvesterTest, StopSavesTheRunsListsAndTimerDrainsTheQueue)
{
    THarvester harvester(*m_paths, m_browser, m_host, &m_pump);
    harvester.SelectTask(QStringLiteral("A"));
    m_pump.OnPump = [&](int pump) {
        if (pump == 3)
            harvester.ActionPauseExecute();
    };
    harvester.RunTask(QStringLiteral("A"));
    EXPECT_EQ(m_host.Messages.last(), QStringLiteral("Task is cancelled!"));
    EXPECT_TRUE(QFile::exists(m_paths->ListFile(QStringLiteral("A"), TabLinks)));
    EXPECT_TRUE(harvester.TimerEnabled());
    EXPECT_TRUE(harvester.DownloadsIdle());
    harvester.Shutdown();
    harvester.Shutdown();
    EXPECT_FALSE(harvester.TimerEnabled());
}

TEST_F(HarvesterTest, CompletedRunSwitchesTheTimerOffAfterTwoTicks)
{
    THarvester harvester(*m_paths, m_browser, m_host, &m_pump);
    int finished = 0;
    QObject::connect(&harvester, &THarvester::DownloadsFinished, [&] { ++finished; });
    harvester.SelectTask(QStringLiteral("A"));
    harvester.RunTask(QStringLiteral("A"));
    EXPECT_TRUE(harvester.TimerEnabled());
    harvester.Timer1Timer(); // sets DownloadsDone
    EXPECT_TRUE(harvester.RunState().DownloadsDone);
    harvester.Timer1Timer(); // switches Timer1 off
    EXPECT_FALSE(harvester.TimerEnabled());
    EXPECT_EQ(finished, 1);
}

/** Runs the event loop until the shown gallery holds count items; false after ten seconds. */
bool GalleryFilled(THarvester& harvester, qsizetype count)
{
    // The rebuild is over too: the cache entries of the first tiles are written after them.
    return WaitUntil([&] { return harvester.Results().Images().Count() == count && !harvester.Gallery().Busy(); },
                     10000);
}

TEST_F(HarvesterTest, SharedThumbnailCacheIsWrittenOnlyWhenAllowedAndSwitchedOn)
{
    QTemporaryDir cacheHome;
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", cacheHome.path().toUtf8());
    const QString images = m_paths->ImagesFolder(QStringLiteral("A"));
    QDir().mkpath(images);
    const QString picture = images + QStringLiteral("/shot.bmp");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(picture, "BMP"));
    {
        THarvester harvester(*m_paths, m_browser, m_host, &m_pump);
        const TThumbnailCache cache(cacheHome.path() + QStringLiteral("/thumbnails"));
        const QString entry = cache.NormalPath(picture);

        // A front end that never allows it (the batch runner) leaves the cache alone.
        harvester.SelectTask(QStringLiteral("A"));
        ASSERT_TRUE(GalleryFilled(harvester, 1));
        EXPECT_FALSE(QFileInfo::exists(entry));

        harvester.AllowThumbnailCacheWrites(true);
        harvester.ProgramSettings().WriteThumbnailCache = false;
        harvester.WriteProgramSettings();
        harvester.SelectTask(QStringLiteral("A"));
        ASSERT_TRUE(GalleryFilled(harvester, 1));
        EXPECT_FALSE(QFileInfo::exists(entry));

        harvester.ProgramSettings().WriteThumbnailCache = true;
        harvester.WriteProgramSettings();
        harvester.SelectTask(QStringLiteral("A"));
        ASSERT_TRUE(GalleryFilled(harvester, 1));
        EXPECT_TRUE(QFileInfo::exists(entry));
        harvester.Shutdown();
    }
    if (saved.isEmpty())
        qunsetenv("XDG_CACHE_HOME");
    else
        qputenv("XDG_CACHE_HOME", saved);
}

} // namespace

TEST_F(HarvesterTest, FinishedDownloadFollowsTheRunsCatalogueName)
{
    // "Copy" is a copied task folder: its settings.ini still names the task "A".
    ASSERT_TRUE(QDir().mkpath(m_paths->ImagesFolder(QStringLiteral("Copy"))));
    ASSERT_TRUE(QFile::copy(m_paths->TaskSettingsFile(QStringLiteral("A")),
                            m_paths->TaskSettingsFile(QStringLiteral("Copy"))));
    THarvester harvester(*m_paths, m_browser, m_host, &m_pump);
    harvester.SelectTask(QStringLiteral("Copy"));
    ASSERT_EQ(harvester.CurrentTask().TaskName, QStringLiteral("A"));
    ASSERT_TRUE(GalleryFilled(harvester, 0));
    int tried = 0; // finished downloads whose thumbnail the gallery tried
    QObject::connect(&harvester.Gallery().Pool(), &TThumbnailPool::SingleReady, [&] { ++tried; });
    m_host.BusyCursor.clear();
    m_pump.OnPump = [&](int pump) {
        if (pump == 1) {
            // Nothing listens on port 1 of the loopback: the download ends at once, unsuccessfully.
            // An extractor's admission step, made by hand: the engine hands out its run state read-only.
            const_cast<TRunState&>(harvester.RunState())
                .DownloadQueue.QueueDownloadURL(QStringLiteral("http://127.0.0.1:1/a.jpg"));
            harvester.Timer1Timer();
        }
    };
    harvester.RunTask(QStringLiteral("Copy"));
    ASSERT_EQ(harvester.RunState().DispatchedCount, 1);

    // The gallery of "Copy" takes the finished download (it does not decode, so no thumbnail);
    // its thumbnail is tried off the UI thread, without the busy cursor.
    WaitUntil([&] { return tried >= 1; }, 20000);
    EXPECT_EQ(tried, 1);
    EXPECT_TRUE(m_host.BusyCursor.isEmpty());
    EXPECT_EQ(harvester.Results().RowCount(TabImages), 0);
}
