#include "engine/harvester.h"

#include "crawl/browser.h"
#include "crawl/crawldriver.h"
#include "download/downloadpool.h"
#include "download/downloadrecord.h"
#include "download/gallery.h"
#include "download/galleryhost.h"
#include "download/scheduler.h"
#include "results/resultbackup.h"
#include "download/schedulerhost.h"
#include "download/thumbnailcache.h"
#include "results/resultfiles.h"
#include "task/errors.h"
#include "task/taskfile.h"

#include <functional>
#include <optional>

namespace {

/** The crawl's host: the front end's, except that Timer1 is started here. */
class TEngineCrawlHost : public TCrawlHost
{
public:
    TEngineCrawlHost(THarvestHost& host, QTimer& timer1, std::function<void(const QString&)> runStarted)
        : m_host(host), m_timer1(timer1), m_runStarted(std::move(runStarted)) {}

    void ProcessMessages() override { m_host.ProcessMessages(); }
    qint64 NowMs() const override { return m_host.NowMs(); }
    void ShowMessage(const QString& text) override { m_host.ShowMessage(text); }
    void SetSearchProgress(int percent) override { m_host.SetSearchProgress(percent); }
    void SetCurrentPage(const QString& text) override { m_host.SetCurrentPage(text); }
    void StartDownloadTimer() override { m_timer1.start(); }
    bool CanPauseForLogon() const override { return m_host.CanPauseForLogon(); }
    void LogonPauseSkipped(const QString& url) override { m_host.LogonPauseSkipped(url); }
    void RunStarted(const QString& taskName) override
    {
        m_runStarted(taskName);
        m_host.RunStarted(taskName);
    }
    void CrawlCompleted(const QString& taskName) override { m_host.CrawlCompleted(taskName); }
    void LogonPauseStarted(qint64 deadlineMs) override { m_host.LogonPauseStarted(deadlineMs); }
    void LogonPauseEnded() override { m_host.LogonPauseEnded(); }

private:
    THarvestHost& m_host;
    QTimer& m_timer1;
    std::function<void(const QString&)> m_runStarted;
};

/** The scheduler's host: Timer1 here, the progress bar at the front end. */
class TEngineSchedulerHost : public TSchedulerHost
{
public:
    TEngineSchedulerHost(THarvestHost& host, QTimer& timer1, std::function<void()> stopped)
        : m_host(host), m_timer1(timer1), m_stopped(std::move(stopped)) {}

    void SetDownloadTimerEnabled(bool enabled) override
    {
        if (enabled) {
            m_timer1.start();
        } else if (m_timer1.isActive()) {
            m_timer1.stop();
            m_stopped();
        }
    }
    bool DownloadTimerEnabled() const override { return m_timer1.isActive(); }
    void SetDownloadProgress(int percent) override { m_host.SetDownloadProgress(percent); }

private:
    THarvestHost& m_host;
    QTimer& m_timer1;
    std::function<void()> m_stopped;
};

/** The gallery's host: the busy cursor and the progress bar at the front end. */
class TEngineGalleryHost : public TGalleryHost
{
public:
    explicit TEngineGalleryHost(THarvestHost& host) : m_host(host) {}

    void SetBusy(bool busy) override { m_host.SetBusyCursor(busy); }
    void SetRebuildProgress(bool visible, int percent) override { m_host.SetGalleryProgress(visible, percent); }

private:
    THarvestHost& m_host;
};

} // namespace

struct THarvester::TImpl
{
    TImpl(THarvester& owner, const TPaths& paths, TBrowser& browser, THarvestHost& host)
        : m_paths(paths)
        , m_browser(browser)
        , m_host(host)
        , m_crawlHost(host, m_timer1, [this](const QString& taskName) { m_scheduler.SetRunTaskName(taskName); })
        , m_schedulerHost(host, m_timer1, [&owner] { emit owner.DownloadsFinished(); })
        , m_galleryHost(host)
        , m_driver(m_run, m_runLists, browser, m_crawlHost,
                   [this](const QString& taskName) { SaveRunLists(taskName); })
        , m_pool(m_run.RunningDownloads)
        , m_scheduler(m_run, m_paths, m_settings, m_pool, m_schedulerHost)
        , m_gallery(m_shownLists, m_galleryHost, &m_thumbnailCache)
    {
        m_timer1.setInterval(1000);
        // A coarse timer may slip each tick by up to 5 %, which the download rate would show.
        m_timer1.setTimerType(Qt::PreciseTimer);
        m_scheduler.SetBrowserSession(browser.Session());
    }

    /** Copies the run's lists into the shown ones (all but Images, which the gallery fills). */
    void MirrorRunLists()
    {
        m_shownLists.SetText(m_runLists.Text());
        m_shownLists.SetFlash(m_runLists.Flash());
        m_shownLists.SetDownloads(m_runLists.Downloads());
        m_shownLists.SetLinks(m_runLists.Links());
    }

    bool ShowsRunLists() const { return !m_shownTask.isEmpty() && m_shownTask == m_runListsTask; }

    /** Saves the run's lists; the run's first save makes the files it replaces the backup. */
    void SaveRunLists(const QString& taskName)
    {
        if (m_backupPending && taskName == m_runListsTask) {
            BackupResultLists(m_paths, taskName);
            m_backupPending = false;
        }
        ::SaveResultLists(m_runLists, m_paths, taskName);
    }

    /** The shared thumbnail cache is written only when the front end allows it and the
     *  program settings ask for it. */
    void ApplyThumbnailCacheWrites()
    {
        m_thumbnailCache.SetWriteEnabled(m_thumbnailCacheWritesAllowed && m_settings.WriteThumbnailCache);
    }

    TPaths m_paths;
    TBrowser& m_browser;
    THarvestHost& m_host;
    TTaskItem m_currentTask;
    TProgramSettings m_settings;
    TRunState m_run;
    TResultLists m_runLists;    // what the run fills and saves
    TResultLists m_shownLists;  // what the front end shows
    QString m_runListsTask;     // the task whose run filled m_runLists
    QString m_shownTask;
    QString m_unreadTask;       // the selected task whose settings.ini could not be read
    QString m_unreadError;      // and the error that said so
    QTimer m_timer1;
    TEngineCrawlHost m_crawlHost;
    TEngineSchedulerHost m_schedulerHost;
    TEngineGalleryHost m_galleryHost;
    TCrawlDriver m_driver;
    TDownloadPool m_pool;
    TScheduler m_scheduler;
    // Read by the gallery's workers: declared before the gallery, so it outlives them.
    TThumbnailCache m_thumbnailCache{TThumbnailCache::DefaultBaseFolder(), false};
    bool m_thumbnailCacheWritesAllowed = false;
    TGallery m_gallery;
    bool m_shutDown = false;
    bool m_backupPending = false;  // the run has not yet replaced its task's list files
    qsizetype m_downloadsDone = 0;   // finished downloads of the run's task since it started
    qsizetype m_downloadsFailed = 0;
};

THarvester::THarvester(const TPaths& paths, TBrowser& browser, THarvestHost& host, QObject* parent)
    : QObject(parent), m_impl(std::make_unique<TImpl>(*this, paths, browser, host))
{
    TImpl& d = *m_impl;
    connect(&d.m_timer1, &QTimer::timeout, this, &THarvester::Timer1Timer);
    connect(&d.m_pool, &TDownloadPool::DownloadFinished, &d.m_scheduler, &TScheduler::DownloadEnded);
    connect(&d.m_pool, &TDownloadPool::DownloadFinished, &d.m_gallery, &TGallery::OnDownloadFinished);
    connect(&d.m_pool, &TDownloadPool::DownloadFinished, this,
            [&d](const QString&, const QString& taskName, const TDownloadResult& result) {
                if (taskName != d.m_run.Task.TaskName)
                    return;
                ++d.m_downloadsDone;
                if (!result.Succeeded)
                    ++d.m_downloadsFailed;
            });
    connect(&d.m_pool, &TDownloadPool::SlotFreed, &d.m_scheduler, &TScheduler::SlotFreed);
    // A file kept from an earlier run joins the gallery as if it had just been downloaded.
    connect(&d.m_scheduler, &TScheduler::AlreadyDownloaded, &d.m_gallery, &TGallery::OnDownloadFinished);

    // While the shown task is the one whose run fills the run's lists, the shown lists follow
    // them; a run of another task leaves the shown lists alone.
    connect(&d.m_runLists, &TResultLists::RowsAppended, this, [&d](int tab, int first, int last) {
        if (!d.ShowsRunLists())
            return;
        for (int row = first; row <= last; ++row)
            d.m_shownLists.AppendRowFrom(d.m_runLists, tab, row);
    });
    connect(&d.m_runLists, &TResultLists::TabReset, this, [&d](int tab) {
        if (!d.ShowsRunLists())
            return;
        if (tab == TabImages)
            d.m_shownLists.ClearTab(TabImages); // a run starts with an empty gallery
        else
            d.MirrorRunLists();
    });
}

THarvester::~THarvester()
{
    Shutdown();
}

const TPaths& THarvester::Paths() const { return m_impl->m_paths; }
TTaskItem& THarvester::CurrentTask() { return m_impl->m_currentTask; }
TProgramSettings& THarvester::ProgramSettings() { return m_impl->m_settings; }
const TRunState& THarvester::RunState() const { return m_impl->m_run; }
TResultLists& THarvester::Results() { return m_impl->m_shownLists; }
QString THarvester::ShownTaskName() const { return m_impl->m_shownTask; }
void THarvester::SetThumbnailBackground(QRgb colour) { m_impl->m_gallery.SetButtonFace(colour); }

TGallery& THarvester::Gallery() { return m_impl->m_gallery; }

void THarvester::AllowThumbnailCacheWrites(bool allowed)
{
    m_impl->m_thumbnailCacheWritesAllowed = allowed;
    m_impl->ApplyThumbnailCacheWrites();
}

void THarvester::SelectTask(const QString& taskName)
{
    TImpl& d = *m_impl;
    d.ApplyThumbnailCacheWrites();
    d.m_shownTask = taskName;
    d.m_gallery.SetShownTask(taskName);
    // A list file that cannot be read is reported after the settings are read, so that
    // CurrentTask never goes on holding the task selected before.
    std::optional<EPagemintError> listError;
    if (d.ShowsRunLists() && d.m_driver.IsRunActive()) {
        // The running task: its live lists, and the pictures downloaded for it so far.
        d.m_shownLists.ClearAll();
        d.MirrorRunLists();
        d.m_gallery.LoadGalleryFolder(d.m_paths.ImagesFolder(taskName));
    } else {
        try {
            LoadResultLists(d.m_shownLists, d.m_paths, taskName,
                            [&d](const QString& folder) { d.m_gallery.LoadGalleryFolder(folder); });
        } catch (const EPagemintError& error) {
            listError = error;
        }
    }
    try {
        d.m_currentTask = LoadTaskFile(d.m_paths.TaskSettingsFile(taskName));
        d.m_unreadTask.clear();
        d.m_unreadError.clear();
    } catch (const EPagemintError& error) {
        // Only the name is known; "Start" refuses to run the task on these blank settings.
        d.m_currentTask = TTaskItem();
        d.m_currentTask.TaskName = taskName;
        d.m_unreadTask = taskName;
        d.m_unreadError = error.Message();
        throw;
    }
    if (listError)
        throw *listError;
}

void THarvester::SelectNoTask()
{
    // Nothing to change: the shown lists, and so the gallery's task, stay those of the last
    // selected task until another task is selected.
}

void THarvester::ReadProgramSettings()
{
    TImpl& d = *m_impl;
    d.m_settings = ::ReadProgramSettings(d.m_paths.ProgramSettingsFile());
    d.m_browser.ApplyBrowserOptions(d.m_settings);
    d.ApplyThumbnailCacheWrites();
}

void THarvester::WriteProgramSettings()
{
    m_impl->ApplyThumbnailCacheWrites();
    ::WriteProgramSettings(m_impl->m_paths.ProgramSettingsFile(), m_impl->m_settings);
}

bool THarvester::IsRunActive() const { return m_impl->m_driver.IsRunActive(); }

void THarvester::RunTask(const QString& taskName)
{
    TImpl& d = *m_impl;
    if (d.m_shutDown)
        return;
    // Settings that could not be read are not run on: the run would save empty lists over
    // the task's own.
    if (!d.m_driver.IsRunActive() && !d.m_unreadError.isEmpty() && taskName == d.m_unreadTask)
        throw EPagemintError(d.m_unreadError);
    if (!d.m_driver.IsRunActive()) {
        d.m_runListsTask = taskName;
        d.m_backupPending = true;
        d.m_downloadsDone = d.m_downloadsFailed = 0;
    }
    d.m_driver.RunTask(taskName, d.m_currentTask);
}

void THarvester::ActionPauseExecute()
{
    // Downloads already handed out finish their current try, but wait for no other.
    m_impl->m_pool.StopRetrying();
    m_impl->m_driver.ActionPauseExecute();
}

int THarvester::RetryFailed(const QString& taskName)
{
    TImpl& d = *m_impl;
    if (d.m_shutDown || d.m_driver.IsRunActive() || !d.m_run.DownloadsIdle()
        || !TPaths::IsUsableTaskName(taskName))
        return -1;
    QList<std::array<QString, 3>> failed;
    for (const TDownloadEntry& entry : TDownloadRecord(d.m_paths.TaskFolder(taskName)).FailedEntries())
        failed.append({entry.URL, entry.Referrer, entry.FileName});
    if (failed.isEmpty())
        return 0;
    TTaskItem task = LoadTaskFile(d.m_paths.TaskSettingsFile(taskName));
    task.TaskName = taskName;
    d.m_run.BeginRetryRun(task, failed);
    d.m_scheduler.SetRunTaskName(taskName);
    d.m_timer1.start();
    d.m_scheduler.Timer1Timer();
    return int(d.m_run.DownloadQueue.Count());
}
void THarvester::RequestStop() { m_impl->m_run.RequestStop(); }

void THarvester::SaveResultLists(const QString& taskName)
{
    m_impl->SaveRunLists(taskName);
}

QString THarvester::RunTaskName() const { return m_impl->m_runListsTask; }

THarvester::TDownloadCounts THarvester::DownloadCounts() const
{
    const TImpl& d = *m_impl;
    return {d.m_run.DownloadQueue.Count(), d.m_downloadsDone, d.m_downloadsFailed};
}

bool THarvester::IsTaskBusy(const QString& taskName) const
{
    const TImpl& d = *m_impl;
    if (d.m_driver.IsRunActive() && (d.m_runListsTask == taskName || d.m_run.Task.TaskName == taskName))
        return true;
    // The scheduler files the latest run's downloads under its copy of the task's name.
    return (d.m_runListsTask == taskName || d.m_run.Task.TaskName == taskName) && !d.m_run.DownloadsIdle();
}

void THarvester::EndLogonPause() { m_impl->m_driver.EndLogonPause(); }
bool THarvester::InLogonPause() const { return m_impl->m_driver.InLogonPause(); }

void THarvester::Timer1Timer() { m_impl->m_scheduler.Timer1Timer(); }
bool THarvester::TimerEnabled() const { return m_impl->m_timer1.isActive(); }

bool THarvester::DownloadsIdle() const
{
    return m_impl->m_run.DownloadsIdle();
}

void THarvester::Shutdown()
{
    TImpl& d = *m_impl;
    if (d.m_shutDown)
        return;
    d.m_shutDown = true;
    if (d.m_driver.IsRunActive())
        d.m_driver.ActionPauseExecute();
    d.m_timer1.stop();
    d.m_pool.AbortAndJoinAll();
    d.m_gallery.CancelAll();
}
