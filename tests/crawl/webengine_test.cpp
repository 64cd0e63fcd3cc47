// The crawl on the real Qt WebEngine (offscreen) against a small site on 127.0.0.1.
#include "crawl/crawldriver.h"
#include "crawl/webengine/webenginebrowser.h"
#include "crawl/webengine/webenginepage.h"
#include "crawl/webengine/snapshotscript.h"
#include "crawl/webengine/webengineenvironment.h"
#include "crawl/webengine/webenginerequestfilter.h"
#include "host/eventpump.h"
#include "support/fakehosts.h"
#include "support/qtprinters.h"
#include "results/resultlists.h"
#include "task/programsettings.h"
#include "task/runstate.h"
#include "support/imagefiles.h"
#include "support/testsite.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <gtest/gtest.h>

using namespace pagemint;

namespace {

const char* const StartPage = R"(<html><head><title>Start</title>
<script>alert('hi'); window.open('/c.html');</script></head><body>
<p>Price: 100 USD</p>
<a href="a.html">A</a> <a href="/b.html">B</a> <a href="files/setup.zip">Setup</a>
<a href="mailto:x@y.org">Mail</a> <a href="pic.jpg">Picture</a>
<img src="img/big.gif" width="800" height="600" alt="a big picture">
<img src="img/small.gif" width="10" height="10" alt="small">
<object classid="clsid:D27CDB6E-AE6D-11cf-96B8-444553540000"><PARAM NAME="Movie" VALUE="intro.swf"></object>
</body></html>)";

class WebEngineCrawlTest : public testing::Test
{
protected:
    void SetUp() override
    {
        site.AddPage("/start.html", StartPage);
        site.AddPage("/a.html", "<body><p>Price: 200 USD</p><a href='c.html'>C</a><a href='start.html'>S</a></body>");
        site.AddRedirect("/b.html", "/b2.html");
        site.AddPage("/b2.html", "<body>moved<br>here <a href='d.html'>D</a></body>");
        site.AddPage("/c.html", "<body>c</body>");
        site.AddPage("/d.html", "<body>d</body>");
        site.AddPage("/meta.html", "<html><head><meta http-equiv='refresh' content='0; url=/a.html'></head>"
                                "<body>wait</body></html>");
        site.Add("/pic.jpg", MakeGif(3, 2), "image/gif");
        site.Add("/img/big.gif", MakeGif(3, 2), "image/gif");
        site.Add("/img/small.gif", MakeGif(3, 2), "image/gif");
        site.AddHanging("/hang.html", {}, "text/html");
        site.AddCookiePages();
        ASSERT_TRUE(site.Start());
    }
    /** Requests of the three pictures so far. */
    int PictureRequests() const
    {
        return site.Hits("/pic.jpg") + site.Hits("/img/big.gif") + site.Hits("/img/small.gif");
    }

    TTestSite site;
};

TEST_F(WebEngineCrawlTest, RunsATaskAndFillsTheResultLists)
{
    TWebEngineBrowser browser(QString{});
    TRecordingFrontEnd host;
    host.CanPause = false; // nobody is there to log on
    TEventLoopPump pump;
    TRunState state;
    TResultLists lists;
    QStringList saves;
    TCrawlDriver driver(state, lists, browser, host, pump, [&](const QString& name) { saves.append(name); });

    TTaskItem task;
    task.StartURL = site.Url("/start.html");
    task.FollowedLink = 1;
    task.PageLocation = 1;
    task.check1 = task.check2 = task.check3 = task.check4 = task.check5 = true;
    task.OutText[0][0] = QStringLiteral("Price:");
    task.OutText[0][2] = QStringLiteral("USD");
    task.ImageLinkBool = true;
    task.ImageWidthBool = true;
    task.ImageWidthMin = 100;
    task.DownloadExt = QStringLiteral("zip");
    ASSERT_TRUE(driver.RunTask(QStringLiteral("Site"), task));

    EXPECT_EQ(host.Messages, QStringList{TCrawlDriver::CompletedMessage});
    EXPECT_EQ(state.VisitedURLList.Entries(),
              (QStringList{site.Url("/start.html"), site.Url("/a.html"), site.Url("/b.html"), site.Url("/pic.jpg")}));
    // c.html from a.html, d.html from the redirected b.html; start.html is known already.
    EXPECT_EQ(state.LevelURLList.Entries(), (QStringList{site.Url("/c.html"), site.Url("/d.html")}));

    ASSERT_EQ(lists.Text().size(), 2u);
    EXPECT_EQ(lists.Text()[0][0], QStringLiteral(" 100 "));
    EXPECT_EQ(lists.Text()[1][0], QStringLiteral(" 200 "));
    EXPECT_EQ(lists.Downloads(), (std::vector<TNameLinkRow>{{QStringLiteral("setup.zip"),
                                                              site.Url("/files/setup.zip")}}));
    const QString movie = QStringLiteral("http://127.0.0.1:%1/intro.swf").arg(site.Url("").section(':', -1));
    EXPECT_EQ(lists.Flash(), (std::vector<TNameLinkRow>{{QStringLiteral("intro.swf"), movie}}));
    // The declared 800 passes the width filter although pictures are not loaded; 10 does not.
    EXPECT_EQ(state.DownloadQueue.Entries(),
              (QStringList{site.Url("/files/setup.zip"), site.Url("/pic.jpg"), site.Url("/img/big.gif"), movie}));
    EXPECT_TRUE(lists.Links().contains(QStringLiteral("mailto:x@y.org")));
    EXPECT_TRUE(lists.Links().contains(site.Url("/d.html")));
    EXPECT_EQ(saves, QStringList{QStringLiteral("Site")});
    EXPECT_TRUE(host.CurrentPage.contains(QStringLiteral("Current Page: ") + site.Url("/start.html")));
    // With "Download Images" off the page's pictures were never fetched (pic.jpg was visited as a page).
    EXPECT_EQ(PictureRequests(), 1);
}

TEST_F(WebEngineCrawlTest, StartPageWithoutLinksIsFollowedToItsRedirect)
{
    TWebEngineBrowser browser(QString{});
    TRecordingFrontEnd host;
    host.CanPause = false; // nobody is there to log on
    TEventLoopPump pump;
    TRunState state;
    TResultLists lists;
    TCrawlDriver driver(state, lists, browser, host, pump, {});
    TTaskItem task;
    task.StartURL = site.Url("/meta.html");
    task.check5 = true;
    driver.RunTask(QStringLiteral("Meta"), task);
    EXPECT_TRUE(host.CurrentPage.contains(TCrawlDriver::RedirectText));
    EXPECT_EQ(lists.Links(), (QStringList{site.Url("/c.html"), site.Url("/start.html")}));
}

class WebEngineBrowserTest : public WebEngineCrawlTest
{
protected:
    void Load(TWebEngineBrowser& browser, const QString& url)
    {
        browser.Navigate(QStringLiteral("about:blank"));
        browser.Navigate(url);
        Pump(browser, [&] { return browser.ReadyState() == TBrowser::ReadyStateComplete; });
    }
    template <typename F>
    void Pump(TWebEngineBrowser&, F done)
    {
        TEventLoopPump pump;
        const qint64 deadline = pump.NowMs() + 20'000;
        while (!done() && pump.NowMs() < deadline)
            pump.ProcessMessages();
    }
};

TEST_F(WebEngineBrowserTest, SnapshotReadsLinksImagesObjectsAndText)
{
    site.AddPage("/snap.html", R"(<body>line one<br>line two
<a href="x/y.html?q=1">rel</a><a href="https://example.invalid/abs">abs</a><a name="anchor">no href</a>
<map><area href="area.html"></map>
<img src="none.gif" width="120" height="40" alt="missing picture with a long alt text">
<img src="none2.gif" style="width:33px;height:22px">
<object classid="other" movie="attr.swf"><param name="movie" value="param.swf"></object>
<object classid="x"></object></body>)");
    TWebEngineBrowser browser(QString{});
    Load(browser, site.Url("/snap.html"));
    const auto doc = browser.Document();
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->URL, site.Url("/snap.html"));
    EXPECT_EQ(doc->links, (QStringList{site.Url("/x/y.html?q=1"), QStringLiteral("https://example.invalid/abs"),
                                       site.Url("/area.html")}));
    ASSERT_EQ(doc->images.size(), 2u);
    EXPECT_EQ(doc->images[0].href, site.Url("/none.gif"));
    EXPECT_EQ(doc->images[0].width, 120);
    EXPECT_EQ(doc->images[0].Height, 40);
    EXPECT_EQ(doc->images[1].width, 33);
    EXPECT_EQ(doc->images[1].Height, 22);
    ASSERT_EQ(doc->objects.size(), 2u);
    EXPECT_EQ(doc->objects[0].classid, QStringLiteral("other"));
    EXPECT_EQ(doc->objects[0].movie, QStringLiteral("attr.swf"));
    EXPECT_FALSE(doc->objects[1].hasMovie);
    EXPECT_TRUE(doc->hasBody);
    EXPECT_TRUE(doc->bodyText.startsWith(QStringLiteral("line one\r\nline two"))) << doc->bodyText.toStdString();
    EXPECT_FALSE(doc->bodyText.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
}

TEST_F(WebEngineBrowserTest, LoadedPicturesReportTheirNaturalSize)
{
    site.AddPage("/pics.html", "<body><img src='img/big.gif' width='500' height='500'></body>");
    TWebEngineBrowser browser(QString{});
    TProgramSettings settings;
    settings.DownloadImages = true;
    browser.ApplyBrowserOptions(settings);
    Load(browser, site.Url("/pics.html"));
    const auto doc = browser.Document();
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->images.size(), 1u);
    EXPECT_EQ(doc->images[0].width, 3);
    EXPECT_EQ(doc->images[0].Height, 2);
    EXPECT_GE(PictureRequests(), 1);
}

TEST_F(WebEngineBrowserTest, APageThatNeverAnswersLeavesNoDocument)
{
    TWebEngineBrowser browser(QString{});
    Load(browser, site.Url("/c.html"));
    ASSERT_TRUE(browser.Document());
    browser.Navigate(QStringLiteral("about:blank"));
    browser.Navigate(site.Url("/hang.html"));
    TEventLoopPump pump;
    const qint64 until = pump.NowMs() + 300;
    while (pump.NowMs() < until)
        pump.ProcessMessages();
    EXPECT_NE(browser.ReadyState(), TBrowser::ReadyStateComplete);
    EXPECT_FALSE(browser.Document());
    browser.Stop();
}

TEST_F(WebEngineBrowserTest, ALinkThatGivesNoPageLeavesNoDocumentAfterALateRedirect)
{
    // The page shown began its navigation well after the Navigate that led to it (a redirect a
    // second later); the next Navigate gets a file instead of a page, so nothing new is shown.
    site.AddPage("/later.html", "<html><head><meta http-equiv='refresh' content='1; url=/a.html'></head>"
                             "<body>wait</body></html>");
    site.Add("/get.php", "PK\x03\x04", "application/zip");
    TWebEngineBrowser browser(QString{});
    Load(browser, site.Url("/later.html"));
    Pump(browser, [&] {
        return browser.LocationURL() == site.Url("/a.html") && browser.ReadyState() == TBrowser::ReadyStateComplete;
    });
    const auto redirected = browser.Document();
    ASSERT_TRUE(redirected);
    ASSERT_EQ(redirected->URL, site.Url("/a.html"));

    Load(browser, site.Url("/get.php"));
    EXPECT_EQ(browser.LocationURL(), site.Url("/a.html"));
    EXPECT_FALSE(browser.Document());
}

TEST_F(WebEngineBrowserTest, ScriptsOnlyRunWhenAllowed)
{
    site.AddPage("/js.html", "<body><script>document.write('<a href=\"made.html\">m</a>');</script></body>");
    TWebEngineBrowser browser(QString{});
    Load(browser, site.Url("/js.html"));
    EXPECT_TRUE(browser.Document()->links.isEmpty());
    TProgramSettings settings;
    settings.DontExecuteScripts = false;
    browser.ApplyBrowserOptions(settings);
    Load(browser, site.Url("/js.html"));
    EXPECT_EQ(browser.Document()->links, QStringList{site.Url("/made.html")});
    // Dialogs and new windows of the page stay silent.
    Load(browser, site.Url("/start.html"));
    EXPECT_EQ(browser.ReadyState(), TBrowser::ReadyStateComplete);
}

TEST_F(WebEngineBrowserTest, ErrorsShowNoErrorPage)
{
    TWebEngineBrowser browser(QString{});
    Load(browser, QStringLiteral("http://127.0.0.1:1/nothing.html"));
    EXPECT_EQ(browser.ReadyState(), TBrowser::ReadyStateComplete);
    const auto doc = browser.Document();
    if (doc) {
        EXPECT_TRUE(doc->links.isEmpty());
        EXPECT_TRUE(doc->bodyText.trimmed().isEmpty()) << doc->bodyText.toStdString();
    }
}

TEST_F(WebEngineBrowserTest, AnAddressThatIsNoUrlShowsAnEmptyPage)
{
    TWebEngineBrowser browser(QString{});
    Load(browser, QString());
    ASSERT_EQ(browser.ReadyState(), TBrowser::ReadyStateComplete);
    const auto doc = browser.Document();
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->links.isEmpty());
}

TEST_F(WebEngineBrowserTest, AnotherFragmentOfThePageShownCompletes)
{
    TWebEngineBrowser browser(QString{});
    Load(browser, site.Url("/c.html"));
    Load(browser, site.Url("/c.html#part"));
    EXPECT_EQ(browser.ReadyState(), TBrowser::ReadyStateComplete);
    EXPECT_EQ(browser.LocationURL(), site.Url("/c.html#part"));
    EXPECT_TRUE(browser.Document());
}

TEST_F(WebEngineBrowserTest, NavigationStartsReportTheLocationShownThen)
{
    TWebEngineBrowser browser(QString{});
    QStringList starts;
    browser.OnBeforeNavigate = [&](const QString& location) { starts.append(location); };
    Load(browser, site.Url("/c.html"));
    Load(browser, site.Url("/d.html"));
    EXPECT_TRUE(starts.contains(site.Url("/c.html")));
    EXPECT_FALSE(starts.contains(site.Url("/d.html")));
}

TEST_F(WebEngineBrowserTest, LogonsHoldInAPersistentProfile)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/BrowserProfile");
    TWebEngineBrowser browser(folder);
    QWebEngineProfile* profile = browser.Profile();
    EXPECT_FALSE(profile->isOffTheRecord());
    EXPECT_EQ(profile->persistentStoragePath(), folder);
    EXPECT_EQ(profile->persistentCookiesPolicy(), QWebEngineProfile::ForcePersistentCookies);
    // A session cookie of a logon goes along with the later visits of the same site.
    Load(browser, site.Url("/setcookie"));
    Load(browser, site.Url("/echocookie"));
    EXPECT_NE(site.LastRequestHeader("/echocookie", "Cookie").find("session=abc"), std::string::npos) << site.LastRequestHeader("/echocookie", "Cookie");
}

/** Exposes the page's answer to a confirmation. */
class TConfirmProbe : public TWebEnginePage
{
public:
    using TWebEnginePage::TWebEnginePage;
    bool Confirm(const QString& text) { return javaScriptConfirm(QUrl(), text); }
};

TEST(WebEnginePage, LeavesAPageThatAsksBeforeUnloadAndDeclinesItsOwnConfirms)
{
    QWebEngineProfile profile;
    TConfirmProbe page(&profile);
    // The engine's own question before leaving a page with a beforeunload handler: "leave", or
    // every later Navigate of the crawl would be held on that page.
    EXPECT_TRUE(page.Confirm(QStringLiteral(
        "Are you sure you want to leave this page? Changes that you made may not be saved.")));
    EXPECT_FALSE(page.Confirm(QStringLiteral("Delete everything?")));
    EXPECT_FALSE(page.Confirm(QString()));
}

TEST(RequestFilter, SoundsAreToldByTheirFileEnding)
{
    EXPECT_TRUE(TWebEngineRequestFilter::IsSoundUrl(QUrl(QStringLiteral("http://h/a/Tune.MID?x=1"))));
    EXPECT_TRUE(TWebEngineRequestFilter::IsSoundUrl(QUrl(QStringLiteral("http://h/bg.wav"))));
    EXPECT_FALSE(TWebEngineRequestFilter::IsSoundUrl(QUrl(QStringLiteral("http://h/clip.mp4"))));
}

TEST(Snapshot, AnAnswerThatIsNoSnapshotGivesNoDocument)
{
    EXPECT_FALSE(ParseSnapshot(QString()));
    EXPECT_FALSE(ParseSnapshot(QStringLiteral("[1,2]")));
    EXPECT_FALSE(ParseSnapshot(QStringLiteral("{\"links\": [")));
    const auto doc = ParseSnapshot(QStringLiteral("{\"URL\":\"u\",\"hasBody\":true}"));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->URL, QStringLiteral("u"));
    EXPECT_TRUE(doc->links.isEmpty());
}

TEST(Environment, FlagsAreAddedOnceAndKeepOthers)
{
    // main() has prepared the environment already; preparing again adds nothing twice.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + " --lang=en");
    PrepareWebEngineEnvironment();
    const QByteArrayList flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").split(' ');
    for (const char* flag : {"--disable-gpu", "--disable-background-networking", "--disable-component-update",
                             "--disable-sync", "--no-first-run", "--lang=en"})
        EXPECT_EQ(flags.count(flag), 1) << flag;
    EXPECT_FALSE(qgetenv("QTWEBENGINE_DISABLE_SANDBOX").isEmpty());
}

} // namespace
