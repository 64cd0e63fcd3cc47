#include "batch/batchoptions.h"

#include <gtest/gtest.h>

namespace {

TBatchOptions Parse(std::initializer_list<const char*> args)
{
    QStringList list;
    for (const char* a : args)
        list.append(QString::fromUtf8(a));
    return ParseBatchArguments(list);
}

} // namespace

TEST(BatchOptions, TasksAndFolderInBothSpellings)
{
    TBatchOptions o = Parse({"--program-folder", "/data/pm", "news", "shop"});
    ASSERT_TRUE(o.IsValid()) << o.Error.toStdString();
    EXPECT_EQ(o.ProgramFolder, "/data/pm");
    EXPECT_EQ(o.Tasks, QStringList({"news", "shop"}));
    EXPECT_FALSE(o.Help);

    o = Parse({"news", "--program-folder=rel/dir", "news"});
    ASSERT_TRUE(o.IsValid());
    EXPECT_EQ(o.ProgramFolder, "rel/dir");
    EXPECT_EQ(o.Tasks, QStringList({"news", "news"})); // a repeated task runs again

    o = Parse({"only"});
    ASSERT_TRUE(o.IsValid());
    EXPECT_TRUE(o.ProgramFolder.isEmpty());
}

TEST(BatchOptions, HelpNeedsNoTask)
{
    EXPECT_TRUE(Parse({"--help"}).Help);
    EXPECT_TRUE(Parse({"--help"}).IsValid());
    EXPECT_TRUE(Parse({"-h", "task"}).Help);
}

TEST(BatchOptions, DoubleDashAllowsTaskNamesWithADash)
{
    TBatchOptions o = Parse({"--", "-odd name", "--help"});
    ASSERT_TRUE(o.IsValid());
    EXPECT_FALSE(o.Help);
    EXPECT_EQ(o.Tasks, QStringList({"-odd name", "--help"}));
    // A lone "-" is a name, not an option.
    EXPECT_EQ(Parse({"-"}).Tasks, QStringList({"-"}));
}

TEST(BatchOptions, UnusableArgumentsAreErrors)
{
    EXPECT_FALSE(Parse({}).IsValid());                              // no task
    EXPECT_FALSE(Parse({"--program-folder", "/x"}).IsValid());      // still no task
    EXPECT_FALSE(Parse({"task", "--program-folder"}).IsValid());    // value missing
    EXPECT_FALSE(Parse({"--program-folder=", "task"}).IsValid());   // empty value
    EXPECT_FALSE(Parse({"--program-folder", "a", "--program-folder", "b", "t"}).IsValid());
    EXPECT_FALSE(Parse({"--verbose", "task"}).IsValid());
    // Names that would reach outside Task/.
    EXPECT_FALSE(Parse({"../etc"}).IsValid());
    EXPECT_FALSE(Parse({".."}).IsValid());
    EXPECT_FALSE(Parse({"--", ""}).IsValid());
    EXPECT_TRUE(Parse({"--verbose", "task"}).Error.contains("--verbose"));
}

TEST(BatchOptions, UsageNamesTheSynopsis)
{
    EXPECT_TRUE(BatchUsage().startsWith(
        "Usage: pagemint-batch [--program-folder DIR] [--retry-failed] TASK [TASK...]\n"));
    EXPECT_TRUE(BatchUsage().contains("  --retry-failed "));
}

TEST(BatchOptions, RetryFailedIsAFlagBesideTheTasks)
{
    EXPECT_FALSE(Parse({"news"}).RetryFailed);

    TBatchOptions o = Parse({"news", "--retry-failed", "--program-folder", "/pm", "shop"});
    ASSERT_TRUE(o.IsValid()) << o.Error.toStdString();
    EXPECT_TRUE(o.RetryFailed);
    EXPECT_EQ(o.Tasks, QStringList({"news", "shop"}));
    EXPECT_EQ(o.ProgramFolder, "/pm");

    EXPECT_FALSE(Parse({"--retry-failed"}).IsValid()); // still needs a task
    EXPECT_FALSE(Parse({"--retry-failed=yes", "news"}).IsValid());
    // After "--" it is a task name.
    o = Parse({"--", "--retry-failed"});
    EXPECT_FALSE(o.RetryFailed);
    EXPECT_EQ(o.Tasks, QStringList({"--retry-failed"}));
}
