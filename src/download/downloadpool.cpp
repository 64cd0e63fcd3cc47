#include "download/downloadpool.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <stdexcept>

TDownloadPool::TDownloadPool(std::atomic<qint32>& runningDownloads, QObject* parent)
    : QObject(parent), m_runningDownloads(runningDownloads)
{
    TDownloadThead::GlobalInit();
}

TDownloadPool::~TDownloadPool()
{
    AbortAndJoinAll();
}

void TDownloadPool::StartDownload(const TDownloadJob& job)
{
    if (m_shuttingDown.load())
        throw std::runtime_error("the download pool is shut down");
    ReapEnded();
    auto worker = std::make_unique<TDownloadThead>(*this, job, m_limits);
    m_workers.reserve(m_workers.size() + 1); // after Start nothing may throw
    worker->Start();
    m_workers.push_back(std::move(worker));
}

void TDownloadPool::CallFinishDownload(const TDownloadJob& job, const TDownloadResult& result)
{
    if (m_shuttingDown.load())
        return;
    {
        std::lock_guard<std::mutex> lock(m_waitMutex);
        ++m_finishCallsWaiting;
    }
    m_waitCondition.notify_all();
    // The one synchronous call from a worker to the UI thread.
    const bool posted = QMetaObject::invokeMethod(
        this, [this, &job, &result] { FinishDownload(job, result); }, Qt::BlockingQueuedConnection);
    if (!posted) {
        std::lock_guard<std::mutex> lock(m_waitMutex);
        --m_finishCallsWaiting;
    }
}

void TDownloadPool::FinishDownload(const TDownloadJob& job, const TDownloadResult& result)
{
    {
        std::lock_guard<std::mutex> lock(m_waitMutex);
        --m_finishCallsWaiting;
    }
    if (m_closing)
        return;
    try {
        emit DownloadFinished(job.FileName, job.TaskName, result.Succeeded);
    } catch (...) {
        // The gallery's work fails silently; the worker must still get its answer.
    }
}

void TDownloadPool::WorkerEnded()
{
    {
        std::lock_guard<std::mutex> lock(m_waitMutex);
        ++m_endedSinceWait;
    }
    m_waitCondition.notify_all();
    QMetaObject::invokeMethod(this, [this] { ReapEnded(); }, Qt::QueuedConnection);
}

void TDownloadPool::ReapEnded()
{
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if ((*it)->Ended()) {
            (*it)->Join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

void TDownloadPool::AbortAndJoinAll()
{
    m_closing = true;
    m_shuttingDown.store(true);
    for (const auto& worker : m_workers)
        worker->Abort();

    // A worker may be waiting for its finishing call while it holds DownloadLock: answer those
    // calls here (they emit nothing now) until every worker has ended.
    for (;;) {
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        const bool allEnded = std::all_of(m_workers.begin(), m_workers.end(),
                                          [](const auto& worker) { return worker->Ended(); });
        if (allEnded)
            break;
        std::unique_lock<std::mutex> lock(m_waitMutex);
        m_waitCondition.wait_for(lock, std::chrono::milliseconds(100),
                                 [this] { return m_finishCallsWaiting > 0 || m_endedSinceWait > 0; });
        m_endedSinceWait = 0;
    }
    for (const auto& worker : m_workers)
        worker->Join();
    m_workers.clear();
}
