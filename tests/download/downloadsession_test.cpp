// What a download sends of the browser's session, how transient failures are tried again, and
// the record line each download leaves.
#include "download/downloadrecord.h"
#include "download/downloadthread.h"
#include "support/downloadsite.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <chrono>
#include <future>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TDownloadTestSite& Server()
{
    static TDownloadTestSite server;
    return server;
}

TCookie Cookie(const char* name, const char* value, const QString& domain, bool hostOnly = true)
{
    TCookie cookie;
    cookie.Name = name;
    cookie.Value = value;
    cookie.Domain = domain;
    cookie.HostOnly = hostOnly;
    return cookie;
}

class DownloadSessionTest : public testing::Test
{
protected:
    DownloadSessionTest()
    {
        m_job.FileName = m_dir.filePath("file.bin");
        m_jar = std::make_shared<TCookieJar>();
    }

    TDownloadResult Fetch(const QString& url)
    {
        m_job.URL = url;
        return TDownloadThead::FetchWithRetries(m_job, m_limits, m_abort, m_wait, [] { return 0.0; });
    }
    /** A job that carries a whole session; whether it is sent depends on ShareSession. */
    void GiveSession(bool share)
    {
        m_jar->Add(Cookie("sid", "s1", QStringLiteral("127.0.0.1")));
        m_job.ShareSession = share;
        m_job.Cookies = m_jar;
        m_job.UserAgent = QStringLiteral("TestBrowser/1.0 (X11)");
        m_job.Referrer = QStringLiteral("http://127.0.0.1/gallery page.html");
    }
    QByteArray File() const { return ReadAll(m_job.FileName); }

    QTemporaryDir m_dir;
    TDownloadJob m_job;
    TDownloadLimits m_limits;
    std::atomic<bool> m_abort{false};
    TInterruptibleWait m_wait;
    std::shared_ptr<TCookieJar> m_jar;
};

TEST_F(DownloadSessionTest, SessionOffSendsExactlyThePlainRequestHeaders)
{
    ASSERT_TRUE(Fetch(Server().Url("/headers")).Succeeded);
    const auto plain = Server().LastHeaders();

    GiveSession(false);
    ASSERT_TRUE(Fetch(Server().Url("/headers")).Succeeded);
    EXPECT_EQ(Server().LastHeaders(), plain);
    EXPECT_EQ(Server().LastHeader("Cookie"), "");
    EXPECT_EQ(Server().LastHeader("Referer"), "");
    EXPECT_EQ(Server().LastHeader("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
}

TEST_F(DownloadSessionTest, SessionOnSendsCookiesUserAgentAndReferrer)
{
    GiveSession(true);
    ASSERT_TRUE(Fetch(Server().Url("/headers")).Succeeded);
    EXPECT_EQ(Server().LastHeader("Cookie"), "sid=s1");
    EXPECT_EQ(Server().LastHeader("User-Agent"), "TestBrowser/1.0 (X11)");
    // The server library decodes header values; a blank was sent encoded all the same.
    EXPECT_EQ(Server().LastHeader("Referer"), "http://127.0.0.1/gallery page.html");

    // A line break in the page address cannot start a header of its own.
    m_job.Referrer = QStringLiteral("http://127.0.0.1/p\r\nX-Injected: 1");
    ASSERT_TRUE(Fetch(Server().Url("/headers")).Succeeded);
    EXPECT_EQ(Server().LastHeader("X-Injected"), "");
}

TEST_F(DownloadSessionTest, OnlyCookiesThatApplyToTheRequestAreSent)
{
    GiveSession(true);
    // A domain cookie never applies to an IP address host.
    m_jar->Add(Cookie("wide", "1", QStringLiteral("127.0.0.1"), false));
    TCookie secure = Cookie("secure", "1", QStringLiteral("127.0.0.1"));
    secure.Secure = true; // never over plain http
    m_jar->Add(secure);
    TCookie expired = Cookie("old", "1", QStringLiteral("127.0.0.1"));
    expired.Expiry = QDateTime::currentDateTimeUtc().addSecs(-60);
    m_jar->Add(expired);
    TCookie elsewhere = Cookie("path", "1", QStringLiteral("127.0.0.1"));
    elsewhere.Path = QStringLiteral("/private");
    m_jar->Add(elsewhere);
    m_jar->Add(Cookie("other", "1", QStringLiteral("127.0.0.2")));
    TCookie later = Cookie("later", "2", QStringLiteral("127.0.0.1"));
    later.Expiry = QDateTime::currentDateTimeUtc().addSecs(3600);
    m_jar->Add(later);

    ASSERT_TRUE(Fetch(Server().Url("/headers")).Succeeded);
    EXPECT_EQ(Server().LastHeader("Cookie"), "sid=s1; later=2");
}

TEST_F(DownloadSessionTest, ServiceUnavailableIsTriedAgainAsRetryAfterSays)
{
    m_job.Retries = 2;
    const TDownloadResult result = Fetch(Server().Url("/flaky/twice"));
    EXPECT_TRUE(result.Succeeded);
    EXPECT_EQ(result.Tries, 3);
    EXPECT_EQ(Server().Hits("/flaky/twice"), 3);
    // The same file, emptied for each try: only the successful body is in it.
    EXPECT_EQ(File(), QByteArray::fromStdString(TDownloadTestSite::Body()));
    EXPECT_EQ(result.Bytes, qint64(TDownloadTestSite::Body().size()));
}

TEST_F(DownloadSessionTest, RetriesEndAtTheSetting)
{
    m_job.Retries = 1;
    const TDownloadResult result = Fetch(Server().Url("/flaky/once"));
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.HttpStatus, 503);
    EXPECT_EQ(result.Tries, 2);
    EXPECT_EQ(Server().Hits("/flaky/once"), 2);
    EXPECT_EQ(File(), QByteArray());

    m_job.Retries = 0; // a single try, as without retries
    EXPECT_EQ(Fetch(Server().Url("/flaky/none")).Tries, 1);
    EXPECT_EQ(Server().Hits("/flaky/none"), 1);
}

TEST_F(DownloadSessionTest, RetryAfterSecondsAreWaited)
{
    m_job.Retries = 1;
    const auto start = steady_clock::now();
    const TDownloadResult result = Fetch(Server().Url("/busy/1"));
    const auto elapsed = steady_clock::now() - start;
    EXPECT_EQ(result.Tries, 2);
    EXPECT_GE(elapsed, milliseconds(1000));
    EXPECT_LT(elapsed, milliseconds(5000));
}

TEST_F(DownloadSessionTest, NotFoundAndRedirectionAreNeverRetried)
{
    m_job.Retries = 3;
    for (const char* path : {"/404", "/302"}) {
        const int before = Server().Hits(path);
        const TDownloadResult result = Fetch(Server().Url(path));
        EXPECT_EQ(result.Tries, 1) << path;
        EXPECT_EQ(Server().Hits(path), before + 1) << path;
    }
}

TEST_F(DownloadSessionTest, ResetConnectionIsTriedAgainIntoAnEmptiedFile)
{
    TRawServer server(TRawServer::Mode::DropMidBody);
    m_job.Retries = 1;
    const TDownloadResult result = Fetch(QStringLiteral("http://127.0.0.1:%1/cut.jpg").arg(server.Port()));
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.Tries, 2);
    EXPECT_EQ(server.Connections(), 2);
    // Each try started from an empty file: what is left is the last try's part, not both.
    EXPECT_EQ(File(), QByteArray(500, 'd'));
}

TEST_F(DownloadSessionTest, InterruptEndsAWaitBetweenTriesAtOnce)
{
    m_job.Retries = 5;
    m_job.URL = Server().Url("/busy/60");
    const int before = Server().Hits("/busy/60");
    const auto start = steady_clock::now();
    auto pending = std::async(std::launch::async, [this] {
        return TDownloadThead::FetchWithRetries(m_job, m_limits, m_abort, m_wait);
    });
    // Wait for the first answer; the worker then waits 60 s before its next try.
    while (Server().Hits("/busy/60") == before && steady_clock::now() - start < seconds(10))
        std::this_thread::yield();
    m_wait.Interrupt();
    ASSERT_EQ(pending.wait_for(seconds(10)), std::future_status::ready);
    const TDownloadResult result = pending.get();
    EXPECT_EQ(result.Tries, 1);
    EXPECT_EQ(result.HttpStatus, 503);
    EXPECT_LT(steady_clock::now() - start, seconds(20));
}

TEST_F(DownloadSessionTest, FinishedDownloadLeavesOneRecordLine)
{
    const QString taskFolder = m_dir.path();
    m_job.RecordFolder = taskFolder;
    m_job.Referrer = QStringLiteral("http://127.0.0.1/page");
    m_job.Retries = 2;
    m_job.URL = Server().Url("/404");
    const TDownloadResult failed = Fetch(m_job.URL);
    ASSERT_TRUE(TDownloadThead::RecordDownload(m_job, failed));
    m_job.URL = Server().Url("/ok.bin");
    const TDownloadResult done = Fetch(m_job.URL);
    ASSERT_TRUE(TDownloadThead::RecordDownload(m_job, done));

    TDownloadResult refused; // the file could not even be created
    m_job.URL = QStringLiteral("http://127.0.0.1:1/x.jpg");
    ASSERT_TRUE(TDownloadThead::RecordDownload(m_job, refused));

    const QList<TDownloadEntry> entries = TDownloadRecord(taskFolder).Entries();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].Outcome(), QStringLiteral("404"));
    EXPECT_EQ(entries[0].Tries, 1);
    EXPECT_EQ(entries[0].URL, Server().Url("/404"));
    EXPECT_EQ(entries[0].Referrer, QStringLiteral("http://127.0.0.1/page"));
    EXPECT_EQ(entries[0].FileName, m_job.FileName);
    EXPECT_TRUE(entries[1].Succeeded());
    EXPECT_EQ(entries[1].Bytes, qint64(TDownloadTestSite::Body().size()));
    EXPECT_TRUE(TDownloadRecord::FileStillMatches(entries[1]));
    EXPECT_FALSE(entries[2].Succeeded());
    EXPECT_FALSE(entries[2].Error.isEmpty());
    // The file of the task folder is written relative to it.
    EXPECT_TRUE(ReadAll(TDownloadRecord(taskFolder).Path()).contains("\tfile.bin\n"));
}

TEST_F(DownloadSessionTest, TransferErrorIsRecordedInWords)
{
    int port = 0;
    {
        TRawServer gone(TRawServer::Mode::Respond);
        port = gone.Port();
    }
    m_job.RecordFolder = m_dir.path();
    m_job.URL = QStringLiteral("http://127.0.0.1:%1/x.jpg").arg(port);
    const TDownloadResult result = Fetch(m_job.URL);
    ASSERT_TRUE(TDownloadThead::RecordDownload(m_job, result));
    const QList<TDownloadEntry> entries = TDownloadRecord(m_dir.path()).Entries();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].HttpStatus, 0);
    EXPECT_EQ(entries[0].Error, QStringLiteral("Couldn't connect to server"));
}

} // namespace
