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

    /** Handles pending events once (timer ticks, commands, browser events). */
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
};
