// The catalogue, the program settings and the line files beneath them.
#include "task/catalogue.h"
#include "task/errors.h"
#include "task/paths.h"
#include "task/programsettings.h"
#include "task/taskfile.h"
#include "task/textfile.h"
#include "support/filerights.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace pagemint;

namespace {

class StoredFilesTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    TPaths Paths() const { return TPaths(m_dir.path()); }
    void MakeTask(const QString& name) const { WriteBytes(Paths().TaskSettingsFile(name), "[General]\r\n"); }

    QTemporaryDir m_dir;
};

} // namespace

TEST(TextFile, SplitsCrLfLfAndCrAndWritesCrLf)
{
    EXPECT_EQ(SplitTextLines("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitTextLines("a\r\n\r\n"), (QStringList{"a", ""}));
    EXPECT_EQ(SplitTextLines("\r\n"), QStringList{""});
    EXPECT_EQ(SplitTextLines("\r\r\n\n"), (QStringList{"", "", ""}));
    EXPECT_TRUE(SplitTextLines(QByteArray()).isEmpty());
    EXPECT_EQ(SplitTextLines("\xc3\xa9t\xc3\xa9"), QStringList{QStringLiteral("été")});
    // The byte-order mark of the file is dropped; U+FEFF opening a later line is its text.
    const QString feff(QChar(0xFEFF));
    EXPECT_EQ(SplitTextLines("\xEF\xBB\xBF" "a\r\n\xEF\xBB\xBF" "b\r\n"), (QStringList{"a", feff + "b"}));
    EXPECT_EQ(SplitTextLines("\xEF\xBB\xBF"), QStringList{});
    EXPECT_EQ(SplitTextLines(JoinTextLines({feff + "a", feff})), (QStringList{feff + "a", feff}));
    EXPECT_EQ(JoinTextLines({feff}), QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\r\n"));
    EXPECT_EQ(JoinTextLines({"a", "", "b"}), QByteArray("a\r\n\r\nb\r\n"));
    EXPECT_EQ(JoinTextLines({}), QByteArray());
}

TEST_F(StoredFilesTest, AtomicWriteFailureKeepsTheOldContent)
{
    const QString path = Paths().ProgramFolder() + QStringLiteral("list.dat");
    WriteTextLines(path, {QStringLiteral("old")});
    try {
        TFileSizeLimit limit(100);
        WriteTextLines(path, {QString(500, QChar(u'n'))});
        FAIL() << "no error";
    } catch (const EPagemintError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Unable to write to ") + path);
    }
    EXPECT_EQ(ReadBytes(path), QByteArray("old\r\n"));
    EXPECT_TRUE(OtherEntries(m_dir.path(), QStringLiteral("list.dat")).isEmpty());

    // A folder standing where the file should be is left as it is.
    const QString folder = Paths().ProgramFolder() + QStringLiteral("dir.dat");
    QDir().mkpath(folder + QStringLiteral("/inner"));
    EXPECT_THROW(WriteTextLines(folder, {QStringLiteral("x")}), EPagemintError);
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/inner")).isDir());

    bool exists = true;
    EXPECT_TRUE(ReadTextLines(folder, &exists).isEmpty());
    EXPECT_FALSE(exists);
}

TEST_F(StoredFilesTest, CatalogueKeepsNamesByteForByteAndSkipsUnusableLines)
{
    EXPECT_TRUE(LoadTaskList(Paths()).isEmpty());
    WriteBytes(Paths().TaskListFile(), QByteArray());
    EXPECT_TRUE(LoadTaskList(Paths()).isEmpty());

    MakeTask(QStringLiteral("first"));
    MakeTask(QStringLiteral(" padded "));
    MakeTask(QStringLiteral("third"));
    QDir().mkpath(Paths().TaskFolder(QStringLiteral("gone")));  // folder without settings.ini
    // settings.ini files that unusable names would reach.
    WriteBytes(Paths().TaskRoot() + QStringLiteral("settings.ini"), "x");
    WriteBytes(Paths().ProgramFolder() + QStringLiteral("settings.ini"), "x");
    MakeTask(QStringLiteral("a/b"));

    WriteBytes(Paths().TaskListFile(), "first\r\ngone\n padded \rthird\r\n\r\n.\r\n..\r\na/b\r\nfirst");
    const QStringList names = LoadTaskList(Paths());
    EXPECT_EQ(names, (QStringList{"first", " padded ", "third", "first"}));

    SaveTaskList(Paths(), names);
    EXPECT_EQ(ReadBytes(Paths().TaskListFile()), QByteArray("first\r\n padded \r\nthird\r\nfirst\r\n"));
    SaveTaskList(Paths(), {});
    EXPECT_EQ(ReadBytes(Paths().TaskListFile()), QByteArray());
    EXPECT_TRUE(QFileInfo::exists(Paths().TaskListFile()));
}

TEST_F(StoredFilesTest, ProgramSettingsDefaultsAndFreshFile)
{
    const QString path = Paths().ProgramSettingsFile();
    const TProgramSettings defaults = ReadProgramSettings(path);
    EXPECT_EQ(defaults, TProgramSettings());
    EXPECT_EQ(defaults.DownloadControlFlags(), 0x80 | 0x100 | 0x200 | 0x400);

    WriteProgramSettings(path, defaults);
    EXPECT_EQ(ReadBytes(path), QByteArray("[Browser]\r\nBrowser01=0\r\nBrowser02=0\r\nBrowser03=0\r\nBrowser04=1\r\n"
                                          "Browser05=1\r\nBrowser06=1\r\nBrowser07=1\r\n[Downloader]\r\n"
                                          "Downloader01=\r\nDownloader02=\r\nDownloader03=\r\nDownloader04=\r\n"
                                          "Downloader05=1\r\nDownloader06=2\r\n"
                                          "[Gallery]\r\nGallery01=1\r\n"));
}

TEST_F(StoredFilesTest, SessionSharingAndRetriesReadWithTheirDefaultsAndBounds)
{
    const QString path = Paths().ProgramSettingsFile();
    // A file of an earlier version has neither key: sharing on, two retries.
    WriteBytes(path, "[Downloader]\r\nDownloader01=\r\n");
    TProgramSettings s = ReadProgramSettings(path);
    EXPECT_TRUE(s.ShareBrowserSession);
    EXPECT_EQ(s.DownloadRetries, 2);

    WriteBytes(path, "[Downloader]\nDownloader05=0\nDownloader06=99\n");
    s = ReadProgramSettings(path);
    EXPECT_FALSE(s.ShareBrowserSession);
    EXPECT_EQ(s.DownloadRetries, 10);
    WriteBytes(path, "[Downloader]\nDownloader06=-3\n");
    EXPECT_EQ(ReadProgramSettings(path).DownloadRetries, 0);

    s.DownloadRetries = 7;
    WriteProgramSettings(path, s);
    EXPECT_EQ(ReadProgramSettings(path), s);
}

TEST_F(StoredFilesTest, ProgramSettingsReadLikeIntegersAndKeepOtherLines)
{
    const QString path = Paths().ProgramSettingsFile();
    WriteBytes(path, "[Browser]\nBrowser01=yes\nBrowser04=2\nBrowser05=0\nTheme=dark\n"
                     "[Downloader]\nDownloader01= proxy.lan \nDownloader02=abc\nDownloader04=\"p w\"\n");
    TProgramSettings s = ReadProgramSettings(path);
    EXPECT_FALSE(s.DownloadImages);
    EXPECT_TRUE(s.DontExecuteScripts);
    EXPECT_FALSE(s.DontExecuteJava);
    EXPECT_EQ(s.ProxyServer, QStringLiteral("proxy.lan"));
    EXPECT_EQ(s.ProxyPort, QStringLiteral("abc"));
    EXPECT_EQ(s.AuthPassword, QStringLiteral("p w"));
    EXPECT_TRUE(s.WriteThumbnailCache); // a file without the key keeps writing the cache

    s.DownloadImages = true;
    s.WriteThumbnailCache = false;
    s.AuthUserName = QStringLiteral("me");
    WriteProgramSettings(path, s);
    const QByteArray bytes = ReadBytes(path);
    EXPECT_TRUE(bytes.contains("Theme=dark\n"));
    EXPECT_TRUE(bytes.contains("[Gallery]\r\nGallery01=0\r\n"));
    EXPECT_EQ(ReadProgramSettings(path), s);
    EXPECT_EQ(s.DownloadControlFlags(), 0x10 | 0x80 | 0x200 | 0x400);

    const QString blocked = path + QStringLiteral("/pmsettings.ini");
    try {
        WriteProgramSettings(blocked, s);
        FAIL() << "no error";
    } catch (const EPagemintError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Unable to write to ") + blocked);
    }
}

namespace {

/** A file of the given content whose permission bits say no reading and no writing. */
void WriteLockedFile(const QString& path, const QByteArray& bytes)
{
    WriteBytes(path, bytes);
    QFile::setPermissions(path, QFileDevice::Permissions());
}

QByteArray UnlockAndRead(const QString& path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return ReadBytes(path);
}

bool MakeFifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool IsFifo(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

template <typename F>
QString ErrorOf(F&& action)
{
    try {
        action();
    } catch (const EPagemintError& error) {
        return error.Message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

TEST_F(StoredFilesTest, FilesThatCannotBeReadAreNeverTakenForEmptyOnes)
{
    const TPermissionBitsCount bits;
    if (!bits.Active())
        GTEST_SKIP() << "permission bits cannot be made to count for this process";
    const TPaths paths = Paths();
    MakeTask(QStringLiteral("one"));
    const QString catalogue = paths.TaskListFile();
    const QString settings = paths.ProgramSettingsFile();
    const QString task = paths.TaskSettingsFile(QStringLiteral("one"));
    const QByteArray settingsBytes("[Browser]\r\nBrowser01=1\r\nTheme=dark\r\n");
    const QByteArray taskBytes("[General]\r\nTaskName=one\r\nColour=blue\r\n");
    WriteLockedFile(catalogue, "one\r\n");
    WriteLockedFile(settings, settingsBytes);
    WriteLockedFile(task, taskBytes);

    EXPECT_EQ(ErrorOf([&] { LoadTaskList(paths); }), QStringLiteral("Unable to read ") + catalogue);
    EXPECT_EQ(ErrorOf([&] { ReadProgramSettings(settings); }), QStringLiteral("Unable to read ") + settings);
    EXPECT_EQ(ErrorOf([&] { LoadTaskFile(task); }), QStringLiteral("Unable to read ") + task);
    // Saving over them would lose every line the program did not write itself: nothing is written.
    EXPECT_EQ(ErrorOf([&] { WriteProgramSettings(settings, TProgramSettings()); }),
              QStringLiteral("Unable to read ") + settings);
    TTaskItem item;
    item.TaskName = QStringLiteral("one");
    EXPECT_EQ(ErrorOf([&] { SaveTaskFile(item, paths); }), QStringLiteral("Unable to read ") + task);

    EXPECT_EQ(UnlockAndRead(catalogue), QByteArray("one\r\n"));
    EXPECT_EQ(UnlockAndRead(settings), settingsBytes);
    EXPECT_EQ(UnlockAndRead(task), taskBytes);
    // Missing files are still no error.
    EXPECT_TRUE(ReadTextLines(paths.ProgramFolder() + QStringLiteral("none.dat")).isEmpty());
    EXPECT_EQ(ReadProgramSettings(paths.ProgramFolder() + QStringLiteral("none.ini")), TProgramSettings());
}

TEST_F(StoredFilesTest, NamedPipesAreNeitherReadNorReplaced)
{
    const TPaths paths = Paths();
    ASSERT_TRUE(MakeFifo(paths.TaskListFile()));
    ASSERT_TRUE(MakeFifo(paths.ProgramSettingsFile()));
    // Opening a pipe would wait for a writer forever; it is refused at once instead.
    EXPECT_EQ(ErrorOf([&] { LoadTaskList(paths); }), QStringLiteral("Unable to read ") + paths.TaskListFile());
    EXPECT_EQ(ErrorOf([&] { ReadProgramSettings(paths.ProgramSettingsFile()); }),
              QStringLiteral("Unable to read ") + paths.ProgramSettingsFile());
    EXPECT_EQ(ErrorOf([&] { SaveTaskList(paths, {QStringLiteral("x")}); }),
              QStringLiteral("Unable to write to ") + paths.TaskListFile() + QStringLiteral(": not a regular file"));
    EXPECT_TRUE(IsFifo(paths.TaskListFile()));
    EXPECT_TRUE(IsFifo(paths.ProgramSettingsFile()));
}

TEST_F(StoredFilesTest, FileIsWrittenInPlaceWhereTheFolderRefusesNewFiles)
{
    const TPermissionBitsCount bits;
    if (!bits.Active())
        GTEST_SKIP() << "permission bits cannot be made to count for this process";
    const QString folder = m_dir.filePath(QStringLiteral("locked"));
    const QString path = folder + QStringLiteral("/list.dat");
    WriteBytes(path, "old\r\n");
    const QString ini = folder + QStringLiteral("/pm.ini");
    WriteBytes(ini, "[Browser]\r\nTheme=dark\r\n");
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    struct TUnlock
    {
        QString folder;
        ~TUnlock() { QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner); }
    } unlock{folder};

    WriteTextLines(path, {QStringLiteral("new"), QStringLiteral("lines")});
    EXPECT_EQ(ReadBytes(path), QByteArray("new\r\nlines\r\n"));
    EXPECT_EQ(OtherEntries(folder, QStringLiteral("list.dat")), QStringList{QStringLiteral("pm.ini")});
    // A shorter content leaves nothing of the longer one behind.
    WriteTextLines(path, {QStringLiteral("n")});
    EXPECT_EQ(ReadBytes(path), QByteArray("n\r\n"));

    // A short write is still an error, and a file that does not exist cannot be made there.
    {
        TFileSizeLimit limit(100);
        EXPECT_EQ(ErrorOf([&] { WriteTextLines(path, {QString(500, QChar(u'n'))}); }),
                  QStringLiteral("Unable to write to ") + path);
    }
    const QString fresh = folder + QStringLiteral("/fresh.dat");
    EXPECT_EQ(ErrorOf([&] { WriteTextLines(fresh, {QStringLiteral("x")}); }), QStringLiteral("Unable to write to ") + fresh);
    // A settings file there keeps its other lines.
    WriteProgramSettings(ini, TProgramSettings());
    EXPECT_TRUE(ReadBytes(ini).startsWith("[Browser]\r\nTheme=dark\r\nBrowser01=0\r\n"));
}

TEST_F(StoredFilesTest, FileWhoseNameLeavesNoRoomForATemporaryOneIsWrittenInPlace)
{
    // The temporary file's name is the file's name plus a suffix; at the longest name the file
    // system takes, the folder cannot hold it. This refusal holds for root too.
    const QString path = m_dir.filePath(QString(250, QChar(u'L')));
    WriteBytes(path, "old");
    ASSERT_EQ(ReadBytes(path), QByteArray("old"));
    WriteTextLines(path, {QStringLiteral("new")});
    EXPECT_EQ(ReadBytes(path), QByteArray("new\r\n"));
}
