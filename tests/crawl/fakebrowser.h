#pragma once
// A front end with an event pump for driving the crawl without an engine or real time: every
// pump advances the clock by one step and lets the timed fake browser's loads progress.

#include "host/eventpump.h"
#include "host/frontend.h"
#include "support/fakebrowsers.h"

#include <QStringList>
#include <functional>
#include <vector>

class TFakeHost : public TFrontEnd, public TEventPump
{
public:
    static constexpr qint64 StepMs = 100;

    explicit TFakeHost(TTimedFakeBrowser& browser) : m_browser(browser) { m_browser.Advance(m_now); }

    QStringList Messages;
    std::vector<int> Progress;
    QStringList CurrentPage;
    int Pumps = 0;
    int TimerStarts = 0;      // the engine's step at a run's start (CountTimerStart)
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
    bool CanPauseForLogon() const override { return CanPause; }
    void LogonPauseSkipped(const QString& url) override { SkippedLogons.append(url); }
    void LogonPauseStarted(qint64 deadlineMs) override { LogonDeadlines.push_back(deadlineMs); }
    void LogonPauseEnded() override { ++LogonEnds; }

    /** The driver's run-start step, counting the download timer's starts. */
    std::function<void(const QString&)> CountTimerStart()
    {
        return [this](const QString&) { ++TimerStarts; };
    }

private:
    TTimedFakeBrowser& m_browser;
    qint64 m_now = 1'000'000;
};
