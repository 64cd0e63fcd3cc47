#pragma once

#include <QString>
#include <QtGlobal>

/**
 * What the crawl driver needs of the program that hosts it: pumping events, the clock,
 * a modal message and the status texts. The desktop program and the batch runner each
 * provide one; tests provide a fake whose pump advances a fake clock.
 */
class TCrawlHost
{
public:
    virtual ~TCrawlHost() = default;

    /** Handles pending events once (timer ticks, commands, browser events). The crawl calls it
     *  in a loop while it waits, so an implementation may block briefly (a few milliseconds)
     *  for the next event instead of returning at once when nothing is pending. */
    virtual void ProcessMessages() = 0;
    /** Milliseconds on a monotonic clock. */
    virtual qint64 NowMs() const = 0;
    /** Shows a modal message and returns when it is closed (events keep being handled meanwhile). */
    virtual void ShowMessage(const QString& text) = 0;
    /** The "Search Progress:" bar, 0..100. */
    virtual void SetSearchProgress(int percent) = 0;
    /** The "Current Page:" field of the status bar. */
    virtual void SetCurrentPage(const QString& text) = 0;
    /** Switches the download scheduler's one-second timer on (a run has started). */
    virtual void StartDownloadTimer() = 0;

    /** False where nobody can log on in the browser (a batch run): the manual logon pause of
     *  the start pages is then skipped and LogonPauseSkipped is called instead. */
    virtual bool CanPauseForLogon() const { return true; }
    /** The logon pause for the start page shown now (url) was skipped. */
    virtual void LogonPauseSkipped(const QString& url) { Q_UNUSED(url); }
    /** The manual logon pause has begun (after its message was closed). It ends by itself when
     *  NowMs reaches deadlineMs, or earlier by "Stop" or the driver's EndLogonPause. */
    virtual void LogonPauseStarted(qint64 deadlineMs) { Q_UNUSED(deadlineMs); }
    /** The logon pause is over, however it ended. */
    virtual void LogonPauseEnded() {}
    /** A run has reset the run state and the result lists and is about to visit its first page. */
    virtual void RunStarted(const QString& taskName) { Q_UNUSED(taskName); }
    /** Normal completion: the result lists are saved; called just before "Search completed!". */
    virtual void CrawlCompleted(const QString& taskName) { Q_UNUSED(taskName); }
};
