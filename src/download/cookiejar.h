#pragma once
/**
 * The browser's cookies as plain data, so that the download workers can send the same cookies
 * the browser panel would send for a URL. The jar only mirrors a store that someone else keeps
 * (the browser profile feeds it); it neither parses Set-Cookie nor enforces limits.
 *
 * Thread-safe: one mutex guards the contents. The user-interface thread adds and removes,
 * worker threads ask for CookieHeader at the same time.
 *
 * Identity: a cookie is one (name, domain, host-only, path). Adding a cookie with the identity of
 * a stored one replaces it and keeps the stored one's creation order. The host-only flag belongs
 * to the identity because the browser keeps "a" for exactly www.example.com and "a" for
 * example.com and its subdomains as two cookies; a mirror that merged them would lose one of them
 * when the browser removes the other.
 *
 * Selection for a request URL:
 *   - host-only cookies only for exactly their host; domain cookies for their domain and every
 *     subdomain of it, never for an IP address host;
 *   - the cookie path must be the request path, or a prefix of it that ends in "/" or is followed
 *     by "/" in the request path (/foo matches /foo, /foo/, /foo/bar, not /foobar);
 *   - Secure cookies only over https; cookies that have expired by `now` never;
 *   - order: longer paths first, then the earlier created first.
 */

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <mutex>

class QUrl;

struct TCookie
{
    QByteArray Name;
    QByteArray Value;
    /** Lower-case host name in ASCII (punycode) form, without a leading dot; an IPv6 address
     *  without brackets. */
    QString Domain;
    /** true: sent to exactly Domain; false: to Domain and its subdomains. */
    bool HostOnly = true;
    /** Starts with "/". */
    QString Path = QStringLiteral("/");
    bool Secure = false;
    bool HttpOnly = false;
    /** When the cookie expires; invalid for a session cookie, which never expires here. */
    QDateTime Expiry;

    bool IsExpired(const QDateTime& now) const { return Expiry.isValid() && Expiry <= now; }
};

class TCookieJar
{
public:
    /** Stores the cookie, replacing one with the same identity (which keeps its place in the
     *  creation order). The domain is brought to canonical form (see TCookie::Domain; a leading
     *  dot is dropped) and an empty or relative path becomes "/". Returns false and stores
     *  nothing when the cookie could not be sent safely: an empty domain, or a name or value
     *  holding a line break, NUL or ';' (it would break the request header). */
    bool Add(TCookie cookie);
    /** Removes the cookie with this identity (domain in any form Add accepts). Returns whether
     *  one was stored. */
    bool Remove(const QByteArray& name, const QString& domain, bool hostOnly, const QString& path);
    void Clear();
    /** Drops every cookie expired by `now`. */
    void RemoveExpired(const QDateTime& now);

    /** The value of a Cookie request header for `url` at `now` ("a=1; b=2"), empty when no
     *  cookie applies or the URL is not http(s). A cookie with an empty name is sent as its
     *  value alone, as browsers do. */
    QByteArray CookieHeader(const QUrl& url, const QDateTime& now) const;

    /** All cookies in creation order (for tests and diagnostics). */
    QList<TCookie> Cookies() const;
    int Count() const;

    /** Lower case, ASCII form, no leading dot, no IPv6 brackets; empty when unusable. */
    static QString CanonicalDomain(const QString& domain);
    /** Whether `host` (canonical) is an IPv4 or IPv6 address. */
    static bool IsIpAddress(const QString& host);
    /** The cookie path rule: whether `cookiePath` matches `requestPath`. */
    static bool PathMatches(const QString& cookiePath, const QString& requestPath);

private:
    struct TStored
    {
        TCookie Cookie;
        quint64 Order = 0; // creation order
    };

    mutable std::mutex m_mutex;
    /** Cookies by canonical domain, so a request looks only at its host and the host's parent
     *  domains instead of every cookie. */
    QHash<QString, QList<TStored>> m_byDomain;
    quint64 m_nextOrder = 0;
    int m_count = 0;
};

namespace pagemint {

/**
 * The cookies in the Netscape cookie-file form that curl and the browsers' cookie exports use:
 * one line per cookie, "domain TAB subdomains TAB path TAB secure TAB expiry TAB name TAB value",
 * a domain cookie's domain with a leading dot and "TRUE" as its subdomains flag, an HttpOnly
 * cookie's line prefixed with "#HttpOnly_", the expiry in seconds since 1970 and 0 for a session
 * cookie. A cookie whose name or value holds a tab or a line break cannot be written that way
 * and is left out.
 */
QByteArray CookieFileText(const QList<TCookie>& cookies);
/** The cookies of such a text. Comment, blank and malformed lines (too few or too many fields,
 *  a path not starting with "/", an expiry that is no number) are left out. */
QList<TCookie> ParseCookieFile(const QByteArray& text);

} // namespace pagemint
