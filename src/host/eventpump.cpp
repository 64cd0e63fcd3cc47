#include "host/eventpump.h"

#include <QCoreApplication>

TEventLoopPump::TEventLoopPump()
{
    m_clock.start();
    m_wake.setSingleShot(true);
    m_wake.setInterval(PumpWaitMs);
}

void TEventLoopPump::ProcessMessages()
{
    const qint64 startNs = m_clock.nsecsElapsed();
    if (!m_wake.isActive())
        m_wake.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    m_pumpedNs += m_clock.nsecsElapsed() - startNs;
}

qint64 TEventLoopPump::NowMs() const
{
    return m_clock.elapsed();
}
