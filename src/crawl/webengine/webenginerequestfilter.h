#pragma once
/**
 * Blocks the resource types that the browser options leave out: pictures (and favicons) unless
 * "Download Images" is on, media unless "Download Videos" is on, and media whose address names
 * an audio file unless "Download Background Sounds" is on (the sound option decides for audio
 * files, the video option for all other media). May be called on any thread.
 */

#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <atomic>

class TWebEngineRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    explicit TWebEngineRequestFilter(QObject* parent = nullptr);

    void SetAllowed(bool images, bool videos, bool sounds);
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

    /** True when the address's path ends in an audio file extension (.mp3, .wav, .mid, ...). */
    static bool IsSoundUrl(const QUrl& url);

private:
    std::atomic<bool> m_images{false};
    std::atomic<bool> m_videos{false};
    std::atomic<bool> m_sounds{false};
};
