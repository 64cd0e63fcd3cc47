#include "task/common.h"

#include <QFileInfo>

using namespace pagemint;

// ---- Text matching ----

namespace {

inline char16_t FoldChar(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

inline bool IsControlOrBlank(QChar c) { return c.unicode() <= 32; }

} // namespace

QString pagemint::AsciiLower(const QString& text)
{
    // Most URLs are already lower case: only copy when something changes.
    const qsizetype n = text.size();
    const QChar* src = text.constData();
    qsizetype i = 0;
    while (i < n && !(src[i].unicode() >= u'A' && src[i].unicode() <= u'Z'))
        ++i;
    if (i == n)
        return text;
    QString result = text;
    QChar* dst = result.data();
    for (; i < n; ++i)
        dst[i] = QChar(FoldChar(dst[i].unicode()));
    return result;
}

bool pagemint::TextContains(const QString& text, const QString& part)
{
    return AsciiLower(text).contains(AsciiLower(part), Qt::CaseSensitive);
}

bool pagemint::TextEquals(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (FoldChar(pa[i].unicode()) != FoldChar(pb[i].unicode()))
            return false;
    }
    return true;
}

qsizetype pagemint::TextIndexOf(const QString& text, const QString& part, qsizetype from)
{
    return AsciiLower(text).indexOf(AsciiLower(part), from, Qt::CaseSensitive);
}

QString pagemint::TrimControl(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsControlOrBlank(text.at(begin)))
        ++begin;
    while (end > begin && IsControlOrBlank(text.at(end - 1)))
        --end;
    if (begin == 0 && end == text.size())
        return text;
    return text.mid(begin, end - begin);
}

// ---- URL and file-name functions ----

QString pagemint::ExtractHost(const QString& url)
{
    const qsizetype at = url.indexOf(u'@');
    if (at >= 0)
        return url.mid(at + 1);

    QString host = url;
    qsizetype scheme = host.indexOf(QStringLiteral("://"));
    qsizetype schemeLength = 3;
    if (scheme < 0) {
        scheme = host.indexOf(QStringLiteral(":\\\\"));
        schemeLength = 3;
    }
    if (scheme >= 0)
        host = host.mid(scheme + schemeLength);

    qsizetype cut = host.indexOf(u'/');
    if (cut < 0)
        cut = host.indexOf(u'\\');
    if (cut >= 0)
        host.truncate(cut);

    // Keep the last two dot-separated parts: drop leading labels while two or more dots remain.
    qsizetype dots = host.count(u'.');
    while (dots > 1) {
        host = host.mid(host.indexOf(u'.') + 1);
        --dots;
    }
    return host;
}

QString pagemint::ExtractDirectory(const QString& url)
{
    QString t = url;
    const qsizetype scheme = url.indexOf(QStringLiteral("://"));
    if (scheme >= 0)
        t = url.mid(scheme + 3);

    QString r = t;
    const qsizetype lastSlash = t.lastIndexOf(u'/');
    if (lastSlash >= 0) {
        if (t.mid(lastSlash + 1).contains(u'.'))
            r = t.left(lastSlash + 1);
    }
    if (r.endsWith(u'/'))
        r.chop(1);
    return r;
}

QString pagemint::ExtractURLFileName(const QString& url)
{
    QString name;
    const qsizetype slash = url.lastIndexOf(u'/');
    if (slash >= 0) {
        name = url.mid(slash + 1);
    } else {
        const qsizetype backslash = url.lastIndexOf(u'\\');
        if (backslash >= 0)
            name = url.mid(backslash + 1);
        else
            return QStringLiteral("Unknown");
    }
    // After the cut the name holds no "/" (or no "\" when cut at a backslash); the replacement
    // list still covers every character a file name must not hold.
    static const char16_t kForbidden[] = {u'/', u'\\', u':', u'*', u'?', u'"', u'<', u'>', u'|'};
    for (char16_t c : kForbidden)
        name.replace(QChar(c), QChar(u'-'));
    return name;
}

QString pagemint::UniqueFileName(const QString& folder, const QString& name)
{
    for (int i = 1; i <= 999; ++i) {
        const QString candidate = QLatin1Char('(') + QString::number(i) + QLatin1Char(')') + name;
        const QFileInfo info(folder + QLatin1Char('/') + candidate);
        // Anything at that path, a folder or a dangling link included, makes the name unusable
        // for a new file, so it counts as taken.
        if (!info.exists() && !info.isSymLink())
            return candidate;
    }
    return QString();
}

QStringList pagemint::SplitLines(const QString& text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

// ---- TFoldedList ----

QString TFoldedList::FoldOf(const QString& text) const
{
    return m_fold == Fold::TrimmedLower ? AsciiLower(TrimControl(text)) : AsciiLower(text);
}

void TFoldedList::Append(const QString& entry)
{
    m_entries.append(entry);
    ++m_folded[FoldOf(entry)];
}

void TFoldedList::Clear()
{
    m_entries.clear();
    m_folded.clear();
}

bool TFoldedList::ContainsFolded(const QString& text) const
{
    return m_folded.contains(FoldOf(text));
}

// ---- TDownloadQueue ----

bool TDownloadQueue::QueueDownloadURL(const QString& url)
{
    return QueueDownloadURL(url, m_referringPage);
}

bool TDownloadQueue::QueueDownloadURL(const QString& url, const QString& referringPage)
{
    if (TrimControl(url).isEmpty())
        return false;
    // The first finder wins: a later page that links the same URL changes nothing.
    if (m_list.ContainsFolded(url))
        return false;
    m_list.Append(url);
    m_referrers.append(referringPage);
    return true;
}

void TDownloadQueue::Clear()
{
    m_list.Clear();
    m_referrers.clear();
    m_referringPage.clear();
}
