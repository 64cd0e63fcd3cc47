#include "crawl/webengine/webenginesession.h"

#include "task/logging.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QNetworkCookie>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

TWebEngineSession::TWebEngineSession(QWebEngineProfile* profile, const QString& keptCookiesFile, QObject* parent)
    : QObject(parent)
    , m_profile(profile)
    , m_jar(std::make_shared<TCookieJar>())
    , m_keptFile(keptCookiesFile)
{
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(500);
    connect(&m_writeTimer, &QTimer::timeout, this, &TWebEngineSession::WriteKeptCookies);
    ReadKeptCookies();

    QWebEngineCookieStore* store = m_profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this, [this](const QNetworkCookie& c) {
        if (!m_jar->Add(FromNetworkCookie(c)))
            qCDebug(pagemint::lcBrowser) << "cookie not usable for downloads:" << c.name() << c.domain();
        else if (!m_keptFile.isEmpty())
            m_writeTimer.start();
    });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, [this](const QNetworkCookie& c) {
        const TCookie cookie = FromNetworkCookie(c);
        if (m_jar->Remove(cookie.Name, cookie.Domain, cookie.HostOnly, cookie.Path) && !m_keptFile.isEmpty())
            m_writeTimer.start();
    });
    // The cookies kept from earlier sessions arrive through cookieAdded.
    store->loadAllCookies();
}

TWebEngineSession::~TWebEngineSession()
{
    if (m_writeTimer.isActive())
        WriteKeptCookies();
}

void TWebEngineSession::ReadKeptCookies()
{
    if (m_keptFile.isEmpty())
        return;
    QFile file(m_keptFile);
    if (!file.exists())
        return;
    // A jar of cookies is a few hundred kilobytes at most; a larger file is no file of ours.
    constexpr qint64 MaxKeptFileSize = 16 * 1024 * 1024;
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxKeptFileSize) {
        qCDebug(pagemint::lcBrowser) << "kept cookies not read:" << m_keptFile;
        return;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const TCookie& cookie : pagemint::ParseCookieFile(file.readAll())) {
        if (!cookie.IsExpired(now))
            m_jar->Add(cookie);
    }
}

void TWebEngineSession::WriteKeptCookies()
{
    m_writeTimer.stop();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<TCookie> cookies = m_jar->Cookies();
    cookies.removeIf([&now](const TCookie& cookie) { return cookie.IsExpired(now); });
    const QByteArray text = pagemint::CookieFileText(cookies);
    // Cookies are the user's logons: the file is the owner's alone from its first byte on.
    QSaveFile file(m_keptFile);
    const bool written = file.open(QIODevice::WriteOnly)
                      && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
                      && file.write(text) == text.size() && file.commit();
    if (!written)
        qCDebug(pagemint::lcBrowser) << "kept cookies not written:" << m_keptFile << file.errorString();
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
