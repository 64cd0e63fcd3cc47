#include "task/common.h"
#include "task/percent.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

using namespace pagemint;

TEST(TextMatching, FoldsOnlyAsciiLettersAndTrimsCodesUpTo32)
{
    EXPECT_EQ(AsciiLower(QStringLiteral("HTTP://Ex.COM/ÄÖ")), QStringLiteral("http://ex.com/ÄÖ"));
    EXPECT_TRUE(TextEquals(QStringLiteral("AbC"), QStringLiteral("aBc")));
    EXPECT_FALSE(TextEquals(QStringLiteral("Ä"), QStringLiteral("ä")));
    EXPECT_FALSE(TextEquals(QStringLiteral("abc"), QStringLiteral("abcd")));
    EXPECT_TRUE(TextContains(QStringLiteral("http://X/MailBox/"), QStringLiteral("mail")));
    EXPECT_FALSE(TextContains(QStringLiteral("abc"), QStringLiteral("abd")));
    EXPECT_EQ(TextIndexOf(QStringLiteral("xxABxab"), QStringLiteral("ab")), 2);
    EXPECT_EQ(TextIndexOf(QStringLiteral("xxABxab"), QStringLiteral("ab"), 3), 5);
    EXPECT_EQ(TextIndexOf(QStringLiteral("xx"), QStringLiteral("ab")), -1);

    const QString padded = QString(QChar(0)) + QStringLiteral("\x01\t a b \r\n\x1f ");
    EXPECT_EQ(TrimControl(padded), QStringLiteral("a b"));
    // A no-break space (160) is no control character and stays.
    EXPECT_EQ(TrimControl(QStringLiteral("\u00a0x\u00a0")), QStringLiteral("\u00a0x\u00a0"));
    EXPECT_EQ(TrimControl(QStringLiteral(" \t ")), QString());
}

TEST(UrlFunctions, ExtractHostExamples)
{
    EXPECT_EQ(ExtractHost(QStringLiteral("http://one.two.three.four/path/x.htm")), QStringLiteral("three.four"));
    EXPECT_EQ(ExtractHost(QStringLiteral("http://one.two.three:8080/a")), QStringLiteral("two.three:8080"));
    EXPECT_EQ(ExtractHost(QStringLiteral("http://localhost/a.b.c")), QStringLiteral("localhost"));
    EXPECT_EQ(ExtractHost(QStringLiteral("http://user:pw@www.site.com/p/q")), QStringLiteral("www.site.com/p/q"));
    EXPECT_EQ(ExtractHost(QStringLiteral("file:\\\\srv.a.b\\share")), QStringLiteral("a.b"));
    EXPECT_EQ(ExtractHost(QStringLiteral("www.a.b")), QStringLiteral("a.b"));
    EXPECT_EQ(ExtractHost(QStringLiteral("http://One.two.Three/")), QStringLiteral("two.Three"));
    EXPECT_EQ(ExtractHost(QString()), QString());
}

TEST(UrlFunctions, ExtractDirectoryExamples)
{
    EXPECT_EQ(ExtractDirectory(QStringLiteral("http://h/d/page.htm")), QStringLiteral("h/d"));
    EXPECT_EQ(ExtractDirectory(QStringLiteral("http://h/d/sub/")), QStringLiteral("h/d/sub"));
    EXPECT_EQ(ExtractDirectory(QStringLiteral("http://h/d/sub")), QStringLiteral("h/d/sub"));
    EXPECT_EQ(ExtractDirectory(QStringLiteral("http://h")), QStringLiteral("h"));
    EXPECT_EQ(ExtractDirectory(QStringLiteral("http://h/")), QStringLiteral("h"));
    EXPECT_EQ(ExtractDirectory(QStringLiteral("http://h/d/v1.2")), QStringLiteral("h/d"));
    EXPECT_EQ(ExtractDirectory(QStringLiteral("http://h/d/list?x=1.5")), QStringLiteral("h/d"));
    EXPECT_EQ(ExtractDirectory(QStringLiteral("http://h/d//")), QStringLiteral("h/d/"));
    EXPECT_EQ(ExtractDirectory(QStringLiteral("https://h/d/a.htm")), ExtractDirectory(QStringLiteral("ftp://h/d/b.htm")));
    // A host with dots but no path keeps its dots: the last segment is only cut after a "/".
    EXPECT_EQ(ExtractDirectory(QStringLiteral("http://www.h.com")), QStringLiteral("www.h.com"));
}

TEST(UrlFunctions, ExtractURLFileNameExamples)
{
    EXPECT_EQ(ExtractURLFileName(QStringLiteral("http://h/download/setup.exe")), QStringLiteral("setup.exe"));
    EXPECT_EQ(ExtractURLFileName(QStringLiteral("http://h/get.php?file=a.zip")), QStringLiteral("get.php-file=a.zip"));
    EXPECT_EQ(ExtractURLFileName(QStringLiteral("http://h/dir/")), QString());
    EXPECT_EQ(ExtractURLFileName(QStringLiteral("C:\\temp\\a.zip")), QStringLiteral("a.zip"));
    EXPECT_EQ(ExtractURLFileName(QStringLiteral("no-separator")), QStringLiteral("Unknown"));
    EXPECT_EQ(ExtractURLFileName(QString()), QStringLiteral("Unknown"));
    EXPECT_EQ(ExtractURLFileName(QStringLiteral("http://h/a\\b:c*d\"e<f>g|h#i%20j k")),
              QStringLiteral("a-b-c-d-e-f-g-h#i%20j k"));
}

TEST(UrlFunctions, UniqueFileNameTakesLowestFreeNumber)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path();
    const QString name = QStringLiteral("photo.jpg");

    EXPECT_EQ(UniqueFileName(folder, name), QStringLiteral("(1)photo.jpg"));
    WriteBytes(folder + QStringLiteral("/photo.jpg"), "x");
    WriteBytes(folder + QStringLiteral("/(1)photo.jpg"), "x");
    WriteBytes(folder + QStringLiteral("/(2)photo.jpg"), "x");
    EXPECT_EQ(UniqueFileName(folder, name), QStringLiteral("(3)photo.jpg"));

    QFile::remove(folder + QStringLiteral("/(1)photo.jpg"));
    EXPECT_EQ(UniqueFileName(folder, name), QStringLiteral("(1)photo.jpg"));

    // A folder under a candidate name cannot receive the file, so the name counts as taken.
    QDir(folder).mkdir(QStringLiteral("(1)photo.jpg"));
    EXPECT_EQ(UniqueFileName(folder, name), QStringLiteral("(3)photo.jpg"));
}

TEST(UrlFunctions, UniqueFileNameGivesEmptyWhenAll999Exist)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (int i = 1; i <= 999; ++i)
        WriteBytes(dir.path() + QStringLiteral("/(%1)a.gif").arg(i), QByteArray());
    EXPECT_EQ(UniqueFileName(dir.path(), QStringLiteral("a.gif")), QString());
    EXPECT_EQ(UniqueFileName(dir.path(), QStringLiteral("b.gif")), QStringLiteral("(1)b.gif"));
}

TEST(SplitLinesTest, AcceptsEveryLineEnd)
{
    EXPECT_EQ(SplitLines(QStringLiteral("a\r\nb\nc\rd")), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines(QStringLiteral("a\r\n")), QStringList{"a"});
    EXPECT_EQ(SplitLines(QStringLiteral("a\r\n\r\nb")), (QStringList{"a", "", "b"}));
    EXPECT_EQ(SplitLines(QStringLiteral("\n")), QStringList{""});
    EXPECT_TRUE(SplitLines(QString()).isEmpty());
}

TEST(DownloadQueue, QueueDownloadURLRefusesEqualAndBlankEntries)
{
    TDownloadQueue queue;
    EXPECT_TRUE(queue.QueueDownloadURL(QStringLiteral(" http://h/A.jpg ")));
    EXPECT_FALSE(queue.QueueDownloadURL(QStringLiteral("HTTP://H/a.JPG")));
    EXPECT_FALSE(queue.QueueDownloadURL(QStringLiteral("\thttp://h/a.jpg\r\n")));
    EXPECT_FALSE(queue.QueueDownloadURL(QString()));
    EXPECT_FALSE(queue.QueueDownloadURL(QStringLiteral(" \t\x01 ")));
    // Letters outside A..Z are not folded: these differ.
    EXPECT_TRUE(queue.QueueDownloadURL(QStringLiteral("http://h/Ä.jpg")));
    EXPECT_TRUE(queue.QueueDownloadURL(QStringLiteral("http://h/ä.jpg")));
    ASSERT_EQ(queue.Count(), 3);
    EXPECT_EQ(queue.At(0), QStringLiteral(" http://h/A.jpg "));  // stored unchanged

    queue.Clear();
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_TRUE(queue.QueueDownloadURL(QStringLiteral("http://h/a.jpg")));
}

TEST(DownloadQueue, AdmissionEqualsAPlainScanOfTheList)
{
    // The specified admission: compare the trimmed, lower-cased url with every queued entry.
    QStringList reference;
    auto scanAdmit = [&reference](const QString& url) {
        const QString folded = AsciiLower(TrimControl(url));
        if (folded.isEmpty())
            return false;
        for (const QString& entry : reference) {
            if (AsciiLower(TrimControl(entry)) == folded)
                return false;
        }
        reference.append(url);
        return true;
    };

    std::mt19937 random(12345);
    const QString letters = QStringLiteral("aAbBzZ.Ä/");
    const QString pads[] = {QString(), QStringLiteral(" "), QStringLiteral("\t"), QStringLiteral("\r\n"),
                            QString(QChar(0xa0))};
    TDownloadQueue queue;
    for (int i = 0; i < 4000; ++i) {
        QString url;
        const int length = int(random() % 4);
        for (int k = 0; k < length; ++k)
            url += letters.at(int(random() % letters.size()));
        url = pads[random() % 5] + url + pads[random() % 5];
        ASSERT_EQ(queue.QueueDownloadURL(url), scanAdmit(url)) << "at " << i;
    }
    EXPECT_EQ(queue.Entries(), reference);
}

// The one percent rule of every progress bar (crawl, downloads, gallery).
TEST(HalfEvenPercentTest, RoundsHalvesToEvenAndStaysWithinZeroToHundred)
{
    EXPECT_EQ(HalfEvenPercent(2, 5), 40);
    EXPECT_EQ(HalfEvenPercent(3, 5), 60);
    EXPECT_EQ(HalfEvenPercent(4, 5), 80);
    EXPECT_EQ(HalfEvenPercent(1, 8), 12);  // 12.5 goes to the even 12
    EXPECT_EQ(HalfEvenPercent(3, 8), 38);  // 37.5 goes to the even 38
    EXPECT_EQ(HalfEvenPercent(5, 8), 62);  // 62.5
    EXPECT_EQ(HalfEvenPercent(1, 3), 33);
    EXPECT_EQ(HalfEvenPercent(2, 3), 67);
    EXPECT_EQ(HalfEvenPercent(8, 8), 100);
    EXPECT_EQ(HalfEvenPercent(9, 8), 100); // never above 100
    EXPECT_EQ(HalfEvenPercent(7, 5), 100);
    EXPECT_EQ(HalfEvenPercent(0, 0), 0);
    EXPECT_EQ(HalfEvenPercent(-1, 5), 0);  // never below 0
}
