// The main window with the real engine and a stand-in browser: start-up, the commands and their
// messages, the catalogue, the summary, the View menus, export and the gallery commands.
#include "results/resultlists.h"
#include "task/paths.h"
#include "task/taskfile.h"
#include "ui/elidedlabel.h"
#include "ui/mainunit.h"
#include "ui/outputpanel.h"
#include "ui/settingunit.h"
#include "ui/summarypanel.h"
#include "ui/taskunit.h"
#include "ui/tasktree.h"
#include "support/mainformfixture.h"
#include "support/filerights.h"
#include "support/imagefiles.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QScreen>
#include <QWindow>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <functional>

using namespace pagemint;

class TestMainForm : public QObject, protected TMainFormFixture<>
{
    Q_OBJECT

private:
    void MakeTask(const QString& name)
    {
        TTaskItem task;
        task.TaskName = name;
        task.StartURL = QStringLiteral("http://127.0.0.1:9/");
        SaveTaskFile(task, *m_paths);
    }
    void WriteCatalogue(const QByteArray& text)
    {
        QFile file(m_paths->TaskListFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

private slots:
    void init() { MakeProgramFolder(); }
    void cleanup() { CloseWindow(); }

    void opensMaximisedWithinTheScreen()
    {
        // The normal size is the design size cut to the screen's free area.
        CreateWindow();
        const QSize available = QGuiApplication::primaryScreen()->availableGeometry().size();
        QCOMPARE(m_form->size(), QSize(1084, 749).boundedTo(available));
        QVERIFY(m_form->minimumSizeHint().width() <= 1024);
        QVERIFY(m_form->minimumSizeHint().height() <= 700);

        // Shown the way the program shows it, it is maximised and stays so once the window's
        // events have run, a replaced native window included.
        m_form->showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QEvent winIdChange(QEvent::WinIdChange);
        QCoreApplication::sendEvent(m_form.get(), &winIdChange);
        QCoreApplication::processEvents();
        QVERIFY(m_form->isMaximized());
        QVERIFY(m_form->windowHandle()->windowStates() & Qt::WindowMaximized);
    }

    void startUp()
    {
        MakeTask(QStringLiteral("one"));
        WriteCatalogue("one\r\n");
        Open();
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Pagemint"));
        QCOMPARE(m_form->Output()->CurrentTab(), int(TabImages));
        QListView* images = m_form->Output()->ImagesView();
        QCOMPARE(images->frameShape(), QFrame::NoFrame);
        QCOMPARE(images->palette().color(QPalette::Base), m_form->palette().color(QPalette::Button));
        QCOMPARE(m_form->TaskTree()->AllCaptions(), (QStringList{QStringLiteral("Task List"), QStringLiteral("one")}));
        QCOMPARE(m_form->TaskTree()->SelectedTask(), std::nullopt);
        QVERIFY(m_form->TaskTree()->Root()->isExpanded());
        QVERIFY(m_form->Summary()->Line(0)->isHidden());
        QVERIFY(m_form->Summary()->OutputGroup()->isHidden());
        QVERIFY(m_form->Summary()->ThumbnailProgress()->isHidden());
        QCOMPARE(m_form->TaskField()->text(), QStringLiteral("Task: "));
        QCOMPARE(m_form->CurrentPageField()->text(), QStringLiteral("Current Page:"));
        QVERIFY(!m_browser->Applied.empty());   // the browser options were applied at start-up
        QVERIFY(!m_form->Harvester().TimerEnabled());

        const char* names[6] = {"ActionNew", "ActionDel", "ActionStart", "ActionPause", "ActionSettings", "ActionExit"};
        const char* captions[6] = {"Add", "Delete", "Start", "Stop", "Settings", "Exit"};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(Action(names[i])->text().remove(u'&'), QString::fromLatin1(captions[i]));
        QStringList menus;
        for (QAction* menu : m_form->menuBar()->actions())
            menus.append(menu->text().remove(u'&'));
        QCOMPARE(menus, (QStringList{"Task", "Settings", "View", "Help"}));
        for (const char* item : {"ViewTaskWindow", "ViewOutputWindow", "ViewSearchWindow", "ViewStatusBar"})
            QVERIFY(Action(item)->isChecked());
        const QStringList tabs{"Text", "Images", "Flash", "Downloads", "Links"};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(m_form->Output()->Tabs()->tabText(i), tabs[i]);
    }

    void commandsNeedATask()
    {
        Open();
        TUiRecorder ui;
        Action("ActionStart")->trigger();
        Action("ActionDel")->trigger();
        QCOMPARE(ui.Messages, (QStringList{"Please select a task.", "Please select a task."}));
        QVERIFY(m_browser->Navigated.isEmpty());
        QCOMPARE(m_form->TaskTree()->AllCaptions(), QStringList{"Task List"});
    }

    void addThenCloseStartsNothing()
    {
        Open();
        TUiRecorder ui;
        TTaskForm* dialog = m_form->TaskForm();
        WhenShown(dialog, [dialog] {
            dialog->findChild<QLineEdit*>(QStringLiteral("TaskName"))->setText(QStringLiteral("never"));
            dialog->findChild<QPlainTextEdit*>(QStringLiteral("StartURL"))->setPlainText(QStringLiteral("http://a/"));
            dialog->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
        });
        Action("ActionNew")->trigger();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(ui.Messages, QStringList());
        QVERIFY(m_browser->Navigated.isEmpty());
        QCOMPARE(m_form->TaskTree()->TaskNames(), QStringList());
        QVERIFY(!QFile::exists(m_paths->TaskFolder(QStringLiteral("never"))));
    }

    void addSavesSelectsAndStarts()
    {
        Open();
        TUiRecorder ui;
        TTaskForm* dialog = m_form->TaskForm();
        const QString url = QStringLiteral("http://127.0.0.1:9/start.html");
        WhenShown(dialog, [dialog, url] {
            dialog->findChild<QLineEdit*>(QStringLiteral("TaskName"))->setText(QStringLiteral("fresh"));
            dialog->findChild<QPlainTextEdit*>(QStringLiteral("StartURL"))->setPlainText(url);
            dialog->findChild<QPushButton*>(QStringLiteral("SaveButton"))->click();
        });
        Action("ActionNew")->trigger();
        QCOMPARE(m_form->TaskTree()->TaskNames(), QStringList{"fresh"});
        QCOMPARE(m_form->TaskTree()->SelectedTask(), std::optional<QString>(QStringLiteral("fresh")));
        QCOMPARE(m_form->TaskField()->text(), QStringLiteral("Task: fresh"));
        QVERIFY(m_browser->Navigated.contains(url));   // "Add" ran "Start" on the new task
        QVERIFY(ui.Messages.contains(QStringLiteral("Search completed!")));
        // The summary followed the run to its end.
        QCOMPARE(Line(0), QStringLiteral("Task Name: fresh"));
        QCOMPARE(Line(1), QStringLiteral("Statue: Stopped"));
        QCOMPARE(Line(2), QStringLiteral("URLs: (1/1)"));

        // Selecting it again shows the same counts of the run that has just ended.
        SelectTask(QStringLiteral("Task List"));
        SelectTask(QStringLiteral("fresh"));
        QCOMPARE(Line(2), QStringLiteral("URLs: (1/1)"));

        m_form->close();
        QCOMPARE(ReadFile(m_paths->TaskListFile()), QByteArray("fresh\r\n"));
    }

    void closeDuringRunStopsAndCloses()
    {
        MakeTask(QStringLiteral("slow"));
        WriteCatalogue("slow\r\n");
        Open();
        m_browser->NeverLoads = true;
        SelectTask(QStringLiteral("slow"));
        TUiRecorder ui;
        ui.Answers = {true};   // closing during the run asks first
        bool runWasActive = false;
        // Close from inside the run's wait for a page that never finishes loading.
        QTimer::singleShot(0, m_form.get(), [this, &runWasActive] {
            runWasActive = m_form->Harvester().IsRunActive();
            m_form->close();
        });
        Action("ActionStart")->trigger();   // returns once the run has seen the stop
        QVERIFY(runWasActive);
        QVERIFY(!m_form->Harvester().IsRunActive());
        QTRY_VERIFY(!m_form->isVisible());   // the close is carried out after the run returned
        // The question only: no "Task is cancelled!" for a closing window.
        QCOMPARE(ui.Messages, QStringList{"Task slow is running. Stop it and exit?"});
        QCOMPARE(ReadFile(m_paths->TaskListFile()), QByteArray("slow\r\n"));
        // "Stop" saved the run's lists.
        QVERIFY(QFile::exists(m_paths->ListFile(QStringLiteral("slow"), TabLinks)));
    }

    void summaryTexts()
    {
        MakeTask(QStringLiteral("alpha"));
        WriteCatalogue("alpha\r\n");
        Open();
        SelectTask(QStringLiteral("alpha"));
        const QStringList expected{"Task Name: alpha",  "Statue: Stopped",  "URLs: (0/0)",
                                   "Text: 0 records",   "Images: 0 records", "Flashes: 0 records",
                                   "Downloads: 0 records", "Links: 0 records"};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(Line(i), expected[i]);
            QVERIFY(!m_form->Summary()->Line(i)->isHidden());
        }
        QCOMPARE(m_form->TaskField()->text(), QStringLiteral("Task: alpha"));
        SelectTask(QStringLiteral("Task List"));
        QVERIFY(m_form->Summary()->Line(0)->isHidden());
        QVERIFY(m_form->Summary()->OutputGroup()->isHidden());
        QCOMPARE(m_form->TaskField()->text(), QStringLiteral("Task: "));
        SelectTask(QStringLiteral("alpha"));
        QVERIFY(!m_form->Summary()->Line(2)->isHidden());
        QVERIFY(!m_form->Summary()->OutputGroup()->isHidden());
    }

    void summaryCountsTheGalleryOnceBuilt()
    {
        // The gallery is built after the summary is filled; its end gives the Images line the
        // items it made, a picture that does not decode leaving none.
        MakeTask(QStringLiteral("photos"));
        MakeTask(QStringLiteral("empty"));
        WriteCatalogue("photos\r\nempty\r\n");
        const QString images = m_paths->ImagesFolder(QStringLiteral("photos"));
        QVERIFY(QDir().mkpath(images));
        QVERIFY(WriteJpeg(images + QStringLiteral("/a.jpg"), SolidImage(64, 48, qRgb(200, 0, 0))));
        QVERIFY(WriteJpeg(images + QStringLiteral("/b.jpg"), SolidImage(48, 64, qRgb(0, 200, 0))));
        QFile broken(images + QStringLiteral("/c.jpg"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a picture");
        broken.close();
        Open();
        SelectTask(QStringLiteral("photos"));
        QTRY_COMPARE(Line(4), QStringLiteral("Images: 2 records"));
        QVERIFY(m_form->Summary()->ThumbnailProgress()->isHidden());
        SelectTask(QStringLiteral("empty"));
        QCOMPARE(Line(4), QStringLiteral("Images: 0 records"));
        SelectTask(QStringLiteral("photos"));
        QTRY_COMPARE(Line(4), QStringLiteral("Images: 2 records"));
    }

    void namesShownAsTyped()
    {
        // A name that looks like markup is shown character for character, in the real boxes too.
        const QString name = QStringLiteral("<b>bold");
        MakeTask(name);
        WriteCatalogue("<b>bold\r\n");
        Open();
        SelectTask(name);
        QCOMPARE(m_form->Summary()->Line(0)->textFormat(), Qt::PlainText);
        QCOMPARE(m_form->TaskField()->textFormat(), Qt::PlainText);
        QCOMPARE(m_form->CurrentPageField()->textFormat(), Qt::PlainText);
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        QTimer::singleShot(0, m_form.get(), [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->text();
            format = box->textFormat();
            box->button(QMessageBox::No)->click();
        });
        Action("ActionDel")->trigger();
        QCOMPARE(shown, QStringLiteral("Are you sure you want to delete task <b>bold ?"));
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(m_form->TaskTree()->TaskNames(), QStringList{name});
    }

    void catalogueAndDelete()
    {
        MakeTask(QStringLiteral("a"));
        MakeTask(QStringLiteral(" b "));
        MakeTask(QStringLiteral("d"));
        WriteCatalogue("a\r\nmissing\n \xA0x\r b \r\nd");
        Open();
        QCOMPARE(m_form->TaskTree()->TaskNames(), (QStringList{"a", " b ", "d"}));

        TUiRecorder ui;
        SelectTask(QStringLiteral(" b "));
        ui.Answers = {false};
        Action("ActionDel")->trigger();
        QCOMPARE(ui.Messages, QStringList{"Are you sure you want to delete task  b  ?"});
        QCOMPARE(ui.Kinds.first(), TMessages::TKind::Question);
        QCOMPARE(m_form->TaskTree()->TaskNames().size(), 3);

        ui.Answers = {true};
        Action("ActionDel")->trigger();
        QCOMPARE(m_form->TaskTree()->TaskNames(), (QStringList{"a", "d"}));
        QCOMPARE(m_form->TaskTree()->SelectedTask(), std::optional<QString>(QStringLiteral("d")));
        QVERIFY(QFile::exists(m_paths->TaskSettingsFile(QStringLiteral(" b "))));   // the folder stays

        Action("ActionExit")->trigger();
        QVERIFY(!m_form->isVisible());
        QCOMPARE(ReadFile(m_paths->TaskListFile()), QByteArray("a\r\nd\r\n"));
    }

    void unreadableFilesAreReportedAndNeverOverwritten()
    {
        const TPermissionBitsCount bits;
        if (!bits.Active())
            QSKIP("permission bits cannot be made to count for this process");
        MakeTask(QStringLiteral("a"));
        MakeTask(QStringLiteral("b"));
        WriteCatalogue("a\r\nb\r\n");
        QFile::setPermissions(m_paths->TaskListFile(), QFileDevice::Permissions());
        {
            TUiRecorder ui;
            Open();
            QCOMPARE(ui.Messages, QStringList{QStringLiteral("Unable to read ") + m_paths->TaskListFile()});
            QCOMPARE(ui.Kinds, QList<TMessages::TKind>{TMessages::TKind::Error});
            QCOMPARE(m_form->TaskTree()->TaskNames(), QStringList());
            Action("ActionExit")->trigger();
            QVERIFY(!m_form->isVisible());
        }
        QFile::setPermissions(m_paths->TaskListFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(ReadFile(m_paths->TaskListFile()), QByteArray("a\r\nb\r\n"));   // every task is still listed

        // A task whose settings.ini cannot be read is shown with the error and never run.
        m_form.reset();
        Open();
        TUiRecorder ui;
        const QString settings = m_paths->TaskSettingsFile(QStringLiteral("b"));
        const QByteArray links = "http://kept/\r\n";
        QFile linkFile(m_paths->ListFile(QStringLiteral("b"), TabLinks));
        QVERIFY(linkFile.open(QIODevice::WriteOnly));
        linkFile.write(links);
        linkFile.close();
        SelectTask(QStringLiteral("a"));
        QFile::setPermissions(settings, QFileDevice::Permissions());
        SelectTask(QStringLiteral("b"));
        QCOMPARE(ui.Messages, QStringList{QStringLiteral("Unable to read ") + settings});
        QCOMPARE(m_form->TaskField()->text(), QStringLiteral("Task: b"));
        QCOMPARE(m_form->Harvester().CurrentTask().TaskName, QStringLiteral("b"));
        QCOMPARE(m_form->Harvester().Results().Links(), QStringList{QStringLiteral("http://kept/")});
        Action("ActionStart")->trigger();
        QCOMPARE(ui.Messages.size(), 2);
        QCOMPARE(ui.Messages.last(), QStringLiteral("Unable to read ") + settings);
        QVERIFY(m_browser->Navigated.isEmpty());
        QCOMPARE(ReadFile(m_paths->ListFile(QStringLiteral("b"), TabLinks)), links);
        QFile::setPermissions(settings, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void treeKeepsItsSelectionShown()
    {
        MakeTask(QStringLiteral("a"));
        WriteCatalogue("a\r\n");
        Open();
        TTaskTree* tree = m_form->TaskTree();
        SelectTask(QStringLiteral("a"));
        const QRect row = tree->visualItemRect(tree->Root()->child(0));
        // Neither Ctrl+click on the selected node nor a click below the nodes leaves the tree
        // without a shown selection while the commands still act on the task.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ControlModifier, row.center());
        QCOMPARE(tree->selectedItems(), QList<QTreeWidgetItem*>{tree->Root()->child(0)});
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(row.center().x(), tree->viewport()->height() - 3));
        QCOMPARE(tree->selectedItems(), QList<QTreeWidgetItem*>{tree->Root()->child(0)});
        QCOMPARE(tree->SelectedTask(), std::optional<QString>(QStringLiteral("a")));
    }

    void viewMenuHidesAndRestoresAreas()
    {
        MakeTask(QStringLiteral("a"));
        WriteCatalogue("a\r\n");
        Open();
        const std::pair<const char*, QWidget*> items[4] = {{"ViewTaskWindow", m_form->TaskArea()},
                                                           {"ViewOutputWindow", m_form->OutputArea()},
                                                           {"ViewSearchWindow", m_form->SearchArea()},
                                                           {"ViewStatusBar", m_form->statusBar()}};
        for (const auto& [name, area] : items) {
            QVERIFY(area->isVisible());
            const QSize size = area->size();
            Action(name)->trigger();
            QVERIFY2(!Action(name)->isChecked(), name);
            QVERIFY2(area->isHidden(), name);
            Action(name)->trigger();
            QVERIFY(Action(name)->isChecked());
            QVERIFY2(area->isVisible(), name);
            QTRY_COMPARE(area->size(), size);
        }
        QCOMPARE(m_form->TaskTree()->TaskNames(), QStringList{"a"});
    }

    void outputViewMenuSwitchesTabs()
    {
        Open();
        QMenu* menu = m_form->Output()->ViewButton()->menu();
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.size(), 5);
        QCOMPARE(items[4]->text(), QStringLiteral("&Links"));
        items[4]->trigger();
        QCOMPARE(m_form->Output()->CurrentTab(), 4);
        items[3]->trigger();
        QCOMPARE(m_form->Output()->Tabs()->currentWidget(), m_form->Output()->View(TabDownloads));
    }

    void exportEachTab()
    {
        Open();
        TUiRecorder ui;
        TResultLists& lists = m_form->Harvester().Results();
        for (int tab = 0; tab < 5; ++tab) {
            m_form->Output()->ShowTab(tab);
            Action("ActionExportList")->trigger();
        }
        QCOMPARE(ui.Messages, (QStringList{"Text list is empty!", "Image list is empty!", "Flashes list is empty!",
                                           "Downloads list is empty!", "Links list is empty!"}));
        QVERIFY(ui.Filters.isEmpty());   // no dialog for an empty list

        lists.AddText({"a", "b", "c", "d", "e"});
        lists.AddText({"f", "", "h", "i", "j"});
        QImage tile(80, 80, QImage::Format_RGB32);
        lists.AddImage(QStringLiteral("p.jpg"), tile, m_paths->ProgramFolder() + QStringLiteral("p.jpg"));
        lists.AddFlash({"m.swf", "http://x/m.swf"});
        lists.AddDownload({"a;b.zip", "http://x/a;b.zip"});
        lists.AddLink(QStringLiteral("http://x/?q=1 2"));
        const QByteArray expected[5] = {"a;b;c;d;e\r\nf;;h;i;j\r\n", "p.jpg\r\n", "m.swf;http://x/m.swf\r\n",
                                        "a;b.zip;http://x/a;b.zip\r\n", "http://x/?q=1 2\r\n"};
        ui.Messages.clear();
        for (int tab = 0; tab < 5; ++tab) {
            ui.SaveFileName = m_dir->filePath(QStringLiteral("export%1.txt").arg(tab));
            m_form->Output()->ShowTab(tab);
            Action("ActionExportList")->trigger();
            QCOMPARE(ReadFile(ui.SaveFileName), expected[tab]);
        }
        QCOMPARE(ui.Filters.first(), QStringLiteral("Text Documents (*.txt)"));
        QCOMPARE(ui.Messages, QStringList());

        // Cancel leaves an existing file alone; a path that cannot be written is an error.
        ui.SaveFileName.clear();
        Action("ActionExportList")->trigger();
        QCOMPARE(ReadFile(m_dir->filePath(QStringLiteral("export4.txt"))), expected[4]);
        ui.SaveFileName = m_dir->filePath(QStringLiteral("no/such/folder/x.txt"));
        Action("ActionExportList")->trigger();
        QCOMPARE(ui.Kinds.size(), 6);
        QCOMPARE(ui.Kinds.last(), TMessages::TKind::Error);
    }

    void openImageMessagesAndOpening()
    {
        Open();
        TUiRecorder ui;
        QListView* view = m_form->Output()->ImagesView();
        // What a user's double click delivers: a click, then the double click event.
        const auto doubleClick = [view](QPoint pos) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pos);
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, pos);
        };
        Action("ActionOpenImage")->trigger();
        doubleClick(QPoint(20, 20));   // the empty list itself
        QCOMPARE(ui.Messages, (QStringList{"Images list is empty.", "Images list is empty."}));

        const QString path = m_dir->filePath(QStringLiteral("shown.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QImage tile(80, 80, QImage::Format_RGB32);
        TResultLists& lists = m_form->Harvester().Results();
        lists.AddImage(QStringLiteral("gone.jpg"), tile, m_dir->filePath(QStringLiteral("gone.jpg")));
        lists.AddImage(QStringLiteral("shown.jpg"), tile, path);
        m_form->Output()->FlushModels();
        Action("ActionOpenImage")->trigger();
        QCOMPARE(ui.Messages.last(), QStringLiteral("Please select a picture"));
        // A double click beside the thumbnails, with none selected, says the same.
        const QPoint beside(view->viewport()->width() - 5, view->viewport()->height() - 5);
        QVERIFY(!view->indexAt(beside).isValid());
        doubleClick(beside);
        QCOMPARE(ui.Messages.size(), 4);
        QCOMPARE(ui.Messages.last(), QStringLiteral("Please select a picture"));

        view->setCurrentIndex(view->model()->index(1, 0));
        QCOMPARE(lists.Images().Files().Current(), 1);
        Action("ActionOpenImage")->trigger();
        QCOMPARE(ui.Opened, QList<QUrl>{QUrl::fromLocalFile(path)});
        view->clearSelection();
        doubleClick(view->visualRect(view->model()->index(1, 0)).center());
        QCOMPARE(ui.Opened.size(), 2);
        QCOMPARE(ui.Messages.size(), 4);

        // A file that no longer exists opens nothing and says nothing.
        view->setCurrentIndex(view->model()->index(0, 0));
        Action("ActionOpenImage")->trigger();
        QCOMPARE(ui.Opened.size(), 2);
        QCOMPARE(ui.Messages.size(), 4);
    }

    void destinationDirectoryFollowsTab()
    {
        MakeTask(QStringLiteral("dest"));
        WriteCatalogue("dest\r\n");
        Open();
        SelectTask(QStringLiteral("dest"));
        TUiRecorder ui;
        for (int tab = 0; tab < 5; ++tab) {
            m_form->Output()->ShowTab(tab);
            Action("ActionDestinationDirectory")->trigger();
        }
        const QString base = m_paths->TaskFolder(QStringLiteral("dest"));
        QCOMPARE(ui.Opened, (QList<QUrl>{QUrl::fromLocalFile(base), QUrl::fromLocalFile(base + "/Images"),
                                         QUrl::fromLocalFile(base + "/Flashes"),
                                         QUrl::fromLocalFile(base + "/Downloads"), QUrl::fromLocalFile(base)}));
    }

    void helpMenuAndSettings()
    {
        Open();
        TUiRecorder ui;
        Action("HelpManual")->trigger();
        Action("Homepage")->trigger();
        QCOMPARE(ui.Opened.size(), 2);
        QCOMPARE(ui.Opened[0].host(), QStringLiteral("www.pagemint.example"));
        QCOMPARE(ui.Opened[1].toString(), QStringLiteral("https://www.pagemint.example/"));

        QDialog* settings = m_form->SettingForm();
        const std::size_t appliedBefore = m_browser->Applied.size();
        WhenShown(settings, [settings] { settings->findChild<QPushButton*>(QStringLiteral("SaveButton"))->click(); });
        Action("ActionSettings")->trigger();
        QVERIFY(!settings->isVisible());
        QCOMPARE(m_browser->Applied.size(), appliedBefore + 1);   // showing rereads and applies
        QVERIFY(QFile::exists(m_paths->ProgramSettingsFile()));
    }
};

PAGEMINT_UI_TEST_MAIN(TestMainForm)
#include "mainform_test.moc"
