#pragma once
/**
 * What one download worker is given: the queue entry, its destination and copies of the four
 * downloader settings, taken when the scheduler starts the worker. Plain data; copied into
 * the worker before its thread starts and never shared afterwards.
 */

#include <QString>

struct TDownloadJob
{
    QString FileName;    // full path of the file to write (DownloadDestination)
    QString URL;         // the queue entry exactly as queued, untrimmed
    QString UserName;    // AuthUserName
    QString Password;    // AuthPassword
    QString ProxyServer; // ProxyServer
    QString ProxyPort;   // ProxyPort, as typed
    QString TaskName;    // the task the download belongs to, so the gallery shows it only with that task
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
