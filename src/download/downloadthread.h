#pragma once

#include "download/downloadjob.h"
#include "download/retrypolicy.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <atomic>
#include <thread>

class TDownloadPool;

/** How one transfer ended. The worker reports nothing to the user; this is for the pool's signal. */
struct TDownloadResult
{
    bool FileCreated = false;
    bool Succeeded = false;   // file created, transfer complete, status 2xx
    long HttpStatus = 0;      // status of the last response, 0 without one
    int CurlCode = 0;         // CURLcode of the transfer, 0 for none
    qint64 Bytes = 0;         // bytes written to the file by the last try
    int Tries = 0;            // requests made
    QByteArray RetryAfter;    // the Retry-After header of the last answer, empty without one
};
Q_DECLARE_METATYPE(TDownloadResult)

/**
 * One download: fetches Job.URL over HTTP/1.1 into Job.FileName on its own thread with its own
 * libcurl easy handle, created, used and cleaned up on that thread.
 *
 * The file is created (replacing) before the request and left in place whatever happens; only
 * the body of a 2xx answer is written to it. Redirections are not followed; they, 4xx and 5xx
 * are failures. Server credentials answer a 401 challenge (Basic or Digest) and are never sent
 * unasked; the proxy, when host and port are both set, gets no credentials. https is verified
 * against the system's CA store. Only http and https URLs are fetched.
 *
 * A transient failure (TRetryPolicy) is tried again up to Job.Retries times, after the policy's
 * wait, into the same file, emptied first; the worker keeps its slot meanwhile. Abort and
 * StopRetrying end a wait at once.
 *
 * Finishing steps, in order, whatever the outcome: close the file, free the handle, append the
 * line of the download record (when Job.RecordFolder is set), take the pool's DownloadLock, run FinishDownload on the UI thread and wait for it, lower
 * RunningDownloads, release the lock.
 *
 * Created and started on the UI thread by TDownloadPool, which owns it and joins its thread.
 */
class TDownloadThead
{
public:
    TDownloadThead(TDownloadPool& pool, TDownloadJob job, TDownloadLimits limits);
    ~TDownloadThead();
    TDownloadThead(const TDownloadThead&) = delete;
    TDownloadThead& operator=(const TDownloadThead&) = delete;

    /** Starts the body on a new thread. Throws std::system_error when no thread can be made. */
    void Start();
    /** Asks a running transfer to end as soon as it can. Any thread. */
    void Abort()
    {
        m_abort.store(true);
        m_retryWait.Interrupt();
    }
    /** No further try: a running transfer goes on, a wait between tries ends now. Any thread. */
    void StopRetrying() { m_retryWait.Interrupt(); }
    /** True once the body has released DownloadLock and touches nothing shared any more. */
    bool Ended() const { return m_ended.load(); }
    /** Waits for the thread to return. UI thread, once Ended() or after Abort(). */
    void Join();
    const TDownloadJob& Job() const { return m_job; }

    /**
     * The transfer alone (steps "create the file" to "free the handle"), on the calling thread:
     * what the body does before its finishing steps. abort may be set from any thread.
     */
    static TDownloadResult Fetch(const TDownloadJob& job, const TDownloadLimits& limits,
                                 const std::atomic<bool>& abort);
    /** Fetch, tried again after transient failures as Job.Retries allows, waiting in `wait`
     *  between tries (an interrupted wait ends the download with the last try's result). */
    static TDownloadResult FetchWithRetries(const TDownloadJob& job, const TDownloadLimits& limits,
                                            const std::atomic<bool>& abort, TInterruptibleWait& wait,
                                            const pagemint::TRetryPolicy::TRandom& random = {});
    /** Appends the download's line to the record in Job.RecordFolder; false when not written. */
    static bool RecordDownload(const TDownloadJob& job, const TDownloadResult& result);

    /** The proxy port: ProxyPort read as a decimal integer, 80 when it is not one. */
    static long ProxyPortNumber(const QString& portText);
    /** The URL as sent: blanks and control characters before it dropped (no request line can
     *  begin with them), and every space, control and non-ASCII character after its start,
     *  trailing ones included, percent-encoded: the entry is requested as it was queued. */
    static QByteArray RequestURL(const QString& url);
    /** libcurl's global set-up, done once, before the first worker thread starts. */
    static void GlobalInit();

private:
    void Execute();

    TDownloadPool& m_pool;
    const TDownloadJob m_job;
    const TDownloadLimits m_limits;
    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_ended{false};
    TInterruptibleWait m_retryWait;
    TDownloadResult m_result;
    std::thread m_thread;
};
