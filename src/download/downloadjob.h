#pragma once
/**
 * What one download worker is given: the queue entry, its destination and copies of the
 * downloader settings, taken when the scheduler starts the worker. Plain data; copied into
 * the worker before its thread starts and never shared afterwards, apart from the cookie jar,
 * which is thread-safe and read afresh for every try.
 */

#include "download/cookiejar.h"

#include <QString>
#include <memory>

struct TDownloadJob
{
    QString FileName;    // full path of the file to write (DownloadDestination)
    QString URL;         // the queue entry exactly as queued, untrimmed
    QString UserName;    // AuthUserName
    QString Password;    // AuthPassword
    QString ProxyServer; // ProxyServer
    QString ProxyPort;   // ProxyPort, as typed
    QString TaskName;    // the task the download belongs to, so the gallery shows it only with that task

    /** Requests go out as the browser's: its cookies for the URL, its user agent and a Referer.
     *  Off: the fixed user agent and no Cookie or Referer header at all. */
    bool ShareSession = false;
    std::shared_ptr<const TCookieJar> Cookies; // may be null: no Cookie header
    QString UserAgent;   // the browser's; empty keeps the fixed one
    QString Referrer;    // the page the URL was found on; empty sends none
    /** Further tries after a transient failure (0 = a single try). */
    int Retries = 0;
    /** The task folder whose download record gets a line when the download has ended; empty
     *  writes none. */
    QString RecordFolder;
};

/** Bounds of one transfer. A stalled connection ends within these, freeing its slot. */
struct TDownloadLimits
{
    long ConnectTimeoutSeconds = 60;
    /** The transfer is abandoned once its speed stays below one byte a second for this many
     *  seconds. libcurl averages the speed over the last five seconds, so a connection that goes
     *  silent ends about StallSeconds + 5 seconds after its last byte. */
    long StallSeconds = 60;
};
