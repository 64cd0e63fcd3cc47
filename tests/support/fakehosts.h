#pragma once
// The host side of the engine in the tests: a front end that records what the engine shows and
// answers, and an event pump whose clock moves a fixed step at every pump.

#include "host/eventpump.h"
#include "host/frontend.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TTimedFakeBrowser;

/** Records every call of the engine on its front end, in order. UI thread. */
class TRecordingFrontEnd : public TFrontEnd
{
public:
    QStringList Messages;                 // every message shown
    std::vector<int> SearchProgress;      // every value of the "Search Progress:" bar
    std::vector<int> DownloadProgress;    // every value of the "Download Progress:" bar
    std::vector<int> ThumbnailProgress;   // every value of the thumbnail bar while shown
    bool ThumbnailProgressVisible = false;
    QStringList CurrentPage;              // every text of the "Current Page:" field
    QList<bool> BusyCursor;               // every show (true) and restore (false)
    int BusyDepth = 0;                    // shows minus restores: 0 when the cursor is back
    bool CanPause = true;                 // the answer of CanPauseForLogon
    QStringList SkippedLogons;
    std::vector<qint64> LogonDeadlines;   // one per logon pause begun
    int LogonEnds = 0;
    QStringList RunsStarted;              // task names
    QStringList CrawlsCompleted;          // task names

    /** Run while a message is shown (the user may act meanwhile), after it was recorded. */
    std::function<void(const QString& text)> OnMessage;

    /** The last value of the "Download Progress:" bar; -1 before any. */
    int LastDownloadProgress() const;

    void ShowMessage(const QString& text) override;
    void SetSearchProgress(int percent) override;
    void SetDownloadProgress(int percent) override;
    void SetThumbnailProgress(bool visible, int percent) override;
    void SetCurrentPage(const QString& text) override;
    void SetBusyCursor(bool busy) override;
    bool CanPauseForLogon() const override;
    void LogonPauseSkipped(const QString& url) override;
    void LogonPauseStarted(qint64 deadlineMs) override;
    void LogonPauseEnded() override;
    void RunStarted(const QString& taskName) override;
    void CrawlCompleted(const QString& taskName) override;
};

/**
 * An event pump without real time: every pump moves the clock by Step milliseconds, lets the
 * timed fake browser given (if any) catch up with it, and then runs OnPump. With Step 0 the
 * clock moves only when the test sets Now. UI thread.
 */
class TSteppingClockPump : public TEventPump
{
public:
    static constexpr qint64 DefaultStepMs = 100;
    static constexpr qint64 DefaultStartMs = 1'000'000;

    explicit TSteppingClockPump(TTimedFakeBrowser* browser = nullptr, qint64 startMs = DefaultStartMs);

    qint64 Now;                           // the clock, in milliseconds
    qint64 Step = DefaultStepMs;
    int Pumps = 0;                        // pumps so far
    /** Run at every pump with its number (the first is 1), after the clock moved. */
    std::function<void(int pump)> OnPump;

    void ProcessMessages() override;
    qint64 NowMs() const override;

private:
    TTimedFakeBrowser* m_browser;
};
