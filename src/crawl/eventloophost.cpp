#include "crawl/eventloophost.h"

#include <QCoreApplication>

TEventLoopCrawlHost::TEventLoopCrawlHost()
{
    m_clock.start();
    m_wake.setSingleShot(true);
    m_wake.setInterval(PumpWaitMs);
}

void TEventLoopCrawlHost::ProcessMessages()
{
    if (!m_wake.isActive())
        m_wake.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

qint64 TEventLoopCrawlHost::NowMs() const
{
    return m_clock.elapsed();
}
