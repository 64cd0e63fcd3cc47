// The main window with the real Qt WebEngine browser in its "Search" panel, running a task
// against a site served on 127.0.0.1.
#include "results/resultlists.h"
#include "task/paths.h"
#include "task/taskfile.h"
#include "support/imagefiles.h"
#include "support/testsite.h"
#include "ui/elidedlabel.h"
#include "ui/mainunit.h"
#include "ui/outputpanel.h"
#include "ui/summarypanel.h"
#include "ui/tasktree.h"
#include "support/uitestsupport.h"

#include <QAction>
#include <QLabel>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

using namespace pagemint;

class TestWebEngine : public QObject
{
    Q_OBJECT

private slots:
    void runInTheRealWindow()
    {
        TTestSite site;
        site.AddPage(QStringLiteral("/start.html"),
                     QStringLiteral("<html><body><p>Product: Lamp | Price: 9.90 USD</p>"
                                    "<a href=\"/next.html\">next</a> <a href=\"/files/a.zip\">zip</a></body></html>"));
        site.AddPage(QStringLiteral("/next.html"), QStringLiteral("<html><body><p>Product: Bench |</p></body></html>"));
        site.Add(QStringLiteral("/files/a.zip"), MakeBytes(2000, 1), QStringLiteral("application/zip"));
        QVERIFY(site.Start());

        QTemporaryDir dir;
        const TPaths paths(dir.path() + QLatin1Char('/'));
        TTaskItem task;
        task.TaskName = QStringLiteral("lamps");
        task.TaskThread = 2;
        task.check1 = task.check4 = task.check5 = true;
        task.StartURL = site.Url(QStringLiteral("/start.html"));
        task.FollowedLink = 0;
        task.OutText[0][0] = QStringLiteral("Product: ");
        task.OutText[0][2] = QStringLiteral(" |");
        task.DownloadExt = QStringLiteral("zip");
        SaveTaskFile(task, paths);
        QFile list(paths.TaskListFile());
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("lamps\r\n");
        list.close();

        TUiRecorder ui;
        TMainForm form(paths.ProgramFolder());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* view = form.SearchArea()->findChild<QWebEngineView*>();
        QVERIFY(view);
        QVERIFY(view->page());

        TTaskTree* tree = form.TaskTree();
        tree->setCurrentItem(tree->Root()->child(0));
        form.findChild<QAction*>(QStringLiteral("ActionStart"))->trigger();
        QCOMPARE(ui.Messages, QStringList{"Search completed!"});
        const TResultLists& results = form.Harvester().Results();
        QCOMPARE(results.Text().size(), std::size_t(1));
        // The markers lost their blanks in settings.ini ("Product:" and "|"), so the value keeps them.
        QCOMPARE(results.Text()[0][0], QStringLiteral(" Lamp "));
        QVERIFY(results.Links().contains(site.Url(QStringLiteral("/next.html"))));
        QCOMPARE(view->page()->url().path(), QStringLiteral("/start.html"));   // the user saw the page
        QVERIFY(form.CurrentPageField()->text().startsWith(QStringLiteral("Current Page: ")));
        QTRY_COMPARE_WITH_TIMEOUT(form.Output()->View(TabLinks)->model()->rowCount(),
                                  int(results.Links().size()), 10'000);
        QTRY_VERIFY_WITH_TIMEOUT(form.Harvester().DownloadsIdle(), 30'000);
        QVERIFY(QFile::exists(paths.DownloadsFolder(QStringLiteral("lamps")) + "/a.zip"));

        // With the "Search" panel hidden the browser still loads the pages of a run.
        form.findChild<QAction*>(QStringLiteral("ViewSearchWindow"))->trigger();
        QVERIFY(!view->isVisible());
        form.findChild<QAction*>(QStringLiteral("ActionStart"))->trigger();
        QCOMPARE(ui.Messages, (QStringList{"Search completed!", "Search completed!"}));
        QCOMPARE(results.Text().size(), std::size_t(1));
        QTRY_VERIFY_WITH_TIMEOUT(form.Harvester().DownloadsIdle(), 30'000);
        form.close();
        QCOMPARE(ui.Messages.size(), 2);
    }

    void nothingWrittenUnderHome()
    {
        // main() gave this process an empty home of its own; the run above keeps everything
        // (browser profile and preferences included) in its program folder. The one exception
        // is the desktop's shared thumbnail cache, which the gallery writes to on purpose.
        const QString cache = QDir::homePath() + QStringLiteral("/.cache");
        QDirIterator it(QDir::homePath(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        QStringList written;
        while (it.hasNext()) {
            const QString path = it.next();
            if (path != cache && path != cache + QStringLiteral("/thumbnails")
                && !path.startsWith(cache + QStringLiteral("/thumbnails/")))
                written.append(path);
        }
        QCOMPARE(written, QStringList());
    }
};

int main(int argc, char** argv)
{
    // An empty home and no XDG folders, so that anything the program writes beside its program
    // folder shows up in nothingWrittenUnderHome.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", QFile::encodeName(home.path()));
    for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
        qunsetenv(name);
    PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestWebEngine tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "webengine_test.moc"
