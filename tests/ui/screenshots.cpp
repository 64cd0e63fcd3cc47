// Screenshots of the desktop program as a user sees it, for scripts/screenshots.sh (which runs
// this under Xvfb on several screen sizes and font sizes). A local site is served on 127.0.0.1; a task with every output
// on is run against it in the real (maximised) window with the real browser, captured once
// while it runs; once its downloads are done
// the task is selected again and each result tab is captured from the screen, then the two
// dialogs and the About box are rendered.
//
//   pagemint_screenshots <output folder> [font percent, default 100]
#include "task/paths.h"
#include "task/programsettings.h"
#include "task/taskfile.h"
#include "support/imagefiles.h"
#include "support/testsite.h"
#include "ui/mainunit.h"
#include "ui/messages.h"
#include "ui/outputpanel.h"
#include "ui/settingunit.h"
#include "ui/taskunit.h"
#include "ui/tasktree.h"
#include "ui/aboutunit.h"

#include "crawl/webengine/webengineenvironment.h"
#include "download/downloadthread.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <csignal>
#include <cstdio>

using namespace pagemint;

namespace {

void Settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QString Product(int page, int i)
{
    static const char* names[] = {"Garden chair", "Oak table", "Sun lounger", "Parasol", "Flower pot",
                                  "Watering can", "Bird house", "Lantern", "Hammock"};
    return QString::fromLatin1(names[(page * 3 + i) % 9]);
}

void BuildSite(TTestSite& site)
{
    for (int page = 1; page <= 3; ++page) {
        QString html = QStringLiteral("<html><head><title>Garden shop %1</title></head><body>"
                                      "<h1>Garden shop, page %1</h1>")
                           .arg(page);
        html += QStringLiteral("<p>Product: %1 | Price: %2 USD | Stock: %3 items</p>")
                    .arg(Product(page, 0))
                    .arg(10 + page * 7.5, 0, 'f', 2)
                    .arg(page * 4);
        for (int i = 0; i < 4; ++i) {
            const QString image = QStringLiteral("/img/photo%1%2.%3").arg(page).arg(i).arg(i == 3 ? "bmp" : "jpg");
            const int w = 320 + 40 * i, h = i % 2 ? 420 : 240;
            site.Add(image, i == 3 ? MakeBmp(w, h) : MakeJpeg(w, h), i == 3 ? "image/bmp" : "image/jpeg");
            html += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"%4\"> ")
                        .arg(image).arg(w / 4).arg(h / 4).arg(Product(page, i));
        }
        html += QStringLiteral("<ul>");
        for (int other = 1; other <= 3; ++other)
            if (other != page)
                html += QStringLiteral("<li><a href=\"/page%1.html\">Page %1</a></li>").arg(other);
        const QString zip = QStringLiteral("/files/catalogue%1.zip").arg(page);
        const QString pdf = QStringLiteral("/files/manual%1.pdf").arg(page);
        const QString swf = QStringLiteral("/media/intro%1.swf").arg(page);
        site.Add(zip, MakeBytes(40'000, page), "application/zip");
        site.Add(pdf, MakeBytes(25'000, page + 10), "application/pdf");
        site.Add(swf, "FWS" + MakeBytes(9'000, page + 20), "application/x-shockwave-flash");
        html += QStringLiteral("<li><a href=\"%1\">Catalogue</a></li><li><a href=\"%2\">Manual</a></li>"
                               "<li><a href=\"%3\">Intro movie</a></li><li><a href=\"/news.html\">News</a></li></ul>")
                    .arg(zip, pdf, swf);
        html += QStringLiteral("<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" width=\"200\" "
                               "height=\"60\"><param name=\"movie\" value=\"/media/banner%1.swf\"></object>")
                    .arg(page);
        site.Add(QStringLiteral("/media/banner%1.swf").arg(page), "FWS" + MakeBytes(5'000, page + 30),
                 "application/x-shockwave-flash");
        html += QStringLiteral("</body></html>");
        site.AddPage(QStringLiteral("/page%1.html").arg(page), html);
    }
    site.AddPage(QStringLiteral("/news.html"),
                 QStringLiteral("<html><body><h1>News</h1><p>Product: Spring catalogue | Price: 0.00 USD</p>"
                                "<a href=\"/page1.html\">Shop</a></body></html>"));
}

void MakeTask(const TPaths& paths, const TTestSite& site)
{
    TTaskItem task;
    task.TaskName = QStringLiteral("Garden shop");
    task.TaskDir = paths.TaskRoot() + task.TaskName;
    task.TaskThread = 3;
    task.check1 = task.check2 = task.check3 = task.check4 = task.check5 = true;
    task.StartURL = site.Url(QStringLiteral("/page1.html"));
    task.FollowedLink = 2;
    task.PageLocation = 0;
    task.OutText[0][0] = QStringLiteral("Product: ");
    task.OutText[0][2] = QStringLiteral(" |");
    task.OutText[1][0] = QStringLiteral("Price: ");
    task.OutText[1][2] = QStringLiteral(" USD");
    task.OutText[2][0] = QStringLiteral("Stock: ");
    task.OutText[2][2] = QStringLiteral(" items");
    task.ImageLinkBool = true;
    task.ImageWidthMin = 800;
    task.ImageHeightMin = 600;
    task.DownloadExt = QStringLiteral("zip,pdf");
    SaveTaskFile(task, paths);
    TTaskItem other = task;
    other.TaskName = QStringLiteral("Weekly prices");
    other.TaskDir = paths.TaskRoot() + other.TaskName;
    SaveTaskFile(other, paths);
    QFile list(paths.TaskListFile());
    if (list.open(QIODevice::WriteOnly))
        list.write("Garden shop\r\nWeekly prices\r\n");
    TProgramSettings settings;
    settings.DownloadImages = true;   // the Search panel then shows the pictures too
    WriteProgramSettings(paths.ProgramSettingsFile(), settings);
}

bool SaveScreen(QWidget* window, const QString& path)
{
    Settle(400);
    QScreen* screen = window->screen();
    // The whole frame: x() and y() are the frame's corner, width() and height() the client's.
    const QRect frame = window->frameGeometry();
    const QPixmap shot = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const bool ok = !shot.isNull() && shot.save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

bool SaveWidget(QWidget* widget, const QString& path)
{
    Settle(150);
    const bool ok = widget->grab().save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    PrepareWebEngineEnvironment();
    std::signal(SIGPIPE, SIG_IGN);
    TDownloadThead::GlobalInit();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagemint"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: pagemint_screenshots <output folder> [font percent]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    // A larger font as a user sets it in the desktop, with the screen itself left unscaled.
    const double fontPercent = argc > 2 ? QString::fromLocal8Bit(argv[2]).toDouble() : 100.0;
    if (fontPercent >= 50 && fontPercent <= 400) {
        QFont font = QApplication::font();
        font.setPointSizeF(font.pointSizeF() * fontPercent / 100.0);
        QApplication::setFont(font);
    }
    QDir().mkpath(out);

    TTestSite site;
    BuildSite(site);
    if (!site.Start())
        return 1;
    QTemporaryDir folder;
    const TPaths paths(folder.path() + QLatin1Char('/'));
    MakeTask(paths, site);

    QStringList messages;
    TMessages::SetHook([&messages](TMessages::TKind, const QString& text) {
        messages.append(text);
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return false;
    });

    TMainForm form(paths.ProgramFolder());
    form.showMaximized();   // as the program opens, on whatever screen the script chose
    Settle(500);

    bool ok = true;
    ok &= SaveScreen(&form, out + QStringLiteral("/main-start.png"));

    TTaskTree* tree = form.TaskTree();
    tree->setCurrentItem(tree->Root()->child(0));
    // The run pumps events while it waits for pages, so this shot shows the window mid-run.
    QTimer::singleShot(1500, &form, [&] { ok &= SaveScreen(&form, out + QStringLiteral("/main-running.png")); });
    form.findChild<QAction*>(QStringLiteral("ActionStart"))->trigger();   // returns when the crawl ends
    const QDeadlineTimer deadline(120'000);
    while (!(form.Harvester().DownloadsIdle() && !form.Harvester().TimerEnabled()) && !deadline.hasExpired())
        Settle(100);
    std::fprintf(stderr, "downloads %s\n", deadline.hasExpired() ? "still running" : "done");

    // The summary, the downloads pane and the title have followed the run to its end.
    const char* tabs[5] = {"text", "images", "flash", "downloads", "links"};
    for (int tab : {1, 0, 2, 3, 4}) {
        form.Output()->ShowTab(tab);
        ok &= SaveScreen(&form, out + QStringLiteral("/main-%1.png").arg(QString::fromLatin1(tabs[tab])));
    }

    TTaskForm* taskForm = form.TaskForm();
    taskForm->show();
    taskForm->findChild<QLineEdit*>(QStringLiteral("TaskName"))->setText(QStringLiteral("Spring sale"));
    taskForm->findChild<QPlainTextEdit*>(QStringLiteral("StartURL"))
        ->setPlainText(QStringLiteral("http://shop.test/sale/\nhttp://shop.test/offers/"));
    auto* taskTabs = taskForm->findChild<QTabWidget*>(QStringLiteral("TaskTabs"));
    const char* taskTabNames[3] = {"general", "urls", "output"};
    for (int i = 0; i < 3; ++i) {
        taskTabs->setCurrentIndex(i);
        ok &= SaveWidget(taskForm, out + QStringLiteral("/task-%1.png").arg(QString::fromLatin1(taskTabNames[i])));
    }
    taskForm->hide();

    TSettingForm* settingForm = form.SettingForm();
    settingForm->show();
    auto* settingTabs = settingForm->findChild<QTabWidget*>();
    ok &= SaveWidget(settingForm, out + QStringLiteral("/settings-browser.png"));
    settingTabs->setCurrentIndex(1);
    ok &= SaveWidget(settingForm, out + QStringLiteral("/settings-downloader.png"));
    settingForm->hide();

    TAboutForm* about = form.AboutForm();
    about->show();
    ok &= SaveWidget(about, out + QStringLiteral("/about.png"));
    about->hide();

    TMessages::SetHook(nullptr);
    form.close();
    return ok ? 0 : 1;
}
