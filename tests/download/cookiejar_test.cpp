#include "download/cookiejar.h"

#include <QTimeZone>
#include <QUrl>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QDateTime Now(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc());

TCookie Make(const char* name, const char* value, const QString& domain, bool hostOnly = true,
             const QString& path = QStringLiteral("/"))
{
    TCookie c;
    c.Name = name;
    c.Value = value;
    c.Domain = domain;
    c.HostOnly = hostOnly;
    c.Path = path;
    return c;
}

QByteArray Header(const TCookieJar& jar, const char* url)
{
    return jar.CookieHeader(QUrl(QString::fromUtf8(url)), Now);
}

} // namespace

TEST(CookieJar, DomainCookieReachesSubdomainsHostOnlyOnlyItsHost)
{
    TCookieJar jar;
    ASSERT_TRUE(jar.Add(Make("d", "1", QStringLiteral(".Example.COM"), false)));
    ASSERT_TRUE(jar.Add(Make("h", "2", QStringLiteral("www.example.com"))));

    EXPECT_EQ(Header(jar, "http://example.com/"), "d=1");
    EXPECT_EQ(Header(jar, "http://www.example.com/x"), "d=1; h=2");
    EXPECT_EQ(Header(jar, "http://a.b.example.com/"), "d=1");
    EXPECT_EQ(Header(jar, "http://sub.www.example.com/"), "d=1"); // h is host-only
    // A suffix that does not end at a dot is another site.
    EXPECT_EQ(Header(jar, "http://badexample.com/"), "");
    EXPECT_EQ(Header(jar, "http://example.org/"), "");
    EXPECT_EQ(Header(jar, "ftp://example.com/"), "");
}

TEST(CookieJar, SecureOnlyOverHttpsAndExpiredNever)
{
    TCookieJar jar;
    TCookie secure = Make("s", "1", QStringLiteral("example.com"));
    secure.Secure = true;
    TCookie expired = Make("old", "1", QStringLiteral("example.com"));
    expired.Expiry = Now.addSecs(-1);
    TCookie atNow = Make("edge", "1", QStringLiteral("example.com"));
    atNow.Expiry = Now;
    TCookie later = Make("later", "1", QStringLiteral("example.com"));
    later.Expiry = Now.addDays(1);
    for (const TCookie& c : {secure, expired, atNow, later})
        ASSERT_TRUE(jar.Add(c));

    EXPECT_EQ(Header(jar, "http://example.com/"), "later=1");
    EXPECT_EQ(Header(jar, "https://example.com/"), "s=1; later=1");

    jar.RemoveExpired(Now);
    EXPECT_EQ(jar.Count(), 2);
}

TEST(CookieJar, PathPrefixRules)
{
    TCookieJar jar;
    jar.Add(Make("foo", "1", QStringLiteral("example.com"), true, QStringLiteral("/foo")));
    jar.Add(Make("slash", "1", QStringLiteral("example.com"), true, QStringLiteral("/foo/")));

    EXPECT_EQ(Header(jar, "http://example.com/foo"), "foo=1");
    EXPECT_EQ(Header(jar, "http://example.com/foo/"), "slash=1; foo=1");
    EXPECT_EQ(Header(jar, "http://example.com/foo/bar"), "slash=1; foo=1");
    EXPECT_EQ(Header(jar, "http://example.com/foobar"), "");
    EXPECT_EQ(Header(jar, "http://example.com/"), "");
    EXPECT_EQ(Header(jar, "http://example.com"), ""); // empty path counts as "/"

    EXPECT_TRUE(TCookieJar::PathMatches("/", "/anything"));
    EXPECT_FALSE(TCookieJar::PathMatches("/foo/", "/foo"));
}

TEST(CookieJar, OrderLongerPathFirstThenOlder)
{
    TCookieJar jar;
    jar.Add(Make("b", "1", QStringLiteral("example.com")));
    jar.Add(Make("a", "1", QStringLiteral("example.com"), false));
    jar.Add(Make("deep", "1", QStringLiteral("example.com"), true, QStringLiteral("/x/y")));
    jar.Add(Make("mid", "1", QStringLiteral("example.com"), true, QStringLiteral("/x")));
    EXPECT_EQ(Header(jar, "http://example.com/x/y/z"), "deep=1; mid=1; b=1; a=1");
}

TEST(CookieJar, ReplacementKeepsCreationOrderAndRemovalIsExact)
{
    TCookieJar jar;
    jar.Add(Make("first", "1", QStringLiteral("example.com")));
    jar.Add(Make("second", "1", QStringLiteral("example.com")));
    jar.Add(Make("first", "2", QStringLiteral("EXAMPLE.com")));
    EXPECT_EQ(jar.Count(), 2);
    EXPECT_EQ(Header(jar, "http://example.com/"), "first=2; second=1");

    // Same name and domain, but a domain cookie or another path is a different cookie.
    jar.Add(Make("first", "3", QStringLiteral("example.com"), false));
    jar.Add(Make("first", "4", QStringLiteral("example.com"), true, QStringLiteral("/p")));
    EXPECT_EQ(jar.Count(), 4);

    EXPECT_FALSE(jar.Remove("first", QStringLiteral("example.com"), true, QStringLiteral("/q")));
    EXPECT_TRUE(jar.Remove("first", QStringLiteral(".example.com"), false, QStringLiteral("/")));
    EXPECT_EQ(Header(jar, "http://example.com/p"), "first=4; first=2; second=1");
    EXPECT_TRUE(jar.Remove("first", QStringLiteral("example.com"), true, QStringLiteral("/p")));
    EXPECT_TRUE(jar.Remove("first", QStringLiteral("example.com"), true, QStringLiteral("/")));
    EXPECT_EQ(Header(jar, "http://example.com/p"), "second=1");
    EXPECT_EQ(jar.Count(), 1);
    jar.Clear();
    EXPECT_EQ(jar.Count(), 0);
    EXPECT_TRUE(jar.Cookies().isEmpty());
}

TEST(CookieJar, IpAddressHostsTakeOnlyHostOnlyCookies)
{
    TCookieJar jar;
    jar.Add(Make("host", "1", QStringLiteral("127.0.0.1")));
    jar.Add(Make("dom", "1", QStringLiteral("0.0.1"), false));   // would suffix-match the address
    jar.Add(Make("v6", "1", QStringLiteral("[::1]")));
    EXPECT_EQ(Header(jar, "http://127.0.0.1:8080/a"), "host=1");
    EXPECT_EQ(Header(jar, "http://[::1]/"), "v6=1");
    EXPECT_TRUE(TCookieJar::IsIpAddress(QStringLiteral("10.1.2.3")));
    EXPECT_FALSE(TCookieJar::IsIpAddress(QStringLiteral("www.example.com")));
}

TEST(CookieJar, UnsafeOrUnusableCookiesAreRefused)
{
    TCookieJar jar;
    EXPECT_FALSE(jar.Add(Make("a", "x\r\nX-Evil: 1", QStringLiteral("example.com"))));
    EXPECT_FALSE(jar.Add(Make("a;b", "1", QStringLiteral("example.com"))));
    EXPECT_FALSE(jar.Add(Make("a", "1", QStringLiteral("."))));
    EXPECT_EQ(jar.Count(), 0);

    // A nameless cookie is sent as its value alone; a missing path becomes "/".
    TCookie nameless = Make("", "token", QStringLiteral("example.com"), true, QString());
    ASSERT_TRUE(jar.Add(nameless));
    EXPECT_EQ(Header(jar, "http://example.com/deep/page"), "token");
}

TEST(CookieJar, InternationalHostsMatchTheirAsciiForm)
{
    TCookieJar jar;
    jar.Add(Make("i", "1", QStringLiteral("xn--bcher-kva.example"), false));
    EXPECT_EQ(jar.CookieHeader(QUrl(QStringLiteral("http://www.bücher.example/")), Now), "i=1");
}

TEST(CookieJar, ReadersAndWritersOnSeveralThreads)
{
    TCookieJar jar;
    std::atomic<bool> sawGarbage = false;
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&jar, t] {
            for (int i = 0; i < 300; ++i) {
                const QByteArray name = "c" + QByteArray::number(t) + "_" + QByteArray::number(i % 20);
                jar.Add(Make(name.constData(), "v", QStringLiteral("example.com")));
                if (i % 3 == 0)
                    jar.Remove(name, QStringLiteral("example.com"), true, QStringLiteral("/"));
            }
        });
    }
    threads.emplace_back([&] {
        for (int i = 0; i < 300; ++i) {
            const QByteArray h = Header(jar, "http://example.com/");
            if (!h.isEmpty() && !h.startsWith('c'))
                sawGarbage = true;
        }
    });
    for (std::thread& t : threads)
        t.join();
    EXPECT_FALSE(sawGarbage);
    EXPECT_EQ(jar.Count(), jar.Cookies().size());
}

TEST(CookieFile, EveryKindOfCookieComesBackAsItWasWritten)
{
    TCookie session = Make("sid", "granted", QStringLiteral("127.0.0.1"));
    session.HttpOnly = true;
    TCookie domain = Make("pref", "a=b c", QStringLiteral("example.com"));
    domain.HostOnly = false;
    domain.Path = QStringLiteral("/shop");
    domain.Secure = true;
    domain.Expiry = QDateTime::fromSecsSinceEpoch(1'900'000'000, Qt::UTC);
    TCookie empty = Make("", "bare", QStringLiteral("www.example.com"));

    const QByteArray text = pagemint::CookieFileText({session, domain, empty});
    EXPECT_TRUE(text.contains("#HttpOnly_127.0.0.1\tFALSE\t/\tFALSE\t0\tsid\tgranted\n"));
    EXPECT_TRUE(text.contains("\n.example.com\tTRUE\t/shop\tTRUE\t1900000000\tpref\ta=b c\n"));

    const QList<TCookie> back = pagemint::ParseCookieFile(text);
    ASSERT_EQ(back.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const TCookie& want = (i == 0 ? session : i == 1 ? domain : empty);
        EXPECT_EQ(back[i].Name, want.Name) << i;
        EXPECT_EQ(back[i].Value, want.Value) << i;
        EXPECT_EQ(back[i].Domain, want.Domain) << i;
        EXPECT_EQ(back[i].HostOnly, want.HostOnly) << i;
        EXPECT_EQ(back[i].Path, want.Path) << i;
        EXPECT_EQ(back[i].Secure, want.Secure) << i;
        EXPECT_EQ(back[i].HttpOnly, want.HttpOnly) << i;
        EXPECT_EQ(back[i].Expiry, want.Expiry) << i;
    }
}

TEST(CookieFile, WhatCannotBeWrittenOrReadIsLeftOut)
{
    // A tab or a line break would shift the fields of the line or start a new one.
    EXPECT_EQ(pagemint::ParseCookieFile(pagemint::CookieFileText(
                  {Make("a\tb", "1", QStringLiteral("example.com")), Make("c", "x\ny", QStringLiteral("example.com"))}))
                  .size(),
              0);
    const QList<TCookie> read = pagemint::ParseCookieFile("# comment\r\n"
                                                          "\r\n"
                                                          "example.com\tFALSE\t/\tFALSE\t0\tok\t1\r\n"
                                                          "example.com\tFALSE\t/\tFALSE\t0\tshort\n"
                                                          "example.com\tFALSE\t/\tFALSE\t0\tlong\t1\textra\n"
                                                          "example.com\tFALSE\tnoslash\tFALSE\t0\tpath\t1\n"
                                                          "example.com\tFALSE\t/\tFALSE\tsoon\texpiry\t1\n"
                                                          "example.com\tFALSE\t/\tFALSE\t-5\tnegative\t1\n"
                                                          "\tFALSE\t/\tFALSE\t0\tnodomain\t1\n"
                                                          "#HttpOnly_\n"
                                                          "sub.example.com\tTRUE\t/\tFALSE\t0\tflagged\t2");
    ASSERT_EQ(read.size(), 2);
    EXPECT_EQ(read[0].Name, "ok");
    EXPECT_TRUE(read[0].HostOnly);
    // The subdomains flag alone makes a domain cookie, as curl reads it.
    EXPECT_EQ(read[1].Name, "flagged");
    EXPECT_FALSE(read[1].HostOnly);
    EXPECT_EQ(read[1].Domain, QStringLiteral("sub.example.com"));
}
