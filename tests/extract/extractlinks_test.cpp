// Images, Flash, downloads and link output on hand-built snapshots.
#include "extract/pagesnapshot.h"
#include "extract/extractdownload.h"
#include "extract/extractflash.h"
#include "extract/extractimages.h"
#include "extract/outputlink.h"
#include "support/qtprinters.h"
#include "results/resultlists.h"
#include "task/runstate.h"

#include <gtest/gtest.h>

using namespace pagemint;

namespace {

class ExtractorTest : public testing::Test
{
protected:
    TRunState state;
    TResultLists lists;

    QStringList Queue() const { return state.DownloadQueue.Entries(); }
};

// ---- Images ----

TEST_F(ExtractorTest, ImageLinksNeedAPictureWordAnywhere)
{
    ExtractImages(QStringLiteral("http://h/gifts/list"), nullptr, state);
    ExtractImages(QStringLiteral("http://h/a.BMPx"), nullptr, state);
    ExtractImages(QStringLiteral("file:///c/a.jpeg"), nullptr, state); // no "http" test in link mode
    ExtractImages(QStringLiteral("http://h/a.png"), nullptr, state);
    EXPECT_EQ(Queue(), (QStringList{QStringLiteral("http://h/gifts/list"), QStringLiteral("http://h/a.BMPx"),
                                    QStringLiteral("file:///c/a.jpeg")}));
    EXPECT_TRUE(lists.Flash().empty());
}

TEST_F(ExtractorTest, ImageLinkReplacesEscapedSpaceBeforeTheTextTest)
{
    state.Task.TextInDownload = QStringLiteral("my pic");
    ExtractImages(QStringLiteral("http://h/my%2520pic.jpg"), nullptr, state);
    ExtractImages(QStringLiteral("http://h/other.jpg"), nullptr, state);
    EXPECT_EQ(Queue(), QStringList{QStringLiteral("http://h/my pic.jpg")});
}

TEST_F(ExtractorTest, ImageDocumentModeAppliesSizeFiltersInclusively)
{
    TPageSnapshot page;
    page.images = {{QStringLiteral("http://h/799.jpg"), 799, 900},
                   {QStringLiteral("http://h/800.jpg"), 800, 100},
                   {QStringLiteral("http://h/both.jpg"), 900, 600}};
    state.Task.check2 = true;
    state.Task.ImageWidthBool = true;
    state.Task.ImageWidthMin = 800;
    ExtractImages({}, &page, state);
    EXPECT_EQ(Queue(), (QStringList{QStringLiteral("http://h/800.jpg"), QStringLiteral("http://h/both.jpg")}));

    state.DownloadQueue.Clear();
    state.Task.ImageHeightBool = true;
    state.Task.ImageHeightMin = 600;
    ExtractImages({}, &page, state);
    EXPECT_EQ(Queue(), QStringList{QStringLiteral("http://h/both.jpg")});

    // A filter switched on with a minimum of 0 filters nothing.
    state.DownloadQueue.Clear();
    state.Task.ImageWidthMin = 0;
    state.Task.ImageHeightMin = 0;
    ExtractImages({}, &page, state);
    EXPECT_EQ(Queue().size(), 3);
}

TEST_F(ExtractorTest, ImageDocumentModeTestsHttpAndTextBeforeReplacing)
{
    TPageSnapshot page;
    page.images = {{QStringLiteral("data:image/gif;base64,AAAA"), 1, 1},
                   {QStringLiteral("HTTP://h/a%2520b.gif"), 1, 1},
                   {QStringLiteral("http://h/a b2.gif"), 1, 1},
                   {QStringLiteral(" http://h/A%2520B.gif "), 1, 1}};
    state.Task.check2 = true;
    state.Task.TextInDownload = QStringLiteral("a%2520");
    ExtractImages({}, &page, state);
    // Tested before the replacement, queued after it; the last differs only in case and blanks.
    EXPECT_EQ(Queue(), QStringList{QStringLiteral("HTTP://h/a b.gif")});
}

TEST_F(ExtractorTest, ImageDocumentModeNeedsImagesOnAndADocument)
{
    TPageSnapshot page;
    page.images = {{QStringLiteral("http://h/a.gif"), 1, 1}};
    ExtractImages({}, &page, state);
    state.Task.check2 = true;
    ExtractImages({}, nullptr, state);
    EXPECT_TRUE(Queue().isEmpty());
}

TEST_F(ExtractorTest, ImageDocumentModeStopsWhenStopIsRequested)
{
    TPageSnapshot page;
    page.images = {{QStringLiteral("http://h/a.gif"), 1, 1}};
    state.Task.check2 = true;
    state.RequestStop();
    ExtractImages({}, &page, state);
    EXPECT_TRUE(Queue().isEmpty());
}

// ---- Flash ----

TSnapshotObject FlashObject(const QString& movie)
{
    return {QStringLiteral("CLSID:d27cdb6e-ae6d-11CF-96b8-444553540000"), movie, true};
}

TEST_F(ExtractorTest, FlashMoviesAreMadeAbsoluteAgainstThePageDirectory)
{
    TPageSnapshot page;
    page.URL = QStringLiteral("https://site/dir/page.html");
    page.objects = {FlashObject(QStringLiteral("intro.swf")), FlashObject(QStringLiteral("/root.swf")),
                    FlashObject(QStringLiteral("../up.swf")), FlashObject(QStringLiteral("rel.swf?a=b:c")),
                    FlashObject(QStringLiteral("intro.swf"))};
    ExtractFlash({}, &page, state, lists);
    const QStringList expected = {QStringLiteral("http://site/dir/intro.swf"),
                                  QStringLiteral("http://site/dir//root.swf"),
                                  QStringLiteral("http://site/dir/../up.swf"),
                                  QStringLiteral("rel.swf?a=b:c")};
    EXPECT_EQ(Queue(), expected);
    ASSERT_EQ(lists.Flash().size(), 4u);
    EXPECT_EQ(lists.Flash()[0], (TNameLinkRow{QStringLiteral("intro.swf"), expected[0]}));
    EXPECT_EQ(lists.Flash()[3].Name, QStringLiteral("Unknown"));

    TPageSnapshot sub;
    sub.URL = QStringLiteral("http://site/dir/sub");
    sub.objects = {FlashObject(QStringLiteral("intro.swf"))};
    ExtractFlash({}, &sub, state, lists);
    EXPECT_EQ(Queue().last(), QStringLiteral("http://site/dir/sub/intro.swf"));
}

TEST_F(ExtractorTest, FlashDocumentModeLooksOnlyAtTheFlashClassId)
{
    TPageSnapshot page;
    page.URL = QStringLiteral("http://site/p.html");
    page.objects = {{QStringLiteral("clsid:6BF52A52-394A-11d3-B153-00C04F79FAA6"), QStringLiteral("v.swf"), true},
                    {QStringLiteral(" ") + FlashClassId, QStringLiteral("pad.swf"), true},
                    {FlashClassId, QString(), false}};
    ExtractFlash({}, &page, state, lists);
    ExtractFlash({}, nullptr, state, lists);
    EXPECT_TRUE(Queue().isEmpty());
    EXPECT_TRUE(lists.Flash().empty());
}

TEST_F(ExtractorTest, FlashLinksNeedSwfAndTheDownloadText)
{
    state.Task.TextInDownload = QStringLiteral("Movies");
    ExtractFlash(QStringLiteral("http://h/movies/a.php?f=x.SWF"), nullptr, state, lists);
    ExtractFlash(QStringLiteral("http://h/other/b.swf"), nullptr, state, lists);
    ExtractFlash(QStringLiteral("http://h/movies/c.html"), nullptr, state, lists);
    ASSERT_EQ(lists.Flash().size(), 1u);
    EXPECT_EQ(lists.Flash()[0], (TNameLinkRow{QStringLiteral("a.php-f=x.SWF"),
                                              QStringLiteral("http://h/movies/a.php?f=x.SWF")}));
}

TEST_F(ExtractorTest, AMovieAlreadyQueuedGivesNoSecondRow)
{
    state.DownloadQueue.QueueDownloadURL(QStringLiteral("http://h/A.swf"));
    ExtractFlash(QStringLiteral("http://h/a.swf"), nullptr, state, lists);
    EXPECT_TRUE(lists.Flash().empty());
    EXPECT_EQ(Queue().size(), 1);
}

// ---- Downloads ----

TEST(SplitDownloadExt, FollowsTheListRules)
{
    const QStringList three = {QStringLiteral("zip"), QStringLiteral("rar"), QStringLiteral("exe")};
    EXPECT_EQ(SplitDownloadExt(QStringLiteral("zip,rar,exe")), three);
    EXPECT_EQ(SplitDownloadExt(QStringLiteral("zip rar exe")), three);
    EXPECT_EQ(SplitDownloadExt(QStringLiteral("  zip, rar ,  exe")), three);
    EXPECT_EQ(SplitDownloadExt(QStringLiteral(",,")), (QStringList{{}, {}, {}}));
    EXPECT_EQ(SplitDownloadExt(QStringLiteral("zip,")), (QStringList{QStringLiteral("zip"), {}}));
    EXPECT_EQ(SplitDownloadExt(QStringLiteral("\"a, b\",\"say \"\"hi\"\"\"")),
              (QStringList{QStringLiteral("a, b"), QStringLiteral("say \"hi\"")}));
    EXPECT_EQ(SplitDownloadExt(QStringLiteral("\"open")), QStringList{QStringLiteral("open")});
    EXPECT_TRUE(SplitDownloadExt(QString()).isEmpty());
}

TEST(UsableDownloadExt, DropsEmptyAndStarOnlyEntriesAndTheStars)
{
    EXPECT_TRUE(UsableDownloadExt(QStringLiteral(",,")).isEmpty());
    EXPECT_TRUE(UsableDownloadExt(QStringLiteral("*")).isEmpty());
    EXPECT_TRUE(UsableDownloadExt(QStringLiteral(" * ")).isEmpty());
    EXPECT_EQ(UsableDownloadExt(QStringLiteral("*.zip, \"*\", mp3")),
              (QStringList{QStringLiteral(".zip"), QStringLiteral("mp3")}));
}

TEST_F(ExtractorTest, DownloadLinksMatchAnExtensionAnywhere)
{
    state.Task.DownloadExt = QStringLiteral("ZIP");
    ExtractDownload(QStringLiteral("http://h/files/setup.zip?x=1"), state, lists);
    ExtractDownload(QStringLiteral("http://h/zipped/readme.html"), state, lists);
    ExtractDownload(QStringLiteral("http://h/other.rar"), state, lists);
    ExtractDownload(QStringLiteral("http://h/FILES/SETUP.zip?x=1"), state, lists);
    ASSERT_EQ(lists.Downloads().size(), 2u);
    EXPECT_EQ(lists.Downloads()[0], (TNameLinkRow{QStringLiteral("setup.zip-x=1"),
                                                  QStringLiteral("http://h/files/setup.zip?x=1")}));
    EXPECT_EQ(lists.Downloads()[1].Link, QStringLiteral("http://h/zipped/readme.html"));
}

TEST_F(ExtractorTest, DownloadExtWithoutUsableEntryLetsNothingThrough)
{
    for (const char* ext : {",,", "*", " * "}) {
        state.Task.DownloadExt = QString::fromLatin1(ext);
        ExtractDownload(QStringLiteral("http://h/a.zip"), state, lists);
    }
    EXPECT_TRUE(lists.Downloads().empty());
    state.Task.DownloadExt.clear();
    ExtractDownload(QStringLiteral("http://h/page.html"), state, lists);
    EXPECT_EQ(lists.Downloads().size(), 1u);
}

TEST_F(ExtractorTest, DownloadStarredEntryMatchesWithoutTheStar)
{
    state.Task.DownloadExt = QStringLiteral("*.zip");
    ExtractDownload(QStringLiteral("http://h/a.zip"), state, lists);
    EXPECT_EQ(lists.Downloads().size(), 1u);
}

TEST_F(ExtractorTest, DownloadTextAndEscapedSpaces)
{
    state.Task.TextInDownload = QStringLiteral("my file");
    ExtractDownload(QStringLiteral("http://h/my%2520file.exe"), state, lists);
    ExtractDownload(QStringLiteral("http://h/your.exe"), state, lists);
    ASSERT_EQ(lists.Downloads().size(), 1u);
    EXPECT_EQ(lists.Downloads()[0].Link, QStringLiteral("http://h/my file.exe"));
}

TEST_F(ExtractorTest, UrlQueuedByAnotherExtractorIsNotListedAgain)
{
    ExtractImages(QStringLiteral("http://h/a.jpg"), nullptr, state);
    ExtractDownload(QStringLiteral("http://h/A.JPG"), state, lists);
    EXPECT_TRUE(lists.Downloads().empty());
    EXPECT_EQ(Queue().size(), 1);
}

// ---- Links ----

TEST_F(ExtractorTest, LinkOutputListsEachUrlOnceAsFirstMet)
{
    OutputLink(QStringLiteral("http://h/A"), state, lists);
    OutputLink(QStringLiteral("http://h/a"), state, lists);
    OutputLink(QStringLiteral("http://h/a "), state, lists);
    OutputLink(QStringLiteral("mailto:x@y"), state, lists);
    OutputLink(QStringLiteral("http://h/%2520"), state, lists);
    OutputLink(QString(), state, lists);
    OutputLink(QString(), state, lists);
    EXPECT_EQ(lists.Links(), (QStringList{QStringLiteral("http://h/A"), QStringLiteral("http://h/a "),
                                          QStringLiteral("mailto:x@y"), QStringLiteral("http://h/%2520"),
                                          QString()}));
    EXPECT_EQ(state.LinkOutputList.Entries(), lists.Links());
}

TEST_F(ExtractorTest, LinkOutputTextIsTestedAgainstTheUrl)
{
    state.Task.LinksText = QStringLiteral("download");
    OutputLink(QStringLiteral("http://h/DOWNLOAD/a"), state, lists);
    OutputLink(QStringLiteral("http://h/Download2"), state, lists);
    OutputLink(QStringLiteral("http://h/get"), state, lists);
    EXPECT_EQ(lists.Links().size(), 2);
}

} // namespace
