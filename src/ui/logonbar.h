#pragma once
/**
 * The bar above the browser while the crawl waits for a manual logon: it says what the user is
 * expected to do, counts down the seconds until the task goes on by itself, offers "Continue"
 * (the user has logged on: the task goes on at once) and a button that widens the browser
 * panel to most of the window for the logon and back. Hidden outside the pause; when the pause
 * ends a widened panel gets its former width back. GUI thread.
 */

#include <QFrame>
#include <QList>
#include <QTimer>
#include <functional>

class QLabel;
class QPushButton;
class QSplitter;

class TLogonBar : public QFrame
{
    Q_OBJECT
public:
    /** The clock the pause's deadline is on (the engine's TEventPump::NowMs). */
    using TClock = std::function<qint64()>;

    /** splitter: the window's panels; pane: the index of the browser panel in it. */
    TLogonBar(TClock clock, QSplitter* splitter, int pane, QWidget* parent = nullptr);

    /** The pause has begun; it ends by itself at deadlineMs. Shows the bar. */
    void Begin(qint64 deadlineMs);
    /** The pause is over: hides the bar and gives a widened panel its width back. */
    void End();

    /** The whole seconds left until the deadline (rounded up, never below 0). */
    int SecondsLeft() const;
    /** Widens the browser panel to most of the window (true) or gives it its width back. */
    void SetWidened(bool widened);
    bool IsWidened() const { return !m_savedSizes.isEmpty(); }

signals:
    /** "Continue" was clicked. */
    void ContinueRequested();

private:
    void ShowCountdown();

    TClock m_clock;
    QSplitter* m_splitter;
    int m_pane;
    qint64 m_deadline = 0;
    QList<int> m_savedSizes;   // the panels' widths before widening; empty when not widened
    QLabel* m_text = nullptr;
    QLabel* m_countdown = nullptr;
    QPushButton* m_continue = nullptr;
    QPushButton* m_widen = nullptr;
    QTimer m_tick;
};
