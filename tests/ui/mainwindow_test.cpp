// The main window while it works: the live summary, downloads pane and title during a run,
// the keyboard, the backup of the result lists and its restore, the remembered window state,
// closing during a run, and the context menu of the result rows.
#include "results/resultbackup.h"
#include "results/resultlists.h"
#include "task/paths.h"
#include "task/taskfile.h"
#include "task/windowstate.h"
#include "ui/downloadspane.h"
#include "ui/elidedlabel.h"
#include "ui/livestate.h"
#include "ui/mainunit.h"
#include "ui/outputpanel.h"
#include "ui/resultrowmenu.h"
#include "ui/summarypanel.h"
#include "ui/tasktree.h"
#include "ui/windowmemory.h"
#include "support/mainformfixture.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSet>
#include <QStatusBar>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <functional>

using namespace pagemint;

namespace {

/** Pages load at once, except those whose address contains "slow", which never finish. Each
 *  page links to itself and to the extra links. */
class TSlowPageBrowser : public TSelfLinkingFakeBrowser
{
public:
    int ReadyState() const override
    {
        return LocationURL().contains(QStringLiteral("slow")) ? ReadyStateLoading : ReadyStateComplete;
    }
    std::shared_ptr<const TPageSnapshot> Document() override
    {
        auto snapshot = std::const_pointer_cast<TPageSnapshot>(TSelfLinkingFakeBrowser::Document());
        snapshot->links += ExtraLinks;
        return snapshot;
    }
    QStringList ExtraLinks;
};

} // namespace

class TestMainWindow : public QObject, protected TMainFormFixture<TSlowPageBrowser>
{
    Q_OBJECT

private:
    TTaskItem MakeTask(const QString& name, const QString& startUrls)
    {
        TTaskItem task;
        task.TaskName = name;
        task.StartURL = startUrls;
        task.check5 = true;   // links fill the Links list
        task.TaskThread = 2;
        SaveTaskFile(task, *m_paths);
        return task;
    }
    void WriteFile(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    /** Runs steps once the run is waiting for a page that never loads; Start returns after. */
    void DuringRun(std::function<void()> steps)
    {
        QTimer::singleShot(0, m_form.get(), [this, steps] {
            QVERIFY(m_form->Harvester().IsRunActive());
            steps();
        });
    }

private slots:
    void init() { MakeProgramFolder(); }
    void cleanup() { CloseWindow(); }

    void liveTexts()
    {
        QCOMPARE(DownloadsPaneText(3, 10, 1), QStringLiteral("Downloads: 3/10 (1 failed)"));
        QCOMPARE(RunWindowTitle(QStringLiteral("shop"), false, false, 40), QStringLiteral("Pagemint"));
        QCOMPARE(RunWindowTitle(QStringLiteral("shop"), true, true, 37), QStringLiteral("Pagemint - shop (37%)"));
        QCOMPARE(RunWindowTitle(QStringLiteral("shop"), false, true, 150),
                 QStringLiteral("Pagemint - shop (downloading 100%)"));
        // A place holder in a name is text; a line break in it does not break the title.
        QCOMPARE(RunWindowTitle(QStringLiteral("%1 a\nb"), true, false, 5), QStringLiteral("Pagemint - %1 a b (5%)"));
    }

    void summaryFollowsTheRun()
    {
        TTaskItem task = MakeTask(QStringLiteral("live"), QStringLiteral("http://127.0.0.1:9/a\r\nhttp://127.0.0.1:9/slow"));
        task.FollowedLink = 1;
        SaveTaskFile(task, *m_paths);
        WriteFile(m_paths->TaskListFile(), "live\r\n");
        Open();
        m_browser->ExtraLinks = {QStringLiteral("http://127.0.0.1:9/b"), QStringLiteral("http://127.0.0.1:9/c")};
        SelectTask(QStringLiteral("live"));
        QCOMPARE(Line(1), QStringLiteral("Statue: Stopped"));
        TUiRecorder ui;
        bool checked = false;
        DuringRun([&] {
            // The first start page was read; its three links are in the Links list already.
            QTRY_COMPARE(Line(4 + 3), QStringLiteral("Links: 3 records"));
            QCOMPARE(Line(1), QStringLiteral("Statue: Running"));
            const TRunState& run = m_form->Harvester().RunState();
            QVERIFY(run.NextLevelURLList.Count() > 0);
            QTRY_COMPARE(Line(2), QStringLiteral("URLs: (%1/%2)").arg(run.VisitedURLList.Count())
                                      .arg(run.VisitedURLList.Count() + run.NextLevelURLList.Count()));
            QVERIFY2(m_form->windowTitle().startsWith(QStringLiteral("Pagemint - live (")),
                     qPrintable(m_form->windowTitle()));
            QCOMPARE(Action("ActionPause")->shortcut(), QKeySequence(Qt::Key_Escape));
            // Esc is "Stop" while the run is active.
            m_form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
            QTest::keyClick(m_form.get(), Qt::Key_Escape);
            checked = true;
        });
        Action("ActionStart")->trigger();
        QVERIFY(checked);
        QVERIFY(!m_form->Harvester().IsRunActive());
        QCOMPARE(ui.Messages, QStringList{"Task is cancelled!"});
        QCOMPARE(Line(1), QStringLiteral("Statue: Stopped"));
        QCOMPARE(Line(7), QStringLiteral("Links: 3 records"));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Pagemint"));
        QVERIFY(Action("ActionPause")->shortcut().isEmpty());
    }

    void downloadsPaneCountsFailures()
    {
        TTaskItem task = MakeTask(QStringLiteral("files"), QStringLiteral("http://127.0.0.1:9/a"));
        task.check4 = true;
        task.DownloadExt = QStringLiteral("zip");
        SaveTaskFile(task, *m_paths);
        WriteFile(m_paths->TaskListFile(), "files\r\n");
        Open();
        // Nothing listens on port 9: the download fails at once.
        m_browser->ExtraLinks = {QStringLiteral("http://127.0.0.1:9/f.zip")};
        SelectTask(QStringLiteral("files"));
        QCOMPARE(m_form->DownloadsPane()->text(), QStringLiteral("Downloads: 0/0 (0 failed)"));
        TUiRecorder ui;
        Action("ActionStart")->trigger();
        QCOMPARE(ui.Messages, QStringList{"Search completed!"});
        QVERIFY(m_form->DownloadsPane()->text().startsWith(QStringLiteral("Downloads: 0/1")));
        QCOMPARE(Line(1), QStringLiteral("Statue: Running"));   // its download is still to come
        QVERIFY(m_form->windowTitle().startsWith(QStringLiteral("Pagemint - files (downloading")));
        QTRY_COMPARE_WITH_TIMEOUT(m_form->DownloadsPane()->text(), QStringLiteral("Downloads: 1/1 (1 failed)"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(Line(1), QStringLiteral("Statue: Stopped"), 5000);
        QCOMPARE(Line(6), QStringLiteral("Downloads: 1 records"));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Pagemint"));
    }

    void shortcutsAndAccessKeys()
    {
        MakeTask(QStringLiteral("keys"), QStringLiteral("http://127.0.0.1:9/"));
        WriteFile(m_paths->TaskListFile(), "keys\r\n");
        Open();
        const std::pair<const char*, QKeySequence> keys[] = {
            {"ActionNew", QKeySequence(Qt::CTRL | Qt::Key_N)},       {"ActionDel", QKeySequence(Qt::Key_Delete)},
            {"ActionStart", QKeySequence(Qt::Key_F5)},               {"ActionExportList", QKeySequence(Qt::CTRL | Qt::Key_E)},
            {"ActionSettings", QKeySequence(Qt::CTRL | Qt::Key_Comma)}, {"HelpManual", QKeySequence(Qt::Key_F1)},
            {"ActionExit", QKeySequence(Qt::CTRL | Qt::Key_Q)}};
        for (const auto& [name, key] : keys)
            QCOMPARE(Action(name)->shortcut(), key);
        QVERIFY(Action("ActionPause")->shortcut().isEmpty());   // Esc only while a run is active

        // Every menu title and item has an access key, unique within its menu.
        for (QAction* menuAction : m_form->menuBar()->actions()) {
            QVERIFY2(menuAction->text().contains(u'&'), qPrintable(menuAction->text()));
            QSet<QChar> used;
            for (QAction* item : menuAction->menu()->actions()) {
                if (item->isSeparator())
                    continue;
                const qsizetype amp = item->text().indexOf(u'&');
                QVERIFY2(amp >= 0 && amp + 1 < item->text().size(), qPrintable(item->text()));
                const QChar key = item->text().at(amp + 1).toLower();
                QVERIFY2(!used.contains(key), qPrintable(item->text()));
                used.insert(key);
            }
        }

        TUiRecorder ui;
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        // F5 with the root selected: Start answers as from the menu.
        QTest::keyClick(m_form.get(), Qt::Key_F5);
        QCOMPARE(ui.Messages, QStringList{"Please select a task."});

        // Del deletes only while the tree has the focus.
        SelectTask(QStringLiteral("keys"));
        QAbstractItemView* links = m_form->Output()->View(TabLinks);
        m_form->Output()->ShowTab(TabLinks);
        links->setFocus();
        QTRY_VERIFY(links->hasFocus());
        QTest::keyClick(links, Qt::Key_Delete);
        QCOMPARE(ui.Messages.size(), 1);
        m_form->TaskTree()->setFocus();
        QTRY_VERIFY(m_form->TaskTree()->hasFocus());
        ui.Answers = {true};
        QTest::keyClick(m_form->TaskTree(), Qt::Key_Delete);
        QCOMPARE(ui.Messages.last(), QStringLiteral("Are you sure you want to delete task keys ?"));
        QCOMPARE(m_form->TaskTree()->TaskNames(), QStringList());
    }

    void runKeepsThePreviousResults()
    {
        MakeTask(QStringLiteral("keep"), QStringLiteral("http://127.0.0.1:9/new"));
        WriteFile(m_paths->TaskListFile(), "keep\r\n");
        WriteFile(m_paths->ListFile(QStringLiteral("keep"), TabLinks), "http://old/1\r\nhttp://old/2\r\n");
        Open();
        SelectTask(QStringLiteral("keep"));
        TUiRecorder ui;
        Action("ActionStart")->trigger();
        QCOMPARE(ui.Messages, QStringList{"Search completed!"});
        const QString previous = ResultBackupFolder(*m_paths, QStringLiteral("keep")) + QStringLiteral("/listview5.dat");
        QCOMPARE(ReadFile(previous), QByteArray("http://old/1\r\nhttp://old/2\r\n"));
        QCOMPARE(ReadFile(m_paths->ListFile(QStringLiteral("keep"), TabLinks)), QByteArray("http://127.0.0.1:9/new\r\n"));

        // No keeps everything; Yes swaps the sets and shows the restored one.
        ui.Messages.clear();
        ui.Answers = {false};
        Action("ActionRestoreResults")->trigger();
        QCOMPARE(ui.Messages.size(), 1);
        QVERIFY(ui.Messages[0].startsWith(QStringLiteral("Replace the results of task keep")));
        QCOMPARE(m_form->Harvester().Results().Links(), QStringList{"http://127.0.0.1:9/new"});
        ui.Answers = {true};
        Action("ActionRestoreResults")->trigger();
        QCOMPARE(m_form->Harvester().Results().Links(), (QStringList{"http://old/1", "http://old/2"}));
        QCOMPARE(Line(7), QStringLiteral("Links: 2 records"));
        QCOMPARE(ReadFile(previous), QByteArray("http://127.0.0.1:9/new\r\n"));

        // A task without a backup, and no task at all.
        MakeTask(QStringLiteral("fresh"), QStringLiteral("http://127.0.0.1:9/"));
        m_form->TaskTree()->AddTask(QStringLiteral("fresh"));
        ui.Messages.clear();
        Action("ActionRestoreResults")->trigger();
        SelectTask(QStringLiteral("Task List"));
        Action("ActionRestoreResults")->trigger();
        QCOMPARE(ui.Messages, (QStringList{"Task fresh has no previous results.", "Please select a task."}));
    }

    void restoreRefusedWhileTheTaskRuns()
    {
        MakeTask(QStringLiteral("busy"), QStringLiteral("http://127.0.0.1:9/slow"));
        WriteFile(m_paths->TaskListFile(), "busy\r\n");
        WriteFile(m_paths->ListFile(QStringLiteral("busy"), TabLinks), "http://old/\r\n");
        Open();
        SelectTask(QStringLiteral("busy"));
        TUiRecorder ui;
        DuringRun([&] {
            ui.Answers = {true};
            Action("ActionRestoreResults")->trigger();
            Action("ActionPause")->trigger();
        });
        Action("ActionStart")->trigger();
        QCOMPARE(ui.Messages.first(),
                 QStringLiteral("Task busy is running. Stop it before restoring its previous results."));
        QCOMPARE(ui.Answers.size(), std::size_t(1));   // no confirmation was asked
        // "Stop" saved the run's (empty) list after keeping the old one.
        QCOMPARE(ReadFile(ResultBackupFolder(*m_paths, QStringLiteral("busy")) + QStringLiteral("/listview5.dat")),
                 QByteArray("http://old/\r\n"));
    }

    void closeDuringRunAsksFirst()
    {
        MakeTask(QStringLiteral("slow"), QStringLiteral("http://127.0.0.1:9/slow"));
        WriteFile(m_paths->TaskListFile(), "slow\r\n");
        Open();
        SelectTask(QStringLiteral("slow"));
        TUiRecorder ui;
        DuringRun([&] {
            ui.Answers = {false};
            m_form->close();   // No: the run goes on
            QVERIFY(m_form->isVisible());
            QVERIFY(m_form->Harvester().IsRunActive());
            ui.Answers = {true};
            m_form->close();   // Yes: stops, and closes once the run has returned
        });
        Action("ActionStart")->trigger();
        QCOMPARE(ui.Messages.size(), 2);
        QCOMPARE(ui.Messages[0], QStringLiteral("Task slow is running. Stop it and exit?"));
        QTRY_VERIFY(!m_form->isVisible());
        QVERIFY(QFile::exists(m_paths->ListFile(QStringLiteral("slow"), TabLinks)));
    }

    void windowStateIsRemembered()
    {
        MakeTask(QStringLiteral("a"), QStringLiteral("http://127.0.0.1:9/"));
        MakeTask(QStringLiteral("b"), QStringLiteral("http://127.0.0.1:9/"));
        WriteFile(m_paths->TaskListFile(), "a\r\nb\r\n");
        Open();
        QCOMPARE(m_form->TaskTree()->SelectedTask(), std::nullopt);
        m_form->setGeometry(60, 60, 680, 520);
        QTRY_COMPARE(m_form->normalGeometry().topLeft(), QPoint(60, 60));
        const QRect frame = m_form->normalGeometry();
        QList<int> sizes = m_form->MainSplitter()->sizes();
        sizes[0] += 31;
        sizes[1] -= 31;
        m_form->MainSplitter()->setSizes(sizes);
        sizes = m_form->MainSplitter()->sizes();
        SelectTask(QStringLiteral("b"));
        m_form->Output()->ShowTab(TabDownloads);
        m_form->close();
        const TWindowState state = ReadWindowState(m_paths->ProgramSettingsFile());
        QCOMPARE(state.TaskName, QStringLiteral("b"));
        QCOMPARE(state.TabIndex, int(TabDownloads));

        m_form.reset();
        Open();
        QCOMPARE(m_form->TaskTree()->SelectedTask(), std::optional<QString>(QStringLiteral("b")));
        QCOMPARE(Line(0), QStringLiteral("Task Name: b"));
        QCOMPARE(m_form->Output()->CurrentTab(), int(TabDownloads));
        QCOMPARE(m_form->normalGeometry(), frame);
        QTRY_COMPARE(m_form->MainSplitter()->sizes().first(), sizes.first());

        // A frame from a larger screen comes back inside this one; a task that is gone, and a
        // tab that does not exist, leave the defaults.
        m_form->close();
        m_form.reset();
        TWindowState far = state;
        far.X = 5000;
        far.Y = -4000;
        far.Width = 30000;
        far.Height = 500;
        far.TabIndex = 9;
        far.TaskName = QStringLiteral("gone");
        WriteWindowState(m_paths->ProgramSettingsFile(), far);
        Open();
        const QRect area = AvailableAreaAt(m_form->geometry().center());
        const QRect frameOnScreen = m_form->frameGeometry();
        QVERIFY2(area.contains(frameOnScreen), qPrintable(QStringLiteral("%1,%2 %3x%4")
            .arg(frameOnScreen.x()).arg(frameOnScreen.y()).arg(frameOnScreen.width()).arg(frameOnScreen.height())));
        QCOMPARE(m_form->TaskTree()->SelectedTask(), std::nullopt);
        QCOMPARE(m_form->Output()->CurrentTab(), int(TabImages));
    }

    void fitIntoArea_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("fitted");
        const QRect area(0, 24, 1280, 776);
        QTest::addRow("inside") << QRect(100, 100, 800, 600) << QRect(100, 100, 800, 600);
        QTest::addRow("off right and bottom") << QRect(1000, 700, 800, 600) << QRect(480, 200, 800, 600);
        QTest::addRow("above the panel") << QRect(-50, 0, 800, 600) << QRect(0, 24, 800, 600);
        QTest::addRow("larger than the screen") << QRect(10, 10, 1920, 1080) << QRect(0, 24, 1280, 776);
        QTest::addRow("other screen") << QRect(3000, 300, 640, 480) << QRect(640, 300, 640, 480);
    }
    void fitIntoArea()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, fitted);
        QCOMPARE(FitIntoArea(frame, QRect(0, 24, 1280, 776)), fitted);
    }

    void designedSizeIsAMinimumWhereItFits()
    {
        QCOMPARE(DesignedMinimum(QSize(1084, 749), QSize(1920, 1050)), QSize(1084, 749));
        QVERIFY(!DesignedMinimum(QSize(1084, 749), QSize(1280, 770)).isValid());   // no room for the frame
        QVERIFY(!DesignedMinimum(QSize(1084, 749), QSize(1024, 700)).isValid());
    }

    void currentPageShowsTheWholeAddress()
    {
        Open();
        m_form->resize(1600, 600);   // wider than the test screen: the status bar has room
        const QString url = QStringLiteral("Current Page: http://127.0.0.1/") + QString(300, u'x') + QStringLiteral("/end.html");
        m_form->SetCurrentPage(url);
        TElidedLabel* field = m_form->CurrentPageField();
        QCOMPARE(field->text(), url);
        QCOMPARE(field->toolTip(), url);
        QTRY_VERIFY(field->width() > 100);
        QVERIFY(field->IsElided());
        QVERIFY(field->ShownText().startsWith(QStringLiteral("Current Page: http")));
        QVERIFY(field->ShownText().endsWith(QStringLiteral("end.html")));
    }

    void resultRowsAct()
    {
        MakeTask(QStringLiteral("rows"), QStringLiteral("http://127.0.0.1:9/"));
        WriteFile(m_paths->TaskListFile(), "rows\r\n");
        const QString movie = m_paths->FlashesFolder(QStringLiteral("rows")) + QStringLiteral("/m.swf");
        WriteFile(movie, "FWS");
        WriteFile(m_paths->ListFile(QStringLiteral("rows"), TabFlash),
                  "m.swf\r\nhttp://x/m.swf\r\ngone.swf\r\nhttp://x/gone.swf\r\n");
        WriteFile(m_paths->ListFile(QStringLiteral("rows"), TabLinks), "javascript:alert(1)\r\nhttps://x/page\r\n");
        Open();
        SelectTask(QStringLiteral("rows"));
        auto* rows = m_form->findChild<TResultRowMenu*>(QStringLiteral("ResultRowMenu"));
        QVERIFY(rows);

        const TRowTargets movieRow = rows->Targets(TabFlash, 0, 0);
        QCOMPARE(movieRow.URL, QStringLiteral("http://x/m.swf"));
        QCOMPARE(movieRow.Value, QStringLiteral("m.swf"));
        QCOMPARE(movieRow.File, movie);
        QVERIFY(rows->Targets(TabFlash, 1, 1).File.isEmpty());   // never downloaded
        QVERIFY(rows->Targets(TabLinks, 0, 0).URL.isEmpty());    // only web addresses open
        QCOMPARE(rows->Targets(TabLinks, 1, 0).URL, QStringLiteral("https://x/page"));
        QCOMPARE(rows->Targets(TabFlash, 7, 0).Value, QString());   // no such row

        TUiRecorder ui;
        std::unique_ptr<QMenu> menu(TResultRowMenu::BuildMenu(movieRow, nullptr));
        QVERIFY(menu);
        const auto item = [&menu](const char* name) { return menu->findChild<QAction*>(QString::fromLatin1(name)); };
        item("RowOpenURL")->trigger();
        item("RowOpenFile")->trigger();
        item("RowShowInFolder")->trigger();
        QCOMPARE(ui.Opened, (QList<QUrl>{QUrl(QStringLiteral("http://x/m.swf")), QUrl::fromLocalFile(movie),
                                         QUrl::fromLocalFile(m_paths->FlashesFolder(QStringLiteral("rows")))}));
        item("RowCopyValue")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("m.swf"));
        item("RowCopyURL")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("http://x/m.swf"));

        // A Links row offers its address once; a row with nothing offers no menu.
        std::unique_ptr<QMenu> linkMenu(TResultRowMenu::BuildMenu(rows->Targets(TabLinks, 1, 0), nullptr));
        QVERIFY(linkMenu->findChild<QAction*>(QStringLiteral("RowCopyURL")));
        QVERIFY(!linkMenu->findChild<QAction*>(QStringLiteral("RowCopyValue")));
        QVERIFY(!linkMenu->findChild<QAction*>(QStringLiteral("RowOpenFile")));
        QVERIFY(!TResultRowMenu::BuildMenu(TRowTargets{}, nullptr));

        // The views open it on a right click.
        QCOMPARE(m_form->Output()->View(TabFlash)->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(m_form->Output()->ImagesView()->contextMenuPolicy(), Qt::CustomContextMenu);
    }

    void resultCellsShowWholeURLs()
    {
        Open();
        TResultLists& lists = m_form->Harvester().Results();
        const QString link = QStringLiteral("http://x/") + QString(500, u'y');
        lists.AddDownload({QStringLiteral("y.zip"), link});
        m_form->Output()->FlushModels();
        QAbstractItemModel* model = m_form->Output()->View(TabDownloads)->model();
        QCOMPARE(model->data(model->index(0, 1), Qt::ToolTipRole).toString(), link);
    }
};

PAGEMINT_UI_TEST_MAIN(TestMainWindow)
#include "mainwindow_test.moc"
