// Stored tasks changed on disk: edits in place and under a new name, names for copies, copies.
#include "task/errors.h"
#include "task/paths.h"
#include "task/taskedit.h"
#include "task/taskfile.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pagemint;

namespace {

class TaskEditTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    TPaths Paths() const { return TPaths(m_dir.path()); }

    /** A stored task with results, a downloaded picture and a line of its own in settings.ini. */
    TTaskItem MakeTask(const QString& name) const
    {
        TTaskItem task;
        task.TaskName = name;
        task.TaskDir = Paths().TaskFolder(name);
        task.TaskThread = 5;
        task.StartURL = QStringLiteral("http://a.test/\r\nhttp://b.test/");
        task.OutText[2][1] = QStringLiteral("price");
        SaveTaskFile(task, Paths());
        WriteBytes(Paths().ListFile(name, 0), "text row\r\n");
        WriteBytes(Paths().ImagesFolder(name) + QStringLiteral("/cat.jpg"), "jpeg");
        WriteBytes(Paths().TaskSettingsFile(name),
                   ReadBytes(Paths().TaskSettingsFile(name)) + "[Notes]\r\nKept=yes\r\n");
        return task;
    }
    bool Exists(const QString& path) const { return QFileInfo::exists(path); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(TaskEditTest, SavingUnderTheSameNameRewritesOnlyTheSettings)
{
    TTaskItem task = MakeTask(QStringLiteral("shop"));
    task.FollowedLink = 2;
    task.LinksText = QStringLiteral("sale");
    SaveEditedTask(task, QStringLiteral("shop"), Paths());
    EXPECT_EQ(LoadTaskFile(Paths().TaskSettingsFile(QStringLiteral("shop"))), task);
    EXPECT_EQ(ReadBytes(Paths().ListFile(QStringLiteral("shop"), 0)), QByteArray("text row\r\n"));
    EXPECT_TRUE(Exists(Paths().ImagesFolder(QStringLiteral("shop")) + QStringLiteral("/cat.jpg")));
    EXPECT_TRUE(ReadBytes(Paths().TaskSettingsFile(QStringLiteral("shop"))).contains("Kept=yes"));
}

TEST_F(TaskEditTest, ANewNameMovesTheFolderWithEverythingInIt)
{
    TTaskItem task = MakeTask(QStringLiteral("shop"));
    task.TaskName = QStringLiteral("garden shop");
    task.TaskDir = Paths().TaskFolder(task.TaskName);
    SaveEditedTask(task, QStringLiteral("shop"), Paths());

    EXPECT_FALSE(Exists(Paths().TaskFolder(QStringLiteral("shop"))));
    const TTaskItem read = LoadTaskFile(Paths().TaskSettingsFile(QStringLiteral("garden shop")));
    EXPECT_EQ(read, task);
    EXPECT_EQ(read.TaskDir, Paths().TaskFolder(QStringLiteral("garden shop")));
    EXPECT_EQ(ReadBytes(Paths().ListFile(QStringLiteral("garden shop"), 0)), QByteArray("text row\r\n"));
    EXPECT_TRUE(Exists(Paths().ImagesFolder(QStringLiteral("garden shop")) + QStringLiteral("/cat.jpg")));
    EXPECT_TRUE(ReadBytes(Paths().TaskSettingsFile(QStringLiteral("garden shop"))).contains("Kept=yes"));
}

TEST_F(TaskEditTest, ARenameOntoAnExistingFolderChangesNothing)
{
    TTaskItem task = MakeTask(QStringLiteral("shop"));
    const QByteArray before = ReadBytes(Paths().TaskSettingsFile(QStringLiteral("shop")));
    // The folder of a deleted task, which a rename must not merge into.
    WriteBytes(Paths().TaskFolder(QStringLiteral("old")) + QStringLiteral("/listview5.dat"), "old link\r\n");
    task.TaskName = QStringLiteral("old");
    EXPECT_NE(TaskRenameRefusal(Paths(), QStringLiteral("shop"), QStringLiteral("old")), QString());
    EXPECT_THROW(SaveEditedTask(task, QStringLiteral("shop"), Paths()), EPagemintError);
    EXPECT_EQ(ReadBytes(Paths().TaskSettingsFile(QStringLiteral("shop"))), before);
    EXPECT_FALSE(Exists(Paths().TaskSettingsFile(QStringLiteral("old"))));
    EXPECT_EQ(OtherEntries(Paths().TaskFolder(QStringLiteral("old")), QStringLiteral("listview5.dat")), QStringList());
}

TEST_F(TaskEditTest, RenameRefusals)
{
    MakeTask(QStringLiteral("shop"));
    WriteBytes(Paths().TaskRoot() + QStringLiteral("a file"), "x");
    EXPECT_EQ(TaskRenameRefusal(Paths(), QStringLiteral("shop"), QStringLiteral("shop")), QString());
    EXPECT_EQ(TaskRenameRefusal(Paths(), QStringLiteral("shop"), QStringLiteral("Shop")), QString());
    for (const char* name : {"", ".", "..", "a/b", "a file"})
        EXPECT_NE(TaskRenameRefusal(Paths(), QStringLiteral("shop"), QString::fromLatin1(name)), QString()) << name;
}

TEST_F(TaskEditTest, AFailedWriteAfterTheRenameMovesTheFolderBack)
{
    TTaskItem task = MakeTask(QStringLiteral("shop"));
    const QString settings = Paths().TaskSettingsFile(QStringLiteral("shop"));
    // A folder where settings.ini should be: the folder moves, the write into it fails.
    QFile::remove(settings);
    ASSERT_TRUE(QDir().mkpath(settings));
    task.TaskName = QStringLiteral("renamed");
    EXPECT_THROW(SaveEditedTask(task, QStringLiteral("shop"), Paths()), EPagemintError);
    EXPECT_FALSE(Exists(Paths().TaskFolder(QStringLiteral("renamed"))));
    EXPECT_EQ(ReadBytes(Paths().ListFile(QStringLiteral("shop"), 0)), QByteArray("text row\r\n"));
}

TEST_F(TaskEditTest, ATaskWhoseFolderHasGoneIsSavedUnderItsNewName)
{
    TTaskItem task;
    task.TaskName = QStringLiteral("new");
    SaveEditedTask(task, QStringLiteral("vanished"), Paths());
    EXPECT_EQ(LoadTaskFile(Paths().TaskSettingsFile(QStringLiteral("new"))).TaskName, QStringLiteral("new"));
    EXPECT_TRUE(Exists(Paths().DownloadsFolder(QStringLiteral("new"))));
}

TEST_F(TaskEditTest, CopyNamesCountOnAndAvoidTakenNamesAndFolders)
{
    const TPaths paths = Paths();
    EXPECT_EQ(TaskCopyName(QStringLiteral("shop"), {}, paths), QStringLiteral("shop (2)"));
    EXPECT_EQ(TaskCopyName(QStringLiteral("shop"), {QStringLiteral("shop (2)")}, paths), QStringLiteral("shop (3)"));
    EXPECT_EQ(TaskCopyName(QStringLiteral("shop (2)"), {}, paths), QStringLiteral("shop (3)"));
    EXPECT_EQ(TaskCopyName(QStringLiteral("shop (9)"), {QStringLiteral("shop (10)")}, paths), QStringLiteral("shop (11)"));
    // Only a plain positive number counts; an empty base keeps the whole name.
    EXPECT_EQ(TaskCopyName(QStringLiteral("shop (0)"), {}, paths), QStringLiteral("shop (0) (2)"));
    EXPECT_EQ(TaskCopyName(QStringLiteral(" (4)"), {}, paths), QStringLiteral(" (4) (2)"));
    EXPECT_EQ(TaskCopyName(QStringLiteral("shop (99999999999)"), {}, paths), QStringLiteral("shop (99999999999) (2)"));
    // A folder left by a deleted task is not reused; the comparison is exact.
    WriteBytes(paths.TaskFolder(QStringLiteral("shop (2)")) + QStringLiteral("/listview1.dat"), "old\r\n");
    EXPECT_EQ(TaskCopyName(QStringLiteral("shop"), {QStringLiteral("SHOP (3)")}, paths), QStringLiteral("shop (3)"));
}

TEST_F(TaskEditTest, DuplicateCopiesTheSettingsButNoResults)
{
    const TTaskItem source = MakeTask(QStringLiteral("shop"));
    const QByteArray sourceBytes = ReadBytes(Paths().TaskSettingsFile(QStringLiteral("shop")));
    const TTaskItem copy = DuplicateTask(Paths(), QStringLiteral("shop"), QStringLiteral("shop (2)"));

    TTaskItem expected = source;
    expected.TaskName = QStringLiteral("shop (2)");
    expected.TaskDir = Paths().TaskFolder(QStringLiteral("shop (2)"));
    EXPECT_EQ(copy, expected);
    EXPECT_EQ(LoadTaskFile(Paths().TaskSettingsFile(QStringLiteral("shop (2)"))), expected);
    EXPECT_TRUE(ReadBytes(Paths().TaskSettingsFile(QStringLiteral("shop (2)"))).contains("Kept=yes"));
    EXPECT_FALSE(Exists(Paths().ListFile(QStringLiteral("shop (2)"), 0)));
    EXPECT_TRUE(QDir(Paths().ImagesFolder(QStringLiteral("shop (2)"))).isEmpty());
    EXPECT_TRUE(Exists(Paths().FlashesFolder(QStringLiteral("shop (2)"))));
    EXPECT_EQ(ReadBytes(Paths().TaskSettingsFile(QStringLiteral("shop"))), sourceBytes);
}

TEST_F(TaskEditTest, DuplicateRefusalsLeaveNoFolderBehind)
{
    MakeTask(QStringLiteral("shop"));
    EXPECT_THROW(DuplicateTask(Paths(), QStringLiteral("missing"), QStringLiteral("copy")), EPagemintError);
    EXPECT_FALSE(Exists(Paths().TaskFolder(QStringLiteral("copy"))));
    EXPECT_THROW(DuplicateTask(Paths(), QStringLiteral("shop"), QStringLiteral("shop")), EPagemintError);
    WriteBytes(Paths().TaskFolder(QStringLiteral("taken")) + QStringLiteral("/listview1.dat"), "old\r\n");
    EXPECT_THROW(DuplicateTask(Paths(), QStringLiteral("shop"), QStringLiteral("taken")), EPagemintError);
    EXPECT_FALSE(Exists(Paths().TaskSettingsFile(QStringLiteral("taken"))));

    // A write that fails part-way (stopped by the file size limit) removes the half-made copy.
    {
        const TFileSizeLimit limit(8);
        EXPECT_THROW(DuplicateTask(Paths(), QStringLiteral("shop"), QStringLiteral("copy")), EPagemintError);
    }
    EXPECT_FALSE(Exists(Paths().TaskFolder(QStringLiteral("copy"))));
}
