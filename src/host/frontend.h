#pragma once
/**
 * What a front end shows and answers for the engine: messages, the status bar's "Search
 * Progress:" and "Download Progress:" bars and "Current Page:" field, the gallery's thumbnail
 * progress bar and busy cursor, and the hooks of a run (its start, its completion and the manual
 * logon pause). The desktop window and the batch runner each implement it; the crawl driver, the
 * download scheduler and the gallery report through it. Events and time are not the front end's
 * business (see TEventPump), nor is the scheduler's one-second timer.
 *
 * Every operation does nothing by default, so a front end (or a test) overrides only what it
 * shows. UI thread.
 */

#include <QString>
#include <QtGlobal>

class TFrontEnd
{
public:
    virtual ~TFrontEnd() = default;

    /** Shows a modal message and returns when it is closed (events keep being handled meanwhile). */
    virtual void ShowMessage(const QString& text) { Q_UNUSED(text); }
    /** The "Search Progress:" bar, 0..100. */
    virtual void SetSearchProgress(int percent) { Q_UNUSED(percent); }
    /** The "Download Progress:" bar, 0..100. */
    virtual void SetDownloadProgress(int percent) { Q_UNUSED(percent); }
    /** The summary panel's thumbnail progress bar while the gallery is rebuilt: shown with a
     *  value, or hidden. */
    virtual void SetThumbnailProgress(bool visible, int percent) { Q_UNUSED(visible); Q_UNUSED(percent); }
    /** The "Current Page:" field of the status bar. */
    virtual void SetCurrentPage(const QString& text) { Q_UNUSED(text); }
    /** The busy cursor while a gallery rebuild has nothing to show yet: shown (true) or restored
     *  (false); calls nest. The window stays usable. */
    virtual void SetBusyCursor(bool busy) { Q_UNUSED(busy); }

    /** False where nobody can log on in the browser (a batch run): the manual logon pause of
     *  the start pages is then skipped and LogonPauseSkipped is called instead. */
    virtual bool CanPauseForLogon() const { return true; }
    /** The logon pause for the start page shown now (url) was skipped. */
    virtual void LogonPauseSkipped(const QString& url) { Q_UNUSED(url); }
    /** The manual logon pause has begun (after its message was closed). It ends by itself when
     *  the engine's clock (TEventPump::NowMs) reaches deadlineMs, or earlier by "Stop" or
     *  "Continue". */
    virtual void LogonPauseStarted(qint64 deadlineMs) { Q_UNUSED(deadlineMs); }
    /** The logon pause is over, however it ended. */
    virtual void LogonPauseEnded() {}
    /** A run has reset the run state and the result lists and is about to visit its first page. */
    virtual void RunStarted(const QString& taskName) { Q_UNUSED(taskName); }
    /** Normal completion: the result lists are saved; called just before "Search completed!". */
    virtual void CrawlCompleted(const QString& taskName) { Q_UNUSED(taskName); }
};
