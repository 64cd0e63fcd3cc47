#include "crawl/webengine/webenginebrowser.h"

#include "crawl/webengine/snapshotscript.h"
#include "crawl/webengine/webenginepage.h"
#include "crawl/webengine/webenginerequestfilter.h"
#include "crawl/webengine/webenginesession.h"
#include "task/logging.h"
#include "task/programsettings.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QFile>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

using namespace pagemint;

namespace {

const QUrl BlankUrl(QStringLiteral("about:blank"));

QWebEngineScript NoSelectionScript()
{
    QWebEngineScript script;
    script.setName(QStringLiteral("pagemint-noselect"));
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(QStringLiteral(
        "(function(){var s=document.createElement('style');"
        "s.textContent='*{-webkit-user-select:none!important;user-select:none!important}';"
        "(document.head||document.documentElement).appendChild(s);})()"));
    return script;
}

} // namespace

TWebEngineBrowser::TWebEngineBrowser(const QString& profileFolder, QObject* parent)
    : QObject(parent)
{
    if (profileFolder.isEmpty()) {
        m_profile = std::make_unique<QWebEngineProfile>();
    } else {
        QDir().mkpath(profileFolder);
        {
            // The engine opens the profile's preference file under the user's data folder as
            // the profile is created, before its storage path can be set; that folder points
            // into the profile folder for this one step, so nothing lands outside the program
            // folder.
            const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
            const bool hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
            qputenv("XDG_DATA_HOME", QFile::encodeName(profileFolder + QStringLiteral("/Data")));
            m_profile = std::make_unique<QWebEngineProfile>(QStringLiteral("Pagemint"));
            if (hadDataHome)
                qputenv("XDG_DATA_HOME", savedDataHome);
            else
                qunsetenv("XDG_DATA_HOME");
        }
        m_profile->setPersistentStoragePath(profileFolder);
        m_profile->setCachePath(profileFolder + QStringLiteral("/Cache"));
        // Logons often rest on session cookies; keep them too, so they survive a restart.
        m_profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    }
    // A link that answers with a file instead of a page shows nothing: the browser itself never
    // downloads (the download workers fetch what the task collects). The request is cancelled
    // at once instead of being left to the engine's default.
    connect(m_profile.get(), &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });
    m_session = std::make_unique<TWebEngineSession>(
        m_profile.get(), profileFolder.isEmpty() ? QString() : profileFolder + QStringLiteral("/cookies.txt"));
    m_filter = std::make_unique<TWebEngineRequestFilter>();
    m_page = std::make_unique<TWebEnginePage>(m_profile.get());
    m_page->setUrlRequestInterceptor(m_filter.get());
    m_page->scripts().insert(NoSelectionScript());

    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    settings->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);

    connect(m_page.get(), &QWebEnginePage::loadingChanged, this,
            &TWebEngineBrowser::LoadingChanged);
    connect(m_page.get(), &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        if (!m_fragmentTarget.isEmpty() && url == m_fragmentTarget && !m_loadStarted) {
            m_readyState = ReadyStateComplete;
            m_loadedUrl = url;
            m_movedInPage = true;
        }
        if (OnUrlChanged)
            OnUrlChanged(LocationURL());
    });
    m_page->OnNavigationStarting = [this] {
        if (OnBeforeNavigate)
            OnBeforeNavigate(LocationURL());
    };

    ApplyBrowserOptions(TProgramSettings{});
}

TWebEngineBrowser::~TWebEngineBrowser()
{
    m_page.reset();
    m_filter.reset();
    m_session.reset();
    m_profile.reset();
}

TBrowserSession* TWebEngineBrowser::Session() const
{
    return m_session.get();
}

QWebEnginePage* TWebEngineBrowser::Page() const
{
    return m_page.get();
}

QWebEngineProfile* TWebEngineBrowser::Profile() const
{
    return m_profile.get();
}

void TWebEngineBrowser::ApplyBrowserOptions(const TProgramSettings& options)
{
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, options.DownloadImages);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, options.DownloadImages);
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, !options.DontExecuteScripts);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled,
                           !(options.DontExecuteJava || options.DontExecuteActiveX
                             || options.DontDownloadActiveX));
    m_filter->SetAllowed(options.DownloadImages, options.DownloadVideos, options.DownloadBGSounds);
}

void TWebEngineBrowser::Navigate(const QString& url)
{
    // An address that is no URL at all (an empty start line, say) shows an empty page at once
    // instead of leaving the crawl to wait for a load that never begins.
    QUrl target = QUrl::fromUserInput(url);
    if (!target.isValid() || target.isEmpty())
        target = BlankUrl;
    m_readyState = ReadyStateLoading;
    m_loadStarted = false;
    m_wantsBlank = target == BlankUrl;
    m_movedInPage = false;
    // Another fragment of the page shown is reached without a load of its own.
    m_fragmentTarget = target.hasFragment()
            && target.adjusted(QUrl::RemoveFragment) == m_loadedUrl.adjusted(QUrl::RemoveFragment)
        ? target
        : QUrl();
    if (!m_wantsBlank) {
        m_previousNavigatedAt = m_navigatedAt;
        m_staleOrigin = m_lastOrigin;
        m_navigatedAt = double(QDateTime::currentMSecsSinceEpoch());
    }
    m_page->load(target);
}

void TWebEngineBrowser::Stop()
{
    m_page->triggerAction(QWebEnginePage::Stop);
}

int TWebEngineBrowser::ReadyState() const
{
    return m_readyState;
}

QString TWebEngineBrowser::LocationURL() const
{
    return m_page->url().toString(QUrl::FullyEncoded);
}

void TWebEngineBrowser::LoadingChanged(const QWebEngineLoadingInfo& info)
{
    // The "about:blank" step before each page is cut short by the page's own load; its events
    // must not make the page look complete.
    if (info.url() == BlankUrl && !m_wantsBlank)
        return;
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        m_readyState = ReadyStateLoading;
        m_loadStarted = true;
        break;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        if (m_loadStarted) {
            m_readyState = ReadyStateComplete;
            m_hasLoaded = true;
            m_loadedUrl = info.url();
        }
        break;
    }
}

std::shared_ptr<const TPageSnapshot> TWebEngineBrowser::Document()
{
    if (!m_hasLoaded && !m_loadStarted)
        return nullptr;

    struct TPending
    {
        QEventLoop* loop = nullptr;
        bool answered = false;
        QString answer;
    };
    auto pending = std::make_shared<TPending>();
    QEventLoop loop;
    pending->loop = &loop;
    m_page->runJavaScript(SnapshotScript(), QWebEngineScript::ApplicationWorld,
                          [pending](const QVariant& result) {
                              pending->answered = true;
                              pending->answer = result.toString();
                              if (pending->loop)
                                  pending->loop->quit();
                          });
    if (!pending->answered) {
        QTimer::singleShot(SnapshotTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    pending->loop = nullptr;
    if (!pending->answered) {
        qCDebug(lcBrowser, "no snapshot: the page did not answer within %d ms", SnapshotTimeoutMs);
        return nullptr;
    }

    double timeOrigin = 0;
    std::shared_ptr<const TPageSnapshot> snapshot = ParseSnapshot(pending->answer, &timeOrigin);
    if (!snapshot)
        qCDebug(lcBrowser, "no snapshot: the page's answer is not a snapshot (%lld characters)",
                static_cast<long long>(pending->answer.size()));
    // A page that never answered leaves the previous document on show. Its navigation began
    // around the previous Navigate, the new one's after the latest: the midpoint tells them
    // apart whatever small offset lies between the two clocks. A document reached later than
    // its Navigate (a redirect, the user's own navigation) is known by the navigation start
    // that its latest snapshot gave.
    if (snapshot && !m_wantsBlank && !m_movedInPage && timeOrigin > 0) {
        if (m_previousNavigatedAt > 0 && timeOrigin < (m_previousNavigatedAt + m_navigatedAt) / 2) {
            qCDebug(lcBrowser, "snapshot dropped: it shows the previous navigation's document");
            return nullptr;
        }
        if (timeOrigin == m_staleOrigin) {
            qCDebug(lcBrowser, "snapshot dropped: the document is the one left stale");
            return nullptr;
        }
    }
    if (snapshot)
        m_lastOrigin = timeOrigin;
    return snapshot;
}
