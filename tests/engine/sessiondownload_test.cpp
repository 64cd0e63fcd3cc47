// Downloads of a whole run against a loopback site: the browser's logon cookie and the page as
// Referer reach the picture requests, failed downloads are queued again into their files, and a
// re-run skips what an earlier run saved whole.

#include "download/browsersession.h"
#include "download/downloadrecord.h"
#include "engine/harvester.h"
#include "support/fakebrowsers.h"
#include "support/fakehosts.h"
#include "support/fakesession.h"
#include "support/testsite.h"
#include "support/waituntil.h"
#include "task/paths.h"
#include "task/taskfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <thread>

using namespace pagemint;

namespace {

/** The site: /pic/N.jpg only with the logon cookie, /hot/N.jpg only with the gallery page as
 *  Referer, /healing/N.jpg "404" until healed. */
class TSite : public TTestSite
{
public:
    TSite()
    {
        AddHandler(R"(/pic/(\w+)\.jpg)", [this](const TTestRequest& req, TTestResponse& res) {
            Hit(req);
            if (req.Header("Cookie").find("sid=ok") == std::string::npos) {
                res = TTestResponse{403, "log on first", "text/html", {}};
                return;
            }
            res = TTestResponse{200, "picture " + req.Matches[1], "image/jpeg", {}};
        });
        AddHandler(R"(/hot/(\w+)\.jpg)", [this](const TTestRequest& req, TTestResponse& res) {
            Hit(req);
            if (req.Header("Referer") != Url("/gallery").toStdString()) {
                res = TTestResponse{403, "no hot-linking", "text/html", {}};
                return;
            }
            res = TTestResponse{200, "hot " + req.Matches[1], "image/jpeg", {}};
        });
        AddHandler(R"(/healing/(\w+)\.jpg)", [this](const TTestRequest& req, TTestResponse& res) {
            Hit(req);
            if (!Healed.load()) {
                res.Status = 404;
                return;
            }
            res = TTestResponse{200, "healed " + req.Matches[1], "image/jpeg", {}};
        });
        Start();
    }

    std::string LastUserAgent() const
    {
        std::lock_guard lock(m_mutex);
        return m_userAgent;
    }

    std::atomic<bool> Healed{false};

private:
    void Hit(const TTestRequest& req)
    {
        std::lock_guard lock(m_mutex);
        m_userAgent = req.Header("User-Agent");
    }

    mutable std::mutex m_mutex;
    std::string m_userAgent;
};

/** A fake browser that keeps a session whose jar the test fills. */
class TSessionBrowser : public TTimedFakeBrowser
{
public:
    TBrowserSession* Session() const override { return &m_session; }
    TFakeBrowserSession& TestSession() { return m_session; }

private:
    mutable TFakeBrowserSession m_session{QStringLiteral("TestBrowser/3")};
};

class SessionDownloadTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_paths = std::make_unique<TPaths>(m_dir.path());
    }

    void SaveTask(const QStringList& pictures, bool skipDownloaded = false)
    {
        TFakePage page;
        for (const QString& path : pictures)
            page.links.append(m_site.Url(path));
        m_browser.Pages.insert(m_site.Url("/gallery"), page);
        TTaskItem task;
        task.TaskName = QStringLiteral("T");
        task.TaskThread = 2;
        task.StartURL = m_site.Url("/gallery");
        task.check2 = true;
        task.ImageLinkBool = true;
        task.SkipDownloaded = skipDownloaded;
        SaveTaskFile(task, *m_paths);
    }

    /** One run of task T with its downloads; the logon happens at the crawl's first pump. */
    void Run(THarvester& harvester, bool logOn = true)
    {
        m_pump.OnPump = [this, logOn](int pump) {
            if (pump == 1 && logOn) {
                TCookie cookie;
                cookie.Name = "sid";
                cookie.Value = "ok";
                cookie.Domain = QStringLiteral("127.0.0.1");
                cookie.HttpOnly = true;
                m_browser.TestSession().Jar->Add(cookie);
            }
        };
        harvester.SelectTask(QStringLiteral("T"));
        harvester.RunTask(QStringLiteral("T"));
        harvester.Timer1Timer();
        ASSERT_TRUE(WaitUntil([&] { return harvester.DownloadsIdle(); }, 30'000));
    }

    QByteArray Image(const QString& name) const
    {
        QFile file(m_paths->ImagesFolder("T") + '/' + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList Images() const { return QDir(m_paths->ImagesFolder("T")).entryList(QDir::Files, QDir::Name); }

    TSite m_site;
    QTemporaryDir m_dir;
    std::unique_ptr<TPaths> m_paths;
    TSessionBrowser m_browser;
    TRecordingFrontEnd m_host;
    TSteppingClockPump m_pump{&m_browser, 0};
};

TEST_F(SessionDownloadTest, LogonDuringTheCrawlAndTheRefererReachTheDownloads)
{
    SaveTask({"/pic/1.jpg", "/pic/2.jpg", "/hot/3.jpg"});
    THarvester harvester(*m_paths, m_browser, m_host, &m_pump);
    harvester.ReadProgramSettings(); // no file: sharing is on
    ASSERT_TRUE(harvester.ProgramSettings().ShareBrowserSession);
    Run(harvester);
    EXPECT_EQ(Image("1.jpg"), QByteArray("picture 1"));
    EXPECT_EQ(Image("2.jpg"), QByteArray("picture 2"));
    EXPECT_EQ(Image("3.jpg"), QByteArray("hot 3"));
    EXPECT_EQ(m_site.LastUserAgent(), "TestBrowser/3");

    const QList<TDownloadEntry> record = TDownloadRecord(m_paths->TaskFolder("T")).Entries();
    ASSERT_EQ(record.size(), 3);
    for (const TDownloadEntry& entry : record) {
        EXPECT_TRUE(entry.Succeeded()) << entry.URL.toStdString();
        EXPECT_EQ(entry.Referrer, m_site.Url("/gallery"));
    }
}

TEST_F(SessionDownloadTest, WithoutSharingTheRefusedPicturesStayEmpty)
{
    SaveTask({"/pic/1.jpg", "/hot/3.jpg"});
    THarvester harvester(*m_paths, m_browser, m_host, &m_pump);
    harvester.ProgramSettings().ShareBrowserSession = false;
    Run(harvester);
    EXPECT_EQ(Image("1.jpg"), QByteArray());
    EXPECT_EQ(Image("3.jpg"), QByteArray());
    EXPECT_EQ(m_site.LastUserAgent(), "Mozilla/3.0 (compatible; Indy Library)");
    const QList<TDownloadEntry> failed = TDownloadRecord(m_paths->TaskFolder("T")).FailedEntries();
    ASSERT_EQ(failed.size(), 2);
    EXPECT_EQ(failed[0].Outcome(), QStringLiteral("403"));
}

TEST_F(SessionDownloadTest, RetryFailedFillsTheFilesOfTheFailedDownloads)
{
    SaveTask({"/healing/1.jpg", "/pic/2.jpg", "/healing/3.jpg"});
    THarvester harvester(*m_paths, m_browser, m_host, &m_pump);
    Run(harvester);
    EXPECT_EQ(Image("1.jpg"), QByteArray());
    EXPECT_EQ(Image("2.jpg"), QByteArray("picture 2"));

    m_site.Healed = true;
    EXPECT_EQ(harvester.RetryFailed(QStringLiteral("T")), 2);
    // A second request while those run is refused.
    EXPECT_EQ(harvester.RetryFailed(QStringLiteral("T")), -1);
    ASSERT_TRUE(WaitUntil([&] { return harvester.DownloadsIdle(); }, 30'000));
    EXPECT_EQ(Image("1.jpg"), QByteArray("healed 1"));
    EXPECT_EQ(Image("3.jpg"), QByteArray("healed 3"));
    EXPECT_EQ(m_site.Hits("/pic/2.jpg"), 1);
    EXPECT_EQ(Images(), (QStringList{"1.jpg", "2.jpg", "3.jpg"})); // no numbered copies
    EXPECT_TRUE(TDownloadRecord(m_paths->TaskFolder("T")).FailedEntries().isEmpty());
    EXPECT_EQ(harvester.RetryFailed(QStringLiteral("T")), 0);
}

TEST_F(SessionDownloadTest, RerunWithSkipFetchesOnlyWhatIsMissing)
{
    SaveTask({"/pic/1.jpg", "/pic/2.jpg", "/pic/3.jpg"}, true);
    THarvester harvester(*m_paths, m_browser, m_host, &m_pump);
    Run(harvester);
    ASSERT_EQ(m_site.TotalHits(), 3);

    Run(harvester);
    EXPECT_EQ(m_site.TotalHits(), 3);
    EXPECT_EQ(Images(), (QStringList{"1.jpg", "2.jpg", "3.jpg"}));

    ASSERT_TRUE(QFile::remove(m_paths->ImagesFolder("T") + "/2.jpg"));
    Run(harvester);
    EXPECT_EQ(m_site.TotalHits(), 4);
    EXPECT_EQ(m_site.Hits("/pic/2.jpg"), 2);
    EXPECT_EQ(Images(), (QStringList{"1.jpg", "2.jpg", "3.jpg"}));
    EXPECT_EQ(Image("2.jpg"), QByteArray("picture 2"));
}

} // namespace
