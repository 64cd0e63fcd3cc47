// TBatchRunner over the real engine with a browser that loads every page at once: what a
// headless run prints, when it stops waiting, and which exit status it returns.
#include "batch/batchrunner.h"

#include "support/fakebrowsers.h"
#include "support/filerights.h"
#include "task/paths.h"
#include "task/taskfile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

using namespace pagemint;

namespace {

class BatchRunner : public testing::Test
{
protected:
    QTemporaryDir dir;
    TPaths paths{dir.path()};
    TInstantFakeBrowser browser;
    QStringList out;
    QStringList err;
    TBatchRunner runner{paths, browser, [this](const QString& l) { out.append(l); },
                        [this](const QString& l) { err.append(l); }};

    BatchRunner()
    {
        // A start page with one link, so that no redirect wait runs, and one picture.
        TPageSnapshot start;
        start.links = {"http://site.invalid/next.html"};
        start.images = {TSnapshotImage{"http://site.invalid/a.jpg", 100, 100}};
        browser.Pages.insert("http://site.invalid/", start);
    }

    void WriteTask(const QString& name, TTaskItem task)
    {
        task.TaskName = name;
        task.StartURL = "http://site.invalid/";
        task.check2 = true;
        task.check5 = true;
        SaveTaskFile(task, paths);
    }

    bool ErrContains(const QString& text) const
    {
        return std::any_of(err.begin(), err.end(), [&](const QString& l) { return l.contains(text); });
    }
};

} // namespace

TEST_F(BatchRunner, TasksWithoutSettingsAreListedInOrder)
{
    WriteTask("a", {});
    EXPECT_EQ(TBatchRunner::TasksWithoutSettings(paths, {"x", "a", "y"}), QStringList({"x", "y"}));
    EXPECT_TRUE(TBatchRunner::TasksWithoutSettings(paths, {"a"}).isEmpty());
}

TEST_F(BatchRunner, NoDownloadThreadDoesNotWaitForeverAndTheLogonPauseIsSkipped)
{
    TTaskItem task;
    task.TaskThread = 0;      // the picture can never be downloaded
    task.ManualBool = true;   // nobody is there to log on
    task.FollowedLink = 0;
    WriteTask("t", task);

    EXPECT_EQ(runner.Run({"t"}), TBatchRunner::ExitOk);
    EXPECT_EQ(out, QStringList({"Search completed!"}));
    EXPECT_TRUE(ErrContains("manual logon")) << err.join('\n').toStdString();
    EXPECT_TRUE(ErrContains("1 queued downloads not made")) << err.join('\n').toStdString();
    QFile links(paths.ListFile("t", 4));
    ASSERT_TRUE(links.open(QIODevice::ReadOnly));
    EXPECT_EQ(links.readAll(), "http://site.invalid/next.html\r\n");
}

TEST_F(BatchRunner, RunErrorGivesStatusOneAndTheNextTaskStillRuns)
{
    TTaskItem task;
    task.TaskThread = 0;
    task.FollowedLink = 0;
    WriteTask("broken", task);
    WriteTask("fine", task);
    ASSERT_TRUE(QDir().mkpath(paths.ListFile("broken", 0))); // a folder where a list file belongs

    EXPECT_EQ(runner.Run({"broken", "fine"}), TBatchRunner::ExitRunError);
    EXPECT_TRUE(ErrContains("Unable to write to")) << err.join('\n').toStdString();
    EXPECT_EQ(out, QStringList({"Search completed!"})); // only the second task completed
    EXPECT_TRUE(QFile::exists(paths.ListFile("fine", 4)));
}

TEST_F(BatchRunner, StopRequestBeforeATaskRunsNothingMore)
{
    TTaskItem task;
    task.TaskThread = 0;
    WriteTask("t", task);
    runner.Interrupt(SIGTERM, 1);

    EXPECT_EQ(runner.Run({"t"}), TBatchRunner::ExitSignalBase + SIGTERM);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(ErrContains("Not run after the stop request: t"));
    EXPECT_FALSE(QFile::exists(paths.ListFile("t", 4)));
}

TEST_F(BatchRunner, UnreadableSettingsRunNothingOnDefaults)
{
    const TPermissionBitsCount bits;
    if (!bits.Active())
        GTEST_SKIP() << "permission bits cannot be made to count for this process";
    TTaskItem task;
    task.TaskThread = 0;
    task.FollowedLink = 0;
    WriteTask("locked", task);
    WriteTask("fine", task);
    const QString settings = paths.TaskSettingsFile("locked");
    QFile::setPermissions(settings, QFileDevice::Permissions());

    // The unreadable task fails without a run (no list files written); the next one runs.
    EXPECT_EQ(runner.Run({"locked", "fine"}), TBatchRunner::ExitRunError);
    EXPECT_TRUE(ErrContains("Task locked: error: Unable to read " + settings)) << err.join('\n').toStdString();
    EXPECT_FALSE(QFile::exists(paths.ListFile("locked", 4)));
    EXPECT_TRUE(QFile::exists(paths.ListFile("fine", 4)));
    QFile::setPermissions(settings, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(BatchRunner, UnreadableProgramSettingsRunNoTask)
{
    const TPermissionBitsCount bits;
    if (!bits.Active())
        GTEST_SKIP() << "permission bits cannot be made to count for this process";
    WriteTask("t", {});
    QFile file(paths.ProgramSettingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Downloader]\r\nDownloader01=proxy.lan\r\n");
    file.close();
    QFile::setPermissions(paths.ProgramSettingsFile(), QFileDevice::Permissions());

    EXPECT_EQ(runner.Run({"t"}), TBatchRunner::ExitRunError);
    EXPECT_TRUE(ErrContains("Unable to read " + paths.ProgramSettingsFile())) << err.join('\n').toStdString();
    EXPECT_TRUE(out.isEmpty());
    EXPECT_FALSE(QFile::exists(paths.ListFile("t", 4)));
    QFile::setPermissions(paths.ProgramSettingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
