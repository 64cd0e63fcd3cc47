#include "task/errors.h"
#include "task/programsettings.h"
#include "support/testfiles.h"
#include "task/windowstate.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pagemint;

namespace {

class WindowStateTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString File() const { return m_dir.path() + QStringLiteral("/pmsettings.ini"); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(WindowStateTest, MissingFileOrSectionGivesDefaults)
{
    EXPECT_EQ(ReadWindowState(File()), TWindowState());
    WriteBytes(File(), "[Browser]\r\nBrowser01=1\r\n");
    const TWindowState state = ReadWindowState(File());
    EXPECT_FALSE(state.HasGeometry());
    EXPECT_TRUE(state.Splitters.empty());
    EXPECT_TRUE(state.SplitterSizes(0).isEmpty());
    EXPECT_EQ(state.TabIndex, -1);
    EXPECT_TRUE(state.TaskName.isEmpty());
}

TEST_F(WindowStateTest, WritesItsOwnSectionAndLeavesTheSettingsAlone)
{
    TProgramSettings settings;
    settings.DownloadImages = true;
    settings.ProxyServer = QStringLiteral("proxy.local");
    WriteProgramSettings(File(), settings);
    const QByteArray before = ReadBytes(File());

    TWindowState state;
    state.X = -20;
    state.Y = 30;
    state.Width = 1000;
    state.Height = 650;
    state.Splitters = {{239, 600, 239}, {}, {400, 282}};
    state.TabIndex = 3;
    state.TaskName = QStringLiteral(" \"shop\" spaced ");
    WriteWindowState(File(), state);

    const QByteArray after = ReadBytes(File());
    EXPECT_TRUE(after.startsWith(before));
    EXPECT_EQ(after.mid(before.size()),
              QByteArray("[Window]\r\nGeometry=-20,30,1000,650\r\nSplitter1=239,600,239\r\nSplitter2=\r\n"
                         "Splitter3=400,282\r\nTab=3\r\nTask=\" \"shop\" spaced \"\r\n"));
    EXPECT_EQ(ReadWindowState(File()), state);
    EXPECT_EQ(ReadProgramSettings(File()), settings);

    // Fewer splitters later: the stale key is emptied, so it is not read back.
    state.Splitters = {{100, 200}};
    state.TaskName.clear();
    WriteWindowState(File(), state);
    const TWindowState again = ReadWindowState(File());
    EXPECT_EQ(again.Splitters, std::vector<QList<int>>{QList<int>({100, 200})});
    EXPECT_TRUE(again.TaskName.isEmpty());
    EXPECT_EQ(ReadProgramSettings(File()), settings);
}

TEST_F(WindowStateTest, MalformedValuesAreIgnoredOneByOne)
{
    WriteBytes(File(), "[window]\n"
                       "geometry=10,20,0,300\n"       // no width
                       "Splitter1=239,abc,239\n"      // not a number
                       "Splitter2= 5 , 6 \n"          // blanks are fine
                       "Splitter3=1,-4\n"             // negative size
                       "Splitter4=99999999999\n"      // out of range
                       "Tab=-3\n"
                       "Task=my task\n");
    const TWindowState state = ReadWindowState(File());
    EXPECT_FALSE(state.HasGeometry());
    ASSERT_EQ(state.Splitters.size(), 2u);
    EXPECT_TRUE(state.SplitterSizes(0).isEmpty());
    EXPECT_EQ(state.SplitterSizes(1), QList<int>({5, 6}));
    EXPECT_TRUE(state.SplitterSizes(7).isEmpty());
    EXPECT_EQ(state.TabIndex, -1);
    EXPECT_EQ(state.TaskName, QStringLiteral("my task"));

    WriteBytes(File(), "[Window]\nGeometry=1,2,3\nTab=x\n");
    EXPECT_FALSE(ReadWindowState(File()).HasGeometry());
    EXPECT_EQ(ReadWindowState(File()).TabIndex, -1);
    WriteBytes(File(), "[Window]\nGeometry=1,2,3,4,5\n");
    EXPECT_FALSE(ReadWindowState(File()).HasGeometry());
}

TEST_F(WindowStateTest, AnUnwritableFileIsReportedAndKeepsItsContent)
{
    WriteBytes(File(), "[Browser]\r\nBrowser01=1\r\n");
    TWindowState state;
    state.TaskName = QString(4096, u'x');
    const TFileSizeLimit limit(64);
    EXPECT_THROW(WriteWindowState(File(), state), EPagemintError);
    EXPECT_EQ(ReadBytes(File()), QByteArray("[Browser]\r\nBrowser01=1\r\n"));
}
