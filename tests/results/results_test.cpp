#include "results/exportlist.h"
#include "results/resultfiles.h"
#include "results/resultlists.h"
#include "task/errors.h"
#include "task/paths.h"
#include "support/filerights.h"
#include "support/testfiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace pagemint;

namespace {

class ResultFilesTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    TPaths Paths() const { return TPaths(m_dir.path()); }
    QString ListFile(int tab) const { return Paths().ListFile(m_task, tab); }

    void Fill(TResultLists& lists) const
    {
        lists.AddText({"a", "", "c", "d", "e"});
        lists.AddText({"f", "g", "h", "i", "j"});
        lists.AddFlash({"m.swf", "http://h/m.swf"});
        lists.AddDownload({"get.php-f=1", "http://h/get.php?f=1"});
        lists.AddDownload({"", "http://h/dir/"});
        lists.AddLink("http://h/a");
        lists.AddLink("");
    }

    QTemporaryDir m_dir;
    QString m_task = QStringLiteral("my task");
};

} // namespace

TEST_F(ResultFilesTest, SaveWritesRowsAsLinesAndLoadRestoresThem)
{
    TResultLists lists;
    Fill(lists);
    SaveResultLists(lists, Paths(), m_task);
    EXPECT_EQ(ReadBytes(ListFile(TabText)), QByteArray("a\r\n\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\nj\r\n"));
    EXPECT_EQ(ReadBytes(ListFile(TabFlash)), QByteArray("m.swf\r\nhttp://h/m.swf\r\n"));
    EXPECT_EQ(ReadBytes(ListFile(TabDownloads)),
              QByteArray("get.php-f=1\r\nhttp://h/get.php?f=1\r\n\r\nhttp://h/dir/\r\n"));
    EXPECT_EQ(ReadBytes(ListFile(TabLinks)), QByteArray("http://h/a\r\n\r\n"));

    TResultLists loaded;
    loaded.AddLink("stale");
    QStringList galleryCalls;
    LoadResultLists(loaded, Paths(), m_task, [&](const QString& folder) {
        // The Images list is rebuilt after the Text list is in and before the Flash list.
        EXPECT_EQ(loaded.Text().size(), 2u);
        EXPECT_TRUE(loaded.Flash().empty());
        galleryCalls.append(folder);
    });
    EXPECT_EQ(galleryCalls, QStringList{Paths().ImagesFolder(m_task)});
    EXPECT_EQ(loaded.Text(), lists.Text());
    EXPECT_EQ(loaded.Flash(), lists.Flash());
    EXPECT_EQ(loaded.Downloads(), lists.Downloads());
    EXPECT_EQ(loaded.Links(), lists.Links());
}

TEST_F(ResultFilesTest, EmptyListsGiveEmptyFilesAndMissingFilesEmptyLists)
{
    TResultLists lists;
    SaveResultLists(lists, Paths(), m_task);
    for (int tab : {TabText, TabFlash, TabDownloads, TabLinks}) {
        EXPECT_TRUE(QFileInfo::exists(ListFile(tab))) << tab;
        EXPECT_EQ(ReadBytes(ListFile(tab)), QByteArray()) << tab;
    }

    TResultLists loaded;
    Fill(loaded);
    LoadResultLists(loaded, Paths(), QStringLiteral("never ran"), nullptr);
    for (int tab = TabText; tab <= TabLinks; ++tab)
        EXPECT_EQ(loaded.RowCount(tab), 0) << tab;
}

TEST_F(ResultFilesTest, IncompleteRowsAreDroppedAndEveryLineEndIsRead)
{
    WriteBytes(ListFile(TabText), "1\n2\n3\n4\n5\n6\n7");
    WriteBytes(ListFile(TabFlash), "n1\rl1\rn2");
    WriteBytes(ListFile(TabLinks), "a\nb\n\nc");
    TResultLists lists;
    LoadResultLists(lists, Paths(), m_task, nullptr);
    ASSERT_EQ(lists.Text().size(), 1u);
    EXPECT_EQ(lists.Text()[0], (TTextRow{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(lists.Flash(), (std::vector<TNameLinkRow>{{"n1", "l1"}}));
    EXPECT_TRUE(lists.Downloads().empty());
    EXPECT_EQ(lists.Links(), (QStringList{"a", "b", "", "c"}));

    WriteBytes(ListFile(TabLinks), "a\r\nb\r\n\r\nc\r\n");
    TResultLists crlf;
    LoadResultLists(crlf, Paths(), m_task, nullptr);
    EXPECT_EQ(crlf.Links(), lists.Links());
}

TEST_F(ResultFilesTest, AValueWithALineBreakStaysOneLineSoLaterRowsKeepTheirPlace)
{
    // A page's Flash movie attribute may hold a line break; it must not shift the rows after it.
    TResultLists lists;
    lists.AddText({"a", "b\nc", "d", "e", "f"});
    lists.AddText({"g", "h", "i", "j", "k"});
    lists.AddFlash({"m\r\n.swf", "http://h/m\r\n.swf"});
    lists.AddFlash({"n.swf", "http://h/n.swf"});
    lists.AddLink("http://h/\rx");
    SaveResultLists(lists, Paths(), m_task);

    TResultLists loaded;
    LoadResultLists(loaded, Paths(), m_task, nullptr);
    ASSERT_EQ(loaded.Text().size(), 2u);
    EXPECT_EQ(loaded.Text()[0], (TTextRow{"a", "b c", "d", "e", "f"}));
    EXPECT_EQ(loaded.Text()[1], lists.Text()[1]);
    EXPECT_EQ(loaded.Flash(), (std::vector<TNameLinkRow>{{"m  .swf", "http://h/m  .swf"}, {"n.swf", "http://h/n.swf"}}));
    EXPECT_EQ(loaded.Links(), QStringList{"http://h/ x"});

    const QString path = m_dir.filePath("flash.txt");
    ExportList(lists, TabFlash, path);
    EXPECT_EQ(ReadBytes(path), QByteArray("m  .swf;http://h/m  .swf\r\nn.swf;http://h/n.swf\r\n"));
}

TEST_F(ResultFilesTest, FailedSaveReportsTheFileAndKeepsEarlierFiles)
{
    TResultLists lists;
    Fill(lists);
    SaveResultLists(lists, Paths(), m_task);
    const QByteArray oldLinks = ReadBytes(ListFile(TabLinks));

    TResultLists bigger;
    bigger.AddText({"new", "", "", "", ""});
    bigger.AddLink(QString(300, QChar(u'x')));
    try {
        TFileSizeLimit limit(200);
        SaveResultLists(bigger, Paths(), m_task);
        FAIL() << "no error";
    } catch (const EPagemintError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Unable to write to ") + ListFile(TabLinks));
    }
    EXPECT_EQ(ReadBytes(ListFile(TabText)), QByteArray("new\r\n\r\n\r\n\r\n\r\n"));
    EXPECT_EQ(ReadBytes(ListFile(TabLinks)), oldLinks);

    EXPECT_THROW(SaveResultLists(lists, Paths(), QStringLiteral("..")), EPagemintError);
    EXPECT_FALSE(QFileInfo::exists(Paths().ProgramFolder() + QStringLiteral("listview1.dat")));
}

TEST_F(ResultFilesTest, ExportLinesPerTab)
{
    TResultLists lists;
    lists.AddText({"a", "b", "c", "d", "e"});
    lists.AddText({"f", "", "h", "i", "j"});
    lists.AddFlash({"m.swf", "http://h/m.swf"});
    lists.AddDownload({"a.zip", "http://h/a.zip"});
    lists.AddLink("http://h/x;y");
    lists.AddImage("p1.jpg", QImage(), m_dir.filePath("Images/p1.jpg"));
    lists.AddImage("p2.gif", QImage(), m_dir.filePath("Images/p2.gif"));

    EXPECT_EQ(ExportLines(lists, TabText), (QStringList{"a;b;c;d;e", "f;;h;i;j"}));
    EXPECT_EQ(ExportLines(lists, TabImages), (QStringList{"p1.jpg", "p2.gif"}));
    EXPECT_EQ(ExportLines(lists, TabFlash), QStringList{"m.swf;http://h/m.swf"});
    EXPECT_EQ(ExportLines(lists, TabDownloads), QStringList{"a.zip;http://h/a.zip"});
    EXPECT_EQ(ExportLines(lists, TabLinks), QStringList{"http://h/x;y"});
    EXPECT_TRUE(ExportLines(lists, 5).isEmpty());

    const QString path = m_dir.filePath("out.txt");
    ExportList(lists, TabText, path);
    EXPECT_EQ(ReadBytes(path), QByteArray("a;b;c;d;e\r\nf;;h;i;j\r\n"));
    ExportList(lists, -1, m_dir.filePath("none.txt"));
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath("none.txt")));

    EXPECT_EQ(EmptyListMessage(TabText), QStringLiteral("Text list is empty!"));
    EXPECT_EQ(EmptyListMessage(TabImages), QStringLiteral("Image list is empty!"));
    EXPECT_EQ(EmptyListMessage(TabFlash), QStringLiteral("Flashes list is empty!"));
    EXPECT_EQ(EmptyListMessage(TabDownloads), QStringLiteral("Downloads list is empty!"));
    EXPECT_EQ(EmptyListMessage(TabLinks), QStringLiteral("Links list is empty!"));
    EXPECT_EQ(EmptyListMessage(7), QString());

    const QString blocked = path + QStringLiteral("/x.txt");
    try {
        ExportList(lists, TabLinks, blocked);
        FAIL() << "no error";
    } catch (const EPagemintError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Unable to write to ") + blocked);
    }
}

TEST(ResultLists, SignalsAndTheImagesInvariant)
{
    TResultLists lists;
    QSignalSpy appended(&lists, &TResultLists::RowsAppended);
    QSignalSpy reset(&lists, &TResultLists::TabReset);

    lists.AddLink("a");
    lists.AddLink("b");
    lists.AddImage("p.jpg", QImage(80, 80, QImage::Format_RGB888), "/t/Images/p.jpg");
    ASSERT_EQ(appended.count(), 3);
    EXPECT_EQ(appended.at(1), (QVariantList{TabLinks, 1, 1}));
    EXPECT_EQ(appended.at(2), (QVariantList{TabImages, 0, 0}));
    EXPECT_EQ(lists.RowCount(TabLinks), 2);
    EXPECT_EQ(lists.RowCount(TabImages), 1);
    EXPECT_EQ(lists.RowCount(9), 0);

    lists.Images().Files().SetCurrent(0);
    EXPECT_EQ(lists.Images().Files().CurrentFileName(), QStringLiteral("p.jpg"));
    lists.Images().Files().SetCurrent(3);
    EXPECT_EQ(lists.Images().Files().CurrentPath(), QString());

    lists.ClearAll();
    EXPECT_EQ(reset.count(), 5);
    EXPECT_EQ(lists.Images().Count(), 0);
    EXPECT_EQ(lists.Images().Files().Count(), 0);
    EXPECT_EQ(lists.Images().Files().Current(), -1);
}

TEST(ImageFileList, LoadsPictureFilesOfAFolderInNameOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"b.JPEG", "a.gif", "c.png", "D.bmp", "e.jpg.txt", "noext", "f.Jpg"})
        WriteBytes(dir.filePath(QString::fromLatin1(name)), "x");
    QDir(dir.path()).mkdir("g.jpg");

    TImageFileList files;
    files.SetCurrent(2);
    files.LoadFromFolder(dir.path());
    EXPECT_EQ(files.Current(), -1);
    EXPECT_EQ(files.Paths(), (QStringList{dir.filePath("a.gif"), dir.filePath("b.JPEG"), dir.filePath("D.bmp"),
                                          dir.filePath("f.Jpg")}));

    files.LoadFromFolder(dir.filePath("missing"));
    EXPECT_EQ(files.Count(), 0);
}

// The tab table and the generic row access the views, the export and the engine go through.
TEST_F(ResultFilesTest, CellsAndCopiedRowsFollowEachTabsColumns)
{
    TResultLists source;
    Fill(source);
    source.AddImage(QStringLiteral("p.jpg"), QImage(2, 2, QImage::Format_RGB32), QStringLiteral("/x/p.jpg"));

    EXPECT_EQ(source.Cell(TabText, 1, 4), QStringLiteral("j"));
    EXPECT_EQ(source.Cell(TabFlash, 0, 1), QStringLiteral("http://h/m.swf"));
    EXPECT_EQ(source.Cell(TabImages, 0, 0), QStringLiteral("p.jpg"));
    // Outside a tab's rows or columns, or no tab at all: nothing, never a crash.
    EXPECT_TRUE(source.Cell(TabFlash, 0, 2).isNull());
    EXPECT_TRUE(source.Cell(TabLinks, 2, 0).isNull());
    EXPECT_TRUE(source.Cell(TabText, -1, 0).isNull());
    EXPECT_TRUE(source.Cell(ResultTabCount, 0, 0).isNull());

    TResultLists copy;
    QSignalSpy appended(&copy, &TResultLists::RowsAppended);
    for (const TResultTabInfo& info : ResultTabs)
        for (qsizetype row = 0; row < source.RowCount(info.Tab) + 1; ++row) // one row too many
            copy.AppendRowFrom(source, info.Tab, row);
    EXPECT_EQ(copy.Text(), source.Text());
    EXPECT_EQ(copy.Flash(), source.Flash());
    EXPECT_EQ(copy.Downloads(), source.Downloads());
    EXPECT_EQ(copy.Links(), source.Links());
    EXPECT_EQ(copy.RowCount(TabImages), 0); // a thumbnail is never copied as a bare row
    EXPECT_EQ(appended.count(), 7);

    const TPaths paths = Paths();
    EXPECT_EQ(ResultTabFolder(paths, m_task, TabImages), paths.ImagesFolder(m_task));
    EXPECT_EQ(ResultTabFolder(paths, m_task, TabFlash), paths.FlashesFolder(m_task));
    EXPECT_EQ(ResultTabFolder(paths, m_task, TabDownloads), paths.DownloadsFolder(m_task));
    EXPECT_EQ(ResultTabFolder(paths, m_task, TabText), paths.TaskFolder(m_task));
    EXPECT_EQ(ResultTabFolder(paths, m_task, -1), paths.TaskFolder(m_task));
    for (int tab = 0; tab < ResultTabCount; ++tab)
        EXPECT_EQ(ResultTabs[std::size_t(tab)].Tab, tab); // the table is in tab order
}

TEST_F(ResultFilesTest, ListFileThatCannotBeReadIsReportedNotShownEmpty)
{
    const TPermissionBitsCount bits;
    if (!bits.Active())
        GTEST_SKIP() << "permission bits cannot be made to count for this process";
    TResultLists saved;
    Fill(saved);
    SaveResultLists(saved, Paths(), m_task);
    ASSERT_TRUE(QFile::setPermissions(ListFile(TabFlash), QFileDevice::Permissions()));

    TResultLists lists;
    QStringList galleries;
    try {
        LoadResultLists(lists, Paths(), m_task, [&](const QString& folder) { galleries.append(folder); });
        ADD_FAILURE() << "no error";
    } catch (const EPagemintError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Unable to read ") + ListFile(TabFlash));
    }
    // The other lists and the gallery are loaded all the same; the unreadable one stays empty.
    EXPECT_EQ(lists.Text(), saved.Text());
    EXPECT_TRUE(lists.Flash().empty());
    EXPECT_EQ(lists.Downloads(), saved.Downloads());
    EXPECT_EQ(lists.Links(), saved.Links());
    EXPECT_EQ(galleries.size(), 1);
    QFile::setPermissions(ListFile(TabFlash), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(ResultFilesTest, ExportToSomethingOtherThanAFileIsRefused)
{
    TResultLists lists;
    lists.AddLink("http://h/a");
    const QString pipe = m_dir.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    try {
        ExportList(lists, TabLinks, pipe);
        ADD_FAILURE() << "no error";
    } catch (const EPagemintError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Unable to write to ") + pipe + QStringLiteral(": not a regular file"));
    }
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(pipe).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));   // still the pipe, not replaced by a file
}
