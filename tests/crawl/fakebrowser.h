#pragma once
// A browser and a front end with an event pump for driving the crawl without an engine or real
// time: every pump advances the clock by one step and lets the browser's loads progress.

#include "crawl/browser.h"
#include "host/eventpump.h"
#include "host/frontend.h"

#include <QHash>
#include <QStringList>
#include <functional>
#include <map>

/** One page the fake browser can show. */
struct TFakePage
{
    QStringList links{};
    qint64 loadMs = 200;        // time from Navigate to ReadyState 4; < 0: never completes
    bool hasDocument = true;
    QString redirectTo{};       // navigates there by itself redirectAfterMs after loading
    qint64 redirectAfterMs = 0;
    QString bodyText{};
};

class TFakeBrowser : public TBrowser
{
public:
    QHash<QString, TFakePage> Pages;
    QStringList Navigations; // every Navigate, about:blank included
    int StopCalls = 0;

    void Navigate(const QString& url) override
    {
        if (OnBeforeNavigate)
            OnBeforeNavigate(m_location);
        Navigations.append(url);
        m_target = url;
        m_state = 1;
        m_startedAt = m_now;
        m_redirected = false;
    }
    void Stop() override { ++StopCalls; }
    int ReadyState() const override { return m_state; }
    QString LocationURL() const override { return m_location; }
    std::shared_ptr<const TPageSnapshot> Document() override
    {
        if (m_location.isEmpty() || m_state != 4)
            return nullptr;
        const TFakePage page = Pages.value(m_location);
        if (!page.hasDocument)
            return nullptr;
        auto snapshot = std::make_shared<TPageSnapshot>();
        snapshot->URL = m_location;
        snapshot->links = page.links;
        snapshot->hasBody = true;
        snapshot->bodyText = page.bodyText;
        return snapshot;
    }
    void ApplyBrowserOptions(const TProgramSettings&) override {}

    /** Lets time pass: loads complete, redirects begin. */
    void Advance(qint64 now)
    {
        m_now = now;
        const TFakePage page = Pages.value(m_target);
        if (m_state == 1 && page.loadMs >= 0 && now - m_startedAt >= page.loadMs) {
            m_state = 4;
            m_location = m_target;
            m_loadedAt = now;
        }
        if (m_state == 4 && !m_redirected && !page.redirectTo.isEmpty()
            && now - m_loadedAt >= page.redirectAfterMs) {
            m_redirected = true;
            Navigate(page.redirectTo);
            m_location = page.redirectTo; // the location changes as the redirect begins
        }
    }

private:
    QString m_target;
    QString m_location;
    int m_state = 0;
    qint64 m_now = 0;
    qint64 m_startedAt = 0;
    qint64 m_loadedAt = 0;
    bool m_redirected = false;
};

class TFakeHost : public TFrontEnd, public TEventPump
{
public:
    static constexpr qint64 StepMs = 100;

    explicit TFakeHost(TFakeBrowser& browser) : m_browser(browser) { m_browser.Advance(m_now); }

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
    TFakeBrowser& m_browser;
    qint64 m_now = 1'000'000;
};
