#pragma once

#include "download/downloadstarter.h"
#include "download/downloadthread.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

/**
 * Owns the download workers, DownloadLock and the UI-thread end of their finishing call.
 *
 * StartDownload makes one TDownloadThead per job and starts it. When a worker has finished its
 * transfer it takes DownloadLock and calls FinishDownload here, on the UI thread, waiting for it
 * (the one blocking call to the UI thread); FinishDownload emits DownloadFinished, which the host
 * connects to the gallery and the scheduler. The worker then lowers RunningDownloads and releases
 * the lock. Ended workers are joined and deleted on the UI thread at a later finishing call, the
 * next start or the shutdown.
 *
 * AbortAndJoinAll (also run by the destructor) tells every worker to stop and joins them all,
 * answering their finishing calls meanwhile without emitting anything, so a worker waiting for
 * the UI thread while it holds DownloadLock cannot deadlock the shutdown. The owner must call it
 * (or destroy the pool) before RunningDownloads, the gallery or the application object go away.
 *
 * Lives on the UI thread; StartDownload, AbortAndJoinAll and the destructor are called there.
 */
class TDownloadPool : public QObject, public TDownloadStarter
{
    Q_OBJECT
public:
    explicit TDownloadPool(std::atomic<qint32>& runningDownloads, QObject* parent = nullptr);
    ~TDownloadPool() override;

    void StartDownload(const TDownloadJob& job) override;
    /** Stops and joins every worker. Afterwards StartDownload starts nothing more. */
    void AbortAndJoinAll();
    /** "Stop": running transfers go on, but none is tried again; waits between tries end now. */
    void StopRetrying();

    /** Bounds for workers started from now on. */
    void SetLimits(const TDownloadLimits& limits) { m_limits = limits; }
    const TDownloadLimits& Limits() const { return m_limits; }
    /** Workers started and not yet joined. */
    qsizetype WorkerCount() const { return qsizetype(m_workers.size()); }
    /** Workers whose body has not yet released DownloadLock. */
    qsizetype RunningWorkerCount() const;
    bool ShuttingDown() const { return m_shuttingDown.load(); }

    // ---- used by the workers, on their own threads ----
    std::mutex& DownloadLock() { return m_downloadLock; }
    std::atomic<qint32>& RunningDownloads() { return m_runningDownloads; }
    /** Runs FinishDownload on the UI thread and waits for it to return. */
    void CallFinishDownload(const TDownloadJob& job, const TDownloadResult& result);
    /** The worker has released DownloadLock and touches nothing shared any more. */
    void WorkerEnded();

signals:
    /** A download has ended, successfully or not (result.Succeeded), with its HTTP status and
     *  transfer error. Emitted on the UI thread while the worker waits. */
    void DownloadFinished(const QString& fileName, const QString& taskName, const TDownloadResult& result);
    /** A worker has ended and lowered RunningDownloads: its slot is free. Queued to the UI
     *  thread; not emitted once the pool shuts down. */
    void SlotFreed();

private:
    /** One worker's finishing call, on the worker's stack while it waits. */
    struct TFinishCall
    {
        const TDownloadJob* Job = nullptr;
        const TDownloadResult* Result = nullptr;
        bool Returned = false;
    };

    /** Runs the finishing calls workers are waiting for. UI thread. */
    Q_INVOKABLE void RunFinishCalls();
    /** Joins and deletes the workers that have ended. UI thread. */
    Q_INVOKABLE void ReapEnded();
    /** SlotFreed, unless the pool is closing. UI thread. */
    Q_INVOKABLE void EmitSlotFreed();
    void FinishDownload(const TDownloadJob& job, const TDownloadResult& result);

    std::atomic<qint32>& m_runningDownloads;
    std::mutex m_downloadLock;
    TDownloadLimits m_limits;
    std::vector<std::unique_ptr<TDownloadThead>> m_workers;
    std::atomic<bool> m_shuttingDown{false};
    bool m_closing = false;   // UI thread only: finishing calls no longer reach the gallery

    // The hand-over between workers and the UI thread. Everything they share goes through
    // m_waitMutex (never held across FinishDownload), so the order is plain to see, and to TSan.
    std::mutex m_waitMutex;
    std::condition_variable m_waitCondition;  // wakes AbortAndJoinAll: a call queued or a worker ended
    std::condition_variable m_callReturned;   // wakes the workers whose call has run
    std::deque<TFinishCall*> m_finishCalls;
    int m_endedSinceWait = 0;
};
