// The transfer of one worker against loopback servers: statuses, redirections, credentials,
// proxy, stalls and dropped connections.
#include "download/downloadthread.h"
#include "support/downloadsite.h"

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

    static TDownloadTestSite& Server()
    {
        static TDownloadTestSite server;
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
    EXPECT_EQ(File(), QByteArray::fromStdString(TDownloadTestSite::Body()));
}

TEST_F(DownloadThreadTest, RequestCarriesTheClientsHeaders)
{
    EXPECT_TRUE(Fetch(Server().Url("/headers")).Succeeded);
    EXPECT_EQ(Server().LastHeader("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(Server().LastHeader("Accept-Encoding"), "identity");
    EXPECT_EQ(Server().LastHeader("Authorization"), "");
    // The challenge is answered with the same headers plus the credentials.
    m_job.UserName = "user";
    m_job.Password = "pass";
    EXPECT_TRUE(Fetch(Server().Url("/basic")).Succeeded);
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

TEST_F(DownloadThreadTest, EntryIsRequestedAsQueued)
{
    // Blanks before the scheme are dropped; one inside the path is sent encoded.
    EXPECT_TRUE(Fetch("  " + Server().Url("/a b.jpg")).Succeeded);
    EXPECT_EQ(File(), QByteArray("spaced"));

    // A trailing blank belongs to the resource: it is sent, not trimmed away.
    TRawServer server(TRawServer::Mode::Respond, "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nblank");
    EXPECT_TRUE(Fetch(QStringLiteral(" \thttp://127.0.0.1:%1/pic.jpg ").arg(server.Port())).Succeeded);
    EXPECT_EQ(server.RequestLine(), "GET /pic.jpg%20 HTTP/1.1");
    EXPECT_EQ(File(), QByteArray("blan"));

    EXPECT_EQ(TDownloadThead::RequestURL(QString::fromUtf8(" http://h/ä b\t")), QByteArray("http://h/%C3%A4%20b%09"));
    EXPECT_EQ(TDownloadThead::RequestURL(QStringLiteral("http://h/a.jpg  ")), QByteArray("http://h/a.jpg%20%20"));
    EXPECT_EQ(TDownloadThead::RequestURL(QStringLiteral(" \r\n ")), QByteArray());
}

TEST_F(DownloadThreadTest, RequestHeadersAreTheClientsOwnByteForByte)
{
    TRawServer server(TRawServer::Mode::Respond, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    const std::string port = std::to_string(server.Port());
    EXPECT_TRUE(Fetch(QStringLiteral("http://127.0.0.1:%1/p.jpg").arg(server.Port())).Succeeded);
    EXPECT_EQ(server.Request(), "GET /p.jpg HTTP/1.1\r\nHost: 127.0.0.1:" + port
                                    + "\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
                                      "Accept: */*\r\nAccept-Encoding: identity\r\n\r\n");

    m_job.ProxyServer = "127.0.0.1";
    m_job.ProxyPort = QString::fromStdString(port);
    EXPECT_TRUE(Fetch(QStringLiteral("http://example.invalid/p.jpg")).Succeeded);
    EXPECT_EQ(server.Request(), "GET http://example.invalid/p.jpg HTTP/1.1\r\nHost: example.invalid\r\n"
                                "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\nAccept: */*\r\n"
                                "Accept-Encoding: identity\r\nProxy-Connection: Keep-Alive\r\n\r\n");
}

struct TEncodedRow
{
    const char* encoding;
    QByteArray body;
};

TEST_F(DownloadThreadTest, EncodedBodiesAreStoredAsReceived)
{
    // "stored as sent" compressed with gzip and with zlib; for br and an unknown coding any
    // bytes do: they are never decoded.
    const unsigned char gzip[] = {0x1f, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03, 0x2b, 0x2e,
                                  0xc9, 0x2f, 0x4a, 0x4d, 0x51, 0x48, 0x2c, 0x56, 0x28, 0x4e, 0xcd, 0x2b,
                                  0x01, 0x00, 0x45, 0x7e, 0x71, 0xf4, 0x0e, 0x00, 0x00, 0x00};
    const unsigned char deflate[] = {0x78, 0x9c, 0x2b, 0x2e, 0xc9, 0x2f, 0x4a, 0x4d, 0x51, 0x48, 0x2c,
                                     0x56, 0x28, 0x4e, 0xcd, 0x2b, 0x01, 0x00, 0x29, 0x10, 0x05, 0x60};
    const TEncodedRow rows[] = {
        {"gzip", QByteArray(reinterpret_cast<const char*>(gzip), sizeof gzip)},
        {"deflate", QByteArray(reinterpret_cast<const char*>(deflate), sizeof deflate)},
        {"br", QByteArray("\x8b\x06\x80stored\x03", 10)},
        {"x-pagemint-private", QByteArray("\0\1\2 opaque \xff", 13)},
    };
    for (const TEncodedRow& row : rows) {
        const std::string response = "HTTP/1.1 200 OK\r\nContent-Encoding: " + std::string(row.encoding)
                                     + "\r\nContent-Length: " + std::to_string(row.body.size()) + "\r\n\r\n"
                                     + row.body.toStdString();
        TRawServer server(TRawServer::Mode::Respond, response);
        const TDownloadResult result = Fetch(QStringLiteral("http://127.0.0.1:%1/f.bin").arg(server.Port()));
        EXPECT_TRUE(result.Succeeded) << row.encoding << " curl code " << result.CurlCode;
        EXPECT_EQ(File(), row.body) << row.encoding;
    }

    // Chunks are transfer framing, not content: they are removed.
    TRawServer chunked(TRawServer::Mode::Respond, "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n"
                                                  "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n");
    EXPECT_TRUE(Fetch(QStringLiteral("http://127.0.0.1:%1/c.bin").arg(chunked.Port())).Succeeded);
    EXPECT_EQ(File(), QByteArray("abcde"));
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
