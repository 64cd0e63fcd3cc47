#pragma once

#include "download/downloadjob.h"

#include <QHash>
#include <QObject>
#include <QString>

struct TRunState;
struct TProgramSettings;
class TPaths;
class TDownloadStarter;
class TSchedulerHost;

/**
 * The download scheduler. Once a second (Timer1Timer, connected by the host to its 1000 ms
 * timer; tests call it directly) it hands waiting DownloadQueue entries to new workers, never
 * more at once than the running task's TaskThread, chooses each file's folder and name, shows
 * the share of the queue handed out and switches the timer off once the crawl has finished and
 * nothing waits or runs.
 *
 * A destination handed to a download that has not ended yet counts as taken, so two downloads
 * never write the same file; DownloadEnded frees it. The host connects the pool's
 * DownloadFinished to DownloadEnded.
 *
 * Lives on the UI thread. All collaborators are owned by the host and outlive the scheduler.
 */
class TScheduler : public QObject
{
    Q_OBJECT
public:
    TScheduler(TRunState& run, const TPaths& paths, const TProgramSettings& settings,
               TDownloadStarter& starter, TSchedulerHost& host, QObject* parent = nullptr);

    /** One tick. Any failure inside ends the tick silently; what was done stays done. */
    void Timer1Timer();
    void DispatchDownloads();
    /** Full path of the file an entry is saved to; the name is not yet reserved. */
    QString DownloadDestination(const QString& entry) const;
    /** Starts a worker for the entry (handed over untrimmed) with copies of the downloader settings. */
    void StartDownload(const QString& entry, const QString& destination);

    /** The run's name in the catalogue, carried by every download it starts so that the
     *  gallery shows the file with that task (a copied task folder may hold another TaskName
     *  in its settings.ini). Set when a run starts; empty: the running task's TaskName. */
    void SetRunTaskName(const QString& name) { m_runTaskName = name; }

    /** Destinations handed to downloads that have not ended. */
    qsizetype InProgressCount() const { return m_inProgress.size(); }

public slots:
    /** A download has ended: its destination no longer counts as taken by the scheduler. */
    void DownloadEnded(const QString& fileName);

private:
    bool IsTaken(const QString& folder, const QString& name) const;
    QString FreeName(const QString& folder, const QString& name) const;

    TRunState& m_run;
    const TPaths& m_paths;
    const TProgramSettings& m_settings;
    TDownloadStarter& m_starter;
    TSchedulerHost& m_host;
    /** Destination path -> downloads in progress that were handed it. */
    QHash<QString, int> m_inProgress;
    QString m_runTaskName;
};
