// Link following: the page-location policies, the exclusions, TextinSearch, the letter-case
// de-duplication, and the order of the per-link steps of page processing.
#include "crawl/pageprocessor.h"
#include "extract/pagesnapshot.h"
#include "support/qtprinters.h"
#include "results/resultlists.h"
#include "task/runstate.h"

#include <gtest/gtest.h>

using namespace pagemint;

namespace {

class LinkFollowingTest : public testing::Test
{
protected:
    TRunState state;

    void Start(const QString& url, int policy)
    {
        state.StartURLList = {url};
        state.Task.PageLocation = policy;
    }
    bool Follows(const QString& url)
    {
        const qsizetype before = state.NextLevelURLList.Count();
        CollectLink(url, state);
        return state.NextLevelURLList.Count() > before;
    }
};

TEST_F(LinkFollowingTest, SameSiteComparesTheSitePartWithLetterCase)
{
    Start(QStringLiteral("http://one.two.three/index.html"), 1);
    EXPECT_TRUE(Follows(QStringLiteral("http://four.two.three/a")));
    EXPECT_TRUE(Follows(QStringLiteral("http://two.three/b")));
    EXPECT_FALSE(Follows(QStringLiteral("http://One.two.Three/c")));
    EXPECT_FALSE(Follows(QStringLiteral("http://other.org/d")));
}

TEST_F(LinkFollowingTest, DirectoryAndSubDirectoriesIsPlainContainment)
{
    Start(QStringLiteral("http://h/docs/index.html"), 2);
    EXPECT_TRUE(Follows(QStringLiteral("http://h/docs/a/page.html")));
    EXPECT_TRUE(Follows(QStringLiteral("http://H/DOCS/x.html")));
    EXPECT_TRUE(Follows(QStringLiteral("http://h/docsextra/")));
    EXPECT_TRUE(Follows(QStringLiteral("http://elsewhere/q?d=h/docs")));
    EXPECT_FALSE(Follows(QStringLiteral("http://h/other/a.html")));

    // An empty start line (a blank line between two start URLs) widens nothing.
    state.StartURLList.append(QString());
    EXPECT_FALSE(Follows(QStringLiteral("http://elsewhere/b.html")));
    EXPECT_TRUE(Follows(QStringLiteral("http://h/docs/b.html")));
}

TEST_F(LinkFollowingTest, CurrentDirectoryNeedsTheSameDirectory)
{
    Start(QStringLiteral("http://h/docs/index.html"), 3);
    EXPECT_TRUE(Follows(QStringLiteral("http://H/Docs/other.html")));
    EXPECT_TRUE(Follows(QStringLiteral("https://h/docs/")));
    EXPECT_FALSE(Follows(QStringLiteral("http://h/docs/a/page.html")));
    EXPECT_FALSE(Follows(QStringLiteral("http://h/docsextra/x.html")));
}

TEST_F(LinkFollowingTest, AnyStartUrlMayAdmitAndUnknownPoliciesTestNothing)
{
    state.StartURLList = {QStringLiteral("http://a.org/x/"), QStringLiteral("http://b.org/y/")};
    state.Task.PageLocation = 3;
    EXPECT_TRUE(Follows(QStringLiteral("http://b.org/y/p.html")));
    state.Task.PageLocation = 7;
    EXPECT_TRUE(Follows(QStringLiteral("http://c.org/z.html")));
}

TEST_F(LinkFollowingTest, FixedExclusions)
{
    Start(QStringLiteral("http://h/"), 0);
    EXPECT_FALSE(Follows(QStringLiteral("http://h/mailbox/a.html")));
    EXPECT_FALSE(Follows(QStringLiteral("JavaScript:void(0)")));
    EXPECT_FALSE(Follows(QStringLiteral("http://h/a.html#top")));
    EXPECT_FALSE(Follows(QStringLiteral("http://h/doc.PDF")));
    for (const char* ending : {".exe", ".zip", ".rar", ".chm", ".txt"})
        EXPECT_FALSE(Follows(QStringLiteral("http://h/f") + QLatin1String(ending))) << ending;
    EXPECT_TRUE(Follows(QStringLiteral("http://h/doc.pdf?page=2")));
    EXPECT_FALSE(Follows(QStringLiteral(".txt")));
}

TEST_F(LinkFollowingTest, TextinSearchMustBeInTheUrl)
{
    Start(QStringLiteral("http://h/"), 0);
    state.Task.TextinSearch = QStringLiteral("News");
    EXPECT_TRUE(Follows(QStringLiteral("http://h/NEWS/1.html")));
    EXPECT_FALSE(Follows(QStringLiteral("http://h/sport/1.html")));
}

TEST_F(LinkFollowingTest, UrlsKnownInAnyLetterCaseAreNotAdmittedAgain)
{
    Start(QStringLiteral("http://h/"), 0);
    state.VisitedURLList.Append(QStringLiteral("http://h/Visited"));
    state.LevelURLList.Append(QStringLiteral("http://h/level"));
    EXPECT_FALSE(Follows(QStringLiteral("http://h/VISITED")));
    EXPECT_FALSE(Follows(QStringLiteral("http://H/Level")));
    EXPECT_TRUE(Follows(QStringLiteral("http://h/New")));
    EXPECT_FALSE(Follows(QStringLiteral("http://h/new")));
    EXPECT_TRUE(Follows(QStringLiteral("http://h/new "))); // not trimmed
    EXPECT_EQ(state.NextLevelURLList.Entries(),
              (QStringList{QStringLiteral("http://h/New"), QStringLiteral("http://h/new ")}));
}

TEST(ProcessPage, OffersEachLinkToTheSelectedStepsInOrder)
{
    TRunState state;
    TResultLists lists;
    state.StartURLList = {QStringLiteral("http://h/")};
    state.Task.check2 = true;
    state.Task.ImageLinkBool = true;
    state.Task.check4 = true;
    state.Task.check5 = true;
    TPageSnapshot page;
    page.links = {QStringLiteral("http://h/pic.jpg"), QStringLiteral("mailto:a@b"),
                  QStringLiteral("http://h/page.html"), QStringLiteral("http://h/PIC.jpg")};
    ProcessPage(page, state, lists);

    EXPECT_EQ(state.NextLevelURLList.Entries(),
              (QStringList{QStringLiteral("http://h/pic.jpg"), QStringLiteral("http://h/page.html")}));
    // The image step queued the picture first, so the download step lists only the page.
    EXPECT_EQ(state.DownloadQueue.Entries(),
              (QStringList{QStringLiteral("http://h/pic.jpg"), QStringLiteral("mailto:a@b"),
                           QStringLiteral("http://h/page.html")}));
    ASSERT_EQ(lists.Downloads().size(), 2u);
    EXPECT_EQ(lists.Downloads()[0].Link, QStringLiteral("mailto:a@b"));
    // Link output sees every link, also those not followed.
    EXPECT_EQ(lists.Links(), (QStringList{QStringLiteral("http://h/pic.jpg"), QStringLiteral("mailto:a@b"),
                                          QStringLiteral("http://h/page.html")}));
}

TEST(ProcessPage, AnEmptyLinkWalksTheDocumentPicturesAgain)
{
    TRunState state;
    TResultLists lists;
    state.Task.check2 = true;
    state.Task.ImageLinkBool = true;
    TPageSnapshot page;
    page.links = {QString()};
    page.images = {{QStringLiteral("http://h/a.png"), 10, 10}};
    ProcessPage(page, state, lists);
    EXPECT_EQ(state.DownloadQueue.Entries(), QStringList{QStringLiteral("http://h/a.png")});
}

TEST(ProcessPage, NoLinksNoWork)
{
    TRunState state;
    TResultLists lists;
    state.Task.check5 = true;
    ProcessPage(TPageSnapshot{}, state, lists);
    EXPECT_EQ(state.NextLevelURLList.Count(), 0);
    EXPECT_TRUE(lists.Links().isEmpty());
}

} // namespace
