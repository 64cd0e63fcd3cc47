#include "crawl/webengine/webenginesession.h"

#include <QLoggingCategory>
#include <QNetworkCookie>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

namespace {

Q_LOGGING_CATEGORY(lcSession, "pagemint.browser.session", QtInfoMsg)

} // namespace

TWebEngineSession::TWebEngineSession(QWebEngineProfile* profile, QObject* parent)
    : QObject(parent)
    , m_profile(profile)
    , m_jar(std::make_shared<TCookieJar>())
{
    QWebEngineCookieStore* store = m_profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this, [this](const QNetworkCookie& c) {
        if (!m_jar->Add(FromNetworkCookie(c)))
            qCDebug(lcSession) << "cookie not usable for downloads:" << c.name() << c.domain();
    });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, [this](const QNetworkCookie& c) {
        const TCookie cookie = FromNetworkCookie(c);
        m_jar->Remove(cookie.Name, cookie.Domain, cookie.HostOnly, cookie.Path);
    });
    // The cookies kept from earlier sessions arrive through cookieAdded.
    store->loadAllCookies();
}

std::shared_ptr<const TCookieJar> TWebEngineSession::CookieJar() const
{
    return m_jar;
}

QString TWebEngineSession::UserAgent() const
{
    return m_profile->httpUserAgent();
}

TCookie TWebEngineSession::FromNetworkCookie(const QNetworkCookie& cookie)
{
    TCookie c;
    c.Name = cookie.name();
    c.Value = cookie.value();
    c.HostOnly = !cookie.domain().startsWith(u'.');
    c.Domain = cookie.domain();
    c.Path = cookie.path();
    c.Secure = cookie.isSecure();
    c.HttpOnly = cookie.isHttpOnly();
    if (!cookie.isSessionCookie())
        c.Expiry = cookie.expirationDate().toUTC();
    return c;
}
