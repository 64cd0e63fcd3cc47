// End-to-end runs of the built pagemint-batch over sites served on loopback by the test:
// the real browser engine, link following, extractors, scheduler and download workers.
#include "support/imagefiles.h"
#include "support/testsite.h"

#include "download/downloadrecord.h"
#include "task/common.h"
#include "task/paths.h"
#include "task/taskfile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

using namespace pagemint;

namespace {

const QString TaskName = QStringLiteral("site");

struct TBatchResult
{
    int exitCode = -1;
    bool crashed = false;
    bool timedOut = false;
    QString out;
    QString err;
};

void PrintTo(const TBatchResult& r, std::ostream* os)
{
    *os << "exit " << r.exitCode << (r.crashed ? " crashed" : "") << (r.timedOut ? " timed out" : "")
        << "\n--- stdout\n" << r.out.toStdString() << "--- stderr\n" << r.err.toStdString();
}

std::string Describe(const TBatchResult& r)
{
    std::ostringstream os;
    PrintTo(r, &os);
    return os.str();
}

void StartBatch(QProcess& process, const QStringList& arguments)
{
    // Under AddressSanitizer: the browser engine's own library frees one of its objects with a
    // mismatched size and keeps some allocations to the end; neither concerns our code.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
    asan += QStringLiteral("%1new_delete_type_mismatch=0:detect_leaks=0").arg(asan.isEmpty() ? "" : ":");
    environment.insert(QStringLiteral("ASAN_OPTIONS"), asan);
    process.setProcessEnvironment(environment);
    process.setProgram(QStringLiteral(PAGEMINT_BATCH_EXE));
    process.setArguments(arguments);
    process.start();
}

TBatchResult Finish(QProcess& process, int timeoutMs)
{
    TBatchResult result;
    if (!process.waitForFinished(timeoutMs)) {
        result.timedOut = true;
        process.kill();
        process.waitForFinished(10'000);
    }
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    result.out += QString::fromUtf8(process.readAllStandardOutput());
    result.err += QString::fromUtf8(process.readAllStandardError());
    return result;
}

TBatchResult RunBatch(const QStringList& arguments, int timeoutMs = 150'000)
{
    QProcess process;
    StartBatch(process, arguments);
    return Finish(process, timeoutMs);
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

/** The bytes of a list file: every value a line ended by CR LF. */
QByteArray Lines(const QStringList& values)
{
    QByteArray bytes;
    for (const QString& v : values)
        bytes += v.toUtf8() + "\r\n";
    return bytes;
}

QStringList Files(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    names.sort();
    return names;
}

QStringList Sorted(QStringList names)
{
    names.sort();
    return names;
}

/** A program folder in a temporary directory with one task. */
class ProgramFolder
{
public:
    ProgramFolder() : m_paths(m_dir.path()) {}

    const TPaths& Paths() const { return m_paths; }
    QString Folder() const { return m_dir.path(); }
    QString TaskPath(const QString& relative) const { return m_paths.TaskFolder(TaskName) + u'/' + relative; }
    QStringList Args() const { return {QStringLiteral("--program-folder"), m_dir.path(), TaskName}; }

    void WriteTask(TTaskItem task)
    {
        task.TaskName = TaskName;
        task.TaskDir = m_paths.TaskFolder(TaskName);
        SaveTaskFile(task, m_paths);
    }

private:
    QTemporaryDir m_dir;
    TPaths m_paths;
};

/** A task that collects everything: text rules for prices and colours, images of at least
 *  10 pixels in width, Flash, .zip downloads and every link; it follows only .html pages. */
TTaskItem HarvestTask(const QString& startUrl, int followedLink)
{
    TTaskItem task;
    task.TaskThread = 3;
    task.check1 = task.check2 = task.check3 = task.check4 = task.check5 = true;
    task.StartURL = startUrl;
    task.FollowedLink = followedLink;
    task.PageLocation = 1;
    task.TextinSearch = QStringLiteral(".html");
    task.OutText[0][0] = QStringLiteral("Price:");
    task.OutText[0][2] = QStringLiteral("USD");
    task.OutText[1][0] = QStringLiteral("Color:");
    task.OutText[1][2] = QStringLiteral(";");
    task.ImageLinkBool = true;
    task.ImageWidthBool = true;
    task.ImageWidthMin = 10;
    task.ImageHeightMin = 600;
    task.DownloadExt = QStringLiteral("zip");
    return task;
}

const QString FlashObject = QStringLiteral(
    "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" width=\"100\" height=\"50\">"
    "<param name=\"movie\" value=\"intro.swf\"></object>\n");

/** Three levels of pages: index -> a, b -> c, d (e is linked from c but never visited). */
struct MainSite
{
    TTestSite site;
    QByteArray photo = MakeJpeg(120, 80);
    QByteArray big = MakeJpeg(640, 480);
    QByteArray gif = MakeGif(40, 30);
    QByteArray bmp = MakeBmp(16, 16);
    QByteArray tiny = MakeJpeg(5, 5);
    QByteArray intro = MakeBytes(3000, 1);
    QByteArray clip = MakeBytes(2000, 2);
    QByteArray report = MakeBytes(5000, 3);
    QByteArray data = MakeBytes(700, 4);

    MainSite()
    {
        site.AddPage("/index.html",
                     "<html><head><title>Home</title></head><body>\n"
                     "<p>Price: 100 USD</p>\n<p>Color: red;</p>\n"
                     "<p><a href=\"/a.html\">A</a> <a href=\"/b.html\">B</a>"
                     " <a href=\"mailto:someone@example.invalid\">mail</a>"
                     " <a href=\"/files/report.zip\">report</a>"
                     " <a href=\"/files/notes.txt\">notes</a>"
                     " <a href=\"/gallery/big.jpg\">big picture</a></p>\n"
                     "<img src=\"/img/photo.jpg\" width=\"120\" height=\"80\" alt=\"photo\">\n"
                     "<img src=\"/img/anim.gif\" width=\"40\" height=\"30\" alt=\"anim\">\n"
                     "<img src=\"/img/icon.bmp\" width=\"16\" height=\"16\" alt=\"icon\">\n"
                     "<img src=\"/img/tiny.jpg\" width=\"5\" height=\"5\" alt=\"tiny\">\n"
                         + FlashObject + "</body></html>\n");
        site.AddPage("/a.html",
                     "<html><body><p>Price: 200 USD</p><p>Color: blue;</p>\n"
                     "<p><a href=\"/c.html\">C</a> <a href=\"/index.html\">home</a>"
                     " <a href=\"/files/data.zip\">data</a>"
                     " <a href=\"/files/report.zip\">report again</a></p>\n"
                     "<img src=\"/img/photo.jpg\" width=\"120\" height=\"80\" alt=\"photo\">\n"
                     "</body></html>\n");
        site.AddPage("/b.html",
                     "<html><body><p>No values here</p>\n"
                     "<p><a href=\"/c.html\">C again</a> <a href=\"/d.html\">D</a>"
                     " <a href=\"/FILES/REPORT.ZIP\">report upper</a>"
                     " <a href=\"/movies/clip.swf\">clip</a></p></body></html>\n");
        site.AddPage("/c.html",
                     "<html><body><p>Price: 300 USD</p>\n"
                     "<p><a href=\"/e.html\">E</a> <a href=\"/files/report.zip?mirror=2\">mirror</a></p>"
                     "</body></html>\n");
        site.AddPage("/d.html",
                     "<html><body><p>Color: green;</p><p><a href=\"/a.html\">back to A</a></p>"
                     "</body></html>\n");
        site.AddPage("/e.html", "<html><body><p>Price: 999 USD</p></body></html>\n");
        site.Add("/img/photo.jpg", photo, "image/jpeg");
        site.Add("/gallery/big.jpg", big, "image/jpeg");
        site.Add("/img/anim.gif", gif, "image/gif");
        site.Add("/img/icon.bmp", bmp, "image/bmp");
        site.Add("/img/tiny.jpg", tiny, "image/jpeg");
        site.Add("/intro.swf", intro, "application/x-shockwave-flash");
        site.Add("/movies/clip.swf", clip, "application/x-shockwave-flash");
        site.Add("/files/report.zip", report, "application/zip");
        site.Add("/files/data.zip", data, "application/zip");
        site.Add("/files/notes.txt", "notes", "text/plain");
    }

    QString Url(const QString& path) const { return site.Url(path); }
};

void ExpectMainLists(const ProgramFolder& folder, const MainSite& s)
{
    // Pages in visiting order: index, a, b (no values), c, d.
    EXPECT_EQ(ReadBytes(folder.TaskPath("listview1.dat")),
              Lines({" 100 ", " red", "", "", "",
                     " 200 ", " blue", "", "", "",
                     " 300 ", "", "", "", "",
                     "", " green", "", "", ""}));
    // A relative movie is made absolute from the page's directory.
    EXPECT_EQ(ReadBytes(folder.TaskPath("listview3.dat")),
              Lines({"intro.swf", s.Url("/intro.swf"), "clip.swf", s.Url("/movies/clip.swf")}));
    // report.zip once: the upper-case copy on b.html is the same URL to the queue.
    EXPECT_EQ(ReadBytes(folder.TaskPath("listview4.dat")),
              Lines({"report.zip", s.Url("/files/report.zip"),
                     "data.zip", s.Url("/files/data.zip"),
                     "report.zip-mirror=2", s.Url("/files/report.zip?mirror=2")}));
    EXPECT_EQ(ReadBytes(folder.TaskPath("listview5.dat")),
              Lines({s.Url("/a.html"), s.Url("/b.html"), "mailto:someone@example.invalid",
                     s.Url("/files/report.zip"), s.Url("/files/notes.txt"), s.Url("/gallery/big.jpg"),
                     s.Url("/c.html"), s.Url("/index.html"), s.Url("/files/data.zip"),
                     s.Url("/d.html"), s.Url("/movies/clip.swf"),
                     s.Url("/e.html"), s.Url("/files/report.zip?mirror=2")}));
}

} // namespace

TEST(BatchE2E, HarvestsASiteAndNumbersCollidingFilesOnTheSecondRun)
{
    MainSite s;
    ASSERT_TRUE(s.site.Start());
    ProgramFolder folder;
    folder.WriteTask(HarvestTask(s.Url("/index.html"), 2));

    const TBatchResult first = RunBatch(folder.Args());
    ASSERT_EQ(first.exitCode, 0) << Describe(first);
    ASSERT_FALSE(first.crashed) << Describe(first);
    EXPECT_EQ(first.out, "Search completed!\n") << Describe(first);
    EXPECT_TRUE(first.err.contains("level 1")) << Describe(first);
    ExpectMainLists(folder, s);

    EXPECT_EQ(Files(folder.TaskPath("Images")),
              Sorted({"anim.gif", "big.jpg", "icon.bmp", "photo.jpg"}));
    EXPECT_EQ(Files(folder.TaskPath("Flashes")), Sorted({"clip.swf", "intro.swf"}));
    EXPECT_EQ(Files(folder.TaskPath("Downloads")),
              Sorted({"data.zip", "report.zip", "report.zip-mirror=2"}));
    EXPECT_EQ(ReadBytes(folder.TaskPath("Images/photo.jpg")), s.photo);
    EXPECT_EQ(ReadBytes(folder.TaskPath("Images/anim.gif")), s.gif);
    EXPECT_EQ(ReadBytes(folder.TaskPath("Images/icon.bmp")), s.bmp);
    EXPECT_EQ(ReadBytes(folder.TaskPath("Flashes/intro.swf")), s.intro);
    EXPECT_EQ(ReadBytes(folder.TaskPath("Downloads/report.zip-mirror=2")), s.report);
    // The browser loads no pictures by default, and filtered or unlisted files are not fetched.
    EXPECT_EQ(s.site.Hits("/img/tiny.jpg"), 0);
    EXPECT_EQ(s.site.Hits("/files/notes.txt"), 0);
    EXPECT_EQ(s.site.Hits("/e.html"), 0);
    // The catalogue is neither needed nor written.
    EXPECT_FALSE(QFileInfo::exists(folder.Paths().TaskListFile()));

    const TBatchResult second = RunBatch(folder.Args());
    ASSERT_EQ(second.exitCode, 0) << Describe(second);
    EXPECT_EQ(second.out, "Search completed!\n");
    ExpectMainLists(folder, s);
    EXPECT_EQ(Files(folder.TaskPath("Images")),
              Sorted({"anim.gif", "big.jpg", "icon.bmp", "photo.jpg",
                      "(1)anim.gif", "(1)big.jpg", "(1)icon.bmp", "(1)photo.jpg"}));
    EXPECT_EQ(Files(folder.TaskPath("Flashes")),
              Sorted({"clip.swf", "intro.swf", "(1)clip.swf", "(1)intro.swf"}));
    EXPECT_EQ(Files(folder.TaskPath("Downloads")),
              Sorted({"data.zip", "report.zip", "report.zip-mirror=2",
                      "(1)data.zip", "(1)report.zip", "(1)report.zip-mirror=2"}));
    EXPECT_EQ(ReadBytes(folder.TaskPath("Images/(1)big.jpg")), s.big);
}

TEST(BatchE2E, BadArgumentsAndMissingSettingsRunNothing)
{
    ProgramFolder folder;
    folder.WriteTask(HarvestTask(QStringLiteral("http://127.0.0.1:1/"), 0));

    TBatchResult r = RunBatch({});
    EXPECT_EQ(r.exitCode, 2) << Describe(r);
    EXPECT_TRUE(r.err.contains(
        "Usage: pagemint-batch [--program-folder DIR] [--retry-failed] TASK [TASK...]"));

    r = RunBatch({"--help"});
    EXPECT_EQ(r.exitCode, 0) << Describe(r);
    EXPECT_TRUE(r.out.startsWith("Usage: pagemint-batch")) << Describe(r);

    r = RunBatch({"--frobnicate", TaskName});
    EXPECT_EQ(r.exitCode, 2) << Describe(r);
    EXPECT_TRUE(r.err.contains("--frobnicate"));

    r = RunBatch({"--program-folder", folder.Folder(), TaskName, "nosuchtask"});
    EXPECT_EQ(r.exitCode, 2) << Describe(r);
    EXPECT_TRUE(r.err.contains("nosuchtask")) << Describe(r);
    // The task that has settings was not run either.
    EXPECT_FALSE(QFileInfo::exists(folder.TaskPath("listview5.dat")));

    r = RunBatch({"--program-folder", folder.Folder() + "/absent", TaskName});
    EXPECT_EQ(r.exitCode, 2) << Describe(r);
}

TEST(BatchE2E, StartUrlThatDoesNotAnswerCompletesWithEmptyLists)
{
    ProgramFolder folder;
    folder.WriteTask(HarvestTask(QStringLiteral("http://127.0.0.1:%1/index.html").arg(UnusedLoopbackPort()), 2));

    // The start page has no links, so the redirect wait (30 s) runs before the run completes.
    const TBatchResult r = RunBatch(folder.Args());
    ASSERT_EQ(r.exitCode, 0) << Describe(r);
    EXPECT_EQ(r.out, "Search completed!\n");
    for (const char* name : {"listview1.dat", "listview3.dat", "listview4.dat", "listview5.dat"}) {
        EXPECT_TRUE(QFileInfo(folder.TaskPath(name)).isFile()) << name;
        EXPECT_EQ(ReadBytes(folder.TaskPath(name)), QByteArray()) << name;
    }
}

TEST(BatchE2E, PageThatNeverFinishesLoadingIsLeftAfterItsWait)
{
    TTestSite site;
    site.AddPage("/index.html",
                 "<html><body><p>Price: 1 USD</p><a href=\"/slow.html\">slow</a>"
                 " <a href=\"/files/a.zip\">a</a></body></html>");
    site.AddHanging("/slow.html", "<html><body><p>Price: 2 USD</p>", "text/html");
    site.Add("/files/a.zip", "zip bytes", "application/zip");
    ASSERT_TRUE(site.Start());
    ProgramFolder folder;
    folder.WriteTask(HarvestTask(site.Url("/index.html"), 1));

    // slow.html is on level 2: its load wait ends after 30 s and the run completes.
    const TBatchResult r = RunBatch(folder.Args());
    ASSERT_EQ(r.exitCode, 0) << Describe(r);
    EXPECT_EQ(r.out, "Search completed!\n");
    EXPECT_TRUE(ReadBytes(folder.TaskPath("listview5.dat"))
                    .startsWith(Lines({site.Url("/slow.html"), site.Url("/files/a.zip")})));
    EXPECT_TRUE(ReadBytes(folder.TaskPath("listview1.dat")).startsWith(Lines({" 1 ", "", "", "", ""})));
    EXPECT_EQ(ReadBytes(folder.TaskPath("Downloads/a.zip")), "zip bytes");
}

TEST(BatchE2E, ServerThatReturnsGarbageYieldsNothingAndNoCrash)
{
    TRawServer garbage(TRawServer::Mode::Garbage);
    ASSERT_TRUE(garbage.Listening());
    TTestSite site;
    site.AddPage("/index.html",
                 "<html><body><a href=\"" + garbage.Url("/page.html") + "\">garbage page</a>"
                 " <a href=\"" + garbage.Url("/files/x.zip") + "\">garbage file</a>"
                 "<img src=\"" + garbage.Url("/img/x.jpg") + "\" width=\"50\" height=\"50\">"
                 "<img src=\"/img/broken.jpg\" width=\"50\" height=\"50\"></body></html>");
    const QByteArray broken = MakeBytes(4000, 9);
    site.Add("/img/broken.jpg", broken, "image/jpeg");
    ASSERT_TRUE(site.Start());
    ProgramFolder folder;
    TTaskItem task = HarvestTask(site.Url("/index.html"), 1);
    task.PageLocation = 0; // follow the link to the other port
    folder.WriteTask(task);

    const TBatchResult r = RunBatch(folder.Args());
    ASSERT_EQ(r.exitCode, 0) << Describe(r);
    ASSERT_FALSE(r.crashed);
    EXPECT_EQ(r.out, "Search completed!\n");
    EXPECT_EQ(ReadBytes(folder.TaskPath("listview5.dat")),
              Lines({garbage.Url("/page.html"), garbage.Url("/files/x.zip")}));
    // Failed transfers leave their (empty) files; a picture that does not decode stays on disk.
    EXPECT_EQ(Files(folder.TaskPath("Images")), Sorted({"broken.jpg", "x.jpg"}));
    EXPECT_EQ(ReadBytes(folder.TaskPath("Images/broken.jpg")), broken);
    EXPECT_EQ(Files(folder.TaskPath("Downloads")), QStringList({"x.zip"}));
}

TEST(BatchE2E, DiskThatRefusesWritesEndsWithAnError)
{
    MainSite s;
    ASSERT_TRUE(s.site.Start());
    ProgramFolder folder;
    folder.WriteTask(HarvestTask(s.Url("/index.html"), 2));
    // Files where folders belong and a folder where a file belongs: this holds for root too.
    ASSERT_TRUE(QDir(folder.TaskPath("Images")).removeRecursively());
    QFile blocker(folder.TaskPath("Images"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_TRUE(QDir().mkpath(folder.TaskPath("listview1.dat")));

    const TBatchResult r = RunBatch(folder.Args());
    EXPECT_EQ(r.exitCode, 1) << Describe(r);
    EXPECT_FALSE(r.crashed);
    EXPECT_TRUE(r.err.contains("Unable to write to")) << Describe(r);
    EXPECT_TRUE(r.err.contains("listview1.dat")) << Describe(r);
    EXPECT_FALSE(r.out.contains("Search completed!")) << Describe(r);
    // The downloads queued before the error were still made where they could be.
    EXPECT_EQ(ReadBytes(folder.TaskPath("Downloads/report.zip")), s.report);
    EXPECT_TRUE(QFileInfo(folder.TaskPath("Images")).isFile());
}

TEST(BatchE2E, FirstSignalStopsSecondAbortsDownloads)
{
    TTestSite site;
    site.AddPage("/index.html",
                 "<html><body><a href=\"/slow.html\">slow</a>"
                 "<img src=\"/img/hang.jpg\" width=\"50\" height=\"50\"></body></html>");
    site.AddHanging("/slow.html", "<html><body>", "text/html");
    site.AddHanging("/img/hang.jpg", MakeBytes(100, 5), "image/jpeg");
    ASSERT_TRUE(site.Start());
    ProgramFolder folder;
    folder.WriteTask(HarvestTask(site.Url("/index.html"), 1));

    QProcess process;
    StartBatch(process, folder.Args());
    ASSERT_TRUE(process.waitForStarted());
    QString out;
    QString err;
    const auto waitFor = [&](QString& text, const QString& what) {
        QDeadlineTimer deadline(60'000);
        while (!text.contains(what) && !deadline.hasExpired()
               && process.state() == QProcess::Running) {
            process.waitForReadyRead(500);
            out += QString::fromUtf8(process.readAllStandardOutput());
            err += QString::fromUtf8(process.readAllStandardError());
        }
        return text.contains(what);
    };

    // The crawl waits for slow.html (level 2) when the first signal arrives.
    ASSERT_TRUE(waitFor(err, site.Url("/slow.html"))) << err.toStdString();
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(waitFor(out, "Task is cancelled!")) << out.toStdString() << err.toStdString();
    // "Stop" has saved the lists; the hanging picture is still being downloaded.
    EXPECT_EQ(ReadBytes(folder.TaskPath("listview5.dat")), Lines({site.Url("/slow.html")}));
    ASSERT_TRUE(waitFor(err, "1 running")) << err.toStdString();
    EXPECT_EQ(process.state(), QProcess::Running);

    ::kill(pid_t(process.processId()), SIGTERM);
    TBatchResult r = Finish(process, 60'000);
    r.out.prepend(out);
    r.err.prepend(err);
    EXPECT_FALSE(r.timedOut) << Describe(r);
    EXPECT_FALSE(r.crashed) << Describe(r);
    EXPECT_EQ(r.exitCode, 128 + SIGINT) << Describe(r);
    EXPECT_EQ(r.out, "Task is cancelled!\n");
    EXPECT_EQ(ReadBytes(folder.TaskPath("listview5.dat")), Lines({site.Url("/slow.html")}));
    EXPECT_EQ(ReadBytes(folder.TaskPath("listview1.dat")), QByteArray());
}

TEST(BatchE2E, TasksRunInTurnAndTheLogonPauseIsSkipped)
{
    MainSite s;
    ASSERT_TRUE(s.site.Start());
    ProgramFolder folder;
    TTaskItem first = HarvestTask(s.Url("/a.html"), 0);
    first.ManualBool = true;
    first.TaskName = QStringLiteral("first");
    SaveTaskFile(first, folder.Paths());
    TTaskItem second = HarvestTask(s.Url("/d.html"), 0);
    second.TaskName = QStringLiteral("second");
    SaveTaskFile(second, folder.Paths());

    const TBatchResult r = RunBatch({"--program-folder", folder.Folder(), "first", "second"});
    ASSERT_EQ(r.exitCode, 0) << Describe(r);
    // Nobody waits a minute for a logon that nobody makes; the skip is said on stderr.
    EXPECT_EQ(r.out, "Search completed!\nSearch completed!\n") << Describe(r);
    EXPECT_TRUE(r.err.contains("manual logon")) << Describe(r);
    EXPECT_EQ(ReadBytes(folder.Paths().ListFile("first", 0)), Lines({" 200 ", " blue", "", "", ""}));
    EXPECT_EQ(ReadBytes(folder.Paths().ListFile("second", 0)), Lines({"", " green", "", "", ""}));
    EXPECT_EQ(ReadBytes(folder.Paths().ListFile("second", 4)), Lines({s.Url("/a.html")}));
    EXPECT_EQ(Files(folder.Paths().DownloadsFolder("first")), QStringList({"data.zip", "report.zip"}));
}

TEST(BatchE2E, RetryFailedDownloadsAgainIntoTheirFilesAndCountsFailures)
{
    TTestSite site;
    ASSERT_TRUE(site.Start());
    const QByteArray fixed = MakeBytes(900, 7);
    site.Add("/files/fixed.zip", fixed, "application/zip");
    ProgramFolder folder;
    TTaskItem task = HarvestTask(site.Url("/index.html"), 0);
    folder.WriteTask(task);

    // An earlier run left two failures: one the site now answers, one it still does not.
    const TDownloadRecord record(folder.Paths().TaskFolder(TaskName));
    const QString fixedFile = folder.TaskPath("Downloads/fixed.zip");
    const QString goneFile = folder.TaskPath("Downloads/gone.zip");
    for (const QString& file : {fixedFile, goneFile}) {
        QFile empty(file);
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    for (const auto& [path, file] : {std::pair{QStringLiteral("/files/fixed.zip"), fixedFile},
                                     std::pair{QStringLiteral("/files/gone.zip"), goneFile}}) {
        TDownloadEntry entry;
        entry.Time = QDateTime::currentDateTimeUtc();
        entry.HttpStatus = 503;
        entry.URL = site.Url(path);
        entry.FileName = file;
        ASSERT_TRUE(record.Append(entry));
    }

    QStringList args = folder.Args();
    args.prepend(QStringLiteral("--retry-failed"));
    const TBatchResult result = RunBatch(args);
    ASSERT_EQ(result.exitCode, 0) << Describe(result);
    EXPECT_EQ(ReadBytes(fixedFile), fixed);
    EXPECT_EQ(ReadBytes(goneFile), QByteArray());
    // No crawl: the start page was never asked for, and no numbered copies were made.
    EXPECT_EQ(site.Hits("/index.html"), 0);
    EXPECT_EQ(Files(folder.Paths().DownloadsFolder(TaskName)), QStringList({"fixed.zip", "gone.zip"}));
    EXPECT_TRUE(result.err.contains(QStringLiteral("Task site: 2 failed downloads queued again"))) << Describe(result);
    EXPECT_TRUE(result.err.contains(QStringLiteral("Task site: 1 failed downloads"))) << Describe(result);
    EXPECT_EQ(record.FailedEntries().size(), 1);
}
