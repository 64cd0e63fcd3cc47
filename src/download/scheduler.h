#pragma once

#include "download/downloadjob.h"
#include "download/downloadrecord.h"
#include "download/downloadthread.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

struct TRunState;
struct TProgramSettings;
class TPaths;
class TDownloadStarter;
class TFrontEnd;
class TBrowserSession;

/**
 * The download scheduler. Once a second (Timer1Timer, called by its own timer Timer1 while that
 * is on; tests call it directly) it hands waiting DownloadQueue entries to new workers, never
 * more at once than the running task's TaskThread, chooses each file's folder and name, shows
 * the share of the queue handed out on the front end's "Download Progress:" bar and switches
 * Timer1 off once the crawl has finished and nothing waits or runs.
 *
 * A destination handed to a download that has not ended yet counts as taken, so two downloads
 * never write the same file; DownloadEnded frees it. The engine connects the pool's
 * DownloadFinished to DownloadEnded.
 *
 * A freed slot is filled at once (SlotFreed, connected to the pool's SlotFreed) while Timer1
 * runs, so no slot idles until the next tick; the tick still moves the bar and switches off.
 *
 * With the task's SkipDownloaded on, an entry that the task's download record shows as saved
 * whole by an earlier run (its file still there with the recorded size) counts as handed out
 * without a worker or a slot, and AlreadyDownloaded tells the gallery about its file.
 *
 * Lives on the UI thread. All collaborators are owned by the engine and outlive the scheduler.
 */
class TScheduler : public QObject
{
    Q_OBJECT
public:
    TScheduler(TRunState& run, const TPaths& paths, const TProgramSettings& settings,
               TDownloadStarter& starter, TFrontEnd& frontEnd, QObject* parent = nullptr);

    /** Switches Timer1 on (a run or a retry has started) or off (the program ends; no
     *  TimerStopped then). Off at first. */
    void SetTimerEnabled(bool enabled);
    bool TimerEnabled() const { return m_timer1.isActive(); }
    /** Timer1's period: 1000 ms; benchmarks tick faster. */
    void SetTimerInterval(int ms) { m_timer1.setInterval(ms); }

    /** One tick. Any failure inside ends the tick silently; what was done stays done. */
    void Timer1Timer();
    void DispatchDownloads();
    /** Full path of the file an entry is saved to; the name is not yet reserved. */
    QString DownloadDestination(const QString& entry) const;
    /** Starts a worker for the entry (handed over untrimmed) with copies of the downloader settings
     *  and, when the session is shared, the browser's cookies, user agent and the referrer. */
    void StartDownload(const QString& entry, const QString& destination,
                       const QString& referrer = QString());

    /** The browser whose session downloads share (ShareBrowserSession); null for none. It must
     *  outlive the scheduler or be reset first. */
    void SetBrowserSession(TBrowserSession* session) { m_session = session; }

    /** The run's name in the catalogue, carried by every download it starts so that the
     *  gallery shows the file with that task (a copied task folder may hold another TaskName
     *  in its settings.ini). Set when a run starts; empty: the running task's TaskName. */
    void SetRunTaskName(const QString& name) { m_runTaskName = name; }

    /** Destinations handed to downloads that have not ended. */
    qsizetype InProgressCount() const { return m_inProgress.size(); }

public slots:
    /** A download has ended: its destination no longer counts as taken by the scheduler. */
    void DownloadEnded(const QString& fileName);
    /** A worker has ended: hands out waiting entries to the free slots now. */
    void SlotFreed();

signals:
    /** A tick has switched Timer1 off: the downloads of a completed run are done. */
    void TimerStopped();
    /** An entry was not downloaded again: its file from an earlier run is whole (Succeeded set). */
    void AlreadyDownloaded(const QString& fileName, const QString& taskName, const TDownloadResult& result);

private:
    bool IsTaken(const QString& folder, const QString& name) const;
    QString FreeName(const QString& folder, const QString& name) const;
    /** The catalogue name of the run (SetRunTaskName), else the running task's TaskName. */
    QString RunTaskName() const;
    /** The earlier run's file of the entry when SkipDownloaded may skip it; empty otherwise. */
    const TDownloadEntry* RecordedDownload(const QString& entry);

    TRunState& m_run;
    const TPaths& m_paths;
    const TProgramSettings& m_settings;
    TDownloadStarter& m_starter;
    TFrontEnd& m_frontEnd;
    QTimer m_timer1;
    /** Destination path -> downloads in progress that were handed it. */
    QHash<QString, int> m_inProgress;
    QString m_runTaskName;
    TBrowserSession* m_session = nullptr;
    /** The record as it stood when the current run began handing out (folded URL -> latest
     *  entry), for SkipDownloaded; read once a run. */
    QHash<QString, TDownloadEntry> m_recorded;
    qint32 m_recordedRun = -1;
};
