#include "crawl/webengine/webenginerequestfilter.h"

TWebEngineRequestFilter::TWebEngineRequestFilter(QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent)
{
}

void TWebEngineRequestFilter::SetAllowed(bool images, bool videos, bool sounds)
{
    m_images = images;
    m_videos = videos;
    m_sounds = sounds;
}

bool TWebEngineRequestFilter::IsSoundUrl(const QUrl& url)
{
    static const char* const endings[] = {".mp3", ".wav", ".mid", ".midi", ".ogg", ".oga",
                                          ".opus", ".wma", ".m4a", ".aac", ".flac", ".au",
                                          ".snd", ".aif", ".aiff", ".ra", ".rmi"};
    const QString path = url.path().toLower();
    for (const char* ending : endings)
        if (path.endsWith(QLatin1String(ending)))
            return true;
    return false;
}

void TWebEngineRequestFilter::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    switch (info.resourceType()) {
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
        if (!m_images)
            info.block(true);
        break;
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
        if (IsSoundUrl(info.requestUrl()) ? !m_sounds : !m_videos)
            info.block(true);
        break;
    default:
        break;
    }
}
