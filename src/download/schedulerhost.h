#pragma once

/**
 * What the scheduler needs of the program that hosts it: the one-second timer Timer1 and the
 * "Download Progress:" bar of the status bar. UI thread.
 */
class TSchedulerHost
{
public:
    virtual ~TSchedulerHost() = default;
    /** Switches Timer1 on or off. The scheduler only ever switches it off. */
    virtual void SetDownloadTimerEnabled(bool enabled) = 0;
    /** Whether Timer1 runs: a freed slot is refilled at once only then. */
    virtual bool DownloadTimerEnabled() const { return true; }
    /** The "Download Progress:" bar, 0..100. */
    virtual void SetDownloadProgress(int percent) = 0;
};
