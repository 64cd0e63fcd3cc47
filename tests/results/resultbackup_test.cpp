#include "results/resultbackup.h"
#include "task/errors.h"
#include "task/paths.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pagemint;

namespace {

class ResultBackupTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    TPaths Paths() const { return TPaths(m_dir.path()); }
    QString Current(int tab) const { return Paths().ListFile(m_task, tab); }
    QString Kept(int tab) const
    {
        return ResultBackupFolder(Paths(), m_task) + u'/' + QFileInfo(Current(tab)).fileName();
    }
    void WriteSet(const QByteArray& tag)
    {
        for (int tab : {0, 2, 3, 4})
            WriteBytes(Current(tab), tag + QByteArray::number(tab) + "\r\n");
    }

    QTemporaryDir m_dir;
    QString m_task = QStringLiteral("a task");
};

} // namespace

TEST_F(ResultBackupTest, ATaskThatNeverRanHasNothingToKeepAndKeepsItsFormerBackup)
{
    EXPECT_FALSE(BackupResultLists(Paths(), m_task));
    EXPECT_FALSE(HasResultBackup(Paths(), m_task));
    EXPECT_FALSE(RestoreResultLists(Paths(), m_task));

    WriteBytes(Kept(0), "old\r\n");
    EXPECT_TRUE(HasResultBackup(Paths(), m_task));
    EXPECT_FALSE(BackupResultLists(Paths(), m_task));
    EXPECT_EQ(ReadBytes(Kept(0)), QByteArray("old\r\n"));
}

TEST_F(ResultBackupTest, BackupCopiesTheWholeSetAndLeavesCurrentFilesAndDownloadsAlone)
{
    WriteSet("first");
    WriteBytes(Paths().ImagesFolder(m_task) + QStringLiteral("/a.jpg"), "jpeg");
    ASSERT_TRUE(BackupResultLists(Paths(), m_task));
    EXPECT_TRUE(HasResultBackup(Paths(), m_task));
    for (int tab : {0, 2, 3, 4}) {
        EXPECT_EQ(ReadBytes(Kept(tab)), "first" + QByteArray::number(tab) + "\r\n");
        EXPECT_EQ(ReadBytes(Current(tab)), "first" + QByteArray::number(tab) + "\r\n");
    }
    EXPECT_EQ(ReadBytes(Paths().ImagesFolder(m_task) + QStringLiteral("/a.jpg")), QByteArray("jpeg"));
    EXPECT_FALSE(QFileInfo::exists(ResultBackupFolder(Paths(), m_task) + QStringLiteral("/Images")));

    // The next generation replaces the former one; a file the set no longer has leaves the backup
    // too, so the backup loads as the set did (an empty Flash list).
    WriteSet("second");
    QFile::remove(Current(2));
    ASSERT_TRUE(BackupResultLists(Paths(), m_task));
    EXPECT_EQ(ReadBytes(Kept(0)), QByteArray("second0\r\n"));
    EXPECT_FALSE(QFileInfo::exists(Kept(2)));
    EXPECT_FALSE(QFileInfo::exists(Paths().TaskFolder(m_task) + QStringLiteral("/Previous.new")));
}

TEST_F(ResultBackupTest, RestoreSwapsTheSetsSoASecondRestoreUndoesIt)
{
    WriteSet("complete");
    ASSERT_TRUE(BackupResultLists(Paths(), m_task));
    // A stopped re-run saved a few rows and had no Links file.
    WriteSet("partial");
    QFile::remove(Current(4));

    ASSERT_TRUE(RestoreResultLists(Paths(), m_task));
    for (int tab : {0, 2, 3, 4})
        EXPECT_EQ(ReadBytes(Current(tab)), "complete" + QByteArray::number(tab) + "\r\n");
    EXPECT_EQ(ReadBytes(Kept(0)), QByteArray("partial0\r\n"));
    EXPECT_FALSE(QFileInfo::exists(Kept(4)));

    ASSERT_TRUE(RestoreResultLists(Paths(), m_task));
    EXPECT_EQ(ReadBytes(Current(0)), QByteArray("partial0\r\n"));
    EXPECT_FALSE(QFileInfo::exists(Current(4)));
    EXPECT_EQ(ReadBytes(Kept(4)), QByteArray("complete4\r\n"));
    // Nothing parked is left behind.
    EXPECT_EQ(OtherEntries(ResultBackupFolder(Paths(), m_task), QString()).size(), 4);
}

TEST_F(ResultBackupTest, ARestoreCutShortIsCompletedBeforeTheNextStep)
{
    WriteSet("kept");
    ASSERT_TRUE(BackupResultLists(Paths(), m_task));
    // Cut after the current Text file was parked, before the backup took its place.
    WriteBytes(Current(0), "current0\r\n");
    ASSERT_TRUE(QFile::rename(Current(0), Kept(0) + QStringLiteral(".swap")));

    // The parked file returns to the free current name before the backup is made, so the new
    // generation holds the current Text file, not a gap.
    ASSERT_TRUE(BackupResultLists(Paths(), m_task));
    EXPECT_EQ(ReadBytes(Current(0)), QByteArray("current0\r\n"));
    EXPECT_EQ(ReadBytes(Kept(0)), QByteArray("current0\r\n"));
    EXPECT_FALSE(QFileInfo::exists(Kept(0) + QStringLiteral(".swap")));

    // Cut after the backup took the current name: the parked file becomes the backup.
    ASSERT_TRUE(QFile::rename(Kept(2), Kept(2) + QStringLiteral(".swap")));
    ASSERT_TRUE(RestoreResultLists(Paths(), m_task));
    EXPECT_EQ(ReadBytes(Current(2)), QByteArray("kept2\r\n"));
    EXPECT_EQ(ReadBytes(Kept(2)), QByteArray("kept2\r\n"));
}

TEST_F(ResultBackupTest, ABackupThatCannotBeWrittenLeavesTheFormerOneWhole)
{
    WriteSet("old");
    ASSERT_TRUE(BackupResultLists(Paths(), m_task));
    WriteBytes(Current(0), QByteArray(64 * 1024, 'x'));
    {
        const TFileSizeLimit limit(1024);
        EXPECT_THROW(BackupResultLists(Paths(), m_task), EPagemintError);
    }
    for (int tab : {0, 2, 3, 4})
        EXPECT_EQ(ReadBytes(Kept(tab)), "old" + QByteArray::number(tab) + "\r\n");
    EXPECT_EQ(ReadBytes(Current(0)).size(), 64 * 1024);
    EXPECT_FALSE(QFileInfo::exists(Paths().TaskFolder(m_task) + QStringLiteral("/Previous.new")));
}
