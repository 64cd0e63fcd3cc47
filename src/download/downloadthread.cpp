#include "download/downloadthread.h"

#include "download/downloadpool.h"
#include "download/downloadrecord.h"
#include "task/common.h"
#include "task/logging.h"

#include <QDateTime>
#include <QFile>
#include <QUrl>
#include <curl/curl.h>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <mutex>

using namespace pagemint;

namespace {

const char* const kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";

/** What the libcurl callbacks of one transfer share; lives on the worker's stack. */
struct TTransfer
{
    CURL* Curl = nullptr;
    std::FILE* File = nullptr;
    const std::atomic<bool>* Abort = nullptr;
    bool WriteFailed = false;
    qint64 Written = 0;
    QByteArray RetryAfter; // of the latest answer
};

size_t WriteBody(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<TTransfer*>(user);
    const size_t bytes = size * count;
    long status = 0;
    curl_easy_getinfo(transfer->Curl, CURLINFO_RESPONSE_CODE, &status);
    // Only a successful answer is stored: the bodies of redirections, error pages and
    // authentication challenges are read and dropped.
    if (status < 200 || status >= 300)
        return bytes;
    if (bytes > 0 && std::fwrite(data, 1, bytes, transfer->File) != bytes) {
        transfer->WriteFailed = true;
        return 0; // ends the transfer with a write error
    }
    transfer->Written += qint64(bytes);
    return bytes;
}

size_t ReadHeader(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<TTransfer*>(user);
    const size_t bytes = size * count;
    const QByteArray line = QByteArray(data, qsizetype(bytes)).trimmed();
    // A status line starts the headers of the next answer (after a 401 challenge, say).
    if (line.startsWith("HTTP/"))
        transfer->RetryAfter.clear();
    static const QByteArray name = QByteArrayLiteral("retry-after:");
    if (line.size() > name.size() && line.left(name.size()).toLower() == name)
        transfer->RetryAfter = line.mid(name.size()).trimmed();
    return bytes;
}

int TransferProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<TTransfer*>(user)->Abort->load() ? 1 : 0;
}

/** The headers a shared session adds; all empty when the job does not share it. */
struct TSessionHeaders
{
    QByteArray UserAgent;
    QByteArray Cookie;
    QByteArray Referrer;
};

TSessionHeaders SessionHeaders(const TDownloadJob& job, const QByteArray& url)
{
    TSessionHeaders headers;
    if (!job.ShareSession)
        return headers;
    headers.UserAgent = job.UserAgent.toUtf8();
    if (job.Cookies)
        headers.Cookie = job.Cookies->CookieHeader(QUrl::fromEncoded(url), QDateTime::currentDateTimeUtc());
    // A line break in the page address would split the request's header.
    headers.Referrer = TDownloadThead::RequestURL(job.Referrer);
    return headers;
}

bool UsesProxy(const TDownloadJob& job)
{
    return !job.ProxyServer.isEmpty() && !job.ProxyPort.isEmpty();
}

/**
 * The request headers libcurl does not write itself. The body is stored as received, so the
 * accepted encoding goes out as a plain header: libcurl's own accepted-encoding option would
 * also make it decode the body (and fail on an encoding it does not know). A plain header
 * comes after the ones libcurl writes, so a request through a proxy (not tunnelled, that is
 * not https) names its proxy connection here too, after the encoding, as it always went out.
 */
curl_slist* RequestHeaders(const TDownloadJob& job, const QByteArray& url)
{
    curl_slist* headers = curl_slist_append(nullptr, "Accept-Encoding: identity");
    const bool tunnelled = url.left(8).toLower() == "https://";
    if (headers && UsesProxy(job) && !tunnelled) {
        curl_slist* more = curl_slist_append(headers, "Proxy-Connection: Keep-Alive");
        if (!more)
            curl_slist_free_all(headers);
        headers = more;
    }
    return headers;
}

bool SetUp(CURL* curl, const TDownloadJob& job, const TDownloadLimits& limits, TTransfer& transfer,
           const QByteArray& url, const QByteArray& userName, const QByteArray& password,
           const QByteArray& proxy, curl_slist* headers, const TSessionHeaders& session)
{
    if (!headers)
        return false;
    bool ok = true;
    auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
    set(curl_easy_setopt(curl, CURLOPT_URL, url.constData()));
    set(curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1)));
    set(curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L));
    set(curl_easy_setopt(curl, CURLOPT_USERAGENT,
                         session.UserAgent.isEmpty() ? kUserAgent : session.UserAgent.constData()));
    if (!session.Cookie.isEmpty())
        set(curl_easy_setopt(curl, CURLOPT_COOKIE, session.Cookie.constData()));
    if (!session.Referrer.isEmpty())
        set(curl_easy_setopt(curl, CURLOPT_REFERER, session.Referrer.constData()));
    set(curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers));
    set(curl_easy_setopt(curl, CURLOPT_HEADEROPT, long(CURLHEADER_SEPARATE)));  // not in a CONNECT
    // Content codings stay in the file as sent; transfer framing (chunks) is still removed.
    set(curl_easy_setopt(curl, CURLOPT_HTTP_CONTENT_DECODING, 0L));
    set(curl_easy_setopt(curl, CURLOPT_HTTP_TRANSFER_DECODING, 1L));
    set(curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L));
    set(curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L));
    set(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L));
    set(curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.ConnectTimeoutSeconds));
    set(curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L));
    set(curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.StallSeconds));
    set(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody));
    set(curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer));
    set(curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &ReadHeader));
    set(curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer));
    set(curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L));
    set(curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TransferProgress));
    set(curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer));

    // Server credentials answer a 401 challenge only, and only with a password that is more
    // than blanks. With two methods allowed libcurl asks first and never sends them unasked.
    if (!TrimControl(job.Password).isEmpty()) {
        // Without a user name libcurl would not answer at all; an empty one lets the password
        // alone answer (Basic ":password").
        set(curl_easy_setopt(curl, CURLOPT_USERNAME, job.UserName.isEmpty() ? "" : userName.constData()));
        set(curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData()));
        set(curl_easy_setopt(curl, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC | CURLAUTH_DIGEST)));
    }

    if (UsesProxy(job)) {
        const long port = TDownloadThead::ProxyPortNumber(job.ProxyPort);
        if (port < 1 || port > 65535)
            return false;
        set(curl_easy_setopt(curl, CURLOPT_PROXY, proxy.constData()));
        set(curl_easy_setopt(curl, CURLOPT_PROXYPORT, port));
        set(curl_easy_setopt(curl, CURLOPT_PROXYTYPE, long(CURLPROXY_HTTP)));
        set(curl_easy_setopt(curl, CURLOPT_NOPROXY, ""));
    } else {
        // No proxy at all: the environment's proxy variables are not the program's settings.
        set(curl_easy_setopt(curl, CURLOPT_PROXY, ""));
    }
    return ok;
}

} // namespace

TDownloadThead::TDownloadThead(TDownloadPool& pool, TDownloadJob job, TDownloadLimits limits)
    : m_pool(pool), m_job(std::move(job)), m_limits(limits)
{
}

TDownloadThead::~TDownloadThead()
{
    if (m_thread.joinable()) {
        Abort();
        m_thread.join();
    }
}

void TDownloadThead::Start()
{
    m_thread = std::thread([this] { Execute(); });
}

void TDownloadThead::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void TDownloadThead::Execute()
{
    try {
        m_result = FetchWithRetries(m_job, m_limits, m_abort, m_retryWait);
    } catch (const std::exception& error) {
        // A failed download ends silently; the finishing steps still run.
        qCDebug(lcDownload, "download of %s threw: %s", qUtf8Printable(m_job.URL), error.what());
    } catch (...) {
        qCDebug(lcDownload, "download of %s threw", qUtf8Printable(m_job.URL));
    }
    try {
        if (!m_job.RecordFolder.isEmpty() && !RecordDownload(m_job, m_result))
            qCDebug(lcDownload, "no record line for %s", qUtf8Printable(m_job.URL));
    } catch (...) {
        qCDebug(lcDownload, "recording %s failed", qUtf8Printable(m_job.URL));
    }
    {
        std::lock_guard<std::mutex> lock(m_pool.DownloadLock());
        try {
            m_pool.CallFinishDownload(m_job, m_result);
        } catch (...) {
            qCDebug(lcDownload, "the finishing call of %s failed", qUtf8Printable(m_job.FileName));
        }
        m_pool.RunningDownloads().fetch_sub(1);
    }
    m_ended.store(true);
    m_pool.WorkerEnded();
}

TDownloadResult TDownloadThead::Fetch(const TDownloadJob& job, const TDownloadLimits& limits,
                                      const std::atomic<bool>& abort)
{
    GlobalInit();
    TDownloadResult result;
    if (job.FileName.isEmpty())
        return result;
    // Created (replacing) before the request; without a file no request is sent.
    std::FILE* file = std::fopen(QFile::encodeName(job.FileName).constData(), "wbe");
    if (!file)
        return result;
    result.FileCreated = true;

    result.Tries = 1;
    TTransfer transfer;
    transfer.File = file;
    transfer.Abort = &abort;
    transfer.Curl = curl_easy_init();
    curl_slist* headers = nullptr;
    if (transfer.Curl) {
        const QByteArray url = RequestURL(job.URL);
        const QByteArray userName = job.UserName.toUtf8();
        const QByteArray password = job.Password.toUtf8();
        const QByteArray proxy = job.ProxyServer.toUtf8();
        const TSessionHeaders session = SessionHeaders(job, url);
        headers = RequestHeaders(job, url);
        if (SetUp(transfer.Curl, job, limits, transfer, url, userName, password, proxy, headers, session)) {
            const CURLcode code = curl_easy_perform(transfer.Curl);
            long status = 0;
            curl_easy_getinfo(transfer.Curl, CURLINFO_RESPONSE_CODE, &status);
            result.CurlCode = int(code);
            result.HttpStatus = status;
            result.Succeeded = code == CURLE_OK && !transfer.WriteFailed && status >= 200 && status < 300;
            result.RetryAfter = transfer.RetryAfter;
        }
    }
    result.Bytes = transfer.Written;
    // Finishing steps 1 and 2: close the file, then free the client.
    if (std::fclose(file) != 0)
        result.Succeeded = false;
    if (transfer.Curl)
        curl_easy_cleanup(transfer.Curl);
    curl_slist_free_all(headers);
    return result;
}

TDownloadResult TDownloadThead::FetchWithRetries(const TDownloadJob& job, const TDownloadLimits& limits,
                                                const std::atomic<bool>& abort, TInterruptibleWait& wait,
                                                const TRetryPolicy::TRandom& random)
{
    const int retries = std::clamp(job.Retries, TRetryPolicy::MinRetries, TRetryPolicy::MaxRetries);
    for (int tries = 1;; ++tries) {
        // Each try creates the file anew, so a retry starts from an empty file.
        TDownloadResult result = Fetch(job, limits, abort);
        result.Tries = tries;
        if (result.Succeeded || !result.FileCreated || tries > retries || abort.load()
            || !TRetryPolicy::IsTransient(result.HttpStatus, result.CurlCode))
            return result;
        const auto delay = TRetryPolicy::RetryDelay(tries, result.RetryAfter,
                                                    QDateTime::currentDateTimeUtc(), random);
        qCDebug(lcDownload, "try %d of %s failed (HTTP status %ld, transfer error %d); again in %lld ms",
                tries, qUtf8Printable(job.URL), result.HttpStatus, result.CurlCode,
                static_cast<long long>(delay.count()));
        if (!wait.WaitFor(delay))
            return result;
    }
}

bool TDownloadThead::RecordDownload(const TDownloadJob& job, const TDownloadResult& result)
{
    TDownloadEntry entry;
    entry.Time = QDateTime::currentDateTimeUtc();
    entry.Time.setTime(QTime(entry.Time.time().hour(), entry.Time.time().minute(), entry.Time.time().second()));
    entry.HttpStatus = result.HttpStatus;
    if (!result.FileCreated)
        entry.Error = QStringLiteral("The file could not be created");
    else if (result.CurlCode != CURLE_OK)
        entry.Error = QString::fromUtf8(curl_easy_strerror(CURLcode(result.CurlCode)));
    else if (!result.Succeeded && result.HttpStatus >= 200 && result.HttpStatus < 300)
        entry.Error = QStringLiteral("The file could not be written");
    entry.Bytes = result.Bytes;
    entry.Tries = std::max(result.Tries, 1);
    entry.URL = job.URL;
    entry.Referrer = job.Referrer;
    entry.FileName = job.FileName;
    return TDownloadRecord(job.RecordFolder).Append(entry);
}

long TDownloadThead::ProxyPortNumber(const QString& portText)
{
    bool ok = false;
    const long port = portText.toLong(&ok, 10);
    return ok ? port : 80;
}

QByteArray TDownloadThead::RequestURL(const QString& url)
{
    static const char hex[] = "0123456789ABCDEF";
    // Blanks before the scheme cannot be part of a request; everything after it is the
    // resource as queued, a trailing blank included.
    qsizetype start = 0;
    while (start < url.size() && url.at(start).unicode() <= 32)
        ++start;
    const QByteArray utf8 = url.mid(start).toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

void TDownloadThead::GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
