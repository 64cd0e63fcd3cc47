#include "task/errors.h"
#include "task/paths.h"
#include "task/taskfile.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pagemint;

namespace {

class TaskFileTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    TPaths Paths() const { return TPaths(m_dir.path()); }
    QString SettingsPath(const QString& name) const { return Paths().TaskSettingsFile(name); }

    static TTaskItem FullTask()
    {
        TTaskItem task;
        task.TaskName = QStringLiteral("abc");
        task.TaskDir = QStringLiteral("/p/Task/abc");
        task.TaskThread = 5;
        task.check1 = true;
        task.check4 = true;
        task.StartURL = QStringLiteral("http://one.example/\r\nhttp://two.example/list?page=2&TaskName=x\r\n"
                                       "http://three.example/a=b");
        task.ManualBool = true;
        task.FollowedLink = 2;
        task.PageLocation = 3;
        task.TextinSearch = QStringLiteral("news");
        task.TextInDownload = QStringLiteral("get");
        task.OutText[0][0] = QStringLiteral("<b>");
        task.OutText[0][1] = QStringLiteral("Price");
        task.OutText[4][2] = QStringLiteral("</td>");
        task.ImageLinkBool = true;
        task.ImageWidthBool = true;
        task.ImageWidthMin = 800;
        task.ImageHeightMin = 600;
        task.DownloadExt = QStringLiteral("zip, rar");
        task.LinksText = QStringLiteral("forum");
        task.SkipDownloaded = true;
        return task;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(TaskFileTest, MissingKeysReadAsTheFileDefaults)
{
    WriteBytes(SettingsPath(QStringLiteral("x")), "[General]\r\nTaskName=abc\r\n");
    const TTaskItem task = LoadTaskFile(SettingsPath(QStringLiteral("x")));
    TTaskItem expected;
    expected.TaskName = QStringLiteral("abc");  // from the key, not from the path
    expected.TaskThread = 3;
    expected.check2 = true;
    expected.check5 = true;
    expected.FollowedLink = 9;
    expected.PageLocation = 1;
    expected.ImageWidthMin = 799;
    expected.ImageHeightMin = 599;
    EXPECT_EQ(task, expected);

    TTaskItem missing = LoadTaskFile(SettingsPath(QStringLiteral("none")));
    expected.TaskName.clear();
    EXPECT_EQ(missing, expected);
}

TEST_F(TaskFileTest, UnreadableValuesFallBackPerKey)
{
    const QString path = SettingsPath(QStringLiteral("x"));
    WriteBytes(path, "[General]\nTaskThread=0x0A\ncheck2=yes\ncheck5=0\ncheck1=2\n"
                     "[URL]\nFollowedLink=ten\nPageLocation=0\nOutText11=  spaced  \n"
                     "[Output]\nImageWidthMin=0x\nImageHeightMin=0X10\n");
    const TTaskItem task = LoadTaskFile(path);
    EXPECT_EQ(task.TaskThread, 10);
    EXPECT_TRUE(task.check2);
    EXPECT_FALSE(task.check5);
    EXPECT_TRUE(task.check1);
    EXPECT_EQ(task.FollowedLink, 9);
    EXPECT_EQ(task.PageLocation, 0);
    EXPECT_EQ(task.OutText[1][1], QStringLiteral("spaced"));
    EXPECT_EQ(task.ImageWidthMin, 799);
    EXPECT_EQ(task.ImageHeightMin, 16);
}

TEST_F(TaskFileTest, NewFileHoldsEveryKeyInOrderAndStartUrlsOnLinesBelowTheKey)
{
    TTaskItem task = FullTask();
    task.StartURL = QStringLiteral("http://a/\r\nhttp://b/?x=1");
    SaveTaskFile(task, Paths());
    const QByteArray expected = "[General]\r\nTaskName=abc\r\nTaskDir=/p/Task/abc\r\nTaskThread=5\r\n"
                                "check1=1\r\ncheck2=0\r\ncheck3=0\r\ncheck4=1\r\ncheck5=0\r\n"
                                "[URL]\r\nStartURL=http://a/\r\nhttp://b/?x=1\r\nManualBool=1\r\n"
                                "FollowedLink=2\r\nPageLocation=3\r\nTextinSearch=news\r\nTextInDownload=get\r\n"
                                "OutText00=<b>\r\nOutText01=Price\r\nOutText02=\r\nOutText10=\r\nOutText11=\r\n"
                                "OutText12=\r\nOutText20=\r\nOutText21=\r\nOutText22=\r\nOutText30=\r\n"
                                "OutText31=\r\nOutText32=\r\nOutText40=\r\nOutText41=\r\nOutText42=</td>\r\n"
                                "[Output]\r\nImageLinkBool=1\r\nImageFrom=\r\nImageTo=\r\nImageWidthBool=1\r\n"
                                "ImageHeightBool=0\r\nImageWidthMin=800\r\nImageHeightMin=600\r\n"
                                "DownloadExt=zip, rar\r\nLinksText=forum\r\nSkipDownloaded=1\r\n";
    EXPECT_EQ(ReadBytes(SettingsPath(QStringLiteral("abc"))), expected);
    for (const QString& folder : {Paths().ImagesFolder(QStringLiteral("abc")), Paths().FlashesFolder(QStringLiteral("abc")),
                                  Paths().DownloadsFolder(QStringLiteral("abc"))})
        EXPECT_TRUE(QFileInfo(folder).isDir()) << folder.toStdString();
}

TEST_F(TaskFileTest, SaveThenLoadGivesTheSameTaskWithAllStartUrls)
{
    const TTaskItem task = FullTask();
    SaveTaskFile(task, Paths());
    EXPECT_EQ(LoadTaskFile(SettingsPath(task.TaskName)), task);

    // Saving again with fewer start URLs leaves none of the old ones behind.
    TTaskItem shorter = task;
    shorter.StartURL = QStringLiteral("http://only.example/");
    SaveTaskFile(shorter, Paths());
    EXPECT_EQ(LoadTaskFile(SettingsPath(task.TaskName)), shorter);

    TTaskItem empty = task;
    empty.StartURL.clear();
    SaveTaskFile(empty, Paths());
    EXPECT_EQ(LoadTaskFile(SettingsPath(task.TaskName)), empty);
}

TEST_F(TaskFileTest, StartUrlLineEndsAreStoredAsCrLf)
{
    TTaskItem task = FullTask();
    task.StartURL = QStringLiteral("http://a/\nhttp://b/\rhttp://c/\r\n\r\n");
    SaveTaskFile(task, Paths());
    EXPECT_EQ(LoadTaskFile(SettingsPath(task.TaskName)).StartURL,
              QStringLiteral("http://a/\r\nhttp://b/\r\nhttp://c/"));
}

TEST_F(TaskFileTest, LoadsExtraStartUrlsWrittenOnLinesOfTheirOwn)
{
    const QString path = SettingsPath(QStringLiteral("x"));
    WriteBytes(path, "[General]\nTaskName=x\n"
                     "[URL]\nStartURL=http://one/\nhttp://two/?a=b\n  http://three/  \nmanualbool=1\nFollowedLink=4\n"
                     "[Output]\nLinksText=t\n");
    const TTaskItem task = LoadTaskFile(path);
    EXPECT_EQ(task.StartURL, QStringLiteral("http://one/\r\nhttp://two/?a=b\r\nhttp://three/"));
    EXPECT_TRUE(task.ManualBool);
    EXPECT_EQ(task.FollowedLink, 4);
    EXPECT_EQ(task.LinksText, QStringLiteral("t"));

    // The last start URL of a section, right before the next section.
    WriteBytes(path, "[URL]\r\nStartURL=http://one/\r\nhttp://two/\r\n\r\n[Output]\r\n");
    EXPECT_EQ(LoadTaskFile(path).StartURL, QStringLiteral("http://one/\r\nhttp://two/"));
}

TEST_F(TaskFileTest, UnknownKeysBelowStartUrlStayKeys)
{
    const QString path = SettingsPath(QStringLiteral("x"));
    WriteBytes(path, "[General]\r\nTaskName=x\r\n[URL]\r\nStartURL=http://one/\r\nwww.two.example/?a=b\r\n"
                     "RetryCount=3\r\n  my_Key2 = some value\r\nhttp://three/?TaskName=y\r\nManualBool=1\r\n");
    TTaskItem task = LoadTaskFile(path);
    // Neither unknown key is a start URL, and what follows them is not one either.
    EXPECT_EQ(task.StartURL, QStringLiteral("http://one/\r\nwww.two.example/?a=b"));
    EXPECT_TRUE(task.ManualBool);

    task.StartURL = QStringLiteral("http://new/\r\nhttp://new/?q=1&r=2");
    SaveTaskFile(task, Paths());
    const QByteArray bytes = ReadBytes(path);
    EXPECT_TRUE(bytes.contains("[URL]\r\nStartURL=http://new/\r\nhttp://new/?q=1&r=2\r\nRetryCount=3\r\n"
                               "  my_Key2 = some value\r\nhttp://three/?TaskName=y\r\nManualBool=1\r\n"))
        << bytes.toStdString();
    EXPECT_EQ(LoadTaskFile(path).StartURL, task.StartURL);
}

TEST_F(TaskFileTest, SavingOverAnExistingFileRewritesOnlyItsKeys)
{
    const QString path = SettingsPath(QStringLiteral("abc"));
    WriteBytes(path, "; my notes\r\n[General]\r\nTaskName=abc\r\nColour=blue\r\n[Extra]\r\nkeep=1\r\n");
    QDir().mkpath(Paths().ImagesFolder(QStringLiteral("abc")));
    WriteBytes(Paths().ImagesFolder(QStringLiteral("abc")) + QStringLiteral("/old.jpg"), "jpg");

    const TTaskItem task = FullTask();
    SaveTaskFile(task, Paths());
    const QByteArray bytes = ReadBytes(path);
    EXPECT_TRUE(bytes.startsWith("; my notes\r\n[General]\r\nTaskName=abc\r\nColour=blue\r\nTaskDir=/p/Task/abc\r\n"));
    EXPECT_TRUE(bytes.contains("[Extra]\r\nkeep=1\r\n[URL]\r\nStartURL=http://one.example/\r\n"));
    EXPECT_EQ(ReadBytes(Paths().ImagesFolder(QStringLiteral("abc")) + QStringLiteral("/old.jpg")), QByteArray("jpg"));
    EXPECT_EQ(LoadTaskFile(path), task);
}

TEST_F(TaskFileTest, FailedSaveKeepsTheOldFileAndReportsThePath)
{
    const TTaskItem task = FullTask();
    SaveTaskFile(task, Paths());
    const QString path = SettingsPath(task.TaskName);
    const QByteArray before = ReadBytes(path);

    TTaskItem changed = task;
    changed.LinksText = QString(4000, QChar(u'x'));
    try {
        TFileSizeLimit limit(1024);
        SaveTaskFile(changed, Paths());
        FAIL() << "no error";
    } catch (const EPagemintError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Unable to write to ") + path);
    }
    EXPECT_EQ(ReadBytes(path), before);
    QStringList left = OtherEntries(Paths().TaskFolder(task.TaskName), QStringLiteral("settings.ini"));
    for (const char* folder : {"Images", "Flashes", "Downloads"})
        left.removeAll(QString::fromLatin1(folder));
    EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
}

TEST_F(TaskFileTest, NameWithBlanksOrQuotesAroundItReadsBackAsItsFolderName)
{
    // The run's download folders are built from the name read back: it must be the folder's name.
    for (const QString& name : {QStringLiteral(" abc "), QStringLiteral("\tx"), QStringLiteral("\"q\""),
                                QStringLiteral("'a'"), QStringLiteral("plain name")}) {
        TTaskItem task = FullTask();
        task.TaskName = name;
        SaveTaskFile(task, Paths());
        EXPECT_EQ(LoadTaskFile(SettingsPath(name)).TaskName, name) << name.toStdString();
    }
    EXPECT_TRUE(ReadBytes(SettingsPath(QStringLiteral(" abc "))).contains("\r\nTaskName=\" abc \"\r\n"));
    EXPECT_TRUE(ReadBytes(SettingsPath(QStringLiteral("plain name"))).contains("\r\nTaskName=plain name\r\n"));

    // A file written with the blanks bare still reads by the plain rules.
    WriteBytes(SettingsPath(QStringLiteral("old")), "[General]\r\nTaskName= abc \r\n");
    EXPECT_EQ(LoadTaskFile(SettingsPath(QStringLiteral("old"))).TaskName, QStringLiteral("abc"));
}

TEST_F(TaskFileTest, NamesThatAreNoSingleFolderAreNeverWritten)
{
    for (const QString& name : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b")}) {
        TTaskItem task = FullTask();
        task.TaskName = name;
        try {
            SaveTaskFile(task, Paths());
            FAIL() << "no error for " << name.toStdString();
        } catch (const EPagemintError& error) {
            EXPECT_EQ(error.Message(), QStringLiteral("Unable to write to ") + Paths().TaskSettingsFile(name));
        }
    }
    EXPECT_FALSE(QFileInfo::exists(Paths().TaskRoot() + QStringLiteral("settings.ini")));
    EXPECT_FALSE(QFileInfo::exists(Paths().ProgramFolder() + QStringLiteral("settings.ini")));
    EXPECT_FALSE(QFileInfo::exists(Paths().TaskRoot() + QStringLiteral("a")));
}
