#pragma once
// Browsers that stand in for the engine in the crawl, engine, batch and window tests. Each
// loads pages in its own way; none touches the network.

#include "crawl/browser.h"
#include "extract/pagesnapshot.h"
#include "task/programsettings.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

/** One page the timed fake browser can show. */
struct TFakePage
{
    QStringList links{};
    qint64 loadMs = 200;        // time from Navigate to ReadyStateComplete; < 0: never completes
    bool hasDocument = true;
    QString redirectTo{};       // navigates there by itself redirectAfterMs after loading
    qint64 redirectAfterMs = 0;
    QString bodyText{};
};

/**
 * A browser whose pages load after a set time on the clock it is given through Advance (the
 * crawl tests' host advances it at every pump), and may redirect by themselves after loading.
 */
class TTimedFakeBrowser : public TBrowser
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
        m_state = ReadyStateLoading;
        m_startedAt = m_now;
        m_redirected = false;
    }
    void Stop() override { ++StopCalls; }
    int ReadyState() const override { return m_state; }
    QString LocationURL() const override { return m_location; }
    std::shared_ptr<const TPageSnapshot> Document() override
    {
        if (m_location.isEmpty() || m_state != ReadyStateComplete)
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
        if (m_state == ReadyStateLoading && page.loadMs >= 0 && now - m_startedAt >= page.loadMs) {
            m_state = ReadyStateComplete;
            m_location = m_target;
            m_loadedAt = now;
        }
        if (m_state == ReadyStateComplete && !m_redirected && !page.redirectTo.isEmpty()
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

/** Every page is complete as soon as it is asked for; unknown pages have no links. */
class TInstantFakeBrowser : public TBrowser
{
public:
    QHash<QString, TPageSnapshot> Pages;

    void Navigate(const QString& url) override { m_location = url; }
    void Stop() override {}
    int ReadyState() const override { return ReadyStateComplete; }
    QString LocationURL() const override { return m_location; }
    std::shared_ptr<const TPageSnapshot> Document() override
    {
        auto snapshot = std::make_shared<TPageSnapshot>(Pages.value(m_location));
        snapshot->URL = m_location;
        snapshot->hasBody = true;
        return snapshot;
    }
    void ApplyBrowserOptions(const TProgramSettings&) override {}

private:
    QString m_location;
};

/** A browser that "loads" every page at once; each page links to itself only. */
class TSelfLinkingFakeBrowser : public TBrowser
{
public:
    void Navigate(const QString& url) override
    {
        if (OnBeforeNavigate)
            OnBeforeNavigate(m_url);
        m_url = url;
        Navigated.append(url);
    }
    void Stop() override {}
    int ReadyState() const override { return NeverLoads ? ReadyStateLoading : ReadyStateComplete; }
    QString LocationURL() const override { return m_url; }
    std::shared_ptr<const TPageSnapshot> Document() override
    {
        auto snapshot = std::make_shared<TPageSnapshot>();
        snapshot->URL = m_url;
        snapshot->links = {m_url};   // one link, so start pages need no redirect wait
        snapshot->hasBody = true;
        snapshot->bodyText = QStringLiteral("page");
        return snapshot;
    }
    void ApplyBrowserOptions(const TProgramSettings& settings) override { Applied.push_back(settings); }

    QStringList Navigated;
    bool NeverLoads = false;   // every page stays loading
    std::vector<TProgramSettings> Applied;

private:
    QString m_url;
};
