#include "fakehosts.h"

#include "fakebrowsers.h"

// ---- TRecordingFrontEnd ----

int TRecordingFrontEnd::LastDownloadProgress() const
{
    return DownloadProgress.empty() ? -1 : DownloadProgress.back();
}

void TRecordingFrontEnd::ShowMessage(const QString& text)
{
    Messages.append(text);
    if (OnMessage)
        OnMessage(text);
}

void TRecordingFrontEnd::SetSearchProgress(int percent)
{
    SearchProgress.push_back(percent);
}

void TRecordingFrontEnd::SetDownloadProgress(int percent)
{
    DownloadProgress.push_back(percent);
}

void TRecordingFrontEnd::SetThumbnailProgress(bool visible, int percent)
{
    ThumbnailProgressVisible = visible;
    if (visible)
        ThumbnailProgress.push_back(percent);
}

void TRecordingFrontEnd::SetCurrentPage(const QString& text)
{
    CurrentPage.append(text);
}

void TRecordingFrontEnd::SetBusyCursor(bool busy)
{
    BusyCursor.append(busy);
    BusyDepth += busy ? 1 : -1;
}

bool TRecordingFrontEnd::CanPauseForLogon() const
{
    return CanPause;
}

void TRecordingFrontEnd::LogonPauseSkipped(const QString& url)
{
    SkippedLogons.append(url);
}

void TRecordingFrontEnd::LogonPauseStarted(qint64 deadlineMs)
{
    LogonDeadlines.push_back(deadlineMs);
}

void TRecordingFrontEnd::LogonPauseEnded()
{
    ++LogonEnds;
}

void TRecordingFrontEnd::RunStarted(const QString& taskName)
{
    RunsStarted.append(taskName);
}

void TRecordingFrontEnd::CrawlCompleted(const QString& taskName)
{
    CrawlsCompleted.append(taskName);
}

// ---- TSteppingClockPump ----

TSteppingClockPump::TSteppingClockPump(TTimedFakeBrowser* browser, qint64 startMs)
    : Now(startMs), m_browser(browser)
{
    if (m_browser)
        m_browser->Advance(Now);
}

void TSteppingClockPump::ProcessMessages()
{
    ++Pumps;
    Now += Step;
    if (m_browser)
        m_browser->Advance(Now);
    if (OnPump)
        OnPump(Pumps);
}

qint64 TSteppingClockPump::NowMs() const
{
    return Now;
}
