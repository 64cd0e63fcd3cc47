// A whole run on the real Qt WebEngine through the harvesting engine: the start page is a logon
// page that sets an HttpOnly session cookie, and the pictures of the page it links to answer 403
// without that cookie. With the browser's session shared, every picture arrives whole; without
// it, the files stay empty and the record says why. A logon made before the program was started
// again still counts: the profile keeps its cookies.
#include "crawl/crawldriver.h"
#include "crawl/webengine/webenginebrowser.h"
#include "download/downloadrecord.h"
#include "engine/harvester.h"
#include "host/eventpump.h"
#include "support/fakehosts.h"
#include "support/testsite.h"
#include "task/paths.h"
#include "task/taskfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <string>

using namespace pagemint;

namespace {

/** Bytes each picture answers with once the visitor is logged on. */
std::string PictureBytes(const std::string& name)
{
    return "GIF89a picture " + name;
}

/** The members' site on 127.0.0.1: "/logon.html" sets the HttpOnly session cookie and links to
 *  "/gallery.html"; "/pic/N.gif" answers 403 unless the request carries that cookie. */
class TMembersSite : public TTestSite
{
public:
    TMembersSite()
    {
        Add(QStringLiteral("/logon.html"), "<body>Welcome back. <a href='/gallery.html'>Your pictures</a></body>",
            QStringLiteral("text/html; charset=utf-8"), {{"Set-Cookie", "sid=granted; Path=/; HttpOnly"}});
        AddPage(QStringLiteral("/gallery.html"),
                QStringLiteral("<body><img src='/pic/1.gif' width='40' height='30' alt='one'>"
                               "<img src='/pic/2.gif' width='40' height='30' alt='two'>"
                               "<a href='/pic/3.gif'>three</a></body>"));
        AddHandler(R"(/pic/(\w+)\.gif)", [this](const TTestRequest& req, TTestResponse& res) {
            ++PictureRequests;
            if (req.Header("Cookie").find("sid=granted") == std::string::npos) {
                res = TTestResponse{403, "log on first", "text/html", {}};
                return;
            }
            res = TTestResponse{200, PictureBytes(req.Matches[1]), "image/gif", {}};
        });
    }

    std::atomic<int> PictureRequests{0};
};

class WebEngineLogonDownloadTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_paths = std::make_unique<TPaths>(m_dir.path());
        ASSERT_TRUE(m_site.Start());
        m_host.CanPause = false; // nobody is there to log on

        TTaskItem task;
        task.TaskName = QStringLiteral("Members");
        task.TaskThread = 2;
        task.StartURL = m_site.Url("/logon.html");
        task.FollowedLink = 1;
        task.PageLocation = PageLocationSameSite;
        task.check2 = true;
        task.ImageLinkBool = true;
        SaveTaskFile(task, *m_paths);

        // The gallery alone, for a run after the logon was done by an earlier program session.
        task.TaskName = QStringLiteral("Gallery");
        task.StartURL = m_site.Url("/gallery.html");
        task.FollowedLink = 0;
        SaveTaskFile(task, *m_paths);

        // The logon alone, collecting nothing.
        task.TaskName = QStringLiteral("Logon");
        task.StartURL = m_site.Url("/logon.html");
        task.check2 = false;
        task.ImageLinkBool = false;
        SaveTaskFile(task, *m_paths);
    }

    /** One run of the task with its downloads, on a browser of its own over the program's
     *  persistent profile: every call is like another start of the program. */
    void Run(bool shareSession, const QString& taskName = QStringLiteral("Members"))
    {
        TWebEngineBrowser browser(m_paths->BrowserProfileFolder());
        THarvester harvester(*m_paths, browser, m_host, &m_pump);
        harvester.ReadProgramSettings(); // no file: sharing is on
        ASSERT_TRUE(harvester.ProgramSettings().ShareBrowserSession);
        harvester.ProgramSettings().ShareBrowserSession = shareSession;
        harvester.SelectTask(taskName);
        harvester.RunTask(taskName);
        ASSERT_TRUE(m_host.Messages.contains(TCrawlDriver::CompletedMessage)) << m_host.Messages.join('|').toStdString();
        // The pump waits for the next event (a worker's end, a timer tick), so this never spins.
        const qint64 deadline = m_pump.NowMs() + 60'000;
        while (!harvester.DownloadsIdle() && m_pump.NowMs() < deadline)
            m_pump.ProcessMessages();
        ASSERT_TRUE(harvester.DownloadsIdle());
    }

    QByteArray Image(const QString& name, const QString& task = QStringLiteral("Members")) const
    {
        QFile file(m_paths->ImagesFolder(task) + '/' + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList Images(const QString& task = QStringLiteral("Members")) const
    {
        return QDir(m_paths->ImagesFolder(task)).entryList(QDir::Files, QDir::Name);
    }
    QList<TDownloadEntry> Record(const QString& task = QStringLiteral("Members")) const
    {
        return TDownloadRecord(m_paths->TaskFolder(task)).Entries();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TPaths> m_paths;
    TMembersSite m_site;
    TRecordingFrontEnd m_host;
    TEventLoopPump m_pump;
};

TEST_F(WebEngineLogonDownloadTest, TheLogonCookieOfTheCrawlReachesEveryPictureDownload)
{
    Run(true);
    EXPECT_EQ(Images(), (QStringList{"1.gif", "2.gif", "3.gif"}));
    for (const char* name : {"1", "2", "3"})
        EXPECT_EQ(Image(QStringLiteral("%1.gif").arg(QLatin1String(name))),
                  QByteArray::fromStdString(PictureBytes(name))) << name;
    const QList<TDownloadEntry> record = Record();
    ASSERT_EQ(record.size(), 3);
    for (const TDownloadEntry& entry : record) {
        EXPECT_TRUE(entry.Succeeded()) << entry.URL.toStdString() << ' ' << entry.Outcome().toStdString();
        EXPECT_EQ(entry.Referrer, m_site.Url("/gallery.html"));
    }
    // The browser loads no pictures by default: every request came from the downloads.
    EXPECT_EQ(m_site.PictureRequests.load(), 3);
}

TEST_F(WebEngineLogonDownloadTest, WithoutTheSharedSessionThePicturesStayEmpty)
{
    Run(false);
    EXPECT_EQ(Images(), (QStringList{"1.gif", "2.gif", "3.gif"}));
    for (const QString& name : Images())
        EXPECT_EQ(Image(name), QByteArray()) << name.toStdString();
    const QList<TDownloadEntry> record = Record();
    ASSERT_EQ(record.size(), 3);
    for (const TDownloadEntry& entry : record) {
        EXPECT_FALSE(entry.Succeeded()) << entry.URL.toStdString();
        EXPECT_EQ(entry.Outcome(), QStringLiteral("403"));
    }
}

TEST_F(WebEngineLogonDownloadTest, ALogonOfAnEarlierSessionStillCountsAfterARestart)
{
    Run(true, QStringLiteral("Logon"));
    EXPECT_EQ(m_site.PictureRequests.load(), 0);
    // The profile's own store does not report what it reads back from disk: the cookies reach
    // the downloads of the next session through the copy kept beside it, the owner's alone.
    const QFile::Permissions rights = QFile::permissions(m_paths->BrowserProfileFolder() + "/cookies.txt");
    EXPECT_TRUE(rights & QFile::ReadOwner);
    EXPECT_FALSE(rights & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther));
    // A new browser over the same profile, as when the program is started again.
    Run(true, QStringLiteral("Gallery"));
    const QString gallery = QStringLiteral("Gallery");
    EXPECT_EQ(Images(gallery), (QStringList{"1.gif", "2.gif", "3.gif"}));
    for (const char* name : {"1", "2", "3"})
        EXPECT_EQ(Image(QStringLiteral("%1.gif").arg(QLatin1String(name)), gallery),
                  QByteArray::fromStdString(PictureBytes(name))) << name;
    for (const TDownloadEntry& entry : Record(gallery))
        EXPECT_TRUE(entry.Succeeded()) << entry.URL.toStdString() << ' ' << entry.Outcome().toStdString();
}

} // namespace
