// Changing stored tasks from the main window (Edit..., a rename, Duplicate) and the guided
// manual logon, with the real engine, a stand-in browser and, for the logon, a clock of its own.
#include "host/eventpump.h"
#include "support/fakehosts.h"
#include "task/paths.h"
#include "task/taskfile.h"
#include "ui/elidedlabel.h"
#include "ui/logonbar.h"
#include "ui/mainunit.h"
#include "ui/summarypanel.h"
#include "ui/taskunit.h"
#include "ui/tasktree.h"
#include "support/mainformfixture.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace pagemint;

class TestTaskEdit : public QObject, protected TMainFormFixture<>
{
    Q_OBJECT

public:
    TestTaskEdit()
    {
        m_pump.Step = 0;
        m_pump.OnPump = [this](int) { m_loop.ProcessMessages(); };
    }

private:
    // The window's engine pumps through m_pump: the Qt event loop on a clock that moves only
    // when the test moves it. cleanup() closes the window after every test, so the window
    // never outlives it.
    TEventLoopPump m_loop;
    TSteppingClockPump m_pump{nullptr, 5'000'000};

    void Open(const QStringList& tasks)
    {
        QFile catalogue(m_paths->TaskListFile());
        QVERIFY(catalogue.open(QIODevice::WriteOnly));
        for (const QString& name : tasks)
            catalogue.write(name.toUtf8() + "\r\n");
        catalogue.close();
        CreateWindow();
        m_form->Harvester().SetEventPump(m_pump);
        ShowWindow();
    }
    void MakeTask(const QString& name, bool manual = false)
    {
        TTaskItem task;
        task.TaskName = name;
        task.TaskDir = m_paths->TaskFolder(name);
        task.TaskThread = 4;
        task.StartURL = QStringLiteral("http://127.0.0.1:9/") + name;
        task.ManualBool = manual;
        task.LinksText = QStringLiteral("news");
        SaveTaskFile(task, *m_paths);
        QFile list(m_paths->ListFile(name, TabLinks));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("http://127.0.0.1:9/found\r\n");
    }
    QLineEdit* NameField() const { return m_form->TaskForm()->findChild<QLineEdit*>(QStringLiteral("TaskName")); }
    void ClickDialog(const char* button) const
    {
        m_form->TaskForm()->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }

private slots:
    void init() { MakeProgramFolder(); }
    void cleanup() { CloseWindow(); }

    void editAndDuplicateStandBeforeDelete()
    {
        Open({});
        const QList<QAction*> menus = m_form->menuBar()->actions();
        QList<QAction*> taskMenu = menus.first()->menu()->actions();
        QList<QAction*> treeMenu = m_form->findChild<QMenu*>(QStringLiteral("TaskTreeMenu"))->actions();
        for (const QList<QAction*>& actions : {taskMenu, treeMenu}) {
            const qsizetype del = actions.indexOf(Action("ActionDel"));
            QVERIFY(del >= 2);
            QCOMPARE(actions.at(del - 2), Action("ActionEdit"));
            QCOMPARE(actions.at(del - 1), Action("ActionDuplicate"));
        }
        QCOMPARE(Action("ActionEdit")->text().remove(QLatin1Char('&')), QStringLiteral("Edit..."));
        QCOMPARE(Action("ActionDuplicate")->text().remove(QLatin1Char('&')), QStringLiteral("Duplicate"));

        TUiRecorder ui;
        Action("ActionEdit")->trigger();
        Action("ActionDuplicate")->trigger();
        QCOMPARE(ui.Messages, (QStringList{"Please select a task.", "Please select a task."}));
        QVERIFY(!m_form->TaskForm()->isVisible());
    }

    void editRenamesFolderNodeAndCatalogue()
    {
        MakeTask(QStringLiteral("shop"));
        MakeTask(QStringLiteral("other"));
        Open({QStringLiteral("shop"), QStringLiteral("other")});
        SelectTask(QStringLiteral("shop"));
        TUiRecorder ui;
        QString shownName;
        WhenShown(m_form->TaskForm(), [&] {
            shownName = NameField()->text();
            NameField()->setText(QStringLiteral("garden shop"));
            ClickDialog("SaveButton");
        });
        Action("ActionEdit")->trigger();

        QCOMPARE(ui.Messages, QStringList());
        QCOMPARE(shownName, QStringLiteral("shop"));
        QCOMPARE(m_form->TaskTree()->TaskNames(), (QStringList{"garden shop", "other"}));
        QCOMPARE(m_form->TaskTree()->SelectedTask(), std::optional<QString>(QStringLiteral("garden shop")));
        QCOMPARE(m_form->TaskField()->text(), QStringLiteral("Task: garden shop"));
        QCOMPARE(m_form->Summary()->Line(0)->text(), QStringLiteral("Task Name: garden shop"));
        QCOMPARE(m_form->Harvester().CurrentTask().TaskThread, 4);
        // The results came along and are shown; the catalogue names the new folder at once.
        QCOMPARE(m_form->Harvester().Results().RowCount(TabLinks), 1);
        QVERIFY(!QFile::exists(m_paths->TaskFolder(QStringLiteral("shop"))));
        QCOMPARE(ReadFile(m_paths->TaskListFile()), QByteArray("garden shop\r\nother\r\n"));
        QVERIFY(m_browser->Navigated.isEmpty());   // an edit starts nothing
    }

    void doubleClickAndEnterOpenTheEditor()
    {
        MakeTask(QStringLiteral("shop"));
        Open({QStringLiteral("shop")});
        TTaskTree* tree = m_form->TaskTree();
        int opened = 0;
        const auto closeWhenShown = [&] {
            WhenShown(m_form->TaskForm(), [&] {
                ++opened;
                QCOMPARE(NameField()->text(), QStringLiteral("shop"));
                ClickDialog("CloseButton");
            });
        };
        closeWhenShown();
        const QRect row = tree->visualItemRect(tree->Root()->child(0));
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(opened, 1);
        QCOMPARE(tree->SelectedTask(), std::optional<QString>(QStringLiteral("shop")));

        closeWhenShown();
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Return);
        QCOMPARE(opened, 2);

        // On the root neither opens anything: it stands for no task.
        TUiRecorder ui;
        tree->setCurrentItem(tree->Root());
        QTest::keyClick(tree, Qt::Key_Return);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->Root()).center());
        QVERIFY(!m_form->TaskForm()->isVisible());
        QCOMPARE(ui.Messages, QStringList());
        // Closing the editor changed nothing.
        QCOMPARE(tree->TaskNames(), QStringList{QStringLiteral("shop")});
        QCOMPARE(ReadFile(m_paths->TaskListFile()), QByteArray("shop\r\n"));
    }

    void renameRefusedWhileTheTaskRuns()
    {
        MakeTask(QStringLiteral("slow"));
        Open({QStringLiteral("slow")});
        m_browser->NeverLoads = true;
        SelectTask(QStringLiteral("slow"));
        const QByteArray settings = ReadFile(m_paths->TaskSettingsFile(QStringLiteral("slow")));
        TUiRecorder ui;
        QStringList whileOpen;
        QTimer::singleShot(0, m_form.get(), [&] {
            WhenShown(m_form->TaskForm(), [&] {
                NameField()->setText(QStringLiteral("fast"));
                ClickDialog("SaveButton");
                whileOpen = ui.Messages;
                ClickDialog("CloseButton");
            });
            Action("ActionEdit")->trigger();
            Action("ActionPause")->trigger();
        });
        Action("ActionStart")->trigger();

        QCOMPARE(whileOpen.size(), 1);
        QVERIFY2(whileOpen.first().startsWith(QStringLiteral("Task slow is running")), qPrintable(whileOpen.first()));
        QCOMPARE(ui.Messages.last(), QStringLiteral("Task is cancelled!"));
        QCOMPARE(m_form->TaskTree()->TaskNames(), QStringList{QStringLiteral("slow")});
        QCOMPARE(ReadFile(m_paths->TaskSettingsFile(QStringLiteral("slow"))), settings);
        QVERIFY(!QFile::exists(m_paths->TaskFolder(QStringLiteral("fast"))));
    }

    void duplicateCopiesTheSettingsOnly()
    {
        MakeTask(QStringLiteral("shop"));
        Open({QStringLiteral("shop")});
        SelectTask(QStringLiteral("shop"));
        TUiRecorder ui;
        Action("ActionDuplicate")->trigger();
        QCOMPARE(ui.Messages, QStringList());
        QCOMPARE(m_form->TaskTree()->TaskNames(), (QStringList{"shop", "shop (2)"}));
        QCOMPARE(m_form->TaskTree()->SelectedTask(), std::optional<QString>(QStringLiteral("shop (2)")));
        const TTaskItem copy = m_form->Harvester().CurrentTask();
        QCOMPARE(copy.TaskName, QStringLiteral("shop (2)"));
        QCOMPARE(copy.LinksText, QStringLiteral("news"));
        QCOMPARE(copy.StartURL, QStringLiteral("http://127.0.0.1:9/shop"));
        QCOMPARE(m_form->Harvester().Results().RowCount(TabLinks), 0);   // no results
        QVERIFY(QFile::exists(m_paths->ListFile(QStringLiteral("shop"), TabLinks)));

        Action("ActionDuplicate")->trigger();
        QCOMPARE(m_form->TaskTree()->TaskNames(), (QStringList{"shop", "shop (2)", "shop (3)"}));
        QVERIFY(m_browser->Navigated.isEmpty());
        m_form->close();
        QCOMPARE(ReadFile(m_paths->TaskListFile()), QByteArray("shop\r\nshop (2)\r\nshop (3)\r\n"));
    }

    void logonBarCountsDownAndContinueEndsThePause()
    {
        MakeTask(QStringLiteral("members"), true);
        Open({QStringLiteral("members")});
        SelectTask(QStringLiteral("members"));
        TLogonBar* bar = m_form->LogonBar();
        auto* splitter = m_form->findChild<QSplitter*>(QStringLiteral("MainSplitter"));
        auto* countdown = bar->findChild<QLabel*>(QStringLiteral("LogonCountdown"));
        QVERIFY(bar->isHidden());

        TUiRecorder ui;
        int step = 0;
        int ticks = 0;
        QString atStart, afterTenSeconds, currentPage;
        QList<int> before, widened;
        QTimer poll;
        poll.setInterval(5);
        connect(&poll, &QTimer::timeout, this, [&] {
            if (++ticks > 4000)
                m_pump.Now += 100'000;   // a test gone wrong still ends the pause
            if (step == 0 && bar->isVisible()) {
                atStart = countdown->text();
                m_pump.Now += 10'500;
                // The user logs on: the field follows the browser to the next page.
                m_browser->OnUrlChanged(QStringLiteral("http://127.0.0.1:9/welcome"));
                currentPage = m_form->CurrentPageField()->text();
                step = 1;
            } else if (step == 1 && countdown->text() != atStart) {
                afterTenSeconds = countdown->text();
                before = splitter->sizes();
                bar->findChild<QPushButton*>(QStringLiteral("LogonWiden"))->click();
                widened = splitter->sizes();
                bar->findChild<QPushButton*>(QStringLiteral("LogonContinue"))->click();
                step = 2;
                poll.stop();
            }
        });
        poll.start();
        Action("ActionStart")->trigger();

        QCOMPARE(atStart, QStringLiteral("The task goes on in 63 s."));
        QCOMPARE(afterTenSeconds, QStringLiteral("The task goes on in 53 s."));
        QCOMPARE(currentPage, QStringLiteral("Current Page: http://127.0.0.1:9/welcome"));
        QCOMPARE(widened.size(), 3);
        QCOMPARE(before.size(), 3);
        QVERIFY2(widened[2] > before[2] + (before[0] + before[1]) / 3,
                 qPrintable(QStringLiteral("%1 -> %2").arg(before[2]).arg(widened[2])));
        QCOMPARE(ui.Messages, (QStringList{"Please complete your logon now. Task will continue after one minute.",
                                           "Search completed!"}));
        QVERIFY(ticks <= 4000);   // ended by "Continue", not by the clock
        QVERIFY(!m_form->Harvester().InLogonPause());
        // The pause is over: the bar has gone and the panels have their widths back.
        QVERIFY(bar->isHidden());
        QCOMPARE(splitter->sizes(), before);
    }
};

PAGEMINT_UI_TEST_MAIN(TestTaskEdit)
#include "taskedit_test.moc"
