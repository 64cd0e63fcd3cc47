#pragma once
/**
 * The engine's event pump and clock. The crawl keeps the program alive inside its waits by
 * pumping events through it, and measures its time-outs on its clock. The engine owns a
 * TEventLoopPump; tests put in a pump whose every call advances a fake clock. UI thread.
 */

#include <QElapsedTimer>
#include <QTimer>

class TEventPump
{
public:
    virtual ~TEventPump() = default;

    /** Handles pending events once (timer ticks, commands, browser events). The crawl calls it
     *  in a loop while it waits, so an implementation may block briefly (a few milliseconds)
     *  for the next event instead of returning at once when nothing is pending. */
    virtual void ProcessMessages() = 0;
    /** Milliseconds on a monotonic clock. */
    virtual qint64 NowMs() const = 0;
};

/** Pumps the Qt event loop of the calling thread (waiting at most PumpWaitMs for an event, so
 *  the crawl's waits neither spin nor miss their deadlines) and reads a monotonic clock. */
class TEventLoopPump : public TEventPump
{
public:
    static constexpr int PumpWaitMs = 10;

    TEventLoopPump();

    void ProcessMessages() override;
    qint64 NowMs() const override;
    /** Nanoseconds spent inside ProcessMessages so far: handling events and waiting for them. */
    qint64 PumpedNs() const { return m_pumpedNs; }

private:
    QElapsedTimer m_clock;
    qint64 m_pumpedNs = 0;
    QTimer m_wake; // bounds the wait of one pump when no event comes
};
