#pragma once
/**
 * The browser profile's session as the download side sees it: a cookie jar fed from the
 * profile's QWebEngineCookieStore (every cookie it adds or drops, HttpOnly ones included, and at
 * construction everything the profile kept from earlier sessions) and the profile's user agent.
 * Lives on the user-interface thread, like the profile, which must outlive it.
 *
 * The store reports cookies only once the profile has loaded its first page (about:blank is
 * enough); the load of the earlier sessions' cookies asked for at construction runs then.
 *
 * The store does not report the cookies it reads back from the profile's disk, however: after
 * a restart the browser panel would still be logged on while the downloads were not. So the
 * session keeps its own copy of the jar in keptCookiesFile (the Netscape cookie-file form,
 * readable by the owner only), reads it at construction and writes it shortly after every
 * change and at destruction. Expired cookies are dropped on both ways. Without a file (a
 * profile that keeps nothing on disk) nothing is kept.
 */

#include "download/browsersession.h"

#include <QObject>
#include <QTimer>

class QNetworkCookie;
class QWebEngineProfile;

class TWebEngineSession : public QObject, public TBrowserSession
{
    Q_OBJECT
public:
    explicit TWebEngineSession(QWebEngineProfile* profile, const QString& keptCookiesFile = QString(),
                               QObject* parent = nullptr);
    /** Writes the kept cookies if a change is still waiting to be written. */
    ~TWebEngineSession() override;

    std::shared_ptr<const TCookieJar> CookieJar() const override;
    QString UserAgent() const override;

    /** The store's form of a cookie in the jar's: a domain with a leading dot is a domain
     *  cookie, one without it is host-only (the store writes domain cookies as ".example.com").
     *  A cookie without an expiry date is a session cookie. */
    static TCookie FromNetworkCookie(const QNetworkCookie& cookie);

private:
    void ReadKeptCookies();
    void WriteKeptCookies();

    QWebEngineProfile* m_profile;
    std::shared_ptr<TCookieJar> m_jar;
    QString m_keptFile;
    QTimer m_writeTimer; // coalesces the changes of one page load into one write
};
