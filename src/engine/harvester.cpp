#include "engine/harvester.h"

#include "crawl/browser.h"
#include "crawl/crawldriver.h"
#include "download/downloadpool.h"
#include "download/downloadrecord.h"
#include "download/gallery.h"
#include "download/scheduler.h"
#include "results/resultbackup.h"
#include "download/thumbnailcache.h"
#include "results/resultfiles.h"
#include "task/errors.h"
#include "task/taskfile.h"

#include <optional>

using namespace pagemint;

struct THarvester::TImpl
{
    TImpl(const TPaths& paths, TBrowser& browser, TFrontEnd& frontEnd, TEventPump* pump)
        : m_paths(paths)
        , m_browser(browser)
        , m_pump(pump ? pump : &m_ownPump)
        , m_driver(m_run, m_runLists, browser, frontEnd, *m_pump,
                   [this](const QString& taskName) { SaveRunLists(taskName); },
                   [this](const QString& taskName) {
                       m_scheduler.SetTimerEnabled(true);
                       m_scheduler.SetRunTaskName(taskName);
                   })
        , m_pool(m_run.RunningDownloads)
        , m_scheduler(m_run, m_paths, m_settings, m_pool, frontEnd)
        , m_gallery(m_shownLists, frontEnd, &m_thumbnailCache)
    {
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
        pagemint::SaveResultLists(m_runLists, m_paths, taskName);
    }

    /** The shared thumbnail cache is written only when the front end allows it and the
     *  program settings ask for it. */
    void ApplyThumbnailCacheWrites()
    {
        m_thumbnailCache.SetWriteEnabled(m_thumbnailCacheWritesAllowed && m_settings.WriteThumbnailCache);
    }

    TPaths m_paths;
    TBrowser& m_browser;
    TEventLoopPump m_ownPump;
    TEventPump* m_pump;         // m_ownPump unless another was put in
    TTaskItem m_currentTask;
    TProgramSettings m_settings;
    TRunState m_run;
    TResultLists m_runLists;    // what the run fills and saves
    TResultLists m_shownLists;  // what the front end shows
    QString m_runListsTask;     // the task whose run filled m_runLists
    QString m_shownTask;
    QString m_unreadTask;       // the selected task whose settings.ini could not be read
    QString m_unreadError;      // and the error that said so
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

THarvester::THarvester(const TPaths& paths, TBrowser& browser, TFrontEnd& frontEnd, TEventPump* pump,
                       QObject* parent)
    : QObject(parent), m_impl(std::make_unique<TImpl>(paths, browser, frontEnd, pump))
{
    TImpl& d = *m_impl;
    connect(&d.m_scheduler, &TScheduler::TimerStopped, this, &THarvester::DownloadsFinished);
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
TEventPump& THarvester::EventPump() { return *m_impl->m_pump; }

qint64 THarvester::PumpedNs() const { return m_impl->m_ownPump.PumpedNs(); }

void THarvester::SetEventPump(TEventPump& pump)
{
    m_impl->m_pump = &pump;
    m_impl->m_driver.SetEventPump(pump);
}

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
    d.m_settings = pagemint::ReadProgramSettings(d.m_paths.ProgramSettingsFile());
    d.m_browser.ApplyBrowserOptions(d.m_settings);
    d.ApplyThumbnailCacheWrites();
}

void THarvester::WriteProgramSettings()
{
    m_impl->ApplyThumbnailCacheWrites();
    pagemint::WriteProgramSettings(m_impl->m_paths.ProgramSettingsFile(), m_impl->m_settings);
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
    d.m_scheduler.SetTimerEnabled(true);
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
bool THarvester::TimerEnabled() const { return m_impl->m_scheduler.TimerEnabled(); }

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
    d.m_scheduler.SetTimerEnabled(false);
    d.m_pool.AbortAndJoinAll();
    d.m_gallery.CancelAll();
}
