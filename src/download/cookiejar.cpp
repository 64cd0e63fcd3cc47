#include "download/cookiejar.h"

#include <QUrl>
#include <algorithm>
#include <vector>

namespace {

bool SafeInHeader(const QByteArray& text)
{
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == '\0' || c == ';')
            return false;
    }
    return true;
}

QString NormalPath(const QString& path)
{
    return path.startsWith(u'/') ? path : QStringLiteral("/");
}

} // namespace

QString TCookieJar::CanonicalDomain(const QString& domain)
{
    QString d = domain.trimmed();
    if (d.startsWith(u'.'))
        d.remove(0, 1);
    if (d.startsWith(u'[') && d.endsWith(u']'))
        d = d.mid(1, d.size() - 2);
    if (d.isEmpty())
        return {};
    if (d.contains(u':'))
        return d.toLower(); // an IPv6 address
    const QByteArray ace = QUrl::toAce(d);
    // toAce refuses names it cannot encode; fall back to the plain lower-case form, which then
    // simply never matches a host.
    return ace.isEmpty() ? d.toLower() : QString::fromLatin1(ace).toLower();
}

bool TCookieJar::IsIpAddress(const QString& host)
{
    if (host.contains(u':'))
        return true;
    // A name whose last label is a number is an IPv4 address in URL terms.
    const qsizetype dot = host.lastIndexOf(u'.');
    const QStringView last = QStringView(host).mid(dot + 1);
    if (last.isEmpty())
        return false;
    return std::all_of(last.begin(), last.end(), [](QChar c) { return c.isDigit(); });
}

bool TCookieJar::PathMatches(const QString& cookiePath, const QString& requestPath)
{
    if (!requestPath.startsWith(cookiePath))
        return false;
    if (requestPath.size() == cookiePath.size() || cookiePath.endsWith(u'/'))
        return true;
    return requestPath.at(cookiePath.size()) == u'/';
}

bool TCookieJar::Add(TCookie cookie)
{
    cookie.Domain = CanonicalDomain(cookie.Domain);
    cookie.Path = NormalPath(cookie.Path);
    if (cookie.Domain.isEmpty() || !SafeInHeader(cookie.Name) || !SafeInHeader(cookie.Value))
        return false;

    std::lock_guard lock(m_mutex);
    QList<TStored>& list = m_byDomain[cookie.Domain];
    for (TStored& stored : list) {
        const TCookie& old = stored.Cookie;
        if (old.Name == cookie.Name && old.HostOnly == cookie.HostOnly && old.Path == cookie.Path) {
            stored.Cookie = std::move(cookie);
            return true;
        }
    }
    list.append(TStored{std::move(cookie), m_nextOrder++});
    ++m_count;
    return true;
}

bool TCookieJar::Remove(const QByteArray& name, const QString& domain, bool hostOnly,
                        const QString& path)
{
    const QString canonical = CanonicalDomain(domain);
    const QString normalPath = NormalPath(path);
    std::lock_guard lock(m_mutex);
    auto it = m_byDomain.find(canonical);
    if (it == m_byDomain.end())
        return false;
    const qsizetype removed = it->removeIf([&](const TStored& s) {
        return s.Cookie.Name == name && s.Cookie.HostOnly == hostOnly && s.Cookie.Path == normalPath;
    });
    if (it->isEmpty())
        m_byDomain.erase(it);
    m_count -= int(removed);
    return removed > 0;
}

void TCookieJar::Clear()
{
    std::lock_guard lock(m_mutex);
    m_byDomain.clear();
    m_count = 0;
}

void TCookieJar::RemoveExpired(const QDateTime& now)
{
    std::lock_guard lock(m_mutex);
    for (auto it = m_byDomain.begin(); it != m_byDomain.end();) {
        m_count -= int(it->removeIf([&](const TStored& s) { return s.Cookie.IsExpired(now); }));
        it = it->isEmpty() ? m_byDomain.erase(it) : std::next(it);
    }
}

QByteArray TCookieJar::CookieHeader(const QUrl& url, const QDateTime& now) const
{
    const QString scheme = url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https")
        return {};
    const bool secure = scheme == u"https";
    const QString host = CanonicalDomain(url.host(QUrl::EncodeUnicode));
    if (host.isEmpty())
        return {};
    QString path = url.path(QUrl::FullyEncoded);
    if (path.isEmpty())
        path = QStringLiteral("/");
    const bool ipHost = IsIpAddress(host);

    std::vector<const TStored*> chosen;
    std::lock_guard lock(m_mutex);
    // The host itself, then each parent domain (b.example.com, example.com, com).
    qsizetype from = 0;
    while (from >= 0) {
        const QString domain = host.mid(from);
        const bool exactHost = from == 0;
        auto it = m_byDomain.constFind(domain);
        if (it != m_byDomain.cend()) {
            for (const TStored& s : *it) {
                const TCookie& c = s.Cookie;
                if (c.HostOnly ? !exactHost : ipHost)
                    continue;
                if ((c.Secure && !secure) || c.IsExpired(now) || !PathMatches(c.Path, path))
                    continue;
                chosen.push_back(&s);
            }
        }
        if (ipHost)
            break;
        const qsizetype dot = host.indexOf(u'.', from);
        from = dot < 0 ? -1 : dot + 1;
    }

    std::sort(chosen.begin(), chosen.end(), [](const TStored* a, const TStored* b) {
        if (a->Cookie.Path.size() != b->Cookie.Path.size())
            return a->Cookie.Path.size() > b->Cookie.Path.size();
        return a->Order < b->Order;
    });
    QByteArray header;
    for (const TStored* s : chosen) {
        if (!header.isEmpty())
            header += "; ";
        if (!s->Cookie.Name.isEmpty())
            header += s->Cookie.Name + '=';
        header += s->Cookie.Value;
    }
    return header;
}

QList<TCookie> TCookieJar::Cookies() const
{
    std::vector<const TStored*> all;
    std::lock_guard lock(m_mutex);
    for (const QList<TStored>& list : m_byDomain) {
        for (const TStored& s : list)
            all.push_back(&s);
    }
    std::sort(all.begin(), all.end(),
              [](const TStored* a, const TStored* b) { return a->Order < b->Order; });
    QList<TCookie> result;
    result.reserve(qsizetype(all.size()));
    for (const TStored* s : all)
        result.append(s->Cookie);
    return result;
}

int TCookieJar::Count() const
{
    std::lock_guard lock(m_mutex);
    return m_count;
}

namespace {

constexpr char HttpOnlyPrefix[] = "#HttpOnly_";

bool WritableField(const QByteArray& field)
{
    return !field.contains('\t') && !field.contains('\n') && !field.contains('\r');
}

} // namespace

QByteArray pagemint::CookieFileText(const QList<TCookie>& cookies)
{
    QByteArray text("# Netscape HTTP Cookie File\n");
    for (const TCookie& cookie : cookies) {
        const QByteArray domain = cookie.Domain.toUtf8();
        const QByteArray path = cookie.Path.toUtf8();
        if (domain.isEmpty() || !WritableField(domain) || !WritableField(path) || !WritableField(cookie.Name)
            || !WritableField(cookie.Value))
            continue;
        if (cookie.HttpOnly)
            text += HttpOnlyPrefix;
        text += (cookie.HostOnly ? QByteArray() : QByteArray(".")) + domain;
        text += cookie.HostOnly ? "\tFALSE\t" : "\tTRUE\t";
        text += path;
        text += cookie.Secure ? "\tTRUE\t" : "\tFALSE\t";
        text += QByteArray::number(cookie.Expiry.isValid() ? cookie.Expiry.toSecsSinceEpoch() : 0);
        text += '\t' + cookie.Name + '\t' + cookie.Value + '\n';
    }
    return text;
}

QList<TCookie> pagemint::ParseCookieFile(const QByteArray& text)
{
    QList<TCookie> cookies;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        TCookie cookie;
        if (line.startsWith(HttpOnlyPrefix)) {
            cookie.HttpOnly = true;
            line.remove(0, qsizetype(sizeof(HttpOnlyPrefix) - 1));
        } else if (line.startsWith('#') || line.trimmed().isEmpty()) {
            continue;
        }
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 7)
            continue;
        QByteArray domain = fields[0];
        cookie.HostOnly = !(domain.startsWith('.') || fields[1] == "TRUE");
        if (domain.startsWith('.'))
            domain.remove(0, 1);
        cookie.Domain = QString::fromUtf8(domain);
        cookie.Path = QString::fromUtf8(fields[2]);
        cookie.Secure = fields[3] == "TRUE";
        bool number = false;
        const qint64 expiry = fields[4].toLongLong(&number);
        if (cookie.Domain.isEmpty() || !cookie.Path.startsWith(u'/') || !number || expiry < 0)
            continue;
        if (expiry > 0)
            cookie.Expiry = QDateTime::fromSecsSinceEpoch(expiry, Qt::UTC);
        cookie.Name = fields[5];
        cookie.Value = fields[6];
        cookies.append(std::move(cookie));
    }
    return cookies;
}
