// The task settings dialog on its own: defaults, the Save checks in order, what a Save writes,
// and the spin boxes that only step.
#include "task/paths.h"
#include "task/taskfile.h"
#include "ui/numberspinbox.h"
#include "ui/taskunit.h"
#include "ui/tasktree.h"
#include "support/uitestsupport.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QSet>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

using namespace pagemint;

class TestTaskForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TPaths> m_paths;
    std::unique_ptr<TTaskTree> m_tree;
    TTaskItem m_current;
    std::unique_ptr<TTaskForm> m_form;

    template <typename T>
    T* Child(const char* name) const
    {
        T* child = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!child)
            qFatal("no child %s", name);
        return child;
    }
    void ClickSave() { QTest::mouseClick(Child<QPushButton>("SaveButton"), Qt::LeftButton); }
    void Fill(const QString& name, const QString& urls)
    {
        Child<QLineEdit>("TaskName")->setText(name);
        Child<QPlainTextEdit>("StartURL")->setPlainText(urls);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_paths = std::make_unique<TPaths>(m_dir->path() + QLatin1Char('/'));
        m_tree = std::make_unique<TTaskTree>();
        m_tree->Reset({QStringLiteral("Existing")});
        m_current = TTaskItem();
        m_form = std::make_unique<TTaskForm>(*m_paths, *m_tree, m_current);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void cleanup()
    {
        m_form.reset();
        m_tree.reset();
        m_paths.reset();
        m_dir.reset();
    }

    void defaultsAtShow()
    {
        // Values left from an earlier showing do not survive the next one.
        Fill(QStringLiteral("left over"), QStringLiteral("http://a/"));
        Child<QTabWidget>("TaskTabs")->setCurrentIndex(2);
        Child<QTableWidget>("OutTextGrid")->item(3, 2)->setText(QStringLiteral("x"));
        m_form->hide();
        m_form->show();

        QCOMPARE(Child<QTabWidget>("TaskTabs")->currentIndex(), 0);
        QCOMPARE(Child<QLineEdit>("TaskName")->text(), QString());
        QCOMPARE(Child<QLineEdit>("TaskDir")->text(), m_paths->ProgramFolder() + QStringLiteral("Task/"));
        QVERIFY(Child<QLineEdit>("TaskDir")->isReadOnly());
        QCOMPARE(Child<QSpinBox>("TaskThread")->value(), 3);
        const bool outputs[5] = {true, true, false, false, true};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(Child<QCheckBox>(qPrintable(QStringLiteral("check%1").arg(i + 1)))->isChecked(), outputs[i]);
        QCOMPARE(Child<QCheckBox>("check2")->text().remove(QLatin1Char('&')), QStringLiteral("Images          "));
        QCOMPARE(Child<QPlainTextEdit>("StartURL")->toPlainText(), QString());
        QVERIFY(!Child<QCheckBox>("ManualBool")->isChecked());
        QCOMPARE(Child<QSpinBox>("FollowedLink")->value(), 9);
        QVERIFY(Child<QRadioButton>("PageLocation1")->isChecked());
        QCOMPARE(Child<QRadioButton>("PageLocation0")->text().remove(QLatin1Char('&')), QStringLiteral("AnyWhere "));
        const auto* grid = Child<QTableWidget>("OutTextGrid");
        QCOMPARE(grid->rowCount(), 6);
        QCOMPARE(grid->columnCount(), 4);
        QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("Text before"));
        QCOMPARE(grid->item(0, 3)->text(), QStringLiteral("Text after"));
        QCOMPARE(grid->item(5, 0)->text(), QStringLiteral("5"));
        for (int r = 1; r < 6; ++r)
            for (int c = 1; c < 4; ++c)
                QCOMPARE(grid->item(r, c)->text(), QString());
        QVERIFY(!(grid->item(0, 1)->flags() & Qt::ItemIsEditable));
        QVERIFY(grid->item(2, 2)->flags() & Qt::ItemIsEditable);
        QVERIFY(Child<QCheckBox>("ImageLinkBool")->isChecked());
        QVERIFY(!Child<QCheckBox>("ImageWidthBool")->isChecked());
        QCOMPARE(Child<QSpinBox>("ImageWidthMin")->value(), 800);
        QCOMPARE(Child<QSpinBox>("ImageHeightMin")->value(), 600);
        QVERIFY(Child<QLineEdit>("ImageFrom")->isHidden());
        QVERIFY(Child<QCheckBox>("SkipDownloaded")->isChecked());   // proposed for a new task
    }

    void directoryFollowsName()
    {
        const QString root = m_paths->ProgramFolder() + QStringLiteral("Task/");
        QTest::keyClicks(Child<QLineEdit>("TaskName"), QStringLiteral("abc"));
        QCOMPARE(Child<QLineEdit>("TaskDir")->text(), root + QStringLiteral("abc"));
        Child<QLineEdit>("TaskName")->clear();
        QCOMPARE(Child<QLineEdit>("TaskDir")->text(), root);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("urls");
        QTest::addColumn<QString>("message");
        // The checks run in order: an empty name wins over an empty start URL.
        QTest::newRow("blank name and url") << "" << "" << "Task name can't be blank!";
        QTest::newRow("blank url") << "t" << "" << "Start URL can't be blank!";
        QTest::newRow("domain in host") << "t" << "http://www.pagemint.example/x"
                                        << "Do not add pagemint.example on start URL.";
        QTest::newRow("domain inside path on 2nd line")
            << "t" << "http://a.test/\nhttp://b.test/pagemint.examples"
            << "Do not add pagemint.example on start URL.";
        QTest::newRow("root caption") << "Task List" << "http://a/"
                                      << "There already has a task named \"Task List\", please select another name.";
        QTest::newRow("existing") << "Existing" << "http://a/"
                                  << "There already has a task named \"Existing\", please select another name.";
        QTest::newRow("dot") << "." << "http://a/"
                             << "The task name \".\" can't be used as a folder name: it may not be \".\" or \"..\" or contain \"/\".";
        QTest::newRow("dotdot") << ".." << "http://a/"
                                << "The task name \"..\" can't be used as a folder name: it may not be \".\" or \"..\" or contain \"/\".";
        QTest::newRow("slash") << "a/b" << "http://a/"
                               << "The task name \"a/b\" can't be used as a folder name: it may not be \".\" or \"..\" or contain \"/\".";
        QTest::newRow("line break") << "a\nb" << "http://a/" << "The task name can't hold a line break.";
    }
    void refusals()
    {
        QFETCH(QString, name);
        QFETCH(QString, urls);
        QFETCH(QString, message);
        TUiRecorder ui;
        Fill(name, urls);
        ClickSave();
        QCOMPARE(ui.Messages, QStringList{message});
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->result(), 0);
        QCOMPARE(Child<QLineEdit>("TaskName")->text(), name);   // the entries stay
        QCOMPARE(m_tree->TaskNames(), QStringList{QStringLiteral("Existing")});
        QVERIFY(!QFile::exists(m_paths->TaskRoot()));
        QCOMPARE(m_current, TTaskItem());
    }

    void acceptedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("urls");
        QTest::newRow("differs in case only") << "existing" << "http://a/";
        QTest::newRow("domain in capitals") << "t" << "http://PAGEMINT.EXAMPLE/";
        QTest::newRow("single line break") << "t" << "\n";
        QTest::newRow("blanks kept") << " t " << "http://a/";
    }
    void acceptedNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, urls);
        TUiRecorder ui;
        QSignalSpy selected(m_tree.get(), &TTaskTree::SelectionChanged);
        Fill(name, urls);
        ClickSave();
        QCOMPARE(ui.Messages, QStringList());
        QCOMPARE(m_form->result(), int(QDialog::Accepted));
        QCOMPARE(m_tree->TaskNames().last(), name);
        QCOMPARE(m_tree->SelectedTask(), std::optional<QString>(name));
        QVERIFY(selected.count() >= 1);
        QVERIFY(QFile::exists(m_paths->TaskSettingsFile(name)));
    }

    void saveWritesEveryField()
    {
        TUiRecorder ui;
        Fill(QStringLiteral("full"), QStringLiteral("http://a.test/\nhttp://b.test/"));
        Child<QSpinBox>("TaskThread")->setValue(7);
        Child<QCheckBox>("check3")->setChecked(true);
        Child<QCheckBox>("check5")->setChecked(false);
        Child<QCheckBox>("ManualBool")->setChecked(true);
        Child<QSpinBox>("FollowedLink")->setValue(2);
        Child<QRadioButton>("PageLocation3")->setChecked(true);
        Child<QLineEdit>("TextinSearch")->setText(QStringLiteral("inside"));
        Child<QLineEdit>("TextInDownload")->setText(QStringLiteral("dl"));
        Child<QTableWidget>("OutTextGrid")->item(1, 1)->setText(QStringLiteral("<b>"));
        Child<QTableWidget>("OutTextGrid")->item(5, 3)->setText(QStringLiteral("</i>"));
        Child<QCheckBox>("ImageWidthBool")->setChecked(true);
        Child<QSpinBox>("ImageHeightMin")->setValue(10000);
        Child<QLineEdit>("DownloadExt")->setText(QStringLiteral("zip,pdf"));
        Child<QLineEdit>("LinksText")->setText(QStringLiteral("news"));
        Child<QCheckBox>("SkipDownloaded")->setChecked(false);
        ClickSave();
        QCOMPARE(ui.Messages, QStringList());

        TTaskItem expected;
        expected.TaskName = QStringLiteral("full");
        expected.TaskDir = m_paths->TaskRoot() + QStringLiteral("full");
        expected.TaskThread = 7;
        expected.check1 = expected.check2 = expected.check3 = true;
        expected.StartURL = QStringLiteral("http://a.test/\r\nhttp://b.test/");
        expected.ManualBool = true;
        expected.FollowedLink = 2;
        expected.PageLocation = 3;
        expected.TextinSearch = QStringLiteral("inside");
        expected.TextInDownload = QStringLiteral("dl");
        expected.OutText[0][0] = QStringLiteral("<b>");
        expected.OutText[4][2] = QStringLiteral("</i>");
        expected.ImageLinkBool = true;
        expected.ImageWidthBool = true;
        expected.ImageWidthMin = 800;
        expected.ImageHeightMin = 10000;
        expected.DownloadExt = QStringLiteral("zip,pdf");
        expected.LinksText = QStringLiteral("news");
        QCOMPARE(m_current, expected);
        QCOMPARE(LoadTaskFile(m_paths->TaskSettingsFile(QStringLiteral("full"))), expected);
        for (const QString& folder : {m_paths->ImagesFolder(QStringLiteral("full")),
                                      m_paths->FlashesFolder(QStringLiteral("full")),
                                      m_paths->DownloadsFolder(QStringLiteral("full"))})
            QVERIFY(QFile::exists(folder));
    }

    void cellBeingEditedIsSaved()
    {
        // Save pressed (here by its keyboard default) while a grid cell's editor is still open.
        TUiRecorder ui;
        Fill(QStringLiteral("edit"), QStringLiteral("http://a.test/"));
        Child<QTabWidget>("TaskTabs")->setCurrentIndex(2);
        auto* grid = Child<QTableWidget>("OutTextGrid");
        grid->setCurrentCell(2, 3);
        grid->editItem(grid->item(2, 3));
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("</td>"));
        m_form->Save();
        QCOMPARE(ui.Messages, QStringList());
        QCOMPARE(m_current.OutText[1][2], QStringLiteral("</td>"));
    }

    void defaultsSaveAsSpecifiedTask()
    {
        TUiRecorder ui;
        Fill(QStringLiteral("plain"), QStringLiteral("http://a.test/"));
        ClickSave();
        const TTaskItem saved = LoadTaskFile(m_paths->TaskSettingsFile(QStringLiteral("plain")));
        QCOMPARE(saved.TaskThread, 3);
        QCOMPARE(saved.FollowedLink, 9);
        QCOMPARE(saved.PageLocation, 1);
        QVERIFY(saved.check1 && saved.check2 && !saved.check3 && !saved.check4 && saved.check5);
        QVERIFY(saved.ImageLinkBool && !saved.ImageWidthBool && !saved.ImageHeightBool);
        QCOMPARE(saved.ImageWidthMin, 800);
        QCOMPARE(saved.ImageHeightMin, 600);
    }

    void writeFailureKeepsDialogOpen()
    {
        // A file named "Task" where the task folder root should be: nothing can be written.
        QFile blocker(m_paths->ProgramFolder() + QStringLiteral("Task"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TUiRecorder ui;
        Fill(QStringLiteral("t"), QStringLiteral("http://a/"));
        ClickSave();
        QCOMPARE(ui.Messages.size(), 1);
        QVERIFY(ui.Messages.first().startsWith(QStringLiteral("Unable to write to ")));
        QCOMPARE(ui.Kinds.first(), TMessages::TKind::Error);
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_tree->TaskNames(), QStringList{QStringLiteral("Existing")});
    }

    void failedWriteKeepsCurrentTask()
    {
        // The tree selects "Existing" and CurrentTask holds its settings; a Save that cannot
        // write must leave them, or "Start" would run "Existing" with the new task's settings.
        TTaskItem existing;
        existing.TaskName = QStringLiteral("Existing");
        existing.TaskDir = m_paths->TaskFolder(QStringLiteral("Existing"));
        existing.StartURL = QStringLiteral("http://existing.test/");
        existing.TaskThread = 2;
        m_current = existing;
        QFile blocker(m_paths->ProgramFolder() + QStringLiteral("Task"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TUiRecorder ui;
        Fill(QStringLiteral("other"), QStringLiteral("http://other.test/"));
        ClickSave();
        QCOMPARE(ui.Messages.size(), 1);
        QCOMPARE(m_current, existing);

        // Once the folder can be written, the same entries are saved and taken over.
        QVERIFY(QFile::remove(blocker.fileName()));
        ClickSave();
        QCOMPARE(ui.Messages.size(), 1);
        QCOMPARE(m_current.TaskName, QStringLiteral("other"));
        QCOMPARE(m_current.StartURL, QStringLiteral("http://other.test/"));
    }

    void gridTabVisitsEditableCellsOnly()
    {
        TUiRecorder ui;
        Fill(QStringLiteral("tabs"), QStringLiteral("http://a.test/"));
        Child<QTabWidget>("TaskTabs")->setCurrentIndex(2);
        auto* grid = Child<QTableWidget>("OutTextGrid");
        grid->setFocus();
        grid->setCurrentCell(1, 3);
        grid->editItem(grid->item(1, 3));
        auto typeInEditor = [](const QString& text) {
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            QVERIFY(editor);
            QTest::keyClicks(editor, text);
        };
        auto pressInEditor = [](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QWidget* editor = QApplication::focusWidget();
            QVERIFY(editor);
            QTest::keyClick(editor, key, modifiers);
        };
        // Tab from "Text after" goes on to "Text before" of the next row, not to its number.
        typeInEditor(QStringLiteral("after1"));
        pressInEditor(Qt::Key_Tab);
        QCOMPARE(grid->currentRow(), 2);
        QCOMPARE(grid->currentColumn(), 1);
        typeInEditor(QStringLiteral("before2"));
        // Shift+Tab from "Text before" goes back to "Text after" of the row above.
        pressInEditor(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(grid->currentRow(), 1);
        QCOMPARE(grid->currentColumn(), 3);
        // The walk wraps round inside the editable cells, never reaching the header row.
        grid->setCurrentCell(5, 3);
        QTest::keyClick(grid, Qt::Key_Tab);
        QCOMPARE(grid->currentRow(), 1);
        QCOMPARE(grid->currentColumn(), 1);
        pressInEditor(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(grid->currentRow(), 5);
        QCOMPARE(grid->currentColumn(), 3);
        // Arrows towards the fixed cells stop at the first editable row and column.
        grid->setCurrentCell(1, 1);
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Left);
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(grid->currentRow(), 1);
        QCOMPARE(grid->currentColumn(), 1);
        // A click on a row number leaves the current cell where it is.
        grid->setCurrentCell(3, 2);
        const QRect numberCell = grid->visualRect(grid->model()->index(4, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, numberCell.center());
        QCOMPARE(grid->currentRow(), 3);
        QCOMPARE(grid->currentColumn(), 2);

        m_form->Save();
        QCOMPARE(ui.Messages, QStringList());
        QCOMPARE(m_current.OutText[0][2], QStringLiteral("after1"));
        QCOMPARE(m_current.OutText[1][0], QStringLiteral("before2"));
        for (int r = 0; r < 5; ++r) {
            for (int c = 0; c < 3; ++c) {
                if ((r == 0 && c == 2) || (r == 1 && c == 0))
                    continue;
                QCOMPARE(m_current.OutText[r][c], QString());
            }
        }
    }

    void closeChangesNothing()
    {
        TUiRecorder ui;
        Fill(QStringLiteral("t"), QStringLiteral("http://a/"));
        QTest::mouseClick(m_form->findChild<QPushButton*>(QStringLiteral("CloseButton")), Qt::LeftButton);
        QCOMPARE(m_form->result(), int(QDialog::Rejected));
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_tree->TaskNames(), QStringList{QStringLiteral("Existing")});
        QCOMPARE(m_current, TTaskItem());
        QVERIFY(!QFile::exists(m_paths->TaskRoot()));
    }

    void refusalShowsTabAndField_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("urls");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("selected");
        QTest::newRow("blank name") << "" << "" << 0 << "TaskName" << "";
        QTest::newRow("blank url") << "t" << "" << 1 << "StartURL" << "";
        QTest::newRow("domain") << "t" << "http://a.test/\nhttp://www.pagemint.example/x" << 1 << "StartURL"
                                << "pagemint.example";
        QTest::newRow("existing") << "Existing" << "http://a/" << 0 << "TaskName" << "Existing";
        QTest::newRow("slash") << "a/b" << "http://a/" << 0 << "TaskName" << "a/b";
    }
    void refusalShowsTabAndField()
    {
        QFETCH(QString, name);
        QFETCH(QString, urls);
        QFETCH(int, tab);
        QFETCH(QString, field);
        QFETCH(QString, selected);
        TUiRecorder ui;
        Fill(name, urls);
        Child<QTabWidget>("TaskTabs")->setCurrentIndex(2);   // Save pressed from another tab
        ClickSave();
        QCOMPARE(ui.Messages.size(), 1);
        QCOMPARE(Child<QTabWidget>("TaskTabs")->currentIndex(), tab);
        QWidget* refused = Child<QWidget>(qPrintable(field));
        QCOMPARE(m_form->focusWidget(), refused);
        if (auto* edit = qobject_cast<QLineEdit*>(refused))
            QCOMPARE(edit->selectedText(), selected);
        else
            QCOMPARE(qobject_cast<QPlainTextEdit*>(refused)->textCursor().selectedText(), selected);
    }

    void accessKeysAreUniqueOnEveryTab()
    {
        // What stays reachable on every tab: the tab bar and the two buttons.
        auto* tabs = Child<QTabWidget>("TaskTabs");
        QStringList always;
        for (int i = 0; i < tabs->count(); ++i)
            always.append(tabs->tabText(i));
        always << Child<QPushButton>("SaveButton")->text() << Child<QPushButton>("CloseButton")->text();
        const auto key = [](const QString& text) {
            const qsizetype at = text.indexOf(QLatin1Char('&'));
            return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
        };
        for (int page = 0; page < tabs->count(); ++page) {
            QStringList texts = always;
            for (QLabel* label : tabs->widget(page)->findChildren<QLabel*>()) {
                if (label->text().contains(QLatin1Char('&')))
                    QVERIFY2(label->buddy(), qPrintable(label->text()));   // a key must lead somewhere
                texts.append(label->text());
            }
            for (QAbstractButton* button : tabs->widget(page)->findChildren<QAbstractButton*>())
                texts.append(button->text());
            for (QGroupBox* group : tabs->widget(page)->findChildren<QGroupBox*>())
                texts.append(group->title());
            QSet<QChar> seen;
            int keys = 0;
            for (const QString& text : texts) {
                const QChar k = key(text);
                if (k.isNull())
                    continue;
                ++keys;
                QVERIFY2(!seen.contains(k), qPrintable(QStringLiteral("%1 on tab %2").arg(text).arg(page)));
                seen.insert(k);
            }
            QVERIFY(keys >= 8);
        }
        // The read-only directory is passed by Tab and by clicks.
        QCOMPARE(Child<QLineEdit>("TaskDir")->focusPolicy(), Qt::NoFocus);
    }

    void skipDownloadedRoundTrip()
    {
        TUiRecorder ui;
        Fill(QStringLiteral("new"), QStringLiteral("http://a/"));
        ClickSave();
        QVERIFY(m_current.SkipDownloaded);

        // Edited with the setting off: the box shows it off and a Save keeps it off.
        TTaskItem stored = m_current;
        stored.SkipDownloaded = false;
        m_form->BeginEdit(QStringLiteral("new"), stored);
        m_form->show();
        QVERIFY(!Child<QCheckBox>("SkipDownloaded")->isChecked());
        ClickSave();
        QCOMPARE(ui.Messages, QStringList());
        QVERIFY(!m_current.SkipDownloaded);
        m_form->BeginEdit(QStringLiteral("new"), stored);
        m_form->show();
        Child<QCheckBox>("SkipDownloaded")->setChecked(true);
        ClickSave();
        QVERIFY(m_current.SkipDownloaded);
    }

    void editShowsTheStoredTaskAndSavesInPlace()
    {
        TTaskItem stored;
        stored.TaskName = QStringLiteral("Existing");
        stored.TaskDir = m_paths->TaskFolder(stored.TaskName);
        stored.TaskThread = 8;
        stored.check4 = true;
        stored.StartURL = QStringLiteral("http://a.test/\r\nhttp://b.test/");
        stored.ManualBool = true;
        stored.FollowedLink = 1;
        stored.PageLocation = 2;
        stored.OutText[4][0] = QStringLiteral("<td>");
        stored.ImageFrom = QStringLiteral("kept");
        stored.ImageHeightMin = 320;
        stored.DownloadExt = QStringLiteral("pdf");
        SaveTaskFile(stored, *m_paths);
        QFile list(m_paths->ListFile(stored.TaskName, 0));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("row\r\n");
        list.close();
        m_tree->setCurrentItem(m_tree->Root()->child(0));

        m_form->hide();
        m_form->BeginEdit(stored.TaskName, stored);
        m_form->show();
        QCOMPARE(m_form->EditedTaskName(), stored.TaskName);
        QCOMPARE(Child<QLineEdit>("TaskName")->text(), stored.TaskName);
        QCOMPARE(Child<QLineEdit>("TaskDir")->text(), stored.TaskDir);
        QCOMPARE(Child<QPlainTextEdit>("StartURL")->toPlainText(), QStringLiteral("http://a.test/\nhttp://b.test/"));
        QVERIFY(Child<QRadioButton>("PageLocation2")->isChecked());
        QCOMPARE(Child<QTableWidget>("OutTextGrid")->item(5, 1)->text(), QStringLiteral("<td>"));
        QVERIFY(!Child<QCheckBox>("SkipDownloaded")->isChecked());

        // Saved unchanged under its own name: no "already has a task" refusal, and the same task.
        TUiRecorder ui;
        QSignalSpy selected(m_tree.get(), &TTaskTree::SelectionChanged);
        ClickSave();
        QCOMPARE(ui.Messages, QStringList());
        QCOMPARE(m_form->result(), int(QDialog::Accepted));
        QCOMPARE(m_current, stored);
        QCOMPARE(LoadTaskFile(m_paths->TaskSettingsFile(stored.TaskName)), stored);
        QCOMPARE(m_tree->TaskNames(), QStringList{stored.TaskName});
        QCOMPARE(selected.count(), 1);   // selected anew, so the window reads it back
        QVERIFY(QFile::exists(m_paths->ListFile(stored.TaskName, 0)));
        QCOMPARE(m_form->EditedTaskName(), QString());

        // The next showing is for a new task again.
        m_form->show();
        QCOMPARE(Child<QLineEdit>("TaskName")->text(), QString());
    }

    void editRenames()
    {
        TTaskItem stored;
        stored.TaskName = QStringLiteral("Existing");
        stored.StartURL = QStringLiteral("http://a/");
        SaveTaskFile(stored, *m_paths);
        m_tree->setCurrentItem(m_tree->Root()->child(0));
        bool busy = true;
        QStringList asked;
        m_form->SetBusyCheck([&](const QString& name) {
            asked.append(name);
            return busy;
        });
        const auto rename = [this](const QString& name) {
            m_form->hide();
            m_form->BeginEdit(QStringLiteral("Existing"), LoadTaskFile(m_paths->TaskSettingsFile(QStringLiteral("Existing"))));
            m_form->show();
            Child<QLineEdit>("TaskName")->setText(name);
            ClickSave();
        };

        TUiRecorder ui;
        rename(QStringLiteral("Renamed"));   // while the task runs
        QCOMPARE(asked, QStringList{QStringLiteral("Existing")});
        QCOMPARE(ui.Messages.size(), 1);
        QVERIFY(ui.Messages.first().contains(QStringLiteral("is running")));
        QVERIFY(m_form->isVisible());
        QVERIFY(QFile::exists(m_paths->TaskSettingsFile(QStringLiteral("Existing"))));
        QCOMPARE(m_tree->TaskNames(), QStringList{QStringLiteral("Existing")});

        busy = false;
        QVERIFY(QDir().mkpath(m_paths->TaskFolder(QStringLiteral("Taken"))));
        rename(QStringLiteral("Taken"));   // the folder of a deleted task
        QCOMPARE(ui.Messages.size(), 2);
        QVERIFY(ui.Messages.last().contains(m_paths->TaskFolder(QStringLiteral("Taken"))));
        QCOMPARE(m_form->focusWidget(), Child<QWidget>("TaskName"));
        QCOMPARE(m_tree->TaskNames(), QStringList{QStringLiteral("Existing")});

        rename(QStringLiteral("Renamed"));
        QCOMPARE(ui.Messages.size(), 2);
        QCOMPARE(m_form->result(), int(QDialog::Accepted));
        QCOMPARE(m_tree->TaskNames(), QStringList{QStringLiteral("Renamed")});
        QCOMPARE(m_tree->SelectedTask(), std::optional<QString>(QStringLiteral("Renamed")));
        QVERIFY(!QFile::exists(m_paths->TaskFolder(QStringLiteral("Existing"))));
        const TTaskItem read = LoadTaskFile(m_paths->TaskSettingsFile(QStringLiteral("Renamed")));
        QCOMPARE(read.TaskName, QStringLiteral("Renamed"));
        QCOMPARE(read.TaskDir, m_paths->TaskFolder(QStringLiteral("Renamed")));
    }

    void spinBoxesOnlyStep()
    {
        auto* box = Child<TNumberSpinBox>("TaskThread");
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("7x"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->value(), 3);
        QCOMPARE(box->text(), QStringLiteral("3"));
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(box->value(), 4);
        QTest::keyClick(box, Qt::Key_PageUp);   // by 10, clamped to 10
        QCOMPARE(box->value(), 10);
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(box->value(), 10);
        QTest::keyClick(box, Qt::Key_PageDown);
        QCOMPARE(box->value(), 0);
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->value(), 0);

        auto* width = Child<TNumberSpinBox>("ImageWidthMin");
        const auto wheel = [width](Qt::KeyboardModifiers modifiers) {
            const QPointF pos(width->width() / 2.0, width->height() / 2.0);
            QWheelEvent event(pos, width->mapToGlobal(pos), QPoint(), QPoint(0, 120), Qt::NoButton, modifiers,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(width, &event);
        };
        width->setFocus();
        wheel(Qt::NoModifier);
        QCOMPARE(width->value(), 801);
        wheel(Qt::ControlModifier);
        QCOMPARE(width->value(), 811);
        width->setValue(9995);
        wheel(Qt::ControlModifier);
        QCOMPARE(width->value(), 10000);
    }
};

PAGEMINT_UI_TEST_MAIN(TestTaskForm)
#include "taskform_test.moc"
