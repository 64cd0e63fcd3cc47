#include "download/downloadpool.h"

#include "task/logging.h"

#include <exception>

#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <stdexcept>

using namespace pagemint;

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
    // The one synchronous call from a worker to the UI thread: queued there, and waited for here.
    TFinishCall call;
    call.Job = &job;
    call.Result = &result;
    {
        std::lock_guard<std::mutex> lock(m_waitMutex);
        m_finishCalls.push_back(&call);
    }
    m_waitCondition.notify_all();
    QMetaObject::invokeMethod(this, "RunFinishCalls", Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(m_waitMutex);
    m_callReturned.wait(lock, [&call] { return call.Returned; });
}

void TDownloadPool::RunFinishCalls()
{
    // Workers that ended earlier are joined here (their threads have returned or are about
    // to); the one finishing now is joined by the next call, the next start or the shutdown.
    ReapEnded();
    for (;;) {
        TFinishCall* call = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_waitMutex);
            if (m_finishCalls.empty())
                break;
            call = m_finishCalls.front();
            m_finishCalls.pop_front();
        }
        FinishDownload(*call->Job, *call->Result);
        std::lock_guard<std::mutex> lock(m_waitMutex);
        call->Returned = true;
        // Under the lock: once it is released the worker may leave and its call is gone.
        m_callReturned.notify_all();
    }
    if (!m_closing)
        QTimer::singleShot(0, this, &TDownloadPool::ReapEnded);
}

void TDownloadPool::FinishDownload(const TDownloadJob& job, const TDownloadResult& result)
{
    if (m_closing)
        return;
    if (!result.Succeeded) {
        qCDebug(lcDownload, "download failed: %s -> %s (file created %d, HTTP status %ld, transfer error %d)",
                qUtf8Printable(job.URL), qUtf8Printable(job.FileName), int(result.FileCreated),
                result.HttpStatus, result.CurlCode);
    }
    try {
        emit DownloadFinished(job.FileName, job.TaskName, result);
    } catch (const std::exception& error) {
        // The gallery's work fails silently; the worker must still get its answer.
        qCDebug(lcDownload, "finishing %s failed: %s", qUtf8Printable(job.FileName), error.what());
    } catch (...) {
        qCDebug(lcDownload, "finishing %s failed", qUtf8Printable(job.FileName));
    }
}

void TDownloadPool::WorkerEnded()
{
    {
        std::lock_guard<std::mutex> lock(m_waitMutex);
        ++m_endedSinceWait;
    }
    m_waitCondition.notify_all();
    // Named, without captured state: nothing but the wake-up crosses the threads here.
    if (!m_shuttingDown.load())
        QMetaObject::invokeMethod(this, "EmitSlotFreed", Qt::QueuedConnection);
}

void TDownloadPool::EmitSlotFreed()
{
    if (!m_closing)
        emit SlotFreed();
}

void TDownloadPool::StopRetrying()
{
    for (const auto& worker : m_workers)
        worker->StopRetrying();
}

qsizetype TDownloadPool::RunningWorkerCount() const
{
    return std::count_if(m_workers.begin(), m_workers.end(), [](const auto& worker) { return !worker->Ended(); });
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
        RunFinishCalls();
        const bool allEnded = std::all_of(m_workers.begin(), m_workers.end(),
                                          [](const auto& worker) { return worker->Ended(); });
        if (allEnded)
            break;
        std::unique_lock<std::mutex> lock(m_waitMutex);
        m_waitCondition.wait_for(lock, std::chrono::milliseconds(100),
                                 [this] { return !m_finishCalls.empty() || m_endedSinceWait > 0; });
        m_endedSinceWait = 0;
    }
    for (const auto& worker : m_workers)
        worker->Join();
    m_workers.clear();
}
