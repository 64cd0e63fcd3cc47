#pragma once
/**
 * The harvesting engine: all program state of one front end and the entry points that the
 * desktop program and the batch runner share. The front ends stay thin: they show what the
 * engine holds and forward commands to it. Lives on the user-interface thread.
 *
 * Owns: CurrentTask (the selected task), ProgramSettings, the run state, the five result
 * lists with the gallery, the crawl driver, the download scheduler with its workers, DownloadLock
 * and Timer1 (the one-second scheduler timer), and the event pump with the clock that the crawl
 * waits on. The front end (TFrontEnd) only shows what it is told and never sees Timer1.
 */

#include "host/eventpump.h"
#include "host/frontend.h"
#include "results/resultlists.h"
#include "task/common.h"
#include "task/paths.h"
#include "task/programsettings.h"
#include "task/runstate.h"

#include <QObject>
#include <memory>

class TBrowser;
class TGallery;

class THarvester : public QObject
{
    Q_OBJECT
public:
    /** pump: the event pump and clock of the crawl's waits; null for the engine's own
     *  TEventLoopPump. A given pump must outlive the engine. */
    THarvester(const TPaths& paths, TBrowser& browser, TFrontEnd& frontEnd, TEventPump* pump = nullptr,
               QObject* parent = nullptr);
    /** Stops the scheduler, aborts running downloads and joins their workers. */
    ~THarvester() override;

    const TPaths& Paths() const;
    /** The pump and clock the crawl waits on (the logon bar counts down on the same clock). */
    TEventPump& EventPump();
    /** Puts in another pump (tests move the clock by hand); not while a run is active. It must
     *  outlive the engine or be replaced first. */
    void SetEventPump(TEventPump& pump);
    /** Nanoseconds the engine's own pump has spent handling and waiting for events so far (the
     *  crawl's waits for the browser); a pump put in from outside is not counted. */
    qint64 PumpedNs() const;
    TTaskItem& CurrentTask();
    TProgramSettings& ProgramSettings();
    /** The run's state, read-only: it changes through the run's own transitions only. */
    const TRunState& RunState() const;
    /** The result lists shown for the selected task. While the selected task is the one that
     *  runs, they follow the run's own lists row by row; otherwise they hold the selected task's
     *  stored results, and a run of another task never touches them. */
    TResultLists& Results();
    /** The name of the task whose results and gallery are shown; empty for none. */
    QString ShownTaskName() const;
    /** The colour the thumbnail tiles are filled with (the desktop's button face). */
    void SetThumbnailBackground(QRgb colour);
    /** Lets the gallery write to the desktop's shared thumbnail cache while the program
     *  settings ask for it (WriteThumbnailCache). Off until a front end allows it; the batch
     *  runner never does. Lookups in the cache happen either way. */
    void AllowThumbnailCacheWrites(bool allowed);
    /** The gallery that fills the shown Images list, for tests that watch its work. */
    TGallery& Gallery();

    /** A task node was selected: loads its result lists (the gallery from its Images folder)
     *  and its settings.ini into CurrentTask. A file that exists but cannot be read throws
     *  EPagemintError once everything readable is loaded; when it is settings.ini, CurrentTask
     *  holds only the task's name and RunTask refuses that task with the same error until it
     *  is selected again and read. */
    void SelectTask(const QString& taskName);
    /** The root was selected. The lists go on showing the last selected task (CurrentTask keeps
     *  it too), so its finished downloads still join its gallery. */
    void SelectNoTask();

    /** Reads pmsettings.ini into ProgramSettings and applies the browser options. Throws
     *  EPagemintError when the file exists but cannot be read (ProgramSettings unchanged). */
    void ReadProgramSettings();
    /** Writes ProgramSettings to pmsettings.ini. Throws EPagemintError. */
    void WriteProgramSettings();

    /** True from the start of RunTask to its return. */
    bool IsRunActive() const;
    /** Runs the task whose settings CurrentTask holds under taskName; returns when the run has
     *  ended. A second run while one is active is refused with a message and changes nothing.
     *  An error of the run escapes as an exception. */
    void RunTask(const QString& taskName);
    /** "Stop": asks the running task to stop and saves its result lists. */
    void ActionPauseExecute();
    /** Asks the running crawl to end at its next wait without saving anything (an abort that
     *  follows a "Stop"). */
    void RequestStop();
    /** The result lists of a task to its list files. The first save of a run keeps the task's
     *  former list files as its backup generation first. Throws EPagemintError. */
    void SaveResultLists(const QString& taskName);

    /** The task of the current or last run; empty before the first run. */
    QString RunTaskName() const;
    /** Downloads of the current (or last) run: queued in all, finished, and of those failed. */
    struct TDownloadCounts
    {
        qsizetype Queued = 0;
        qsizetype Done = 0;
        qsizetype Failed = 0;
    };
    TDownloadCounts DownloadCounts() const;
    /** True while a run of taskName is active, or while downloads queued by the latest run,
     *  when it was a run of taskName, still wait or run: its folders are in use. */
    bool IsTaskBusy(const QString& taskName) const;
    /** "Continue": ends the manual logon pause in progress at once. */
    void EndLogonPause();
    bool InLogonPause() const;
    /** "Retry Failed": queues the URLs whose latest download in the task's record failed again,
     *  each into its existing file, for the same scheduler and slots, without a crawl. Refused
     *  (-1) while a run is active or downloads still wait or run; otherwise the number queued
     *  (0: nothing failed). */
    int RetryFailed(const QString& taskName);

    /** One scheduler tick (Timer1 calls it every second while enabled). */
    void Timer1Timer();
    bool TimerEnabled() const;
    /** Nothing is waiting in the queue and no download worker runs. */
    bool DownloadsIdle() const;

    /** Program end: "Stop" for a run in progress (its lists are saved), Timer1 off, every download
     *  worker aborted and joined. Idempotent. Call it when RunTask is not on the stack (a window
     *  closed during a run asks for "Stop" and closes once RunTask has returned). */
    void Shutdown();

signals:
    /** Timer1 was switched off by the scheduler: the downloads of a completed run are done. */
    void DownloadsFinished();

private:
    struct TImpl;
    std::unique_ptr<TImpl> m_impl;
};
