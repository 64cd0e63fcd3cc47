// The transfer of one worker against loopback servers: statuses, redirections, credentials,
// proxy, stalls and dropped connections.
#include "download/downloadthread.h"
#include "testserver.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class DownloadThreadTest : public testing::Test
{
protected:
    TDownloadResult Fetch(const QString& url, const QString& name = "file.bin")
    {
        m_job.URL = url;
        m_job.FileName = m_dir.filePath(name);
        return TDownloadThead::Fetch(m_job, m_limits, m_abort);
    }
    QByteArray File(const QString& name = "file.bin") const { return ReadAll(m_dir.filePath(name)); }

    static TTestHttpServer& Server()
    {
        static TTestHttpServer server;
        return server;
    }

    QTemporaryDir m_dir;
    TDownloadJob m_job;
    TDownloadLimits m_limits;
    std::atomic<bool> m_abort{false};
};

TEST_F(DownloadThreadTest, SuccessfulAnswerIsStoredIntact)
{
    const TDownloadResult result = Fetch(Server().Url("/ok.bin"));
    EXPECT_TRUE(result.Succeeded);
    EXPECT_EQ(result.HttpStatus, 200);
    EXPECT_EQ(File(), QByteArray::fromStdString(TTestHttpServer::Body()));
}

TEST_F(DownloadThreadTest, RequestCarriesTheClientsHeaders)
{
    EXPECT_TRUE(Fetch(Server().Url("/headers")).Succeeded);
    EXPECT_EQ(Server().LastHeader("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(Server().LastHeader("Accept-Encoding"), "identity");
    EXPECT_EQ(Server().LastHeader("Authorization"), "");
}

TEST_F(DownloadThreadTest, ErrorAnswersLeaveAnEmptyFileInPlace)
{
    for (const char* path : {"/404", "/500", "/nothing-here"}) {
        QFile old(m_dir.filePath("file.bin"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous content");
        old.close();
        const TDownloadResult result = Fetch(Server().Url(path));
        EXPECT_FALSE(result.Succeeded) << path;
        EXPECT_TRUE(result.FileCreated) << path;
        EXPECT_EQ(File(), QByteArray()) << path;
    }
}

TEST_F(DownloadThreadTest, RedirectionIsNotFollowed)
{
    const int before = Server().Hits("/ok.bin");
    const TDownloadResult result = Fetch(Server().Url("/302"));
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.HttpStatus, 302);
    EXPECT_EQ(File(), QByteArray());
    EXPECT_EQ(Server().Hits("/ok.bin"), before);
}

TEST_F(DownloadThreadTest, BlanksRoundTheEntryAndInsideThePathAreHandled)
{
    const TDownloadResult result = Fetch("  " + Server().Url("/a b.jpg") + " \t");
    EXPECT_TRUE(result.Succeeded);
    EXPECT_EQ(File(), QByteArray("spaced"));
    EXPECT_EQ(TDownloadThead::RequestURL(QString::fromUtf8(" http://h/ä b\t")), QByteArray("http://h/%C3%A4%20b"));
}

TEST_F(DownloadThreadTest, FileThatCannotBeCreatedSendsNoRequest)
{
    const int before = Server().Hits("/ok.bin");
    m_job.URL = Server().Url("/ok.bin");
    for (const QString& name : {m_dir.filePath("missing-folder/x.bin"), m_dir.path() + '/', QString()}) {
        m_job.FileName = name;
        const TDownloadResult result = TDownloadThead::Fetch(m_job, m_limits, m_abort);
        EXPECT_FALSE(result.FileCreated) << name.toStdString();
        EXPECT_FALSE(result.Succeeded);
    }
    EXPECT_EQ(Server().Hits("/ok.bin"), before);
}

TEST_F(DownloadThreadTest, OnlyHttpAndHttpsAreFetched)
{
    QFile secret(m_dir.filePath("secret.txt"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("local data");
    secret.close();
    EXPECT_FALSE(Fetch("file://" + m_dir.filePath("secret.txt")).Succeeded);
    EXPECT_EQ(File(), QByteArray());
}

struct TAuthRow
{
    const char* path;
    const char* user;
    const char* password;
    bool succeeds;
};

TEST_F(DownloadThreadTest, CredentialsAnswerAChallengeOnly)
{
    const TAuthRow rows[] = {
        {"/basic", "user", "pass", true},
        {"/basic", "user", "wrong", false},
        {"/basic", "", "", false},
        {"/basic", "user", "  ", false},  // a password of blanks answers nothing
        {"/basic-password-only", "", "pass", true},
        {"/digest", "user", "pass", true},
        {"/digest", "user", "wrong", false},
        {"/digest", "", "", false},
    };
    for (const TAuthRow& row : rows) {
        const size_t before = Server().Authorizations().size();
        m_job.UserName = row.user;
        m_job.Password = row.password;
        const TDownloadResult result = Fetch(Server().Url(row.path));
        const std::string what = std::string(row.path) + " " + row.user + ":" + row.password;
        EXPECT_EQ(result.Succeeded, row.succeeds) << what;
        EXPECT_EQ(File().isEmpty(), !row.succeeds) << what;
        if (!row.succeeds) {
            EXPECT_EQ(result.HttpStatus, 401) << what;
        }
        const std::vector<std::string> seen = Server().Authorizations();
        ASSERT_GT(seen.size(), before) << what;
        EXPECT_EQ(seen[before], "") << what << ": credentials sent unasked";
    }
}

TEST_F(DownloadThreadTest, ProxyIsUsedOnlyWithHostAndPort)
{
    TRawServer proxy(TRawServer::Mode::Respond, "HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\nproxied");
    // The target is a loopback port nobody listens on: reached directly it refuses.
    int deadPort = 0;
    {
        TRawServer gone(TRawServer::Mode::Respond);
        deadPort = gone.Port();
    }
    const QString target = QStringLiteral("http://127.0.0.1:%1/pic.jpg").arg(deadPort);

    m_job.ProxyServer = "127.0.0.1";
    m_job.ProxyPort = QString::number(proxy.Port());
    m_job.UserName = "user";
    m_job.Password = "pass";
    EXPECT_TRUE(Fetch(target).Succeeded);
    EXPECT_EQ(File(), QByteArray("proxied"));
    EXPECT_EQ(proxy.RequestLine(), "GET " + target.toStdString() + " HTTP/1.1");

    m_job.ProxyPort.clear();
    EXPECT_TRUE(Fetch(Server().Url("/ok.bin")).Succeeded);
    EXPECT_EQ(proxy.Connections(), 1);
    m_job.ProxyPort = QString::number(proxy.Port());
    m_job.ProxyServer.clear();
    EXPECT_TRUE(Fetch(Server().Url("/ok.bin")).Succeeded);
    EXPECT_EQ(proxy.Connections(), 1);
}

TEST_F(DownloadThreadTest, ProxyPortThatIsNotANumberMeansEighty)
{
    EXPECT_EQ(TDownloadThead::ProxyPortNumber("8080"), 8080);
    EXPECT_EQ(TDownloadThead::ProxyPortNumber("http"), 80);
    EXPECT_EQ(TDownloadThead::ProxyPortNumber("80a"), 80);
    EXPECT_EQ(TDownloadThead::ProxyPortNumber(""), 80);
}

TEST_F(DownloadThreadTest, StalledTransferEndsWithinTheBoundKeepingWhatArrived)
{
    TRawServer server(TRawServer::Mode::Stall);
    m_limits.StallSeconds = 1;
    const TDownloadResult result = Fetch(QStringLiteral("http://127.0.0.1:%1/slow.jpg").arg(server.Port()));
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(File(), QByteArray(100, 's'));
}

TEST_F(DownloadThreadTest, DroppedConnectionKeepsWhatArrived)
{
    TRawServer server(TRawServer::Mode::DropMidBody);
    const TDownloadResult result = Fetch(QStringLiteral("http://127.0.0.1:%1/cut.jpg").arg(server.Port()));
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(File(), QByteArray(500, 'd'));
}

TEST_F(DownloadThreadTest, RefusedConnectionFails)
{
    int port = 0;
    {
        TRawServer gone(TRawServer::Mode::Respond);
        port = gone.Port();
    }
    EXPECT_FALSE(Fetch(QStringLiteral("http://127.0.0.1:%1/x.jpg").arg(port)).Succeeded);
    EXPECT_EQ(File(), QByteArray());
}

} // namespace
