#pragma once
// A host for driving the crawl without an engine or real time: every pump of the host advances
// its clock by one step and lets the timed fake browser's loads progress.

#include "crawl/crawlhost.h"
#include "support/fakebrowsers.h"

#include <QStringList>
#include <functional>
#include <vector>

class TFakeHost : public TCrawlHost
{
public:
    static constexpr qint64 StepMs = 100;

    explicit TFakeHost(TTimedFakeBrowser& browser) : m_browser(browser) { m_browser.Advance(m_now); }

    QStringList Messages;
    std::vector<int> Progress;
    QStringList CurrentPage;
    int Pumps = 0;
    int TimerStarts = 0;
    bool CanPause = true;
    QStringList SkippedLogons;
    std::vector<qint64> LogonDeadlines; // one per logon pause begun
    int LogonEnds = 0;
    /** Run at a pump; return true to be removed. */
    std::function<void(int pump)> OnPump;
    /** Run while a message is shown (the user may click meanwhile). */
    std::function<void(const QString& text)> OnMessage;

    void ProcessMessages() override
    {
        ++Pumps;
        m_now += StepMs;
        m_browser.Advance(m_now);
        if (OnPump)
            OnPump(Pumps);
    }
    qint64 NowMs() const override { return m_now; }
    void ShowMessage(const QString& text) override
    {
        Messages.append(text);
        if (OnMessage)
            OnMessage(text);
    }
    void SetSearchProgress(int percent) override { Progress.push_back(percent); }
    void SetCurrentPage(const QString& text) override { CurrentPage.append(text); }
    void StartDownloadTimer() override { ++TimerStarts; }
    bool CanPauseForLogon() const override { return CanPause; }
    void LogonPauseSkipped(const QString& url) override { SkippedLogons.append(url); }
    void LogonPauseStarted(qint64 deadlineMs) override { LogonDeadlines.push_back(deadlineMs); }
    void LogonPauseEnded() override { ++LogonEnds; }

private:
    TTimedFakeBrowser& m_browser;
    qint64 m_now = 1'000'000;
};
