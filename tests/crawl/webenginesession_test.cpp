// The cookie feed from the real Qt WebEngine profile into the downloads' cookie jar.
#include "crawl/webengine/webenginebrowser.h"
#include "crawl/webengine/webenginesession.h"
#include "host/eventpump.h"
#include "support/testsite.h"

#include <QNetworkCookie>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <gtest/gtest.h>

namespace {

template <typename F>
bool PumpUntil(F done)
{
    TEventLoopPump host;
    const qint64 deadline = host.NowMs() + 20'000;
    while (!done() && host.NowMs() < deadline)
        host.ProcessMessages();
    return done();
}

QNetworkCookie Cookie(const char* name, const char* domain = "")
{
    QNetworkCookie c(name, "v");
    c.setDomain(QString::fromLatin1(domain));
    c.setPath(QStringLiteral("/"));
    return c;
}

} // namespace

TEST(WebEngineSession, StoreCookiesReachTheJarAsHostOnlyOrDomainCookies)
{
    TWebEngineBrowser browser(QString{});
    TBrowserSession* session = browser.Session();
    ASSERT_NE(session, nullptr);
    const std::shared_ptr<const TCookieJar> jar = session->CookieJar();
    EXPECT_FALSE(session->UserAgent().isEmpty());
    EXPECT_EQ(session->UserAgent(), browser.Profile()->httpUserAgent());

    // The store reports cookies once the profile has loaded a page.
    browser.Navigate(QStringLiteral("about:blank"));
    ASSERT_TRUE(PumpUntil([&] { return browser.ReadyState() == TBrowser::ReadyStateComplete; }));
    QWebEngineCookieStore* store = browser.Profile()->cookieStore();
    store->setCookie(Cookie("host"), QUrl(QStringLiteral("http://www.example.test/")));
    store->setCookie(Cookie("dom", ".example.test"), QUrl(QStringLiteral("http://www.example.test/")));
    ASSERT_TRUE(PumpUntil([&] { return jar->Count() == 2; })) << jar->Count();

    const QDateTime now = QDateTime::currentDateTimeUtc();
    EXPECT_EQ(jar->CookieHeader(QUrl(QStringLiteral("http://www.example.test/a")), now),
              "host=v; dom=v");
    EXPECT_EQ(jar->CookieHeader(QUrl(QStringLiteral("http://img.example.test/a")), now), "dom=v");

    store->deleteCookie(Cookie("host"), QUrl(QStringLiteral("http://www.example.test/")));
    ASSERT_TRUE(PumpUntil([&] { return jar->Count() == 1; })) << jar->Count();
    EXPECT_EQ(jar->CookieHeader(QUrl(QStringLiteral("http://www.example.test/a")), now), "dom=v");
}

TEST(WebEngineSession, CookiesAPageSetsReachTheJar)
{
    TTestSite site;
    site.AddCookiePages();
    ASSERT_TRUE(site.Start());
    QTemporaryDir dir;
    TWebEngineBrowser browser(dir.path() + QStringLiteral("/BrowserProfile"));
    const auto jar = browser.Session()->CookieJar();
    browser.Navigate(site.Url("/setcookie"));
    ASSERT_TRUE(PumpUntil([&] { return jar->Count() == 1; })) << jar->Count();
    EXPECT_EQ(jar->CookieHeader(QUrl(site.Url("/img/a.jpg")), QDateTime::currentDateTimeUtc()),
              "session=abc");
    EXPECT_TRUE(jar->Cookies().first().HostOnly);
}

TEST(WebEngineSession, ConversionFromTheStoreForm)
{
    QNetworkCookie c("n", "v");
    c.setDomain(QStringLiteral(".Example.test"));
    c.setPath(QStringLiteral("/p"));
    c.setSecure(true);
    c.setHttpOnly(true);
    const QDateTime expiry(QDate(2030, 1, 1), QTime(0, 0), QTimeZone::utc());
    c.setExpirationDate(expiry);
    TCookie t = TWebEngineSession::FromNetworkCookie(c);
    EXPECT_FALSE(t.HostOnly);
    EXPECT_EQ(t.Path, "/p");
    EXPECT_TRUE(t.Secure);
    EXPECT_TRUE(t.HttpOnly);
    EXPECT_EQ(t.Expiry, expiry);

    c.setDomain(QStringLiteral("www.example.test"));
    c.setExpirationDate(QDateTime());
    t = TWebEngineSession::FromNetworkCookie(c);
    EXPECT_TRUE(t.HostOnly);
    EXPECT_FALSE(t.Expiry.isValid());
}
