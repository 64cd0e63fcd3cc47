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
    if (!m_wake.isActive())
        m_wake.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

qint64 TEventLoopPump::NowMs() const
{
    return m_clock.elapsed();
}
