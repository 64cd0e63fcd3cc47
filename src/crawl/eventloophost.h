#pragma once
/**
 * A partial crawl host for programs with a Qt event loop: pumps events (waiting at most
 * PumpWaitMs for one, so the crawl's waits neither spin nor miss their deadlines) and reads a
 * monotonic clock. The desktop program and the batch runner derive from it and add the messages,
 * the status texts and the download timer. Lives on the thread that runs the event loop.
 */

#include "crawl/crawlhost.h"

#include <QElapsedTimer>
#include <QTimer>

class TEventLoopCrawlHost : public TCrawlHost
{
public:
    static constexpr int PumpWaitMs = 10;

    TEventLoopCrawlHost();

    void ProcessMessages() override;
    qint64 NowMs() const override;

private:
    QElapsedTimer m_clock;
    QTimer m_wake; // bounds the wait of one pump when no event comes
};
