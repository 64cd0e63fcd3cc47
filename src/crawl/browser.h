#pragma once

#include "extract/pagesnapshot.h"

#include <QString>
#include <functional>
#include <memory>

struct TProgramSettings;
class TBrowserSession;

/**
 * The embedded browser as the crawl sees it. Lives on the user-interface thread.
 * Navigate returns at once; loading goes on while the engine pumps events.
 */
class TBrowser
{
public:
    /** ReadyState while a navigation loads, and once the page shown has finished loading. */
    static constexpr int ReadyStateLoading = 1;
    static constexpr int ReadyStateComplete = 4;

    virtual ~TBrowser() = default;

    virtual void Navigate(const QString& url) = 0;
    /** Abandons the current load. */
    virtual void Stop() = 0;
    /** ReadyStateComplete once the page shown (also a redirected one) has finished loading. */
    virtual int ReadyState() const = 0;
    /** The URL the browser shows now. */
    virtual QString LocationURL() const = 0;
    /** A snapshot of the document shown now, or nullptr when there is none. */
    virtual std::shared_ptr<const TPageSnapshot> Document() = 0;
    /** Applies the seven browser options; pages loaded from then on follow them. */
    virtual void ApplyBrowserOptions(const TProgramSettings& settings) = 0;
    /** The cookies and user agent downloads share with this browser; null when it keeps none. */
    virtual TBrowserSession* Session() const { return nullptr; }

    /** Called when a navigation begins, with LocationURL at that moment ("Current Page: " + it). */
    std::function<void(const QString& locationUrl)> OnBeforeNavigate;
    /** Called when the address shown changes (a navigation of the crawl or of the user, a
     *  redirect), with LocationURL after the change. */
    std::function<void(const QString& locationUrl)> OnUrlChanged;
};
