#pragma once
/**
 * TBrowser over Qt WebEngine, the only browser engine code of the program. Lives on the
 * user-interface thread. It owns a persistent profile (cookies, local storage, cache) in the
 * given folder, so a logon made in the browser panel holds for later runs and after a restart,
 * and one page. The front end shows that page in its own view (QWebEngineView::setPage, the
 * page stays owned here); the view should switch its context menu off
 * (Qt::NoContextMenu). Text selection is switched off by a style injected in every document.
 *
 * ReadyState: 1 while a navigation loads, 4 once it has finished (succeeded or failed; no error
 * page is shown), also after a redirect. The "about:blank" step the crawl makes before each
 * page never counts as the page's completion.
 *
 * Document: one script in the application world (so it also runs with page scripts off), waited
 * for in a local event loop that handles no user input, at most SnapshotTimeoutMs. nullptr
 * before the first load, when the script gives no answer, and while the browser still shows the
 * document from before the latest Navigate (a page that never answered, or an address that gave
 * a file or no content instead of a page).
 */

#include "crawl/browser.h"

#include <QObject>
#include <QUrl>
#include <memory>

class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineLoadingInfo;
class TWebEnginePage;
class TWebEngineRequestFilter;
class TWebEngineSession;
class TBrowserSession;

class TWebEngineBrowser : public QObject, public TBrowser
{
    Q_OBJECT
public:
    static constexpr int SnapshotTimeoutMs = 15'000;

    /** profileFolder: where the profile is kept (TPaths::BrowserProfileFolder()); empty gives a
     *  profile in memory only. The last four browser options are on until ApplyBrowserOptions. */
    explicit TWebEngineBrowser(const QString& profileFolder, QObject* parent = nullptr);
    ~TWebEngineBrowser() override;

    void Navigate(const QString& url) override;
    void Stop() override;
    int ReadyState() const override;
    QString LocationURL() const override;
    std::shared_ptr<const TPageSnapshot> Document() override;
    void ApplyBrowserOptions(const TProgramSettings& settings) override;

    /** The page, for the front end's view. */
    QWebEnginePage* Page() const;
    QWebEngineProfile* Profile() const;
    /** The profile's cookies and user agent for the downloads; owned here. */
    TBrowserSession* Session() const override;

private:
    void LoadingChanged(const QWebEngineLoadingInfo& info);

    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<TWebEngineRequestFilter> m_filter;
    std::unique_ptr<TWebEngineSession> m_session;
    std::unique_ptr<TWebEnginePage> m_page; // declared last: destroyed before the profile

    int m_readyState = 0;
    bool m_loadStarted = false;      // the load asked for by the latest Navigate has begun
    bool m_wantsBlank = false;       // the latest Navigate asked for about:blank itself
    bool m_hasLoaded = false;        // some document has been loaded at all
    QUrl m_loadedUrl;                // the address of the latest completed load
    QUrl m_fragmentTarget;           // the latest Navigate only moves within the loaded page
    bool m_movedInPage = false;      // ... and has got there
    double m_navigatedAt = 0;        // wall-clock ms of the latest Navigate to a page
    double m_previousNavigatedAt = 0;
    double m_lastOrigin = 0;         // navigation start of the document of the latest snapshot
    double m_staleOrigin = 0;        // ... as it stood when the latest Navigate to a page was made
};
