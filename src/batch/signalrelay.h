#pragma once

#include <QObject>

class QSocketNotifier;

/**
 * Turns SIGINT and SIGTERM into a Qt signal on the thread that created the relay.
 * The C handler only writes the signal number into a socket pair (async-signal-safe);
 * a QSocketNotifier reads it on the event loop and emits Signalled. After the second signal
 * the handlers fall back to the default action, so a third one ends the process even when
 * the program no longer reacts.
 * One relay may exist at a time; the previous handlers are restored when it is destroyed.
 */
class TSignalRelay : public QObject
{
    Q_OBJECT
public:
    explicit TSignalRelay(QObject* parent = nullptr);
    ~TSignalRelay() override;

    /** False when the socket pair or the handlers could not be set up. */
    bool IsActive() const { return m_active; }

signals:
    /** One per SIGINT or SIGTERM received; count is 1 for the first, 2 for the second... */
    void Signalled(int signalNumber, int count);

private:
    void ReadSignals();

    bool m_active = false;
    int m_count = 0;
    QSocketNotifier* m_notifier = nullptr;
};
